// SPDX-License-Identifier: GPL-3.0-or-later
// A file system in memory behind FileOps: a run's saves, a journal's pages
// and a media folder's records are read and written here, so a harness runs
// millions of times without touching the disk and starts each input afresh.
// Paths are plain text: no links, no "..". Safe to use from several threads
// (the journal writes from a thread of its own).
#pragma once

#include <cerrno>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "FileOps.h"

namespace qv::fuzz {

class MemoryFiles : public FileOps {
public:
    // Puts a file (and the folders above it) in place.
    void Put(const std::string& path, std::string content) {
        const std::lock_guard lock(mutex_);
        AddFoldersAbove(path);
        files_[path] = std::move(content);
    }
    void PutFolder(const std::string& path) {
        const std::lock_guard lock(mutex_);
        AddFoldersAbove(path);
        folders_.insert(path);
    }
    std::optional<std::string> Content(const std::string& path) const {
        const std::lock_guard lock(mutex_);
        const auto found = files_.find(path);
        if (found == files_.end()) return std::nullopt;
        return found->second;
    }

    int CreateTemp(std::string& pathTemplate) override {
        const std::lock_guard lock(mutex_);
        if (!pathTemplate.ends_with("XXXXXX") || !folders_.contains(Parent(pathTemplate)))
            return Fail(ENOENT);
        std::string unique = std::to_string(++made_);
        unique.insert(0, 6 - std::min<std::size_t>(6, unique.size()), '0');
        pathTemplate.replace(pathTemplate.size() - 6, 6, unique.substr(unique.size() - 6));
        files_[pathTemplate].clear();
        const int fd = nextFd_++;
        open_[fd] = pathTemplate;
        return fd;
    }
    int CreateNew(const std::string& path) override {
        const std::lock_guard lock(mutex_);
        if (!folders_.contains(Parent(path))) return Fail(ENOENT);
        if (files_.contains(path) || folders_.contains(path)) return Fail(EEXIST);
        files_[path].clear();
        const int fd = nextFd_++;
        open_[fd] = path;
        return fd;
    }
    long Write(int fd, const char* data, std::size_t size) override {
        const std::lock_guard lock(mutex_);
        const auto file = open_.find(fd);
        if (file == open_.end()) return Fail(EBADF);
        files_[file->second].append(data, size);
        return static_cast<long>(size);
    }
    int Sync(int fd) override { return Known(fd); }
    int Close(int fd) override {
        const std::lock_guard lock(mutex_);
        return open_.erase(fd) == 1 ? 0 : Fail(EBADF);
    }
    int Chmod(int fd, unsigned) override { return Known(fd); }
    int Rename(const std::string& from, const std::string& to) override {
        const std::lock_guard lock(mutex_);
        if (!folders_.contains(Parent(to))) return Fail(ENOENT);
        if (const auto file = files_.find(from); file != files_.end()) {
            std::string content = std::move(file->second);
            files_.erase(file);
            files_[to] = std::move(content);
            for (auto& [fd, path] : open_)
                if (path == from) path = to;
            return 0;
        }
        if (!folders_.contains(from)) return Fail(ENOENT);
        MoveTree(from, to);
        return 0;
    }
    int Unlink(const std::string& path) override {
        const std::lock_guard lock(mutex_);
        return files_.erase(path) == 1 ? 0 : Fail(ENOENT);
    }
    int SyncFolder(const std::string& folder) override {
        const std::lock_guard lock(mutex_);
        return folders_.contains(folder) ? 0 : Fail(ENOENT);
    }
    int MakeFolder(const std::string& path, unsigned) override {
        const std::lock_guard lock(mutex_);
        if (files_.contains(path)) return Fail(EEXIST);
        if (!folders_.contains(Parent(path))) return Fail(ENOENT);
        folders_.insert(path);
        return 0;
    }
    int SyncFile(const std::string& path) override {
        const std::lock_guard lock(mutex_);
        return files_.contains(path) ? 0 : Fail(ENOENT);
    }
    int StartWriteback(int fd, std::size_t, std::size_t) override { return Known(fd); }
    int ReadFile(const std::string& path, std::string& content) override {
        const std::lock_guard lock(mutex_);
        const auto file = files_.find(path);
        if (file == files_.end()) return Fail(folders_.contains(path) ? EISDIR : ENOENT);
        content = file->second;
        return 0;
    }
    int ListFolder(const std::string& folder, std::vector<std::string>& names) override {
        const std::lock_guard lock(mutex_);
        if (!folders_.contains(folder)) return Fail(files_.contains(folder) ? ENOTDIR : ENOENT);
        names.clear();
        for (const auto& [path, content] : files_)
            if (Parent(path) == folder) names.push_back(path.substr(folder.size() + 1));
        for (const std::string& path : folders_)
            if (path != folder && Parent(path) == folder) names.push_back(path.substr(folder.size() + 1));
        return 0;
    }
    int RemoveTree(const std::string& path) override {
        const std::lock_guard lock(mutex_);
        files_.erase(path);
        folders_.erase(path);
        std::erase_if(files_, [&](const auto& file) { return Below(file.first, path); });
        std::erase_if(folders_, [&](const std::string& folder) { return Below(folder, path); });
        return 0;
    }

private:
    static std::string Parent(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    }
    static bool Below(const std::string& path, const std::string& folder) {
        return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/';
    }
    static int Fail(int error) {
        errno = error;
        return -1;
    }
    int Known(int fd) {
        const std::lock_guard lock(mutex_);
        return open_.contains(fd) ? 0 : Fail(EBADF);
    }
    void AddFoldersAbove(const std::string& path) {
        for (std::string folder = Parent(path); folder != "/" && folder != "."; folder = Parent(folder))
            folders_.insert(folder);
        folders_.insert(Parent(path).starts_with('/') ? "/" : ".");
    }
    void MoveTree(const std::string& from, const std::string& to) {
        const auto moved = [&](const std::string& path) { return to + path.substr(from.size()); };
        std::map<std::string, std::string> files;
        for (auto& [path, content] : files_)
            files[Below(path, from) ? moved(path) : path] = std::move(content);
        files_ = std::move(files);
        std::set<std::string> folders;
        for (const std::string& folder : folders_)
            folders.insert(folder == from || Below(folder, from) ? moved(folder) : folder);
        folders_ = std::move(folders);
    }

    mutable std::mutex mutex_;
    std::map<std::string, std::string> files_;
    std::set<std::string> folders_;
    std::map<int, std::string> open_;
    int nextFd_ = 1000;
    unsigned long made_ = 0;
};

}  // namespace qv::fuzz
