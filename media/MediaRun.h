// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the media a saved backup names in a folder beside it: what is not
// kept yet is fetched, several files at once, each written whole or not at
// all, and every outcome is recorded on disk the moment it is known (in the
// journal beside manifest.tsv, which is replaced now and then and whenever a
// run ends). A run stopped at any point loses nothing already kept; the next
// one goes on.
// Failures go into the manifest and the summary; nothing here asks the user.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FileOps.h"
#include "Http.h"
#include "Status.h"
#include "http/HttpClient.h"

namespace qv::media {

inline constexpr int kDefaultJobs = 4;
inline constexpr int kMostJobs = 16;
inline constexpr std::int64_t kLargestFile = 1024 * http::kMiB;

struct MediaOptions {
    std::string backupFile;
    // "" : beside the backup, named after it (backupfiles::MediaFolder).
    std::string mediaFolder;
    // Transfers at once, and at once to any one host (1 to kMostJobs).
    int jobs = kDefaultJobs;
    // Further attempts at a failed file, the first after `retryDelay`, each
    // pause twice the last; a host's Retry-After counts instead, at most
    // `longestWait`. A host that can't be found or reached gets as many
    // attempts for all its files together; then every file of it fails.
    int retries = 3;
    // A host that keeps saying it is busy (429, 503) is waited out this many
    // times for one file, without using up its retries.
    int busyAnswers = 10;
    std::chrono::seconds retryDelay{5};
    std::chrono::seconds longestWait{600};
    // Silence, speed floor, size cap (kLargestFile) and redirects of each transfer.
    http::TransferLimits limits = DefaultLimits();
    std::string userAgent;
    std::shared_ptr<const ProxySettings> proxy;
    // manifest.tsv is replaced during a run once the journal holds this many
    // bytes and as many as the manifest itself: the manifest is rewritten
    // ever more rarely as it grows, so a run writes in proportion to its files.
    std::size_t replaceManifestAfter = 64 * 1024;

    static http::TransferLimits DefaultLimits();
};

// Where a run stands, for a progress line.
struct MediaProgress {
    int toKeep = 0;          // every file address
    int kept = 0;            // kept earlier or by this run
    std::int64_t bytes = 0;  // received by this run
    double bytesPerSecond = 0;
    std::optional<std::chrono::seconds> timeLeft;
    // Nothing moves for this long: a host asked us to wait, or the files
    // that are left wait for a retry.
    std::chrono::seconds waiting{0};
    bool hostAsked = false;  // the wait is one a host asked for (429, 503)
    std::string waitCause;   // else the failure a retry waits out
};

// The front end's side of a run; everything is called on the run's thread.
class IMediaHost {
public:
    virtual ~IMediaHost() = default;
    virtual void Progress(const MediaProgress& progress) = 0;
    virtual bool StopRequested() = 0;
    // Sleeps; answers false when a stop came first.
    virtual bool Wait(std::chrono::milliseconds duration) = 0;
};

// How many of the commonest failure reasons a summary names.
inline constexpr std::size_t kFailureReasonsNamed = 3;

struct FailureReason {
    std::string reason;  // as the manifest's status gives it after "failed: "
    int files = 0;
    StatusKind kind = StatusKind::Network;  // of the failure of these files

    bool operator==(const FailureReason&) const = default;
};

struct MediaSummary {
    std::string folder;
    // The folder and manifest were ready and the transfers began; the counts mean something.
    bool started = false;
    int kept = 0;          // by this run
    int alreadyThere = 0;  // kept earlier, and still there
    int missing = 0;
    int failed = 0;
    int external = 0;
    std::int64_t bytes = 0;  // of the files this run kept
    // Why this run's failed files failed: the kFailureReasonsNamed commonest,
    // most files first (equal counts in the order of their text).
    std::vector<FailureReason> commonestFailures;
    // Why the run ended short: Cancelled for a stop; UnreadableXml or
    // NotBlogXml for a backup it can't read, Busy for a folder another run
    // holds, FileSystem for a folder it can't write to. Ok when it ran its
    // course, whatever became of the files (see `failed`).
    Status status;

    bool AllSettled() const { return status.ok() && failed == 0; }
};

// `client` should allow `options.jobs` connections per host (MediaClientOptions).
MediaSummary KeepMedia(const MediaOptions& options, http::HttpClient& client, FileOps& files,
                       IMediaHost& host);

http::ClientOptions MediaClientOptions(const MediaOptions& options);

}  // namespace qv::media
