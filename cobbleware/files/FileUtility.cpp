// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "Utilities.h"

namespace qv {

bool FileUtility::SetCompression(const std::string& path, int mode, int& errorCode) {
    errorCode = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        errorCode = errno;
        return false;
    }
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        const int wanted = mode ? (flags | FS_COMPR_FL) : (flags & ~FS_COMPR_FL);
        done = wanted == flags || ::ioctl(fd, FS_IOC_SETFLAGS, &wanted) == 0;
        // Some file systems accept the flag and quietly drop it; only a flag
        // that reads back as set counts as compression.
        if (done && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && ((flags & FS_COMPR_FL) != 0) != (mode != 0)) {
            errno = EOPNOTSUPP;
            done = false;
        }
    }
    if (!done) errorCode = (errno == ENOTTY || errno == EINVAL) ? EOPNOTSUPP : errno;
    ::close(fd);
    return done;
}

FileUtility& SharedFileUtility() {
    static FileUtility shared;
    return shared;
}

}  // namespace qv
