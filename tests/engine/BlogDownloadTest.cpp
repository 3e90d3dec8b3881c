// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "EngineDoubles.h"
#include "SharedService.h"
#include "Sundrykit.h"
#include "TempFolder.h"
#include "modTumblrInteraction.h"

namespace qv {
namespace {

using test::HttpExchange;
using test::LoopbackServer;
using test::ScopedMessages;
using test::ScriptedResponse;
using test::Service;

using Fields = std::vector<std::pair<std::string, std::string>>;

const std::string kDownloadFailed = "Can't download blog's XML file.\r\n\r\n";
const std::string kIncorrect = "Incorrect response received from server.";

Fields PageFields(const std::string& email, const std::string& password, int start) {
    return {{"email", email},
            {"password", password},
            {"start", std::to_string(start)},
            {"num", "50"},
            {"generator", "Quillvault 2.0.41"}};
}

std::optional<std::string> Body(Result<std::string> page) {
    return page ? std::optional<std::string>(std::move(*page)) : std::nullopt;
}

// One page as the window's run asks for it; `window`, when given, keeps the
// statuses its questions came with and can stop the transfer.
std::optional<std::string> Fetch(const std::string& address, int start = 0, const std::string& email = "",
                                 const std::string& password = "", const std::string& password2 = "",
                                 test::WindowSession* window = nullptr) {
    test::WindowSession own;
    test::WindowSession& run = window ? *window : own;
    return Body(DownloadPage(start, PostsPerPage, &run.host, address, email, password, password2, run.session));
}

std::optional<std::string> Fetch(const std::string& address, test::WindowSession& window) {
    return Fetch(address, 0, "", "", "", &window);
}

std::string LogText() { return test::ReadAll(skLogFilePath()); }

TEST(DownloadPage, PostsTheFiveFieldsInOrderAndReturnsTheBodyUnchanged) {
    auto& service = Service();
    test::Blog blog;
    blog.posts = test::MakePosts(70, 5000);
    service.SetBlog(blog);

    const auto body = Fetch(service.Address(), 50, "me@example.com", "s3cret & more");
    ASSERT_TRUE(body.has_value());
    EXPECT_EQ(*body, service.Page(50, 50));

    const auto requests = service.ApiRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/api/read");
    EXPECT_EQ(requests[0].version, "HTTP/1.1");
    EXPECT_EQ(requests[0].FormFields(), PageFields("me@example.com", "s3cret & more", 50));
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_FALSE(requests[0].BasicAuth().has_value()) << "no blog password, no authentication";
}

TEST(DownloadPage, AnonymousAccessStillSendsBothAccountFieldsEmptyAndTheBlogPasswordAsBasicAuth) {
    auto& service = Service();
    ASSERT_TRUE(Fetch(service.Address(), 0, "", "", "blog pass").has_value());
    const auto requests = service.ApiRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].FormFields(), PageFields("", "", 0));
    ASSERT_TRUE(requests[0].BasicAuth().has_value());
    EXPECT_EQ(requests[0].BasicAuth()->user, "");
    EXPECT_EQ(requests[0].BasicAuth()->password, "blog pass");
}

TEST(DownloadPage, FollowsAMovedPermanentlyToAnotherPortAndPathWithTheSameRequest) {
    auto& service = Service();
    LoopbackServer moved([&](const HttpExchange&) { return ScriptedResponse::Ok(service.Page(0, 50)); });
    service.Http().Enqueue(ScriptedResponse::Redirect(301, moved.Url("/v2/read?fmt=xml")));

    const auto body = Fetch(service.Address(), 0, "me@example.com", "pw", "blog pass");
    ASSERT_TRUE(body.has_value());
    EXPECT_EQ(*body, service.Page(0, 50));

    const auto there = moved.Exchanges();
    ASSERT_EQ(there.size(), 1u);
    EXPECT_EQ(there[0].method, "POST");
    EXPECT_EQ(there[0].target, "/v2/read?fmt=xml");
    EXPECT_EQ(there[0].FormFields(), PageFields("me@example.com", "pw", 0));
    ASSERT_TRUE(there[0].BasicAuth().has_value()) << "the same host keeps its credentials";

    // The next page starts again at the blog's own address.
    ASSERT_TRUE(Fetch(service.Address(), 50).has_value());
    EXPECT_EQ(service.ApiRequests().size(), 2u);
    EXPECT_EQ(moved.ExchangeCount(), 1u);
}

TEST(DownloadPage, ARedirectToAnotherHostGetsNoCredentials) {
    auto& service = Service();
    LoopbackServer elsewhere([&](const HttpExchange&) { return ScriptedResponse::Ok(service.Page(0, 50)); });
    service.Http().Enqueue(ScriptedResponse::Redirect(
        301, "http://localhost:" + std::to_string(elsewhere.Port()) + "/api/read"));

    ASSERT_TRUE(Fetch(service.Address(), 0, "me@example.com", "pw", "blog pass").has_value());
    const auto there = elsewhere.Exchanges();
    ASSERT_EQ(there.size(), 1u);
    EXPECT_EQ(there[0].FormFields(), PageFields("", "", 0));
    EXPECT_FALSE(there[0].BasicAuth().has_value());
}

TEST(DownloadPage, AnUnusableRedirectIsAnIncorrectResponse) {
    auto moved = [](const char* name, const char* value) {
        ScriptedResponse response = ScriptedResponse::Status(301);
        if (*name) response.headers.emplace_back(name, value);
        return response;
    };
    const std::vector<ScriptedResponse> unusable = {
        moved("", ""),  // no Location at all
        moved("Location", "ftp://example.com/api/read"),
        moved("Location", "http://[::1"),
    };
    for (const ScriptedResponse& response : unusable) {
        auto& service = Service();
        service.Http().ClearExchanges();
        ScopedMessages messages;
        service.Http().Enqueue(response);
        EXPECT_FALSE(Fetch(service.Address()).has_value());
        ASSERT_EQ(messages->Shown().size(), 1u);
        EXPECT_EQ(messages->Shown()[0].Text, kIncorrect);
        EXPECT_EQ(messages->Shown()[0].Style, mbCritical);
        EXPECT_EQ(service.ApiRequests().size(), 1u);
    }
}

TEST(DownloadPage, ARedirectLoopEndsAsAnIncorrectResponse) {
    ScopedMessages messages;
    LoopbackServer circle;
    circle.SetHandler(
        [&](const HttpExchange&) { return ScriptedResponse::Redirect(301, circle.Url("/api/read")); });
    EXPECT_FALSE(Fetch(circle.Address()).has_value());
    EXPECT_EQ(messages->Texts(), std::vector<std::string>{kIncorrect});
    EXPECT_EQ(circle.ExchangeCount(), 51u);
}

TEST(DownloadPage, FailedAnswersOfferRetryWhichResendsTheSamePage) {
    auto& service = Service();
    ScopedMessages messages;
    messages->QueueAnswers({mrRetry, mrRetry});
    service.Http().Enqueue(
        {ScriptedResponse::Status(500), ScriptedResponse::Redirect(302, "http://elsewhere/")});

    const auto body = Fetch(service.Address(), 100);
    ASSERT_TRUE(body.has_value());
    ASSERT_EQ(messages->Shown().size(), 2u);
    EXPECT_EQ(messages->Shown()[0].Text,
              kDownloadFailed + "The server answered HTTP 500 Internal Server Error.");
    EXPECT_EQ(messages->Shown()[0].Style, mbRetryCancel + mbCritical);
    EXPECT_EQ(messages->Shown()[0].Title, "Corvane - Quillvault");
    EXPECT_EQ(messages->Shown()[1].Text, kDownloadFailed + "The server answered HTTP 302 Found.");
    const auto requests = service.ApiRequests();
    ASSERT_EQ(requests.size(), 3u);
    for (const auto& request : requests) EXPECT_EQ(request.FormFields(), PageFields("", "", 100));
}

TEST(DownloadPage, AnAnswerThatSaysWhenToComeBackIsPassedOnWithTheDialog) {
    auto& service = Service();
    ScopedMessages messages;
    messages->QueueAnswers({mrRetry, mrRetry});
    ScriptedResponse busy = ScriptedResponse::Status(503);
    busy.headers.emplace_back("Retry-After", "120");
    service.Http().Enqueue({busy, ScriptedResponse::Status(500)});

    test::WindowSession window;
    const test::WatchedBoxes& boxes = window.boxes;
    ASSERT_TRUE(Fetch(service.Address(), window).has_value());
    ASSERT_EQ(messages->Shown().size(), 2u);
    EXPECT_EQ(messages->Shown()[0].Text,
              kDownloadFailed +
                  "The server answered HTTP 503 Service Unavailable. It asks to wait 120 "
                  "seconds before trying again.");
    ASSERT_EQ(boxes.statuses.size(), 2u);
    EXPECT_EQ(boxes.statuses[0].kind(), StatusKind::Throttled);
    EXPECT_EQ(boxes.statuses[0].retryAfterSeconds(), 120);
    EXPECT_EQ(boxes.statuses[1].kind(), StatusKind::HttpStatus);
    EXPECT_EQ(boxes.statuses[1].retryAfterSeconds(), std::nullopt);
}

TEST(DownloadPage, CancelInTheFailureDialogGivesNoPage) {
    auto& service = Service();
    ScopedMessages messages;
    messages->QueueAnswer(mrCancel);
    service.Http().Enqueue(ScriptedResponse::Status(500));
    EXPECT_FALSE(Fetch(service.Address()).has_value());
    EXPECT_EQ(
        messages->Texts(),
        std::vector<std::string>{kDownloadFailed + "The server answered HTTP 500 Internal Server Error."});
}

TEST(DownloadPage, ARefusedConnectionIsDescribedInPlainWords) {
    ScopedMessages messages;
    LoopbackServer closed;
    const std::string address = closed.Address();
    closed.Stop();
    test::WindowSession window;
    const test::WatchedBoxes& boxes = window.boxes;
    EXPECT_FALSE(Fetch(address, window).has_value());
    ASSERT_EQ(messages->Shown().size(), 1u);
    EXPECT_TRUE(messages->Shown()[0].Text.starts_with(kDownloadFailed + "Could not connect to the server"))
        << messages->Shown()[0].Text;
    ASSERT_EQ(boxes.statuses.size(), 1u);
    EXPECT_EQ(boxes.statuses[0].kind(), StatusKind::Network);
    EXPECT_TRUE(boxes.statuses[0].retryMayHelp()) << "the server may be back the next time";
}

TEST(DownloadPage, AnAddressThatNamesNoHostIsSaidAsSuchAndNotWorthARetry) {
    ScopedMessages messages;
    test::WindowSession window;
    const test::WatchedBoxes& boxes = window.boxes;
    EXPECT_FALSE(Fetch("https://myblog.example.com/", window).has_value());
    ASSERT_EQ(messages->Shown().size(), 1u);
    EXPECT_TRUE(
        messages->Shown()[0].Text.starts_with(kDownloadFailed + "The blog address is not a valid host name"))
        << messages->Shown()[0].Text;
    ASSERT_EQ(boxes.statuses.size(), 1u);
    EXPECT_FALSE(boxes.statuses[0].retryMayHelp());
}

TEST(DownloadPage, A408IsAnsweredWithOneDummyGetThenThePageAgain) {
    auto& service = Service();
    ScopedMessages messages;
    const auto logBefore = LogText().size();
    service.Http().Enqueue(ScriptedResponse::Status(408));

    ASSERT_TRUE(Fetch(service.Address(), 0, "me@example.com", "pw", "blog pass").has_value());
    const auto requests = service.ApiRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].target, "/api/read");
    EXPECT_TRUE(requests[1].body.empty());
    EXPECT_FALSE(requests[1].BasicAuth().has_value());
    EXPECT_EQ(requests[2].method, "POST");
    EXPECT_TRUE(messages->Shown().empty());
    const std::string log = LogText().substr(logBefore);
    EXPECT_NE(log.find(" WARNING HTTP 408 was detected. Trying to send dummy GET request.\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("pw"), std::string::npos) << "no password in the log";
}

TEST(DownloadPage, A408AfterTheDummyGetIsLoggedAndOffersRetry) {
    auto& service = Service();
    ScopedMessages messages;
    messages->QueueAnswer(mrCancel);
    const auto logBefore = LogText().size();
    service.Http().Enqueue(
        {ScriptedResponse::Status(408), ScriptedResponse::Ok("dummy"), ScriptedResponse::Status(408)});

    EXPECT_FALSE(Fetch(service.Address()).has_value());
    EXPECT_EQ(service.ApiRequests().size(), 3u);
    EXPECT_EQ(messages->Texts(),
              std::vector<std::string>{kDownloadFailed + "The server answered HTTP 408 Request Timeout."});
    const std::string log = LogText().substr(logBefore);
    EXPECT_NE(log.find(" WARNING HTTP 408 was detected."), std::string::npos);
    EXPECT_NE(log.find(" ERROR HTTP 408 was detected again. Dummy request doesn't help at all.\n"),
              std::string::npos)
        << log;
}

TEST(DownloadPage, AFailedDummyGetAsksAbortRetryIgnore) {
    const std::string dummyFailed =
        "Can't download blog's XML file (it's dummy request after HTTP 408 error).\r\n\r\n"
        "The server answered HTTP 503 Service Unavailable.";
    {
        SCOPED_TRACE("Ignore resends the page at once");
        auto& service = Service();
        ScopedMessages messages;
        messages->QueueAnswer(mrIgnore);
        service.Http().Enqueue({ScriptedResponse::Status(408), ScriptedResponse::Status(503)});
        ASSERT_TRUE(Fetch(service.Address()).has_value());
        EXPECT_EQ(messages->Texts(), std::vector<std::string>{dummyFailed});
        EXPECT_EQ(messages->Shown()[0].Style, mbAbortRetryIgnore + mbCritical);
        const auto requests = service.ApiRequests();
        ASSERT_EQ(requests.size(), 3u);
        EXPECT_EQ(requests[2].method, "POST");
    }
    {
        SCOPED_TRACE("Retry sends the dummy GET again, Abort gives up");
        auto& service = Service();
        service.Http().ClearExchanges();
        ScopedMessages messages;
        messages->QueueAnswers({mrRetry, mrAbort});
        service.Http().Enqueue(
            {ScriptedResponse::Status(408), ScriptedResponse::Status(503), ScriptedResponse::Status(503)});
        EXPECT_FALSE(Fetch(service.Address()).has_value());
        const auto requests = service.ApiRequests();
        ASSERT_EQ(requests.size(), 3u);
        EXPECT_EQ(requests[1].method, "GET");
        EXPECT_EQ(requests[2].method, "GET");
        EXPECT_EQ(messages->Shown().size(), 2u);
    }
}

TEST(DownloadPage, TheDummyGetGoesToTheTypedAddressEvenAfterARedirect) {
    auto& service = Service();
    ScopedMessages messages;
    LoopbackServer moved([&](const HttpExchange& exchange) {
        return exchange.method == "POST" && moved.ExchangeCount() == 1
                   ? ScriptedResponse::Status(408)
                   : ScriptedResponse::Ok(service.Page(0, 50));
    });
    service.Http().Enqueue(ScriptedResponse::Redirect(301, moved.Url("/api/read")));
    ASSERT_TRUE(Fetch(service.Address()).has_value());
    const auto home = service.ApiRequests();
    ASSERT_EQ(home.size(), 2u);
    EXPECT_EQ(home[1].method, "GET") << "the dummy GET went to the typed address";
    // The page request itself stays with the redirect's target.
    EXPECT_EQ(moved.ExchangeCount(), 2u);
}

TEST(DownloadPage, CancellingDuringATransferGivesNoPageAndNoMessage) {
    auto& service = Service();
    ScopedMessages messages;
    ScriptedResponse slow = ScriptedResponse::Ok(std::string(200000, 'x'));
    slow.bodyChunkBytes = 2000;
    slow.chunkDelayMs = 20;
    service.Http().Enqueue(slow);
    test::WindowSession stopping;
    stopping.host.cancelWhen = [&] { return stopping.host.receivedBlocks >= 1; };
    EXPECT_FALSE(Fetch(service.Address(), stopping).has_value());
    EXPECT_TRUE(messages->Shown().empty());

    // A server that says nothing at all is left just as quickly.
    service.Http().Enqueue(ScriptedResponse::Stalled());
    test::WindowSession impatient;
    impatient.host.cancelWhen = [] { return true; };
    EXPECT_FALSE(Fetch(service.Address(), impatient).has_value());
    EXPECT_TRUE(messages->Shown().empty());
}

TEST(DownloadPage, AnEmptySuccessfulAnswerIsStillAnAnswer) {
    auto& service = Service();
    service.Http().Enqueue(ScriptedResponse::Ok(""));
    const auto body = Fetch(service.Address());
    ASSERT_TRUE(body.has_value());
    EXPECT_EQ(*body, "");
}

}  // namespace
}  // namespace qv
