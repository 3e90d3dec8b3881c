// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qv::media {

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

Status FolderLock::Take(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Status(StatusKind::FileSystem,
                      "can't open the folder " + folder + ": " + std::strerror(errno));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        // Some network file systems can't lock a folder; a run there goes on
        // unguarded, as it would have without the lock.
        if (error == EWOULDBLOCK) {
            ::close(fd);
            return Status(StatusKind::Busy, "another run is keeping media in " + folder + " right now");
        }
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
    return Status::Ok();
}

}  // namespace qv::media
