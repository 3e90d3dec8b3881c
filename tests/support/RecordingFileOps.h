// SPDX-License-Identifier: GPL-3.0-or-later
// The system's file calls, recorded in the order they were made, with faults
// put in on request: a chosen call failing with a chosen error, or a disk
// that fills up. Safe to use from several threads. Header only: a suite
// that includes it links the files layer already.
#pragma once

#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "FileOps.h"
#include "files/DurableFile.h"

namespace qv::test {

class RecordingFileOps : public FileOpsWrapper {
public:
    enum class Op {
        CreateTemp,
        CreateNew,
        Write,
        Sync,
        Close,
        Chmod,
        Rename,
        Unlink,
        SyncFolder,
        MakeFolder,
        SyncFile,
        ReadFile,
        ListFolder,
        RemoveTree
    };
    struct Call {
        Op op;
        std::string path;  // for a call on a descriptor, the name its file had then
        std::string to;    // of a rename
        long bytes = 0;    // of a write
    };

    RecordingFileOps() : FileOpsWrapper(SystemFileOps()) {}

    // The `nth` call of `op` (counting from 1) and every later one fail with `error`.
    void FailFrom(Op op, int error, int nth = 1) {
        const std::lock_guard lock(mutex_);
        fault_ = Fault{op, error, nth};
    }
    // Writes fail with ENOSPC once they would take more than `bytes` in all.
    void LimitRoom(std::int64_t bytes) {
        const std::lock_guard lock(mutex_);
        room_ = bytes;
    }

    // The calls that succeeded, in order.
    std::vector<Call> Calls() const {
        const std::lock_guard lock(mutex_);
        return calls_;
    }

    // Where in Calls() the file now called `name` got that name, was synced
    // (under either name), and had its folder synced after the rename.
    struct Placement {
        std::optional<std::size_t> renamed, synced, folderSynced;
    };
    Placement PlacementOf(const std::string& name) const {
        const std::lock_guard lock(mutex_);
        Placement placement;
        std::string before = name;
        for (std::size_t i = 0; i < calls_.size(); ++i) {
            if (calls_[i].op == Op::Rename && calls_[i].to == name) {
                placement.renamed = i;
                before = calls_[i].path;
            }
        }
        const std::size_t renamed = placement.renamed.value_or(0);
        for (std::size_t i = 0; i < calls_.size(); ++i) {
            const Call& call = calls_[i];
            const bool sync = call.op == Op::Sync || call.op == Op::SyncFile;
            if (!placement.synced && sync && call.path == (i < renamed ? before : name)) placement.synced = i;
            if (!placement.folderSynced && i > renamed && call.op == Op::SyncFolder &&
                call.path == ContainingFolder(name))
                placement.folderSynced = i;
        }
        return placement;
    }

    int CreateTemp(std::string& pathTemplate) override {
        const std::lock_guard lock(mutex_);
        if (Faulted(Op::CreateTemp)) return -1;
        const int fd = FileOpsWrapper::CreateTemp(pathTemplate);
        if (fd >= 0) {
            names_[fd] = pathTemplate;
            calls_.push_back({Op::CreateTemp, pathTemplate, {}, 0});
        }
        return fd;
    }
    int CreateNew(const std::string& path) override {
        const std::lock_guard lock(mutex_);
        if (Faulted(Op::CreateNew)) return -1;
        const int fd = FileOpsWrapper::CreateNew(path);
        if (fd >= 0) {
            names_[fd] = path;
            calls_.push_back({Op::CreateNew, path, {}, 0});
        }
        return fd;
    }
    long Write(int fd, const char* data, std::size_t size) override {
        const std::lock_guard lock(mutex_);
        if (Faulted(Op::Write)) return -1;
        if (room_ && static_cast<std::int64_t>(size) > *room_) {
            errno = ENOSPC;
            return -1;
        }
        const long written = FileOpsWrapper::Write(fd, data, size);
        if (written < 0) return written;
        if (room_) *room_ -= written;
        calls_.push_back({Op::Write, names_[fd], {}, written});
        return written;
    }
    int Sync(int fd) override {
        const std::lock_guard lock(mutex_);
        return Record(Op::Sync, names_[fd], Faulted(Op::Sync) ? -1 : FileOpsWrapper::Sync(fd));
    }
    int Close(int fd) override {
        const std::lock_guard lock(mutex_);
        // The descriptor is gone whatever close(2) says.
        const int result = FileOpsWrapper::Close(fd);
        const std::string name = names_[fd];
        names_.erase(fd);
        return Record(Op::Close, name, Faulted(Op::Close) ? -1 : result);
    }
    int Chmod(int fd, unsigned mode) override {
        const std::lock_guard lock(mutex_);
        return Record(Op::Chmod, names_[fd], Faulted(Op::Chmod) ? -1 : FileOpsWrapper::Chmod(fd, mode));
    }
    int Rename(const std::string& from, const std::string& to) override {
        const std::lock_guard lock(mutex_);
        if (Faulted(Op::Rename) || FileOpsWrapper::Rename(from, to) != 0) return -1;
        for (auto& [fd, name] : names_)
            if (name == from) name = to;
        calls_.push_back({Op::Rename, from, to, 0});
        return 0;
    }
    int Unlink(const std::string& path) override {
        const std::lock_guard lock(mutex_);
        return Record(Op::Unlink, path, Faulted(Op::Unlink) ? -1 : FileOpsWrapper::Unlink(path));
    }
    int SyncFolder(const std::string& folder) override {
        const std::lock_guard lock(mutex_);
        return Record(Op::SyncFolder, folder,
                      Faulted(Op::SyncFolder) ? -1 : FileOpsWrapper::SyncFolder(folder));
    }
    int MakeFolder(const std::string& path, unsigned mode) override {
        const std::lock_guard lock(mutex_);
        return Record(Op::MakeFolder, path,
                      Faulted(Op::MakeFolder) ? -1 : FileOpsWrapper::MakeFolder(path, mode));
    }
    int SyncFile(const std::string& path) override {
        const std::lock_guard lock(mutex_);
        return Record(Op::SyncFile, path, Faulted(Op::SyncFile) ? -1 : FileOpsWrapper::SyncFile(path));
    }
    int ReadFile(const std::string& path, std::string& content) override {
        const std::lock_guard lock(mutex_);
        return Record(Op::ReadFile, path,
                      Faulted(Op::ReadFile) ? -1 : FileOpsWrapper::ReadFile(path, content));
    }
    int ListFolder(const std::string& folder, std::vector<std::string>& names) override {
        const std::lock_guard lock(mutex_);
        return Record(Op::ListFolder, folder,
                      Faulted(Op::ListFolder) ? -1 : FileOpsWrapper::ListFolder(folder, names));
    }
    int RemoveTree(const std::string& path) override {
        const std::lock_guard lock(mutex_);
        return Record(Op::RemoveTree, path, Faulted(Op::RemoveTree) ? -1 : FileOpsWrapper::RemoveTree(path));
    }

private:
    struct Fault {
        Op op;
        int error;
        int nth;
    };

    bool Faulted(Op op) {
        if (!fault_ || fault_->op != op || ++faultCalls_ < fault_->nth) return false;
        errno = fault_->error;
        return true;
    }
    int Record(Op op, const std::string& path, int result) {
        if (result == 0) calls_.push_back({op, path, {}, 0});
        return result;
    }

    mutable std::mutex mutex_;
    std::optional<Fault> fault_;
    int faultCalls_ = 0;
    std::optional<std::int64_t> room_;
    std::map<int, std::string> names_;
    std::vector<Call> calls_;
};

}  // namespace qv::test
