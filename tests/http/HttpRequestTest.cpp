// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <tuple>

#include "HttpTestSupport.h"

namespace qv::test {
namespace {

using Clock = std::chrono::steady_clock;

class HttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        server().SetHandler({});
        server().ClearQueue();
        server().ClearExchanges();
        server().SetKeepAlive(false);
    }
    LoopbackServer& server() { return SharedServer(); }

    std::vector<size_t> DataBlockSizes(const RecordingCallback& callback) {
        std::vector<size_t> sizes;
        for (const auto& call : callback.DataBlocks()) sizes.push_back(call.block.size());
        return sizes;
    }

    HttpRequest request;
    RecordingCallback callback;
};

TEST_F(HttpRequestTest, PostSendsFieldsInOrderPercentEncodedWithoutExpect) {
    server().Enqueue(ScriptedResponse::Ok("<page/>"));
    HttpFormData form;
    const std::vector<std::pair<std::string, std::string>> fields = {{"email", "a b+c@example.org"},
                                                                     {"password", "p&ss=w%rd/\xC3\xBC"},
                                                                     {"start", "0"},
                                                                     {"num", "50"},
                                                                     {"generator", "Quillvault 2.0.41"}};
    for (const auto& [name, value] : fields) form.AddField(name, value);

    OutgoingRequest post;
    post.host = server().Address();
    post.method = "POST";
    post.path = "/api/read";
    post.body = form.Body();
    post.contentType = form.ContentType();
    post.timeoutMs = kGenerousTimeoutMs;
    post.userAgent = "Quillvault/2.0.41 (Linux)";
    ASSERT_TRUE(request.Send(post, &callback).ok());

    const auto exchanges = server().Exchanges();
    ASSERT_EQ(exchanges.size(), 1u);
    const HttpExchange& sent = exchanges[0];
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.target, "/api/read");
    EXPECT_EQ(sent.version, "HTTP/1.1");
    EXPECT_EQ(sent.FormFields(), fields);
    EXPECT_EQ(sent.body, form.Body());
    EXPECT_EQ(sent.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(sent.Header("Content-Length"), std::to_string(form.Body().size()));
    EXPECT_EQ(sent.Header("User-Agent"), "Quillvault/2.0.41 (Linux)");
    EXPECT_FALSE(sent.Header("Expect"));
    EXPECT_FALSE(sent.Header("Authorization"));
    EXPECT_EQ(request.StatusCode(), 200);
    EXPECT_EQ(request.StatusText(), "OK");
    EXPECT_FALSE(request.Failed());
    EXPECT_EQ(request.ErrorKind(), hekNone);
    EXPECT_EQ(request.ResponseBody(), "<page/>");
    EXPECT_EQ(request.EffectiveUrl(), server().Url("/api/read"));
}

TEST_F(HttpRequestTest, GetSendsNoBodyAndVersionIsHonoured) {
    server().SetHandler([](const HttpExchange&) { return ScriptedResponse::Ok("page"); });
    ASSERT_TRUE(Send(request, server().Address(), "GET", "/api/read"));
    OutgoingRequest old;
    old.host = server().Address();
    old.path = "/api/read";
    old.http10 = true;
    old.timeoutMs = kGenerousTimeoutMs;
    ASSERT_TRUE(request.Send(old, nullptr).ok());
    EXPECT_EQ(request.ResponseBody(), "page");
    const auto exchanges = server().Exchanges();
    ASSERT_EQ(exchanges.size(), 2u);
    for (const auto& sent : exchanges) {
        EXPECT_EQ(sent.method, "GET");
        EXPECT_EQ(sent.body, "");
        EXPECT_FALSE(sent.Header("Content-Length"));
        EXPECT_FALSE(sent.Header("Content-Type"));
    }
    EXPECT_EQ(exchanges[0].version, "HTTP/1.1");
    EXPECT_EQ(exchanges[1].version, "HTTP/1.0");
    EXPECT_FALSE(exchanges[1].Header("User-Agent"));  // none given, none sent
}

TEST_F(HttpRequestTest, PortInHostTextWinsAndQueryReachesServer) {
    const RefusingPort refusing;
    server().Enqueue(ScriptedResponse::Ok("fine"));
    OutgoingRequest query;
    query.host = server().Address();
    query.port = refusing.Port();
    query.path = "/api/read?start=50&num=50";
    query.timeoutMs = kGenerousTimeoutMs;
    ASSERT_TRUE(request.Send(query, nullptr).ok());
    ASSERT_EQ(server().ExchangeCount(), 1u);
    EXPECT_EQ(server().Exchanges()[0].target, "/api/read?start=50&num=50");
    EXPECT_EQ(request.EffectiveUrl(), server().Url("/api/read?start=50&num=50"));
}

TEST_F(HttpRequestTest, HostTextThatIsNoHostFailsAsBadAddressWithoutConnecting) {
    for (const std::string host :
         {"", "blog name", "http://blog.example.com", "blog.example.com/api", "host:", "host:0", "host:65536",
          "host:8o", "[::1", "[nothex]:80", "-blog.example.com"}) {
        SCOPED_TRACE(host);
        EXPECT_FALSE(Send(request, host, "GET", "/api/read"));
        EXPECT_TRUE(request.Failed());
        EXPECT_EQ(request.ErrorKind(), hekBadAddress);
        EXPECT_FALSE(request.ErrorText().empty());
        EXPECT_EQ(request.StatusCode(), 0);
    }
    EXPECT_TRUE(callback.received.empty());
}

TEST_F(HttpRequestTest, ClosedPortIsConnectErrorAndIPv6HostIsAccepted) {
    const RefusingPort refusing;
    EXPECT_FALSE(Send(request, "127.0.0.1:" + std::to_string(refusing.Port()), "GET", "/"));
    EXPECT_EQ(request.ErrorKind(), hekConnect);
    EXPECT_FALSE(request.ErrorText().empty());
    // Nothing listens on [::1] at that port either; what matters is that the address is taken.
    EXPECT_FALSE(Send(request, "[::1]:" + std::to_string(refusing.Port()), "GET", "/"));
    EXPECT_EQ(request.ErrorKind(), hekConnect);
}

TEST_F(HttpRequestTest, UserAgentNamesProductVersionAndSystem) {
    Application app;
    app.ProductName = "Quillvault";
    app.Major = 2;
    app.Minor = 0;
    app.Revision = 41;
    EXPECT_EQ(HttpRequest::MakeUserAgent(app), "Quillvault/2.0.41 (Linux)");
}

TEST_F(HttpRequestTest, BasicAuthIsSentOnlyWithAPassword) {
    server().SetHandler([](const HttpExchange&) { return ScriptedResponse::Ok("ok"); });
    ASSERT_TRUE(Send(request, server().Address(), "POST", "/api/read", "a=1", nullptr, kGenerousTimeoutMs,
                     "reader", "s3cr:t p"));
    EXPECT_EQ(request.EffectiveUrl().find("s3cr"), std::string::npos);
    ASSERT_TRUE(
        Send(request, server().Address(), "POST", "/api/read", "a=1", nullptr, kGenerousTimeoutMs, "", "pw"));
    ASSERT_TRUE(Send(request, server().Address(), "POST", "/api/read", "a=1", nullptr, kGenerousTimeoutMs,
                     "user", ""));

    const auto exchanges = server().Exchanges();
    ASSERT_EQ(exchanges.size(), 3u);
    ASSERT_TRUE(exchanges[0].BasicAuth());
    EXPECT_EQ(exchanges[0].BasicAuth()->user, "reader");
    EXPECT_EQ(exchanges[0].BasicAuth()->password, "s3cr:t p");
    ASSERT_TRUE(exchanges[1].BasicAuth());
    EXPECT_EQ(exchanges[1].BasicAuth()->user, "");
    EXPECT_EQ(exchanges[1].BasicAuth()->password, "pw");
    EXPECT_FALSE(exchanges[2].Header("Authorization"));
}

TEST_F(HttpRequestTest, ExtraHeadersAreSentAndOneWithALineBreakIsRefusedUnsent) {
    server().SetHandler([](const HttpExchange&) { return ScriptedResponse::Ok("ok"); });
    OutgoingRequest exchange;
    exchange.host = server().Address();
    exchange.path = "/v2/user/info";
    exchange.headers = {"Authorization: OAuth oauth_token=\"t\"", "X-Extra: 1"};
    ASSERT_TRUE(request.Send(exchange, nullptr).ok());
    ASSERT_EQ(server().ExchangeCount(), 1u);
    EXPECT_EQ(server().Exchanges()[0].Header("Authorization"), "OAuth oauth_token=\"t\"");
    EXPECT_EQ(server().Exchanges()[0].Header("X-Extra"), "1");

    exchange.headers = {"X-Extra: 1\r\nX-Injected: 2"};
    EXPECT_TRUE(request.Send(exchange, nullptr).Is(StatusKind::Usage));
    EXPECT_EQ(request.ErrorKind(), hekBadAddress);
    EXPECT_EQ(server().ExchangeCount(), 1u);
}

TEST_F(HttpRequestTest, MovedPermanentlyIsReturnedNotFollowed) {
    LoopbackServer elsewhere([](const HttpExchange&) { return ScriptedResponse::Ok("moved here"); });
    server().Enqueue(ScriptedResponse::Redirect(301, elsewhere.Url("/v2/read")));

    EXPECT_FALSE(Send(request, server().Address(), "POST", "/api/read", "a=1"));
    EXPECT_EQ(request.StatusCode(), 301);
    EXPECT_EQ(request.StatusText(), "Moved Permanently");
    EXPECT_EQ(request.ErrorKind(), hekHttpStatus);
    const std::string headers = request.ResponseHeaders();
    EXPECT_EQ(headers.rfind("HTTP/1.1 301 Moved Permanently\r\n", 0), 0u) << headers;
    EXPECT_NE(headers.find("\r\nLocation: " + elsewhere.Url("/v2/read") + "\r\n"), std::string::npos)
        << headers;
    EXPECT_EQ(elsewhere.ExchangeCount(), 0u);
}

TEST_F(HttpRequestTest, ErrorStatusesFailWithTheirCodeAndBody) {
    for (const int status : {404, 408, 500}) {
        SCOPED_TRACE(status);
        server().Enqueue(ScriptedResponse::Status(status, "why " + std::to_string(status)));
        EXPECT_FALSE(Send(request, server().Address(), "POST", "/api/read", "a=1"));
        EXPECT_TRUE(request.Failed());
        EXPECT_EQ(request.ErrorKind(), hekHttpStatus);
        EXPECT_EQ(request.StatusCode(), status);
        EXPECT_FALSE(request.StatusText().empty());
        EXPECT_EQ(request.ErrorText(), "");
        EXPECT_EQ(request.ResponseBody(), "why " + std::to_string(status));
    }
}

TEST_F(HttpRequestTest, HeaderLinesEndInCrLfEvenWhenTheServerSendsBareLf) {
    ScriptedResponse bare;
    bare.rawHead =
        "HTTP/1.1 301 Gone Elsewhere\nLocation: http://other.example/api/read\nContent-Length: 0\n\n";
    server().Enqueue(bare);
    EXPECT_FALSE(Send(request, server().Address(), "GET", "/api/read"));
    EXPECT_EQ(request.StatusText(), "Gone Elsewhere");
    EXPECT_EQ(request.ResponseHeaders(),
              "HTTP/1.1 301 Gone Elsewhere\r\nLocation: http://other.example/api/read\r\nContent-Length: "
              "0\r\n\r\n");
}

TEST_F(HttpRequestTest, BrokenAnswersAreTransferErrors) {
    ScriptedResponse truncated = ScriptedResponse::Ok(Pattern(50000));
    truncated.closeAfterBodyBytes = 20000;
    ScriptedResponse garbage;
    garbage.rawHead = "this is not http\r\n\r\n";
    for (const auto& answer : {truncated, garbage}) {
        server().Enqueue(answer);
        EXPECT_FALSE(Send(request, server().Address(), "GET", "/api/read"));
        EXPECT_EQ(request.ErrorKind(), hekTransfer);
        EXPECT_FALSE(request.ErrorText().empty());
    }
}

TEST_F(HttpRequestTest, SecureRequestSpeaksTlsSoAPlainServerFailsIt) {
    request.Secure(true);
    EXPECT_FALSE(Send(request, server().Address(), "GET", "/api/read"));
    EXPECT_EQ(request.EffectiveUrl().rfind("https://", 0), 0u) << request.EffectiveUrl();
    EXPECT_EQ(request.ErrorKind(), hekSecurity) << request.ErrorText();
    request.Reset();
    Send(request, "127.0.0.1:443", "GET", "/api/read", "", nullptr, 2000);  // outcome depends on the machine
    EXPECT_EQ(request.EffectiveUrl(), "https://127.0.0.1/api/read");
}

TEST_F(HttpRequestTest, BodyArrivesInFixedBlocksWithAShortLastOne) {
    const std::string body = Pattern(25000);
    ScriptedResponse slow = ScriptedResponse::Ok(body);
    slow.bodyChunkBytes = 3000;  // pieces that never line up with the blocks
    slow.chunkDelayMs = 5;
    server().Enqueue(slow);
    request.BlockSize(10240);

    ASSERT_TRUE(Send(request, server().Address(), "GET", "/api/read", "", &callback));
    EXPECT_EQ(DataBlockSizes(callback), (std::vector<size_t>{10240, 10240, 4520}));
    std::string joined;
    for (const auto& call : callback.DataBlocks()) {
        joined += call.block;
        EXPECT_EQ(call.bytes, static_cast<int32_t>(joined.size()));
        EXPECT_EQ(call.total, 25000);
    }
    EXPECT_EQ(joined, body);
    EXPECT_EQ(request.ResponseBody(), body);
}

TEST_F(HttpRequestTest, DefaultBlockSizeAndTotalsWithoutContentLength) {
    ScriptedResponse unsized = ScriptedResponse::Ok(Pattern(10000));
    unsized.omitContentLength = true;
    server().Enqueue(unsized);
    EXPECT_EQ(request.BlockSize(), 4096);

    ASSERT_TRUE(Send(request, server().Address(), "GET", "/api/read", "", &callback));
    EXPECT_EQ(DataBlockSizes(callback), (std::vector<size_t>{4096, 4096, 1808}));
    for (const auto& call : callback.DataBlocks()) EXPECT_EQ(call.total, call.bytes);
    EXPECT_EQ(request.ResponseBody(), Pattern(10000));
}

TEST_F(HttpRequestTest, RemovedBlocksAreNotKeptInTheBody) {
    server().Enqueue(ScriptedResponse::Ok(Pattern(9000)));
    callback.removeReceived = [&](const std::string&) { return callback.DataBlocks().size() == 1; };
    ASSERT_TRUE(Send(request, server().Address(), "GET", "/api/read", "", &callback));
    EXPECT_EQ(request.ResponseBody(), Pattern(9000).substr(4096));
}

TEST_F(HttpRequestTest, SentBlocksCoverTheBodyExactly) {
    server().SetHandler([](const HttpExchange&) { return ScriptedResponse::Ok("ok"); });
    // The second size is larger than the pieces libcurl asks for at a time.
    for (const auto& [blockSize, length, expected] :
         {std::tuple{10240, 25000, std::vector<size_t>{10240, 10240, 4520}},
          std::tuple{100000, 250000, std::vector<size_t>{100000, 100000, 50000}}}) {
        RecordingCallback recorder;
        const std::string body = Pattern(length);
        request.BlockSize(blockSize);
        ASSERT_TRUE(Send(request, server().Address(), "POST", "/api/read", body, &recorder));
        std::vector<size_t> sizes;
        std::string joined;
        for (const auto& call : recorder.sent) {
            sizes.push_back(call.block.size());
            joined += call.block;
            EXPECT_EQ(call.bytes, static_cast<int32_t>(joined.size()));
            EXPECT_EQ(call.total, length);
        }
        EXPECT_EQ(sizes, expected);
        EXPECT_EQ(joined, body);
    }
    const auto exchanges = server().Exchanges();
    ASSERT_EQ(exchanges.size(), 2u);
    EXPECT_EQ(exchanges[1].body, Pattern(250000));
}

TEST_F(HttpRequestTest, LargePostGoesOutWithoutWaitingForContinue) {
    server().Enqueue(ScriptedResponse::Ok("ok"));
    ASSERT_TRUE(Send(request, server().Address(), "POST", "/api/read", Pattern(3 << 20)));
    ASSERT_EQ(server().ExchangeCount(), 1u);
    EXPECT_FALSE(server().Exchanges()[0].Header("Expect"));
    EXPECT_EQ(server().Exchanges()[0].body.size(), 3u << 20);
}

TEST_F(HttpRequestTest, SilentServerStillGetsIdleTicks) {
    ScriptedResponse late = ScriptedResponse::Ok("late");
    late.delayBeforeHeadersMs = 1500;
    server().Enqueue(late);
    ASSERT_TRUE(Send(request, server().Address(), "GET", "/api/read", "", &callback));
    EXPECT_GE(callback.IdleTicks(), 3u);  // one every ~200 ms would give seven
    EXPECT_EQ(request.ResponseBody(), "late");
}

TEST_F(HttpRequestTest, CancelOnAStalledAnswerEndsTheTransferAtOnce) {
    server().Enqueue(ScriptedResponse::Stalled());
    callback.cancelReceived = [](const std::string& block, size_t) { return block.empty(); };
    const auto start = Clock::now();
    EXPECT_FALSE(Send(request, server().Address(), "POST", "/api/read", "a=1", &callback));
    EXPECT_LT(ElapsedMs(start), 5000);
    EXPECT_TRUE(request.Failed());
    EXPECT_EQ(request.ErrorKind(), hekCancelled);
    EXPECT_EQ(callback.received.size(), 1u);  // nothing more once cancelled
}

TEST_F(HttpRequestTest, CancelDuringASlowBodyAbandonsIt) {
    ScriptedResponse slow = ScriptedResponse::Ok(Pattern(200 * 1000));
    slow.bodyChunkBytes = 1000;
    slow.chunkDelayMs = 200;  // forty seconds in all
    server().Enqueue(slow);
    request.BlockSize(1000);
    callback.cancelReceived = [](const std::string& block, size_t) { return !block.empty(); };
    const auto start = Clock::now();
    EXPECT_FALSE(Send(request, server().Address(), "GET", "/api/read", "", &callback));
    EXPECT_LT(ElapsedMs(start), 10000);
    EXPECT_EQ(request.ErrorKind(), hekCancelled);
    EXPECT_EQ(callback.DataBlocks().size(), 1u);
}

TEST_F(HttpRequestTest, CancelWhileSendingStopsTheUpload) {
    server().SetHandler([](const HttpExchange&) { return ScriptedResponse::Ok("ok"); });
    callback.cancelSent = [](const std::string&, size_t) { return true; };
    request.BlockSize(10240);
    EXPECT_FALSE(Send(request, server().Address(), "POST", "/api/read", Pattern(4 << 20), &callback));
    EXPECT_EQ(request.ErrorKind(), hekCancelled);
    EXPECT_EQ(callback.sent.size(), 1u);
    EXPECT_TRUE(callback.DataBlocks().empty());
}

TEST_F(HttpRequestTest, SilenceLongerThanTheTimeoutGivesUp) {
    ScriptedResponse pauses = ScriptedResponse::Ok(Pattern(3000));
    pauses.bodyChunkBytes = 1000;
    pauses.chunkDelayMs = 5000;
    for (const auto& answer : {ScriptedResponse::Stalled(), pauses}) {
        server().Enqueue(answer);
        const auto start = Clock::now();
        EXPECT_FALSE(Send(request, server().Address(), "GET", "/api/read", "", &callback, 700));
        EXPECT_EQ(request.ErrorKind(), hekTimeout);
        EXPECT_GE(ElapsedMs(start), 650);
        EXPECT_LT(ElapsedMs(start), 4500);
    }
}

TEST_F(HttpRequestTest, UnansweredConnectCountsAsSilence) {
    const UnansweredPort unanswered;
    const auto start = Clock::now();
    EXPECT_FALSE(
        Send(request, "127.0.0.1:" + std::to_string(unanswered.Port()), "GET", "/", "", &callback, 700));
    EXPECT_EQ(request.ErrorKind(), hekTimeout) << request.ErrorText();
    EXPECT_LT(ElapsedMs(start), 4500);
}

TEST_F(HttpRequestTest, SteadySlowBodyOutlastsTheTimeout) {
    ScriptedResponse steady = ScriptedResponse::Ok(Pattern(3000));
    steady.bodyChunkBytes = 100;
    steady.chunkDelayMs = 100;  // three seconds in all, never silent for long
    server().Enqueue(steady);
    ASSERT_TRUE(Send(request, server().Address(), "GET", "/api/read", "", &callback, 700))
        << request.ErrorText();
    EXPECT_EQ(request.ResponseBody(), Pattern(3000));
}

TEST_F(HttpRequestTest, ResetForgetsTheAnswerAndTheSettings) {
    server().Enqueue(ScriptedResponse::Status(404, "missing"));
    request.BlockSize(10240);
    request.Proxy(std::make_shared<ProxySettings>());
    EXPECT_FALSE(Send(request, server().Address(), "GET", "/api/read"));
    ASSERT_EQ(request.StatusCode(), 404);
    request.Secure(true);

    request.Reset();
    EXPECT_EQ(request.StatusCode(), 0);
    EXPECT_EQ(request.StatusText(), "");
    EXPECT_FALSE(request.Failed());
    EXPECT_EQ(request.ErrorKind(), hekNone);
    EXPECT_EQ(request.ResponseHeaders(), "");
    EXPECT_EQ(request.ResponseBody(), "");
    EXPECT_EQ(request.EffectiveUrl(), "");
    EXPECT_EQ(request.Proxy(), nullptr);
    EXPECT_EQ(request.BlockSize(), 4096);
    EXPECT_FALSE(request.Secure());
}

TEST_F(HttpRequestTest, ReusedRequestKeepsItsConnectionAndAFreshAnswer) {
    server().SetKeepAlive(true);
    server().Enqueue({ScriptedResponse::Ok("first"), ScriptedResponse::Ok("second")});
    ASSERT_TRUE(Send(request, server().Address(), "POST", "/api/read", "start=0"));
    ASSERT_TRUE(Send(request, server().Address(), "POST", "/api/read", "start=50"));
    EXPECT_EQ(request.ResponseBody(), "second");
    const auto exchanges = server().Exchanges();
    ASSERT_EQ(exchanges.size(), 2u);
    EXPECT_EQ(exchanges[0].connection, exchanges[1].connection);
}

}  // namespace
}  // namespace qv::test
