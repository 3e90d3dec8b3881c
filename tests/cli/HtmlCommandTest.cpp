// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "CliTestSupport.h"
#include "TempFolder.h"

namespace qv {
namespace {

using test::CliResult;
using test::ReadAll;
using test::RunCli;
using test::Service;
using test::TempFolder;
using test::WriteAll;

namespace fs = std::filesystem;

std::string SampleBackup(const TempFolder& folder) {
    const std::string path = folder.File("my blog.xml");
    fs::copy_file(std::string(QV_FIXTURES_DIR) + "/08-anonymous-read-all-types-tags-2009.xml", path);
    return path;
}

std::string Absolute(const std::string& path) { return fs::absolute(path).lexically_normal().string(); }

// A stand-in for the desktop's opener, first on PATH, that notes what it was asked to open.
std::map<std::string, std::string> WithOpener(const TempFolder& folder, int exitStatus) {
    fs::create_directory(folder.File("bin"));
    const std::string opener = folder.File("bin/xdg-open");
    WriteAll(opener, "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + folder.File("opened.txt") + "'\nexit " +
                         std::to_string(exitStatus) + "\n");
    ::chmod(opener.c_str(), 0755);
    return {{"PATH", folder.File("bin") + ":" + std::getenv("PATH")}};
}

TEST(CliHtml, WritesTheSiteBesideTheBackupAndPrintsItsIndexPage) {
    TempFolder folder;
    const std::string backup = SampleBackup(folder);
    const CliResult run = RunCli({"html", backup});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string index = Absolute(folder.File("my blog.html/index.html"));
    EXPECT_EQ(run.out, index + "\n");
    EXPECT_NE(ReadAll(index).find("dummy tumblelog title"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder.File("my blog.html/post/78846368.html")));
    EXPECT_NE(run.err.find("Writing pages: 7 of 7 posts"), std::string::npos) << run.err;

    const CliResult quiet = RunCli({"html", "-q", backup, "-o", folder.File("elsewhere")});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.out, Absolute(folder.File("elsewhere/index.html")) + "\n");
    EXPECT_EQ(quiet.err, "");
}

TEST(CliHtml, OpenHandsTheIndexPageToTheDesktopsBrowser) {
    TempFolder folder;
    const std::string backup = SampleBackup(folder);
    const CliResult run = RunCli({"html", "-q", "--open", backup}, WithOpener(folder, 0));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadAll(folder.File("opened.txt")), Absolute(folder.File("my blog.html/index.html")) + "\n");

    const CliResult refused = RunCli({"html", "-q", "--open", backup}, WithOpener(folder, 3));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("xdg-open could not open"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, Absolute(folder.File("my blog.html/index.html")) + "\n")
        << "the site is there all the same";
    const CliResult refusedJson = RunCli({"html", "--json", "--open", backup}, WithOpener(folder, 3));
    EXPECT_NE(refusedJson.err.find("\"status\":\"unavailable\""), std::string::npos) << refusedJson.err;
}

TEST(CliHtml, WrongUsageIsStatusTwoAndAFileThatIsNoBackupIsStatusOne) {
    TempFolder folder;
    const CliResult missing = RunCli({"html"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("Try 'quillvault-cli html --help'"), std::string::npos) << missing.err;
    EXPECT_EQ(RunCli({"html", "--frobnicate", "x.xml"}).exitCode, 2);
    const CliResult help = RunCli({"html", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--remote-media"), std::string::npos);
    // The program's help lists its commands, and "help" is a command too.
    const CliResult backupHelp = RunCli({"help"});
    EXPECT_EQ(backupHelp.exitCode, 0) << backupHelp.err;
    EXPECT_NE(backupHelp.out.find("--html"), std::string::npos);
    EXPECT_NE(backupHelp.out.find("Commands:\n  quillvault-cli media BACKUP"), std::string::npos) << backupHelp.out;
    EXPECT_NE(backupHelp.out.find("  quillvault-cli html BACKUP"), std::string::npos) << backupHelp.out;
    EXPECT_NE(RunCli({"help", "html"}).out.find("--remote-media"), std::string::npos);

    WriteAll(folder.File("notes.xml"), "<notes/>");
    const CliResult notBackup = RunCli({"html", folder.File("notes.xml")});
    EXPECT_EQ(notBackup.exitCode, 1);
    EXPECT_NE(notBackup.err.find(folder.File("notes.xml") + " is not a blog backup"), std::string::npos)
        << notBackup.err;
    EXPECT_EQ(notBackup.out, "");
    EXPECT_FALSE(fs::exists(folder.File("notes.html")));
    const CliResult notBackupJson = RunCli({"html", "--json", folder.File("notes.xml")});
    EXPECT_NE(notBackupJson.err.find("\"status\":\"not-blog-xml\""), std::string::npos) << notBackupJson.err;
}

TEST(CliHtml, ABackupRunWithHtmlWritesTheSiteOfTheFileItSaved) {
    TempFolder folder;
    test::Blog blog;
    blog.posts = test::MakePosts(60, 700000);
    Service().SetBlog(blog);
    const CliResult run = RunCli({"-q", "--html", Service().Address(), "-o", folder.File("grown.xml")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("60 posts in backup."), std::string::npos) << run.out;
    EXPECT_TRUE(run.out.ends_with("\n" + Absolute(folder.File("grown.html/index.html")) + "\n")) << run.out;
    EXPECT_TRUE(fs::exists(folder.File("grown.html/post/700000.html")));
    EXPECT_TRUE(fs::exists(folder.File("grown.html/post/699941.html")));
    EXPECT_NE(ReadAll(folder.File("grown.html/page/2.html")).find("Page 2 of 2"), std::string::npos);

    // No site when the run saved nothing.
    Service().Http().Enqueue(test::ScriptedResponse::Status(500, "broken"));
    const CliResult failed =
        RunCli({"-q", "--html", "--retries", "0", Service().Address(), "-o", folder.File("failed.xml")});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_FALSE(fs::exists(folder.File("failed.html")));
}

}  // namespace
}  // namespace qv
