// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileOps.h"
#include "FileSizeLimit.h"
#include "RecordingFileOps.h"
#include "TempFolder.h"
#include "Xml.h"
#include "files/AtomicFile.h"

namespace qv {
namespace {

using test::ReadAll;
using test::RecordingFileOps;
using test::TempFolder;
using test::WriteAll;

const std::string kOldContent = "<tumblr version=\"1.0\"><posts><post id=\"1\"/></posts></tumblr>";

XmlDocument BigDocument(int posts) {
    std::string text = "<tumblr version=\"1.0\"><posts>";
    for (int i = 0; i < posts; ++i)
        text += "<post id=\"" + std::to_string(i) + "\"><regular-body>" + std::string(200, 'x') +
                "</regular-body></post>";
    text += "</posts></tumblr>";
    XmlDocument document;
    EXPECT_TRUE(document.LoadXml(text, 0));
    return document;
}

TEST(AtomicSave, AFailureAtAnyStepLeavesTheOldFileAndNoLeftovers) {
    using Op = RecordingFileOps::Op;
    const struct {
        Op step;
        int error;
        int onCall;
        const char* expectedWords;
    } cases[] = {
        {Op::CreateTemp, EACCES, 1, "Permission denied"},
        {Op::Write, ENOSPC, 1, "No space left on device"},
        {Op::Write, EIO, 3, "Input/output error"},
        {Op::Sync, EIO, 1, "Input/output error"},
        {Op::Close, EDQUOT, 1, "quota"},
        {Op::Chmod, EPERM, 1, "Operation not permitted"},
        {Op::Rename, EXDEV, 1, "cross-device"},
    };
    XmlDocument document = BigDocument(2000);  // several write calls
    for (const auto& each : cases) {
        SCOPED_TRACE(std::string("failing step ") + std::to_string(static_cast<int>(each.step)) + " call " +
                     std::to_string(each.onCall));
        TempFolder folder;
        const std::string target = folder.File("backup.xml");
        WriteAll(target, kOldContent);
        RecordingFileOps files;
        files.FailFrom(each.step, each.error, each.onCall);

        EXPECT_FALSE(document.Save(target, true, files));
        EXPECT_EQ(ReadAll(target), kOldContent);
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"backup.xml"});
        EXPECT_NE(document.SaveError().find(each.expectedWords), std::string::npos) << document.SaveError();
    }
}

TEST(AtomicSave, FileSizeLimitOfTheKernelLeavesTheOldFileIntact) {
    TempFolder folder;
    const std::string target = folder.File("backup.xml");
    WriteAll(target, kOldContent);
    XmlDocument document = BigDocument(5000);  // about 1.2 MB

    // The kernel refuses writes past 64 KiB.
    const int status = test::ExitStatusUnderFileSizeLimit(64 * 1024, [&] {
        const bool saved = document.Save(target, true);
        const bool namesTheReason = document.SaveError().find("File too large") != std::string::npos;
        return saved ? 1 : namesTheReason ? 0 : 2;
    });
    EXPECT_EQ(status, 0) << "1: the save claimed success, 2: the reason was not given";
    EXPECT_EQ(ReadAll(target), kOldContent);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"backup.xml"});
}

TEST(AtomicSave, ReplacesTheFileKeepingItsModeAndWritesThroughALink) {
    TempFolder folder;
    const std::string target = folder.File("backup.xml");
    WriteAll(target, kOldContent);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(symlink("backup.xml", folder.File("latest.xml").c_str()), 0);

    XmlDocument document = BigDocument(3);
    ASSERT_TRUE(document.Save(folder.File("latest.xml"), true)) << document.SaveError();

    struct stat info {};
    ASSERT_EQ(lstat(folder.File("latest.xml").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link itself stays a link";
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    XmlDocument reloaded;
    ASSERT_TRUE(reloaded.Load(target, 0));
    EXPECT_EQ(reloaded.DocumentNode().SelectNodes("/tumblr/posts/post").Count(), 3);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"backup.xml", "latest.xml"}));
}

TEST(AtomicSave, NewFileGetsTheUsualModeAndAnUnwritableFolderIsReported) {
    TempFolder folder;
    const mode_t oldMask = umask(022);
    XmlDocument document = BigDocument(1);
    ASSERT_TRUE(document.Save(folder.File("new.xml"), false));
    umask(oldMask);
    struct stat info {};
    ASSERT_EQ(stat(folder.File("new.xml").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);

    // A file standing where the folder should be: refused even for root.
    EXPECT_FALSE(document.Save(folder.File("new.xml") + "/inside.xml", true));
    EXPECT_NE(document.SaveError().find("Not a directory"), std::string::npos) << document.SaveError();
}

TEST(AtomicSave, SomethingOtherThanAFileStaysWhatItIs) {
    TempFolder folder;
    const std::string pipe = folder.File("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const std::string link = folder.File("link.xml");
    ASSERT_EQ(symlink(pipe.c_str(), link.c_str()), 0);
    XmlDocument document = BigDocument(1);
    for (const std::string& target : {pipe, link}) {
        EXPECT_FALSE(document.Save(target, true)) << target;
        EXPECT_EQ(document.SaveError(), pipe + " is not a regular file");
        const Status possible = AtomicFileWriter::CanSave(target, SystemFileOps());
        EXPECT_TRUE(possible.Is(StatusKind::FileSystem));
        EXPECT_EQ(possible.text(), pipe + " is not a regular file");
    }
    struct stat info {};
    ASSERT_EQ(stat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"link.xml", "pipe"}));
}

TEST(AtomicSave, AReadOnlyFileStaysAndSoDoesALinkAnotherUserLaidInAStickyFolder) {
    TempFolder folder;
    const std::string target = folder.File("backup.xml");
    WriteAll(target, kOldContent);
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    XmlDocument document = BigDocument(2);
    EXPECT_FALSE(document.Save(target, true));
    EXPECT_EQ(document.SaveError(), target + " is read-only");
    EXPECT_EQ(ReadAll(target), kOldContent);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"backup.xml"});

    // Like /tmp: everyone may write, the sticky bit set. A link there owned by
    // someone else could point the save at any file of ours.
    if (geteuid() != 0) GTEST_SKIP() << "giving a link to another user needs root";
    const std::string shared = folder.File("shared");
    ASSERT_EQ(mkdir(shared.c_str(), 01777), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    const std::string victim = folder.File("victim.xml");
    WriteAll(victim, kOldContent);
    const std::string link = shared + "/backup.xml";
    ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
    ASSERT_EQ(lchown(link.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(document.Save(link, true));
    EXPECT_NE(document.SaveError().find("another user"), std::string::npos) << document.SaveError();
    EXPECT_EQ(ReadAll(victim), kOldContent);
    // Our own link there is followed as before.
    ASSERT_EQ(lchown(link.c_str(), geteuid(), getegid()), 0);
    EXPECT_TRUE(document.Save(link, true)) << document.SaveError();
}

}  // namespace
}  // namespace qv
