// SPDX-License-Identifier: GPL-3.0-or-later
#include "JsonOutput.h"

#include "Application.h"
#include "Console.h"
#include "Summaries.h"
#include "runpolicy/UnattendedBackup.h"

namespace qv::cli {

namespace {

using json = nlohmann::ordered_json;
namespace event = events::event;
namespace field = events::field;
namespace command = events::command;

// Progress that moves by the block is said at most this often.
constexpr std::chrono::milliseconds kProgressEvery{250};

// Server words and file names may hold anything; line breaks are plain ones.
std::string Text(const std::string& text) { return WithNewlines(text); }

template <typename T>
json OrNull(const std::optional<T>& value) {
    return value ? json(*value) : json();
}

void Write(std::ostream& err, json object) {
    err << object.dump(-1, ' ', false, json::error_handler_t::replace) << '\n' << std::flush;
}

}  // namespace

void JsonOutput::Emit(const char* event, json fields) {
    json object = {{field::kEvent, event}, {field::kCommand, command_}};
    object.update(fields);
    Write(err_, std::move(object));
}

void JsonOutput::SayOnOutput(const std::string& text) { out_ << WithNewlines(text) << '\n' << std::flush; }

void JsonOutput::Ended(const Status& status, json fields) {
    fields[field::kStatus] = KindName(status.kind());
    fields[field::kExit] = ExitStatusFor(status);
    if (!status.ok()) fields[field::kText] = Text(status.text());
    Emit(event::kEnd, std::move(fields));
}

void JsonOutput::Progress(const runpolicy::BackupProgress& progress) {
    Emit(event::kProgress, {{field::kPage, progress.pagesDone},
                            {field::kPages, OrNull(progress.pages)},
                            {field::kPosts, progress.posts},
                            {field::kTotal, OrNull(progress.announced)},
                            {field::kBytes, progress.bytes},
                            {field::kRate, static_cast<int64_t>(progress.bytesPerSecond)},
                            {field::kEta, progress.timeLeft ? json(progress.timeLeft->count()) : json()}});
}

void JsonOutput::Stage(const std::string& text) { Emit(event::kStage, {{field::kText, Text(text)}}); }

void JsonOutput::Notice(const std::string& text) { Emit(event::kNotice, {{field::kText, Text(text)}}); }

void JsonOutput::Warning(const std::string& text) { Emit(event::kWarning, {{field::kText, Text(text)}}); }

void JsonOutput::Error(const std::string& text) { Emit(event::kError, {{field::kText, Text(text)}}); }

void JsonOutput::Waiting(runpolicy::WaitReason reason, std::chrono::seconds wait, const std::string& text) {
    Emit(event::kWait,
         {{field::kReason,
           reason == runpolicy::WaitReason::Throttled ? events::reason::kThrottled : events::reason::kRetry},
          {field::kSeconds, wait.count()},
          {field::kText, Text(text)}});
}

void JsonOutput::Summary(const std::string& text) { summary_ = text; }

void JsonOutput::BackupStarted(const BackupOptions& request) {
    command_ = command::kBackup;
    Emit(event::kStart, {{field::kAddress, request.GroupAddress},
                         {field::kTarget, Text(request.XMLFileName)},
                         {field::kIncremental, !request.XMLBaseFileName.empty()},
                         {field::kVersion, VersionText(App())},
                         {field::kApi, ApiName(runpolicy::StartingReader(request))}});
}

void JsonOutput::BackupEnded(const runpolicy::UnattendedOutcome& outcome, const std::string& saved) {
    const BackupResult& result = outcome.result;
    json fields = {
        {field::kPages, result.Pages},
        {field::kSeconds, std::chrono::duration_cast<std::chrono::seconds>(outcome.duration).count()},
        {field::kApi, ApiName(outcome.reader)}};
    const std::string summary = ReadThrough(summary_, outcome.reader);
    const Status& status = result.status;
    if (status.ok()) {
        fields[field::kSaved] = Text(saved);
        fields[field::kPosts] = result.PostsInBackup;
        fields[field::kAdded] = result.PostsAdded;
        fields[field::kTitle] = Text(result.Title);
        fields[field::kName] = Text(result.Name);
        fields[field::kAnnounced] = OrNull(result.ReportedTotal);
        fields[field::kShortfall] = result.ReportedTotal && *result.ReportedTotal > result.PostsInBackup
                                        ? json(*result.ReportedTotal - result.PostsInBackup)
                                        : json(0);
        fields[field::kBytes] = static_cast<int64_t>(result.Traffic.BytesReceived);
        fields[field::kSummary] = Text(summary);
        SayOnOutput(
            SavedSummary(summary, saved, std::chrono::duration_cast<std::chrono::seconds>(outcome.duration)));
    }
    Ended(status, std::move(fields));
}

void JsonOutput::MediaStarted(const std::string& backup, const std::string& folder) {
    command_ = command::kMedia;
    Emit(event::kStart, {{field::kBackup, Text(backup)}, {field::kFolder, Text(folder)}});
}

void JsonOutput::MediaProgress(const media::MediaProgress& progress) {
    const bool waiting = progress.waiting.count() > 0;
    if (waiting && !mediaWaiting_)
        Emit(event::kWait, {{field::kReason, events::reason::kBusyHost},
                            {field::kSeconds, progress.waiting.count()},
                            {field::kText, "A media server asked to wait " +
                                               std::to_string(progress.waiting.count()) + " s."}});
    mediaWaiting_ = waiting;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress_ < kProgressEvery && progress.kept < progress.toKeep) return;
    lastProgress_ = now;
    Emit(event::kProgress, {{field::kFiles, progress.kept},
                            {field::kOf, progress.toKeep},
                            {field::kBytes, progress.bytes},
                            {field::kRate, static_cast<int64_t>(progress.bytesPerSecond)},
                            {field::kEta, progress.timeLeft ? json(progress.timeLeft->count()) : json()}});
}

void JsonOutput::MediaEnded(const media::MediaSummary& summary, const Status& status) {
    json fields = {{field::kFolder, Text(summary.folder)}};
    if (summary.started) {
        fields.update({{field::kKept, summary.kept},
                       {field::kAlready, summary.alreadyThere},
                       {field::kMissing, summary.missing},
                       {field::kFailed, summary.failed},
                       {field::kExternal, summary.external},
                       {field::kBytes, summary.bytes}});
        json reasons = json::array();
        for (const media::FailureReason& failure : summary.commonestFailures)
            reasons.push_back({{field::kReason, Text(failure.reason)},
                               {field::kFiles, failure.files},
                               {field::kKind, KindName(failure.kind)}});
        fields[field::kReasons] = std::move(reasons);
        SayOnOutput(MediaSummaryText(summary));
    }
    Ended(status, std::move(fields));
}

void JsonOutput::HtmlStarted(const std::string& backup, const std::string& folder) {
    command_ = command::kHtml;
    Emit(event::kStart, {{field::kBackup, Text(backup)}, {field::kFolder, Text(folder)}});
}

void JsonOutput::HtmlProgress(std::size_t postsDone, std::size_t posts) {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress_ < kProgressEvery && postsDone < posts) return;
    lastProgress_ = now;
    Emit(event::kProgress, {{field::kPosts, postsDone}, {field::kOf, posts}});
}

void JsonOutput::HtmlEnded(const HtmlWritten& written, const Status& status) {
    json fields = {{field::kWritten, written.pagesWritten},
                   {field::kUnchanged, written.pagesUnchanged},
                   {field::kRemoved, written.pagesRemoved}};
    if (!written.indexFile.empty()) {
        fields[field::kIndex] = Text(written.indexFile);
        SayOnOutput(written.indexFile);
    }
    Ended(status, std::move(fields));
}

void JsonOutput::SignInStarted() {
    command_ = command::kSignIn;
    Emit(event::kStart, json::object());
}

void JsonOutput::SignInEnded(const std::string& name, const Status& status) {
    json fields = json::object();
    if (status.ok()) fields[field::kName] = Text(name);
    Ended(status, std::move(fields));
}

void JsonOutput::Failed(const char* command, const Status& status) {
    command_ = command;
    Ended(status, json::object());
}

void JsonOutput::UsageError(std::ostream& err, const char* command, const std::string& text) {
    Write(err, {{field::kEvent, event::kEnd},
                {field::kCommand, command},
                {field::kStatus, KindName(StatusKind::Usage)},
                {field::kExit, ExitStatusFor(Status(StatusKind::Usage, text))},
                {field::kText, Text(text)}});
}

}  // namespace qv::cli
