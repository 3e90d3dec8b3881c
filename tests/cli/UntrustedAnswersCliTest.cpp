// SPDX-License-Identifier: GPL-3.0-or-later
// What reaches the terminal, and what the exit status says, when the service
// or the disk misbehave.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliTestSupport.h"
#include "TempFolder.h"

namespace qv {
namespace {

using test::Blog;
using test::CliResult;
using test::ReadAll;
using test::RunCli;
using test::ScriptedResponse;
using test::Service;
using test::TempFolder;

Blog BlogWith(int posts, int bodyBytes = 300) {
    Blog blog;
    blog.posts = test::MakePosts(posts, 800000, 5, bodyBytes);
    return blog;
}

bool HasControlCharacter(const std::string& text) {
    for (const unsigned char c : text)
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) return true;
    return false;
}

TEST(CliUntrusted, AHostileStatusLineCannotDriveTheTerminal) {
    TempFolder folder;
    ScriptedResponse hostile = ScriptedResponse::Status(500, "x");
    hostile.reason =
        "Oops \x1b]0;owned\x07\x1b[2J\xC2\x9B"
        "2J";
    hostile.headers = {{"Retry-After", "0"}};
    Service().Http().Enqueue({hostile, hostile});
    const CliResult run =
        RunCli({Service().Address(), "-o", folder.File("blog.xml"), "--retries", "1", "-q"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("The server answered HTTP 500 Oops"), std::string::npos) << run.err;
    EXPECT_FALSE(HasControlCharacter(run.err)) << run.err;
    EXPECT_EQ(run.err.find("\xC2\x9B"), std::string::npos) << "a C1 control sequence introducer got through";
}

TEST(CliUntrusted, ASaveOverTheFileSizeLimitFailsWithTheReasonAndLeavesTheOldFile) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    test::WriteAll(file, "an earlier backup");
    Service().SetBlog(BlogWith(200, 2000));
    // The kernel signals SIGXFSZ at the limit; it must become a failed save, not a killed process.
    const CliResult run =
        RunCli({Service().Address(), "-o", file, "-q"}, {}, {"prlimit", "--fsize=100000", "--"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const std::string failure = "Can't save backup XML file.\n";
    ASSERT_NE(run.err.find(failure), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("File too large", run.err.find(failure)), std::string::npos) << run.err;
    EXPECT_EQ(ReadAll(file), "an earlier backup");
    // The pages stay in the journal for the next run; no temporary file stays.
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"blog.xml", "blog.xml.partial"}));
}

TEST(CliUntrusted, ATargetThatCannotBeSavedIsSaidAsSuchBeforeAnyRequest) {
    TempFolder folder;
    const std::string readOnly = folder.File("kept.xml");
    test::WriteAll(readOnly, "an earlier backup");
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    Service().SetBlog(BlogWith(60));
    Service().Http().ClearExchanges();
    for (const auto& [target, reason] : std::vector<std::pair<std::string, std::string>>{
             {folder.File("no such folder/blog.xml"), "No such file or directory"},
             {readOnly, "is read-only"}}) {
        SCOPED_TRACE(target);
        const CliResult run = RunCli({Service().Address(), "-o", target, "-q"});
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_TRUE(
            run.err.starts_with("Can't save backup XML file.\nSaving " + target + " is not possible: "))
            << run.err;
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
    }
    EXPECT_TRUE(Service().ApiRequests().empty());
    EXPECT_EQ(ReadAll(readOnly), "an earlier backup");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"kept.xml"}) << "no lock, no journal";
}

TEST(CliUntrusted, AShortfallAndWithheldCredentialsAreSaidOnStandardErrorAndTheRunStillSucceeds) {
    TempFolder folder;
    Blog blog = BlogWith(70);
    blog.announcedTotal = 120;
    Service().SetBlog(blog);
    // The blog answers from a domain of its own: the passwords stay behind.
    test::LoopbackServer moved(Service().Handler());
    Service().Http().Enqueue(
        ScriptedResponse::Redirect(301, "http://localhost:" + std::to_string(moved.Port()) + "/api/read"));
    const CliResult run =
        RunCli({Service().Address(), "-o", folder.File("blog.xml"), "-e", "me@example.org", "-q"},
               {{"QUILLVAULT_PASSWORD", "secret"}});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string note = "The service reported 120 posts; 70 are in the backup.";
    EXPECT_NE(run.err.find(note), std::string::npos) << run.err;
    EXPECT_NE(run.out.find(note), std::string::npos) << run.out;
    EXPECT_EQ(test::Occurrences(run.err, "were not sent there"), 1u) << run.err;
    EXPECT_NE(run.err.find("localhost"), std::string::npos);
    ASSERT_EQ(moved.Exchanges().size(), 1u);
    EXPECT_EQ(moved.Exchanges()[0].FormFields().at(1), (std::pair<std::string, std::string>{"password", ""}));
}

}  // namespace
}  // namespace qv
