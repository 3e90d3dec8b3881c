// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaRun.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <utility>

#include "Backoff.h"
#include "FileNames.h"
#include "FolderLock.h"
#include "FolderRecords.h"
#include "HostPacing.h"
#include "Manifest.h"
#include "ManifestJournal.h"
#include "MediaCollector.h"
#include "MediaFile.h"
#include "MediaPlan.h"
#include "MediaTypes.h"
#include "TransferFailure.h"
#include "backupfiles/BackupFiles.h"
#include "files/DurableFile.h"

namespace qv::media {

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr milliseconds kStep{100};
constexpr milliseconds kProgressEvery{250};
// Waits are cut into pieces this long so that progress keeps coming.
constexpr milliseconds kLongestSleep{1000};

Status Stopped() { return Status(StatusKind::Cancelled, "Stopped."); }

// This run's failed files by reason: how many, and the kind of the first.
struct FailedFiles {
    int files = 0;
    StatusKind kind = StatusKind::Network;
};

std::vector<FailureReason> Commonest(const std::map<std::string, FailedFiles>& reasons) {
    std::vector<FailureReason> commonest;
    for (const auto& [reason, failed] : reasons) commonest.push_back({reason, failed.files, failed.kind});
    // The map holds them in the order of their text, which a stable sort keeps for equal counts.
    std::stable_sort(commonest.begin(), commonest.end(),
                     [](const FailureReason& a, const FailureReason& b) { return a.files > b.files; });
    if (commonest.size() > kFailureReasonsNamed) commonest.resize(kFailureReasonsNamed);
    return commonest;
}

class MediaRun {
public:
    MediaRun(const MediaOptions& options, http::HttpClient& client, FileOps& files, IMediaHost& host)
        : options_(options),
          client_(client),
          files_(files),
          host_(host),
          pacing_(std::clamp(options.jobs, 1, kMostJobs)),
          jobs_(std::clamp(options.jobs, 1, kMostJobs)) {}

    ~MediaRun() {
        // Whatever still runs (a stop, or an error thrown past us) must not
        // write into files that are going away.
        for (auto& [id, transfer] : running_) client_.Abandon(id);
    }

    MediaRun(const MediaRun&) = delete;
    MediaRun& operator=(const MediaRun&) = delete;

    MediaSummary Run();

private:
    struct Transfer {
        MediaJob job;
        std::unique_ptr<MediaFile> file;
    };

    Status Prepare();
    Status PrepareFolder();
    void Fetch();
    void StartWhatMay(Clock::time_point now);
    void Settle(http::HttpClient::TransferId id, http::Response response);
    // The planned name, with the extension the answer's type names when the
    // address gave it none, so that players and file managers know the file.
    std::string KeptName(const MediaJob& job, const http::Response& response);
    void Keep(const MediaJob& job, const std::string& name, const MediaFile& file);
    void Record(const MediaJob& job, ManifestEntry entry);
    // Appends the outcomes of the files that just finished to the journal,
    // and replaces the manifest when the journal has grown enough.
    Status Journal();
    // Replaces the manifest and empties the journal.
    Status Consolidate();
    // At the end of every run that started, however it ends short of a kill.
    void Finish();
    void RetryLater(MediaJob job, const Status& why);
    // A busy host is left alone for `wait`; the file's retries stay as they are.
    void WaitForHost(MediaJob job, const Status& why, std::chrono::seconds wait);
    void Fail(const MediaJob& job, const Status& why);
    // Writing to the folder failed: every further file would fail alike, so the run ends.
    void FailHere(const MediaJob& job, const Status& why);
    // The run goes no further, unless `why` is Ok. The summary says the first
    // failure, which counts over a stop.
    void EndShort(const Status& why);
    Status SaveManifest();
    void Report(bool now, std::chrono::seconds waiting = std::chrono::seconds(0));
    std::chrono::seconds Doubled(int attempt) const;

    const MediaOptions& options_;
    http::HttpClient& client_;
    FileOps& files_;
    IMediaHost& host_;
    HostPacing pacing_;
    const int jobs_;
    FolderLock lock_;
    unsigned mode_ = 0644;

    MediaSummary summary_;
    std::string manifestPath_;
    std::vector<std::string> present_;  // names in the folder when the run began
    Manifest manifest_;
    FileNamer namer_;
    std::map<std::string, FailedFiles> failureReasons_;
    std::optional<ManifestJournal> journal_;
    std::string unjournaled_;      // lines of outcomes on no disk yet
    SyncBatch keptNames_{files_};  // of the files kept since the folder was last synced
    bool unsaved_ = false;         // the manifest holds outcomes its file does not yet
    std::size_t savedBytes_ = 0;   // of the manifest's lines when its file was last replaced
    std::map<http::HttpClient::TransferId, Transfer> running_;
    std::size_t planned_ = 0;    // files to fetch in this run
    std::size_t settled_ = 0;    // of those, with an outcome
    std::int64_t received_ = 0;  // by settled transfers, kept or not
    Clock::time_point started_;
    std::time_t startedAt_ = std::time(nullptr);
    Clock::time_point lastReport_;
};

MediaSummary MediaRun::Run() {
    summary_.folder =
        options_.mediaFolder.empty() ? backupfiles::MediaFolder(options_.backupFile) : options_.mediaFolder;
    const Status prepared = Prepare();
    EndShort(prepared);
    if (prepared.ok()) Fetch();
    summary_.commonestFailures = Commonest(failureReasons_);
    return summary_;
}

Status MediaRun::Prepare() {
    Result<std::vector<MediaAddress>> addresses = ReadMediaAddresses(options_.backupFile);
    if (!addresses) return addresses.status();
    if (Status folder = PrepareFolder(); !folder.ok()) return folder;

    manifestPath_ = summary_.folder + "/" + kManifestFileName;
    // With what a killed run recorded after its last replacement of the manifest.
    const Result<FolderRecords> previous = ReadFolderRecords(summary_.folder, files_);
    if (!previous) return previous.status();
    journal_.emplace(summary_.folder, files_);
    MediaPlan plan = PlanMedia(*addresses, previous->entries, summary_.folder, present_);
    summary_.alreadyThere = plan.alreadyThere;
    summary_.missing = plan.missing;
    summary_.external = plan.external;
    planned_ = plan.jobs.size();
    for (MediaJob& job : plan.jobs) pacing_.Add(std::move(job));
    manifest_ = std::move(plan.manifest);
    namer_ = std::move(plan.namer);
    // Written at once: it lists what needs no transfer, takes in the
    // journal, and a folder we can't write to shows before anything is fetched.
    return Consolidate();
}

Status MediaRun::PrepareFolder() {
    const std::string& folder = summary_.folder;
    std::error_code error;
    fs::create_directory(folder, error);
    if (error || !fs::is_directory(folder, error))
        return Status(StatusKind::FileSystem,
                      "can't make the folder " + folder + (error ? ": " + error.message() : ""));
    if (Status locked = lock_.Take(folder); !locked.ok()) return locked;
    std::vector<std::string> names;
    if (files_.ListFolder(folder, names) != 0)
        return Status(StatusKind::FileSystem,
                      "can't read the folder " + folder + ": " + std::strerror(errno));
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        std::error_code status;
        // Pieces of files a killed run left behind.
        if (name.starts_with(kTempPrefix) && fs::is_regular_file(fs::symlink_status(path, status))) {
            if (files_.Unlink(path) != 0 && errno != ENOENT)
                return Status(StatusKind::FileSystem, "can't remove " + path + ": " + std::strerror(errno));
        } else {
            present_.push_back(name);
        }
    }
    mode_ = NewFileMode();
    return Status::Ok();
}

std::chrono::seconds MediaRun::Doubled(int attempt) const {
    return DoublingDelay(options_.retryDelay, attempt, options_.longestWait);
}

void MediaRun::Fetch() {
    summary_.started = true;
    started_ = lastReport_ = Clock::now();
    Report(true);
    while (summary_.status.ok()) {
        if (host_.StopRequested()) {
            EndShort(Stopped());
            break;
        }
        const auto now = Clock::now();
        StartWhatMay(now);
        if (running_.empty()) {
            const auto opening = pacing_.NextOpening();
            if (!opening) break;  // nothing left to do
            const auto wait = std::chrono::duration_cast<milliseconds>(*opening - now);
            if (wait.count() <= 0) continue;
            Report(true, std::chrono::ceil<std::chrono::seconds>(wait));
            if (!host_.Wait(std::min(wait, kLongestSleep))) {
                EndShort(Stopped());
                break;
            }
            continue;
        }
        client_.Step(kStep);
        std::vector<http::HttpClient::TransferId> finished;
        for (const auto& [id, transfer] : running_)
            if (client_.Finished(id)) finished.push_back(id);
        for (const auto id : finished) {
            if (!summary_.status.ok()) break;
            Settle(id, *client_.Take(id));
        }
        // Once for the files that finished together: when the disk is slow
        // and several are done by the time it has synced, it syncs less often.
        if (!unjournaled_.empty() && summary_.status.ok()) EndShort(Journal());
        Report(false);
    }
    // Abandoned transfers leave no piece behind: their files go with them.
    for (auto& [id, transfer] : running_) client_.Abandon(id);
    running_.clear();
    Finish();
    Report(true);
}

void MediaRun::StartWhatMay(Clock::time_point now) {
    while (static_cast<int>(running_.size()) < jobs_) {
        std::optional<MediaJob> job = pacing_.Next(now);
        if (!job) return;
        http::Request request;
        request.url = job->url;
        request.userAgent = options_.userAgent;
        request.proxy = options_.proxy;
        request.limits = options_.limits;
        auto file = std::make_unique<MediaFile>(summary_.folder, files_, mode_);
        const auto id = client_.Start(std::move(request), *file);
        running_.emplace(id, Transfer{std::move(*job), std::move(file)});
    }
}

void MediaRun::Settle(http::HttpClient::TransferId id, http::Response response) {
    const auto found = running_.find(id);
    MediaJob job = std::move(found->second.job);
    const std::unique_ptr<MediaFile> file = std::move(found->second.file);
    running_.erase(found);
    pacing_.Finished(job.host);
    received_ += file->Bytes();

    if (!file->LocalFailure().ok()) return FailHere(job, file->LocalFailure());
    if (!response.failed) {
        if (response.contentLength >= 0 && response.bodyBytes != response.contentLength)
            return RetryLater(std::move(job), ShortBody(response));
        const std::string name = KeptName(job, response);
        if (const Status kept = file->Keep(name, keptNames_); !kept.ok()) return FailHere(job, kept);
        return Keep(job, name, *file);
    }
    const Status why = TransferFailure(response);
    if (why.Is(StatusKind::NotFound)) {
        ++summary_.missing;
        ++settled_;
        return Record(job, ManifestEntry{job.url, {}, -1, {}, MediaStatus::Missing, {}, job.postId});
    }
    if (why.Is(StatusKind::Throttled)) {
        // The host is busy: leave it alone as long as it asks, or as long as we would wait anyway.
        const std::optional<int> asked = why.retryAfterSeconds();
        const auto wait =
            asked ? std::min(std::chrono::seconds(*asked), options_.longestWait) : Doubled(job.throttled + 1);
        return WaitForHost(std::move(job), why, wait);
    }
    if (!why.retryMayHelp()) return Fail(job, why);
    RetryLater(std::move(job), why);
}

void MediaRun::WaitForHost(MediaJob job, const Status& why, std::chrono::seconds wait) {
    if (job.throttled >= options_.busyAnswers) {
        const std::string times = ", " + std::to_string(job.throttled + 1) + " times";
        return Fail(job, Status(why.kind(), why.text() + times).WithHttpStatus(why.httpStatus()));
    }
    ++job.throttled;
    const auto now = Clock::now();
    pacing_.SlowDown(job.host, now + wait);
    job.notBefore = now;
    pacing_.Retry(std::move(job));
}

void MediaRun::RetryLater(MediaJob job, const Status& why) {
    if (job.attempt >= options_.retries) return Fail(job, why);
    ++job.attempt;
    job.notBefore = Clock::now() + Doubled(job.attempt);
    pacing_.Retry(std::move(job));
}

std::string MediaRun::KeptName(const MediaJob& job, const http::Response& response) {
    if (HasExtension(job.name)) return job.name;
    const std::string extension = ExtensionForType(response.Header("Content-Type").value_or(""));
    if (extension.empty()) return job.name;
    // The longer name is handed out now, past every name in the folder and every other job's.
    return namer_.Assign(WithExtension(job.name, extension), job.url);
}

void MediaRun::Keep(const MediaJob& job, const std::string& name, const MediaFile& file) {
    ++summary_.kept;
    ++settled_;
    summary_.bytes += file.Bytes();
    Record(job, ManifestEntry{job.url, name, file.Bytes(), file.Digest(), MediaStatus::Kept, {}, job.postId});
}

void MediaRun::Fail(const MediaJob& job, const Status& why) {
    ++summary_.failed;
    FailedFiles& failed = failureReasons_[why.text()];
    if (failed.files++ == 0) failed.kind = why.kind();
    ++settled_;
    Record(job, ManifestEntry{job.url, {}, -1, {}, MediaStatus::Failed, why.text(), job.postId});
}

void MediaRun::FailHere(const MediaJob& job, const Status& why) {
    Fail(job, why);
    EndShort(why);
}

void MediaRun::EndShort(const Status& why) {
    if (!why.ok() && (summary_.status.ok() || summary_.status.Is(StatusKind::Cancelled)))
        summary_.status = why;
}

void MediaRun::Record(const MediaJob& job, ManifestEntry entry) {
    manifest_.Set(job.slot, std::move(entry));
    unjournaled_ += manifest_.Line(job.slot);
    unsaved_ = true;
}

Status MediaRun::Journal() {
    // A line may say a file is kept only once its name has reached the disk.
    // A folder that can't be synced is no reason to stop: nothing else can be done there.
    (void)keptNames_.Sync();
    if (Status appended = journal_->Append(unjournaled_); !appended.ok()) return appended;
    unjournaled_.clear();
    if (journal_->Bytes() < std::max(options_.replaceManifestAfter, savedBytes_)) return Status::Ok();
    return Consolidate();
}

Status MediaRun::Consolidate() {
    if (Status saved = SaveManifest(); !saved.ok()) return saved;
    return journal_->Discard();
}

void MediaRun::Finish() {
    if (!unsaved_) return;
    // Into the journal first: should the manifest's replacement then fail (a
    // full disk), the lines are there for the next run all the same.
    if (!unjournaled_.empty()) EndShort(Journal());
    if (unsaved_) EndShort(Consolidate());
}

Status MediaRun::SaveManifest() {
    // One run at a time keeps a folder: older leftovers are a killed run's.
    Status saved = manifest_.Save(manifestPath_, files_, startedAt_);
    if (!saved.ok()) return saved;
    unsaved_ = false;
    unjournaled_.clear();
    savedBytes_ = manifest_.Bytes();
    return Status::Ok();
}

void MediaRun::Report(bool now, std::chrono::seconds waiting) {
    const auto at = Clock::now();
    if (!now && at - lastReport_ < kProgressEvery) return;
    lastReport_ = at;
    MediaProgress progress;
    progress.toKeep = static_cast<int>(planned_) + summary_.alreadyThere;
    progress.kept = summary_.kept + summary_.alreadyThere;
    progress.bytes = received_;
    for (const auto& [id, transfer] : running_) progress.bytes += transfer.file->Bytes();
    const double seconds = std::chrono::duration<double>(at - started_).count();
    if (seconds > 0) progress.bytesPerSecond = static_cast<double>(progress.bytes) / seconds;
    if (settled_ > 0 && settled_ < planned_) {
        progress.timeLeft = std::chrono::seconds(static_cast<long long>(
            std::ceil(seconds / static_cast<double>(settled_) * static_cast<double>(planned_ - settled_))));
    }
    progress.waiting = waiting;
    host_.Progress(progress);
}

}  // namespace

http::TransferLimits MediaOptions::DefaultLimits() {
    http::TransferLimits limits;
    limits.maxBodyBytes = kLargestFile;
    limits.maxRedirects = 10;
    return limits;
}

http::ClientOptions MediaClientOptions(const MediaOptions& options) {
    http::ClientOptions client;
    client.maxConnectionsPerHost = std::clamp(options.jobs, 1, kMostJobs);
    return client;
}

MediaSummary KeepMedia(const MediaOptions& options, http::HttpClient& client, FileOps& files,
                       IMediaHost& host) {
    MediaRun run(options, client, files, host);
    return run.Run();
}

}  // namespace qv::media
