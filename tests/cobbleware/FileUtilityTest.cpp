// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <unistd.h>

#include "TempFolder.h"
#include "Utilities.h"

namespace qv {
namespace {

using test::TempFolder;
using test::WriteAll;

int FileFlags(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    int flags = 0;
    const int result = ioctl(fd, FS_IOC_GETFLAGS, &flags);
    close(fd);
    return result == 0 ? flags : -1;
}

TEST(Compression, EitherTheFlagReadsBackSetOrTheSystemsErrorIsGiven) {
    TempFolder folder;
    const std::string file = folder.File("backup.xml");
    WriteAll(file, "<tumblr/>");
    int code = -1;
    const bool done = SharedFileUtility().SetCompression(file, 1, code);
    if (done) {
        EXPECT_EQ(code, 0);
        EXPECT_NE(FileFlags(file) & FS_COMPR_FL, 0);
        EXPECT_TRUE(SharedFileUtility().SetCompression(file, 0, code));
        EXPECT_EQ(FileFlags(file) & FS_COMPR_FL, 0);
    } else {
        EXPECT_NE(code, 0);
    }
}

TEST(Compression, AFileSystemWithoutItAndAMissingFileAreReported) {
    int code = 0;
    EXPECT_FALSE(SharedFileUtility().SetCompression("/nonexistent/backup.xml", 1, code));
    EXPECT_EQ(code, ENOENT);

    // tmpfs keeps no such attribute.
    struct statfs info{};
    if (statfs("/dev/shm", &info) != 0 || access("/dev/shm", W_OK) != 0) GTEST_SKIP() << "no /dev/shm here";
    const std::string file = "/dev/shm/qv-compress-" + std::to_string(getpid());
    WriteAll(file, "<tumblr/>");
    code = 0;
    EXPECT_FALSE(SharedFileUtility().SetCompression(file, 1, code));
    EXPECT_EQ(code, EOPNOTSUPP);
    unlink(file.c_str());
}

}  // namespace
}  // namespace qv
