// SPDX-License-Identifier: GPL-3.0-or-later
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "FileOps.h"

namespace qv {

namespace {

int SyncOpened(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return -1;
    const int result = ::fsync(fd);
    const int savedErrno = errno;
    ::close(fd);
    errno = savedErrno;
    return result;
}

int ReadOpened(int fd, std::string& content) {
    std::array<char, 1 << 16> buffer;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) return 0;
        content.append(buffer.data(), static_cast<std::size_t>(got));
    }
}

class PosixFileOps : public FileOps {
public:
    int CreateTemp(std::string& pathTemplate) override { return mkostemp(pathTemplate.data(), O_CLOEXEC); }
    int CreateNew(const std::string& path) override {
        return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    long Write(int fd, const char* data, std::size_t size) override { return ::write(fd, data, size); }
    int Sync(int fd) override { return ::fsync(fd); }
    int StartWriteback(int fd, std::size_t offset, std::size_t length) override {
        return ::sync_file_range(fd, static_cast<off64_t>(offset), static_cast<off64_t>(length),
                                 SYNC_FILE_RANGE_WRITE);
    }
    int Close(int fd) override { return ::close(fd); }
    int Chmod(int fd, unsigned mode) override { return ::fchmod(fd, mode); }
    int Rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str());
    }
    int Unlink(const std::string& path) override { return ::unlink(path.c_str()); }
    int SyncFolder(const std::string& folder) override { return SyncOpened(folder, O_RDONLY | O_DIRECTORY); }
    int MakeFolder(const std::string& path, unsigned mode) override {
        return ::mkdir(path.c_str(), mode) == 0 || errno == EEXIST ? 0 : -1;
    }
    int SyncFile(const std::string& path) override { return SyncOpened(path, O_RDONLY); }

    int ReadFile(const std::string& path, std::string& content) override {
        content.clear();
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return -1;
        const int result = ReadOpened(fd, content);
        const int savedErrno = errno;
        ::close(fd);
        errno = savedErrno;
        return result;
    }

    int ListFolder(const std::string& folder, std::vector<std::string>& names) override {
        names.clear();
        const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
        if (!listing) return -1;
        errno = 0;
        while (const dirent* entry = ::readdir(listing.get())) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        return errno == 0 ? 0 : -1;
    }

    int RemoveTree(const std::string& path) override {
        std::error_code error;
        std::filesystem::remove_all(path, error);
        if (!error) return 0;
        errno = error.value();
        return -1;
    }
};

}  // namespace

bool WriteFully(FileOps& files, int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const long written = files.Write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

unsigned NewFileMode() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Umask:"))
            return 0666 & ~static_cast<unsigned>(std::stoul(line.substr(6), nullptr, 8));
    }
    // Without /proc the umask can only be read by setting it, and back.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

FileOps& SystemFileOps() {
    static PosixFileOps ops;
    return ops;
}

}  // namespace qv
