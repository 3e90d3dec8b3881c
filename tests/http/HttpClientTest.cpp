// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "HttpTestSupport.h"
#include "Messages.h"
#include "http/HttpClient.h"

namespace qv::test {
namespace {

using std::chrono::milliseconds;

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        server().SetHandler({});
        server().ClearQueue();
        server().ClearExchanges();
        server().SetKeepAlive(true);
    }
    void TearDown() override { server().SetKeepAlive(false); }
    LoopbackServer& server() { return SharedServer(); }

    http::Request Get(const std::string& path) {
        http::Request request;
        request.url = server().Url(path);
        return request;
    }

    std::set<int> ConnectionsUsed() const {
        std::set<int> connections;
        for (const auto& exchange : SharedServer().Exchanges()) connections.insert(exchange.connection);
        return connections;
    }
};

// The high-water mark of this process's resident memory, after resetting it.
long PeakResidentKib(bool reset) {
    if (reset) std::ofstream("/proc/self/clear_refs") << "5";
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    }
    return -1;
}

TEST_F(HttpClientTest, RequestsOfOneClientShareOneKeptConnectionAndSurviveAServerThatClosedIt) {
    server().SetHandler(
        [](const HttpExchange& exchange) { return ScriptedResponse::Ok("page " + exchange.target); });
    http::HttpClient client;
    for (int i = 0; i < 5; ++i) {
        http::MemoryBody body;
        const http::Response answer = client.Perform(Get("/p" + std::to_string(i)), body);
        ASSERT_FALSE(answer.failed) << answer.errorText;
        EXPECT_EQ(body.text, "page /p" + std::to_string(i));
    }
    EXPECT_EQ(ConnectionsUsed().size(), 1u);
    EXPECT_EQ(client.ConnectionsOpened(), 1);

    // The server answers and then drops the kept connection without saying so:
    // the next request goes out again on a new one instead of failing.
    ScriptedResponse dropping = ScriptedResponse::Ok("last on this connection");
    dropping.headers = {{"Connection", "keep-alive"}};
    dropping.closeAfterBodyBytes = dropping.body.size();
    server().Enqueue(dropping);
    http::MemoryBody first;
    ASSERT_FALSE(client.Perform(Get("/a"), first).failed);
    http::MemoryBody second;
    const http::Response answer = client.Perform(Get("/b"), second);
    ASSERT_FALSE(answer.failed) << answer.errorText;
    EXPECT_EQ(second.text, "page /b");
}

TEST_F(HttpClientTest, TransfersRunAtOnceWithinThePerHostCapAndFinishInAnyOrder) {
    server().SetHandler([](const HttpExchange& exchange) {
        ScriptedResponse answer = ScriptedResponse::Ok(exchange.target);
        answer.delayBeforeHeadersMs = exchange.target == "/slow" ? 300 : 50;
        return answer;
    });
    http::ClientOptions options;
    options.maxConnectionsPerHost = 3;
    http::HttpClient client(options);
    std::vector<http::MemoryBody> bodies(6);
    std::vector<http::HttpClient::TransferId> ids;
    ids.push_back(client.Start(Get("/slow"), bodies[0]));
    for (int i = 1; i < 6; ++i) ids.push_back(client.Start(Get("/f" + std::to_string(i)), bodies[i]));

    const auto started = std::chrono::steady_clock::now();
    while (client.Running() > 0) client.Step(milliseconds(50));
    // Five quick answers behind a cap of three (one taken by the slow one) still
    // overlap: far less than one after the other.
    EXPECT_LT(ElapsedMs(started), 5 * 50 + 300);
    for (size_t i = 0; i < ids.size(); ++i) {
        const auto answer = client.Take(ids[i]);
        ASSERT_TRUE(answer);
        EXPECT_FALSE(answer->failed);
        EXPECT_EQ(bodies[i].text, i == 0 ? "/slow" : "/f" + std::to_string(i));
    }
    EXPECT_LE(ConnectionsUsed().size(), 3u);
}

TEST_F(HttpClientTest, ATricklingAnswerFailsAsATimeOutOnceItAveragesUnderTheFloor) {
    // A byte every 150 ms never leaves the server silent for long.
    ScriptedResponse trickle = ScriptedResponse::Ok(std::string(40, 'x'));
    trickle.bodyChunkBytes = 1;
    trickle.chunkDelayMs = 150;
    server().Enqueue(trickle);
    http::Request request = Get("/trickle");
    request.limits.silence = milliseconds(1000);
    request.limits.minBytesPerSecond = 100;
    request.limits.speedWindow = std::chrono::seconds(2);
    http::HttpClient client;
    http::MemoryBody body;
    const auto started = std::chrono::steady_clock::now();
    const http::Response answer = client.Perform(request, body);
    EXPECT_TRUE(answer.failed);
    EXPECT_EQ(answer.errorKind, hekTimeout);
    EXPECT_NE(answer.errorText.find("bytes a second"), std::string::npos) << answer.errorText;
    EXPECT_LT(ElapsedMs(started), 4000);

    // The same pace above the floor arrives whole.
    ScriptedResponse steady = ScriptedResponse::Ok(std::string(3000, 'y'));
    steady.bodyChunkBytes = 100;
    steady.chunkDelayMs = 100;
    server().Enqueue(steady);
    http::MemoryBody whole;
    EXPECT_FALSE(client.Perform(request, whole).failed);
    EXPECT_EQ(whole.text.size(), 3000u);
}

TEST_F(HttpClientTest, AnAnswerOverTheCapFailsAsTooLargeWithoutBeingHeld) {
    constexpr std::size_t kHundredMb = 100u * 1000 * 1000;
    HttpRequest request;
    for (const bool announced : {true, false}) {
        ScriptedResponse huge = ScriptedResponse::Ok("<tumblr>");
        huge.fillerBytes = kHundredMb;
        huge.omitContentLength = !announced;
        server().Enqueue(huge);
        const long before = PeakResidentKib(true);
        // No callback: one that kept a copy of every block would be measured too.
        EXPECT_FALSE(Send(request, server().Address(), "POST", "/api/read", "start=0"));
        const long growthMib = (PeakResidentKib(false) - before) / 1024;
        EXPECT_EQ(request.ErrorKind(), hekTooLarge) << request.ErrorText();
        EXPECT_NE(SharedMessageUtility().DescribeRequestError(request).find("too large"), std::string::npos);
        // Announced, it is refused before the body comes; counted, it stops at
        // the cap, and what was taken stays within a small multiple of it.
        if (announced) {
            EXPECT_LT(request.ResponseBody().size(), 1u << 20);
        }
        EXPECT_LT(growthMib, 3 * 64) << (announced ? "announced" : "counted");
    }
}

TEST_F(HttpClientTest, AReasonPhraseWithControlCharactersArrivesDefused) {
    ScriptedResponse hostile = ScriptedResponse::Status(500, "x");
    hostile.reason = "Oops \x1b]0;owned\x07\x1b[2J";
    server().Enqueue(hostile);
    HttpRequest request;
    EXPECT_FALSE(Send(request, server().Address(), "GET", "/"));
    const std::string words = SharedMessageUtility().DescribeRequestError(request);
    EXPECT_EQ(words.find('\x1b'), std::string::npos) << words;
    EXPECT_EQ(words.find('\x07'), std::string::npos) << words;
    EXPECT_NE(words.find("Oops"), std::string::npos);
}

}  // namespace
}  // namespace qv::test
