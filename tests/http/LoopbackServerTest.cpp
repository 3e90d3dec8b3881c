// SPDX-License-Identifier: GPL-3.0-or-later
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "HttpTestSupport.h"

namespace qv::test {
namespace {

// A bare client, for requests libcurl would never send.
class RawClient {
public:
    explicit RawClient(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        connected_ = fd_ >= 0 && connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient() { close(fd_); }
    bool Write(const std::string& data) {
        return connected_ &&
               send(fd_, data.data(), data.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(data.size());
    }
    std::string ReadToEnd() {
        std::string all;
        char buffer[4096];
        for (ssize_t n; (n = recv(fd_, buffer, sizeof buffer, 0)) > 0;)
            all.append(buffer, static_cast<size_t>(n));
        return all;
    }

private:
    int fd_;
    bool connected_ = false;
};

TEST(LoopbackServer, QueuedAnswersComeFirstThenTheHandler) {
    LoopbackServer server(
        [](const HttpExchange& exchange) { return ScriptedResponse::Ok("handler " + exchange.target); });
    server.Enqueue({ScriptedResponse::Status(408), ScriptedResponse::Ok("queued")});
    HttpRequest request;
    EXPECT_FALSE(Send(request, server.Address(), "GET", "/a"));
    EXPECT_EQ(request.StatusCode(), 408);
    EXPECT_TRUE(Send(request, server.Address(), "GET", "/b"));
    EXPECT_EQ(request.ResponseBody(), "queued");
    EXPECT_TRUE(Send(request, server.Address(), "GET", "/c"));
    EXPECT_EQ(request.ResponseBody(), "handler /c");
    EXPECT_EQ(server.QueuedCount(), 0u);
    EXPECT_EQ(server.ExchangeCount(), 3u);
}

TEST(LoopbackServer, ChunkedRequestIsDecodedAndAnswered) {
    LoopbackServer server([](const HttpExchange& exchange) { return ScriptedResponse::Ok(exchange.body); });
    RawClient client(server.Port());
    ASSERT_TRUE(
        client.Write("POST /in HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
                     "5\r\nhello\r\n7\r\n, world\r\n0\r\n\r\n"));
    const std::string answer = client.ReadToEnd();
    EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer;
    EXPECT_NE(answer.find("\r\n\r\nhello, world"), std::string::npos) << answer;
    ASSERT_EQ(server.ExchangeCount(), 1u);
    EXPECT_EQ(server.Exchanges()[0].body, "hello, world");
}

TEST(LoopbackServer, StopsPromptlyWhileAConnectionStalls) {
    auto server =
        std::make_unique<LoopbackServer>([](const HttpExchange&) { return ScriptedResponse::Stalled(); });
    RawClient client(server->Port());
    ASSERT_TRUE(client.Write("GET / HTTP/1.1\r\nHost: x\r\n\r\n"));
    ASSERT_TRUE(server->WaitForExchanges(1, std::chrono::seconds(10)));
    const auto start = std::chrono::steady_clock::now();
    server.reset();
    EXPECT_LT(ElapsedMs(start), 5000);
    EXPECT_EQ(client.ReadToEnd(), "");  // closed without an answer
}

TEST(LoopbackServer, ExchangeDecodesFormFieldsAndBasicAuth) {
    HttpExchange exchange;
    exchange.body = "a=1+2&b=%20x%2B&c&=v";
    exchange.headers = {{"authorization", "Basic dXNlcjpwYTpzcw=="}};  // user:pa:ss
    EXPECT_EQ(exchange.FormFields(), (std::vector<std::pair<std::string, std::string>>{
                                         {"a", "1 2"}, {"b", " x+"}, {"c", ""}, {"", "v"}}));
    ASSERT_TRUE(exchange.BasicAuth());
    EXPECT_EQ(exchange.BasicAuth()->user, "user");
    EXPECT_EQ(exchange.BasicAuth()->password, "pa:ss");
    EXPECT_EQ(exchange.Header("AUTHORIZATION"), "Basic dXNlcjpwYTpzcw==");
    EXPECT_FALSE(exchange.Header("Cookie"));
}

}  // namespace
}  // namespace qv::test
