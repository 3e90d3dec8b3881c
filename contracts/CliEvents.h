// SPDX-License-Identifier: GPL-3.0-or-later
// What quillvault-cli --json says to the program that runs it: one JSON
// object a line on standard error, each naming its event and its command.
// The names are written here once, for the command line that writes them
// and the Library that reads them; the README lists which event has which
// fields. An end's status is the failure's KindName (Status.h), or "ok".
#pragma once

namespace qv::events {

namespace event {
inline constexpr const char* kStart = "start";
inline constexpr const char* kProgress = "progress";
inline constexpr const char* kWait = "wait";
inline constexpr const char* kStage = "stage";
inline constexpr const char* kNotice = "notice";
inline constexpr const char* kWarning = "warning";
inline constexpr const char* kError = "error";
inline constexpr const char* kEnd = "end";
}  // namespace event

// A command as its events name it, and (but for the backup run, the program's
// own) as the command line names it after the program's name.
namespace command {
inline constexpr const char* kBackup = "backup";
inline constexpr const char* kMedia = "media";
inline constexpr const char* kHtml = "html";
inline constexpr const char* kHelp = "help";  // only in a usage error
inline constexpr const char* kSignIn = "sign-in";  // only in a usage error
// A backup run of the posts a blog liked: its events are a backup run's.
inline constexpr const char* kLikes = "likes";
}  // namespace command

// Why a wait event waits.
namespace reason {
inline constexpr const char* kThrottled = "throttled";  // the service asked to slow down
inline constexpr const char* kRetry = "retry";          // before asking again after a failure
inline constexpr const char* kBusyHost = "busy-host";   // a media host asked to wait
}  // namespace reason

// The API a backup run reads the blog through, as start and end name it.
namespace api {
inline constexpr const char* kReadApi = "v1";
inline constexpr const char* kV2 = "v2";
}  // namespace api

namespace field {
// Every event.
inline constexpr const char* kEvent = "event";
inline constexpr const char* kCommand = "command";
// start
inline constexpr const char* kAddress = "address";
inline constexpr const char* kTarget = "target";
inline constexpr const char* kIncremental = "incremental";
inline constexpr const char* kVersion = "version";
inline constexpr const char* kApi = "api";  // and end: "v1" the read API, "v2" the v2 API
inline constexpr const char* kBackup = "backup";
inline constexpr const char* kFolder = "folder";
// progress
inline constexpr const char* kPage = "page";
inline constexpr const char* kPages = "pages";
inline constexpr const char* kPosts = "posts";
inline constexpr const char* kTotal = "total";
inline constexpr const char* kBytes = "bytes";
inline constexpr const char* kRate = "rate";
inline constexpr const char* kEta = "eta";
inline constexpr const char* kFiles = "files";
inline constexpr const char* kOf = "of";
// wait, stage, notice, warning, error
inline constexpr const char* kReason = "reason";
inline constexpr const char* kSeconds = "seconds";
inline constexpr const char* kText = "text";
// end
inline constexpr const char* kStatus = "status";
inline constexpr const char* kExit = "exit";
inline constexpr const char* kSaved = "saved";
inline constexpr const char* kAdded = "added";
inline constexpr const char* kTitle = "title";
inline constexpr const char* kName = "name";
inline constexpr const char* kAnnounced = "announced";
inline constexpr const char* kShortfall = "shortfall";
inline constexpr const char* kSummary = "summary";
inline constexpr const char* kKept = "kept";
inline constexpr const char* kAlready = "already";
inline constexpr const char* kMissing = "missing";
inline constexpr const char* kFailed = "failed";
inline constexpr const char* kExternal = "external";
inline constexpr const char* kReasons = "reasons";
inline constexpr const char* kKind = "kind";
inline constexpr const char* kIndex = "index";
inline constexpr const char* kWritten = "written";
inline constexpr const char* kUnchanged = "unchanged";
inline constexpr const char* kRemoved = "removed";
}  // namespace field

}  // namespace qv::events
