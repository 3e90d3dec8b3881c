// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <unistd.h>

#include "EngineDoubles.h"
#include "Sundrykit.h"
#include "TempFolder.h"
#include "SharedService.h"
#include "modTumblrInteraction.h"

namespace qv {
namespace {

using test::Blog;
using test::MakePosts;
using test::ScopedMessages;
using test::Service;
using test::TempFolder;

const std::string kPrivateQuestion = "Private posts will not be included.";

struct Runner : test::WindowRun {
    BackupOptions options;
    BackupResult result;

    explicit Runner(const std::string& target) {
        options.XMLFileName = target;
        options.GroupAddress = Service().Address();
    }
    void Run() { result = RunBackup(options, context); }
};

void ServeBlogOf(int posts) {
    Blog blog;
    blog.posts = MakePosts(posts, 700000, 3);
    Service().SetBlog(blog);
}

TEST(RunBackup, MissingCredentialsAskFirstAndCancelMakesNoRequest) {
    TempFolder folder;
    ServeBlogOf(10);
    ScopedMessages messages;
    messages->QueueAnswer(mrCancel);
    Runner runner(folder.File("blog.xml"));
    runner.Run();

    ASSERT_EQ(messages->Shown().size(), 1u);
    EXPECT_EQ(messages->Shown()[0].Text, kPrivateQuestion);
    EXPECT_EQ(messages->Shown()[0].Style, 49);
    EXPECT_EQ(messages->Shown()[0].Title, "Corvane - Quillvault");
    EXPECT_TRUE(Service().ApiRequests().empty());
    EXPECT_TRUE(runner.result.status.Is(StatusKind::Cancelled));
    EXPECT_EQ(runner.result.Traffic.BytesSent, 0);
    EXPECT_FALSE(std::filesystem::exists(folder.File("blog.xml")));
}

TEST(RunBackup, HalfAPairOfCredentialsIsNeverSent) {
    TempFolder folder;
    ServeBlogOf(10);
    ScopedMessages messages;
    messages->QueueAnswers({mrOK, mrOK});
    Runner runner(folder.File("blog.xml"));
    runner.options.EMail = "me@example.com";
    runner.options.Password2 = "blog pass";
    runner.Run();

    EXPECT_EQ(messages->Texts()[0], kPrivateQuestion);
    const auto requests = Service().ApiRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].FormFields()[0], (std::pair<std::string, std::string>{"email", ""}));
    EXPECT_EQ(requests[0].FormFields()[1], (std::pair<std::string, std::string>{"password", ""}));
    ASSERT_TRUE(requests[0].BasicAuth().has_value());
    EXPECT_EQ(requests[0].BasicAuth()->password, "blog pass");
}

TEST(RunBackup, EndsWithTheSummaryOfPostsPiecesAndTraffic) {
    TempFolder folder;
    ServeBlogOf(120);
    ScopedMessages messages;
    Runner runner(folder.File("blog.xml"));
    runner.options.EMail = "me@example.com";
    runner.options.Password = "pw";
    runner.Run();

    double received = 0;
    double sent = 0;
    for (int start : {0, 50, 100}) received += static_cast<double>(Service().Page(start, 50).size());
    for (const auto& request : Service().ApiRequests()) sent += static_cast<double>(request.body.size());
    ASSERT_EQ(messages->Shown().size(), 1u) << "no question with both credentials";
    EXPECT_EQ(messages->Shown()[0].Style, mbInformation);
    EXPECT_EQ(messages->Shown()[0].Text,
              "All done ^_^\r\n\r\n120 posts in backup.\r\n120 posts were added.\r\n\r\n"
              "3 XML pieces were received.\r\n\r\nTraffic usage statistics:\r\n\r\n"
              "Total:    " + skFormatByteSizeEx(received + sent) + "\r\n"
              "Received: " + skFormatByteSizeEx(received) + "\r\n"
              "Sent:     " + skFormatByteSizeEx(sent));
    EXPECT_GT(received, 50000);
    EXPECT_EQ(runner.result.Traffic.BytesReceived, received) << "the outcome says what the summary said";
    EXPECT_EQ(runner.host.bytesReceived, received) << "the window sees every block it counts";
}

TEST(RunBackup, ASinglePageSaysOnePiecesAndAFailedRunShowsNoSummary) {
    TempFolder folder;
    ServeBlogOf(1);
    {
        ScopedMessages messages;
        messages->QueueAnswer(mrOK);
        Runner runner(folder.File("one.xml"));
        runner.Run();
        ASSERT_EQ(messages->Shown().size(), 2u);
        EXPECT_NE(messages->Shown()[1].Text.find("1 posts in backup.\r\n1 posts were added.\r\n\r\n1 XML pieces were received."),
                  std::string::npos);
    }
    {
        ScopedMessages messages;
        messages->QueueAnswers({mrOK, mrCancel});
        Service().Http().Enqueue(test::ScriptedResponse::Status(500, "oops"));
        Runner runner(folder.File("failed.xml"));
        runner.Run();
        EXPECT_EQ(messages->Shown().size(), 2u) << "the question and the download failure, no summary";
        EXPECT_FALSE(runner.result.ok());
        EXPECT_EQ(runner.result.status.httpStatus(), 500);
        EXPECT_GT(runner.result.Traffic.BytesSent, 0) << "the failed run's traffic is in its outcome";
    }
}

TEST(RunBackup, AFailedCompressionIsReportedBeforeTheSummaryAndTheFileStays) {
    if (access("/dev/shm", W_OK) != 0) GTEST_SKIP() << "no tmpfs at /dev/shm";
    const std::string target = "/dev/shm/qv-run-" + std::to_string(getpid()) + ".xml";
    ServeBlogOf(5);
    ScopedMessages messages;
    messages->QueueAnswer(mrOK);
    Runner runner(target);
    runner.options.ApplyNTFSCompression = true;
    runner.Run();

    ASSERT_EQ(messages->Shown().size(), 3u);
    EXPECT_EQ(messages->Shown()[1].Text,
              target + "\r\n\r\nCan't apply NTFS compression. But file was saved anyway.\r\n\r\nError 95: Operation not supported");
    EXPECT_EQ(messages->Shown()[1].Style, mbExclamation);
    EXPECT_TRUE(messages->Shown()[2].Text.starts_with("All done ^_^"));
    XmlDocument saved;
    EXPECT_TRUE(saved.Load(target, 0));
    unlink(target.c_str());
}

}  // namespace
}  // namespace qv
