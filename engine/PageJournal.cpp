// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageJournal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "Application.h"
#include "backupfiles/BackupFiles.h"
#include "Sundrykit.h"
#include "modTumblrInteraction.h"

namespace qv {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const kDescription = "journal.json";
constexpr auto kSyncEvery = std::chrono::seconds(1);
constexpr size_t kMostQueued = 32;

// The start a page file is named by, or nullopt for any other file.
std::optional<int32_t> StartOf(const std::string& name) {
    if (!name.ends_with(".xml")) return std::nullopt;
    int32_t start = 0;
    const char* end = name.data() + name.size() - 4;
    const auto [stop, error] = std::from_chars(name.data(), end, start);
    if (error != std::errc() || stop != end || start < 0) return std::nullopt;
    return start;
}

// A whole number that fits an int, or nothing: a fraction, or a number past
// int's range in a damaged or hand-made description, converts to no int.
std::optional<int> WholeNumber(const nlohmann::json& value) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(INT_MAX)) return std::nullopt;
        return static_cast<int>(number);
    }
    if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        if (number < INT_MIN || number > INT_MAX) return std::nullopt;
        return static_cast<int>(number);
    }
    return std::nullopt;
}

}  // namespace

std::string JournalPage::Text() const {
    std::string text;
    // A page that can't be read ends the pages kept, as one that can't be parsed does.
    return files->ReadFile(path, text) == 0 ? text : std::string();
}

PageJournal::PageJournal(std::string target, std::string blogAddress, int32_t pageSize, bool privateFiles,
                         bool restart,
                         std::function<void(const std::string&)> warn, FileOps& files)
    : target_(std::move(target)),
      folder_(backupfiles::JournalFolder(target_)),
      blogAddress_(std::move(blogAddress)),
      pageSize_(pageSize),
      privateFiles_(privateFiles),
      warn_(std::move(warn)),
      files_(files),
      unsynced_(files),
      lastSync_(Clock::now()) {
    privatePages_ = privateFiles_;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(folder_, error))) return;
    if (restart) {
        if (files_.RemoveTree(folder_) != 0)
            GiveUp(std::string("the earlier one can't be removed: ") + std::strerror(errno));
        return;
    }
    if (const std::optional<std::string> unfit = Unfit()) {
        SetAside(*unfit);
    } else {
        begun_ = true;
        const bool earlierPrivate = EarlierPagesPrivate();
        privatePages_ = earlierPrivate || privateFiles_;
        described_ = privatePages_ == earlierPrivate;
    }
}

PageJournal::~PageJournal() {
    StopWriter(true);
    TellFailure();
}

void PageJournal::StopWriter(bool drain) {
    if (!writer_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        discard_ = !drain;
    }
    changed_.notify_all();
    writer_.join();
}

void PageJournal::Fail(const std::string& what) {
    std::lock_guard lock(mutex_);
    if (failure_.empty()) failure_ = what;
}

void PageJournal::TellFailure() {
    std::string failure;
    {
        std::lock_guard lock(mutex_);
        failure.swap(failure_);
    }
    if (!failure.empty()) GiveUp(failure);
}

void PageJournal::WriteQueued() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait_for(lock, kSyncEvery, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_ && (discard_ || queue_.empty())) break;
        if (!queue_.empty() && failure_.empty()) {
            PendingFile next = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            changed_.notify_all();  // room in the queue
            // A page torn by a power cut before its sync fails the check of
            // the next run, which then asks for it again: not worth a sync per page.
            WriteFile(next.name, next.content, DurableFile::SyncedLater);
            lock.lock();
        } else {
            queue_.clear();
        }
        if (failure_.empty() && !unsynced_.Empty() && Clock::now() - lastSync_ >= kSyncEvery) {
            lock.unlock();
            Sync();
            lock.lock();
        }
    }
    const bool sync = !discard_ && failure_.empty() && !unsynced_.Empty();
    lock.unlock();
    if (sync) Sync();
}

std::optional<std::string> PageJournal::Unfit() const {
    // In a folder everyone may write to, such as /tmp, another user could lay
    // out a journal (or a link to one) whose pages would become our backup.
    struct stat info {};
    if (::lstat(folder_.c_str(), &info) == 0) {
        if (S_ISLNK(info.st_mode)) return "it is a link, not a folder of its own";
        if (info.st_uid != ::geteuid()) return "it belongs to another user";
    }
    try {
        const nlohmann::json description = nlohmann::json::parse(DescriptionText());
        if (WholeNumber(description.at("format")) != kFormat) return "it was written in another format";
        const std::string blog = description.at("blog").get<std::string>();
        if (blog != blogAddress_) return "it belongs to another blog, " + skPrintable(blog);
        if (WholeNumber(description.at("posts_per_page")) != pageSize_) return "its pages are of another size";
    } catch (const nlohmann::json::exception&) {
        return "its description can't be read";
    }
    return std::nullopt;
}

std::optional<int32_t> PageJournal::KeptPageSize(const std::string& target, FileOps& files) {
    std::string text;
    if (files.ReadFile(backupfiles::JournalFolder(target) + "/" + kDescription, text) != 0) return std::nullopt;
    const nlohmann::json description = nlohmann::json::parse(text, nullptr, false);
    if (!description.is_object()) return std::nullopt;
    const auto size = description.find("posts_per_page");
    if (size == description.end()) return std::nullopt;
    return WholeNumber(*size);
}

std::string PageJournal::DescriptionText() const {
    std::string text;
    files_.ReadFile(folder_ + "/" + kDescription, text);
    return text;
}

bool PageJournal::EarlierPagesPrivate() const {
    try {
        const nlohmann::json description = nlohmann::json::parse(DescriptionText());
        return description.value("private", false);
    } catch (const nlohmann::json::exception&) {
        return false;  // Unfit has already judged the description readable
    }
}

void PageJournal::SetAside(const std::string& why) {
    std::string aside = folder_ + ".set-aside";
    for (int n = 2; fs::exists(aside); ++n) aside = folder_ + ".set-aside-" + std::to_string(n);
    if (files_.Rename(folder_, aside) != 0) {
        GiveUp(folder_ + " " + why + " and can't be set aside: " + std::strerror(errno));
        return;
    }
    warn_("The journal " + folder_ + " was set aside as " + aside + ": " + why +
          ". The backup starts from the first page.");
}

// On the caller's thread only.
void PageJournal::GiveUp(const std::string& what) {
    if (broken_) return;
    broken_ = true;
    warn_("The journal of this run can't be written (" + what +
          "); if the run is interrupted, the next one starts from the first page.");
}

std::vector<JournalPage> PageJournal::Kept() const {
    std::vector<JournalPage> pages;
    if (!begun_) return pages;
    const std::map<int32_t, std::string> files = PageFiles();
    for (int32_t start = 0;; start += pageSize_) {
        const auto found = files.find(start);
        if (found == files.end()) break;
        pages.push_back({start, found->second, &files_});
    }
    return pages;
}

std::map<int32_t, std::string> PageJournal::PageFiles() const {
    std::map<int32_t, std::string> pages;
    std::vector<std::string> names;
    files_.ListFolder(folder_, names);  // a folder that can't be listed holds no pages
    for (const std::string& name : names)
        if (const auto start = StartOf(name)) pages[*start] = folder_ + "/" + name;
    return pages;
}

void PageJournal::ForgetFrom(int32_t start) {
    if (!begun_ || broken_) return;
    for (const auto& [page, path] : PageFiles())
        if (page >= start && files_.Unlink(path) != 0)
            GiveUp("can't remove " + path + ": " + std::strerror(errno));
}

bool PageJournal::Begin(std::optional<int64_t> announcedTotal) {
    if (files_.MakeFolder(folder_, privateFiles_ ? 0700 : 0777) != 0) {
        GiveUp("can't make " + folder_ + ": " + std::strerror(errno));
        return false;
    }
    nlohmann::json description = {
        {"format", kFormat},
        {"blog", blogAddress_},
        {"posts_per_page", pageSize_},
        {"total", announcedTotal ? nlohmann::json(*announcedTotal) : nlohmann::json()},
        {"program", ProgramVersion(App())},
        {"private", privatePages_}};
    if (WriteFile(kDescription, description.dump(2) + "\n", DurableFile::SyncedFirst)) Sync();
    TellFailure();
    begun_ = described_ = !broken_;
    return begun_;
}

bool PageJournal::WriteFile(const std::string& name, const std::string& content, DurableFile::Content when) {
    DurableFile file(folder_ + "/." + name + ".", files_);
    Status written = file.Write(content.data(), content.size());
    if (written.ok()) written = file.Place(folder_ + "/" + name, privateFiles_ ? 0600 : NewFileMode(), unsynced_, when);
    if (!written.ok()) Fail(written.text());
    return written.ok();
}

void PageJournal::Sync() {
    if (Status synced = unsynced_.Sync(); !synced.ok()) return Fail(synced.text());
    lastSync_ = Clock::now();
}

void PageJournal::Keep(int32_t start, const std::string& text, std::optional<int64_t> announcedTotal) {
    TellFailure();
    if (broken_ || (!described_ && !Begin(announcedTotal))) return;
    if (!writer_.joinable()) writer_ = std::thread([this] { WriteQueued(); });
    std::unique_lock lock(mutex_);
    // A disk slower than the service holds the run back here, not memory.
    changed_.wait(lock, [this] { return queue_.size() < kMostQueued || !failure_.empty(); });
    queue_.push_back({std::to_string(start) + ".xml", text});
    lock.unlock();
    changed_.notify_all();
}

void PageJournal::Finish() {
    StopWriter(false);
    broken_ = true;  // nothing more is written or synced
    if (files_.RemoveTree(folder_) != 0)
        warn_("The journal " + folder_ + " can't be removed: " + std::strerror(errno));
}

}  // namespace qv
