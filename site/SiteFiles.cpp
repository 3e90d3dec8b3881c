// SPDX-License-Identifier: GPL-3.0-or-later
#include "SiteFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "files/AtomicFile.h"

namespace qv::site {

namespace fs = std::filesystem;

namespace {

// Tells a folder we made from one of the user's.
const char* const kMarkerName = ".quillvault-site";
const char* const kMarkerText =
    "This folder is an offline view of a blog backup, written by quillvault-cli.\n"
    "Every run rewrites it: files put here by hand may be removed.\n";

// The folders and top-level files that belong to a site.
constexpr std::array<std::string_view, 5> kOurFolders = {"assets", "month", "page", "post", "tag"};
constexpr std::array<std::string_view, 3> kOurPages = {"index.html", "tags.html", "archive.html"};

bool IsOurTopLevelName(std::string_view name) {
    for (const std::string_view page : kOurPages) {
        // A temporary file left by an interrupted write is ours too.
        if (name == page || (name.starts_with(page) && name.substr(page.size()).starts_with(".saving-")))
            return true;
    }
    // The index is kept apart from the pages, but its leftovers go with them.
    return name == kMarkerName || (name.starts_with(kPageIndexName) &&
                                   name.substr(std::strlen(kPageIndexName)).starts_with(".saving-"));
}

// Pages are rebuilt from the backup at any time, so a crash costs nothing that
// is worth a disk sync per page; the rename still keeps pages whole.
class UnsyncedFileOps : public FileOpsWrapper {
public:
    using FileOpsWrapper::FileOpsWrapper;
    int Sync(int) override { return 0; }
    int SyncFolder(const std::string&) override { return 0; }
};

}  // namespace

namespace {

// Pages waiting for the writer: enough to keep it busy while a thread makes
// an index page, little next to the backup held in memory.
constexpr std::size_t kWaitingBytes = 2 << 20;

}  // namespace

SiteFiles::SiteFiles(std::string folder, FileOps& files, PageIndex previous)
    : folder_(std::move(folder)),
      files_(files),
      previous_(std::move(previous)),
      queue_([this](const QueuedPage& page) { WriteNow(page); }, kWaitingBytes) {}

Status SiteFiles::Fail(const std::string& text) {
    const std::lock_guard lock(mutex_);
    if (failure_.ok()) failure_ = Status(StatusKind::FileSystem, text);
    return failure_;
}

bool SiteFiles::Failed() const {
    const std::lock_guard lock(mutex_);
    return !failure_.ok();
}

Status SiteFiles::Failure() const {
    const std::lock_guard lock(mutex_);
    return failure_;
}

Status SiteFiles::Open() {
    std::error_code error;
    if (fs::exists(folder_, error) && !fs::is_directory(folder_, error))
        return Fail(folder_ + " is a file, not a folder");
    const bool ours = fs::exists(fs::path(folder_) / kMarkerName, error);
    if (!ours && fs::exists(folder_, error) && !fs::is_empty(folder_, error))
        return Fail(folder_ + " already holds other files; choose an empty or a new folder");
    fs::create_directories(folder_, error);
    if (error) return Fail("Can't create the folder " + folder_ + ": " + error.message());
    return Write(kMarkerName, kMarkerText) && Flush() ? Status::Ok() : Failure();
}

bool SiteFiles::Holds(const std::string& path, std::string_view content, std::optional<FileStamp>& file) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool same = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                static_cast<std::size_t>(info.st_size) == content.size();
    std::array<char, 1 << 16> buffer;
    std::size_t at = 0;
    while (same && at < content.size()) {
        const ssize_t got = ::read(fd, buffer.data(), std::min(buffer.size(), content.size() - at));
        if (got < 0 && errno == EINTR) continue;
        same = got > 0 && std::memcmp(buffer.data(), content.data() + at, static_cast<std::size_t>(got)) == 0;
        at += got > 0 ? static_cast<std::size_t>(got) : 0;
    }
    ::close(fd);
    if (same) file = StampOf(info);
    return same;
}

bool SiteFiles::MakeFolderFor(const std::string& page, bool& fresh) {
    fresh = false;
    const std::size_t slash = page.rfind('/');
    if (slash == std::string::npos) return true;
    const std::string folder = page.substr(0, slash);
    const std::lock_guard lock(mutex_);
    if (folders_.contains(folder)) {
        fresh = freshFolders_.contains(folder);
        return true;
    }
    std::error_code error;
    fresh = fs::create_directories(fs::path(folder_) / folder, error);
    if (error) {
        if (failure_.ok())
            failure_ = Status(StatusKind::FileSystem,
                              "Can't create the folder " + folder_ + "/" + folder + ": " + error.message());
        return false;
    }
    folders_.insert(folder);
    if (fresh) freshFolders_.insert(folder);
    return true;
}

std::optional<PageRecord> SiteFiles::TakePrevious(const std::string& page) {
    const std::lock_guard lock(mutex_);
    auto node = previous_.pages.extract(page);
    if (node.empty()) return std::nullopt;
    return node.mapped();
}

void SiteFiles::Keep(const std::string& page, const PageRecord& record) {
    const std::lock_guard lock(mutex_);
    pages_.insert_or_assign(page, record);
}

bool SiteFiles::WriteNew(const std::string& path, std::string_view content, PageRecord& record, bool& taken) {
    taken = false;
    const int fd = files_.CreateNew(path);
    if (fd < 0) {
        taken = errno == EEXIST;
        if (!taken) (void)Fail("can't create " + path + ": " + std::strerror(errno));
        return false;
    }
    bool written = WriteFully(files_, fd, content.data(), content.size());
    int error = errno;
    // Taken before the file is closed: nothing after the last write changes it.
    struct stat info {};
    if (written && ::fstat(fd, &info) == 0) record.file = StampOf(info);
    if (files_.Close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        // No part of a page stays under its name.
        files_.Unlink(path);
        (void)Fail("can't write " + path + ": " + std::strerror(error));
    }
    return written;
}

bool SiteFiles::Replace(const std::string& path, std::string_view content, PageRecord& record) {
    UnsyncedFileOps unsynced(files_);
    AtomicFileWriter writer(path, unsynced);
    Status written = writer.Open();
    if (written.ok()) written = writer.Write(content.data(), content.size());
    if (written.ok()) written = writer.Commit();
    if (!written.ok()) {
        (void)Fail(written.text());  // kept as the view's failure, said once at the end
        return false;
    }
    record.file = StampOfFile(path);
    return true;
}

bool SiteFiles::Write(const std::string& page, std::string content) {
    if (Failed()) return false;
    const Digest digest = DigestOf(content);
    queue_.Push({page, std::move(content), digest});
    return !Failed();
}

bool SiteFiles::Flush() {
    queue_.Drain();
    return !Failed();
}

void SiteFiles::WriteNow(const QueuedPage& queued) {
    if (Failed()) return;
    const std::string& page = queued.name;
    const std::string& content = queued.content;
    bool fresh = false;
    if (!MakeFolderFor(page, fresh)) return;
    const std::string path = folder_ + "/" + page;
    PageRecord record{queued.digest, std::nullopt};
    const std::optional<PageRecord> previous = TakePrevious(page);
    // In a folder this run made, the name is free.
    const std::optional<FileStamp> file = fresh ? std::nullopt : StampOfFile(path);
    if (file) {
        // The last run's record stands for the file while the file has its stamp.
        const bool vouched = previous && previous->file == file;
        if (vouched ? previous->content == record.content : Holds(path, content, record.file)) {
            if (vouched) record.file = file;
            Keep(page, record);
            ++unchanged_;
            return;
        }
    }
    bool taken = file.has_value();
    if (!taken && !WriteNew(path, content, record, taken) && !taken) return;
    if (taken && !Replace(path, content, record)) return;
    Keep(page, record);
    ++written_;
}

bool SiteFiles::KeepIndexedPages(const std::optional<Digest>& sources, std::size_t& posts) {
    const std::lock_guard lock(mutex_);
    if (!sources || previous_.sources != sources || !previous_.pages.contains(kMarkerName)) return false;
    unchanged_ += previous_.pages.size();
    if (pages_.empty()) {
        pages_.swap(previous_.pages);
    } else {
        pages_.merge(previous_.pages);
        previous_.pages.clear();
    }
    posts = previous_.posts;
    return true;
}

Status SiteFiles::Finish(const std::optional<Digest>& sources, std::size_t posts) {
    if (Status removed = RemoveOthers(); !removed.ok()) return removed;
    PageIndex index;
    index.sources = sources;
    index.posts = posts;
    index.pages = std::move(pages_);
    const Status saved = index.Save(folder_, files_);
    pages_ = std::move(index.pages);
    return saved.ok() ? saved : Fail(saved.text());
}

Status SiteFiles::RemoveOthers() {
    if (!Flush()) return Failure();
    std::vector<fs::path> stale;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        const std::string name = entry.path().filename().string();
        std::error_code ignored;
        if (entry.is_regular_file(ignored) && IsOurTopLevelName(name) && !pages_.contains(name))
            stale.push_back(entry.path());
    }
    if (error) return Fail("Can't list the files of " + folder_ + ": " + error.message());
    for (const std::string_view folder : kOurFolders) {
        const fs::path path = fs::path(folder_) / folder;
        std::error_code missing;
        if (!fs::is_directory(path, missing)) continue;
        std::string page;
        for (const auto& entry : fs::directory_iterator(path, error)) {
            const std::string& full = entry.path().native();
            page.assign(folder);
            page.append(full, full.rfind('/'));
            std::error_code ignored;
            if (entry.is_regular_file(ignored) && !pages_.contains(page)) stale.push_back(entry.path());
        }
        if (error) return Fail("Can't list the files of " + path.string() + ": " + error.message());
    }
    for (const fs::path& path : stale) {
        if (files_.Unlink(path.string()) != 0 && errno != ENOENT)
            return Fail("Can't remove " + path.string() + ": " + std::strerror(errno));
        ++removed_;
    }
    // An empty folder that stays holds nothing of the user's and no page: no failure.
    for (const std::string_view folder : kOurFolders) {
        const fs::path path = fs::path(folder_) / folder;
        std::error_code ignored;
        if (fs::is_directory(path, ignored) && fs::is_empty(path, ignored)) fs::remove(path, ignored);
    }
    return Status::Ok();
}

}  // namespace qv::site
