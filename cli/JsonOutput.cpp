// SPDX-License-Identifier: GPL-3.0-or-later
#include "JsonOutput.h"

#include "Application.h"
#include "Console.h"

namespace qv::cli {

namespace {

using json = nlohmann::ordered_json;

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
    json object = {{"event", event}, {"command", command_}};
    object.update(fields);
    Write(err_, std::move(object));
}

void JsonOutput::Ended(const Status& status, json fields) {
    fields["status"] = KindName(status.kind());
    fields["exit"] = ExitStatusFor(status);
    if (!status.ok()) fields["text"] = Text(status.text());
    Emit("end", std::move(fields));
}

void JsonOutput::Progress(const runpolicy::BackupProgress& progress) {
    Emit("progress", {{"page", progress.pagesDone},
                      {"pages", OrNull(progress.pages)},
                      {"posts", progress.posts},
                      {"total", OrNull(progress.announced)},
                      {"bytes", progress.bytes},
                      {"rate", static_cast<int64_t>(progress.bytesPerSecond)},
                      {"eta", progress.timeLeft ? json(progress.timeLeft->count()) : json()}});
}

void JsonOutput::Stage(const std::string& text) { Emit("stage", {{"text", Text(text)}}); }

void JsonOutput::Notice(const std::string& text) { Emit("notice", {{"text", Text(text)}}); }

void JsonOutput::Warning(const std::string& text) { Emit("warning", {{"text", Text(text)}}); }

void JsonOutput::Error(const std::string& text) { Emit("error", {{"text", Text(text)}}); }

void JsonOutput::Waiting(runpolicy::WaitReason reason, std::chrono::seconds wait, const std::string& text) {
    Emit("wait", {{"reason", reason == runpolicy::WaitReason::Throttled ? "throttled" : "retry"},
                  {"seconds", wait.count()},
                  {"text", Text(text)}});
}

void JsonOutput::Summary(const std::string& text) { summary_ = text; }

void JsonOutput::BackupStarted(const BackupOptions& request) {
    command_ = "backup";
    Emit("start", {{"address", request.GroupAddress},
                   {"target", Text(request.XMLFileName)},
                   {"incremental", !request.XMLBaseFileName.empty()},
                   {"version", VersionText(App())}});
}

void JsonOutput::BackupEnded(const runpolicy::UnattendedOutcome& outcome, const std::string& saved) {
    const BackupResult& result = outcome.result;
    json fields = {{"pages", result.Pages},
                   {"seconds", std::chrono::duration_cast<std::chrono::seconds>(outcome.duration).count()}};
    const Status& status = result.status;
    if (status.ok()) {
        fields["saved"] = Text(saved);
        fields["posts"] = result.PostsInBackup;
        fields["added"] = result.PostsAdded;
        fields["title"] = Text(result.Title);
        fields["name"] = Text(result.Name);
        fields["announced"] = OrNull(result.ReportedTotal);
        fields["shortfall"] = result.ReportedTotal && *result.ReportedTotal > result.PostsInBackup
                                  ? json(*result.ReportedTotal - result.PostsInBackup)
                                  : json(0);
        fields["bytes"] = static_cast<int64_t>(result.Traffic.BytesReceived);
        fields["summary"] = Text(summary_);
    }
    Ended(status, std::move(fields));
}

void JsonOutput::MediaStarted(const std::string& backup, const std::string& folder) {
    command_ = "media";
    Emit("start", {{"backup", Text(backup)}, {"folder", Text(folder)}});
}

void JsonOutput::MediaProgress(const media::MediaProgress& progress) {
    const bool waiting = progress.waiting.count() > 0;
    if (waiting && !mediaWaiting_)
        Emit("wait", {{"reason", "busy-host"},
                      {"seconds", progress.waiting.count()},
                      {"text", "A media server asked to wait " + std::to_string(progress.waiting.count()) + " s."}});
    mediaWaiting_ = waiting;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress_ < kProgressEvery && progress.kept < progress.toKeep) return;
    lastProgress_ = now;
    Emit("progress", {{"files", progress.kept},
                      {"of", progress.toKeep},
                      {"bytes", progress.bytes},
                      {"rate", static_cast<int64_t>(progress.bytesPerSecond)},
                      {"eta", progress.timeLeft ? json(progress.timeLeft->count()) : json()}});
}

void JsonOutput::MediaEnded(const media::MediaSummary& summary, const Status& status) {
    json fields = {{"folder", Text(summary.folder)}};
    if (summary.started) {
        fields.update({{"kept", summary.kept},
                       {"already", summary.alreadyThere},
                       {"missing", summary.missing},
                       {"failed", summary.failed},
                       {"external", summary.external},
                       {"bytes", summary.bytes}});
        json reasons = json::array();
        for (const media::FailureReason& failure : summary.commonestFailures)
            reasons.push_back({{"reason", Text(failure.reason)},
                               {"files", failure.files},
                               {"kind", KindName(failure.kind)}});
        fields["reasons"] = std::move(reasons);
    }
    Ended(status, std::move(fields));
}

void JsonOutput::HtmlStarted(const std::string& backup, const std::string& folder) {
    command_ = "html";
    Emit("start", {{"backup", Text(backup)}, {"folder", Text(folder)}});
}

void JsonOutput::HtmlProgress(std::size_t postsDone, std::size_t posts) {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress_ < kProgressEvery && postsDone < posts) return;
    lastProgress_ = now;
    Emit("progress", {{"posts", postsDone}, {"of", posts}});
}

void JsonOutput::HtmlEnded(const HtmlWritten& written, const Status& status) {
    json fields = {{"written", written.pagesWritten},
                   {"unchanged", written.pagesUnchanged},
                   {"removed", written.pagesRemoved}};
    if (!written.indexFile.empty()) fields["index"] = Text(written.indexFile);
    Ended(status, std::move(fields));
}

void JsonOutput::Failed(const char* command, const Status& status) {
    command_ = command;
    Ended(status, json::object());
}

void JsonOutput::UsageError(std::ostream& err, const char* command, const std::string& text) {
    Write(err, {{"event", "end"},
                {"command", command},
                {"status", KindName(StatusKind::Usage)},
                {"exit", ExitStatusFor(Status(StatusKind::Usage, text))},
                {"text", Text(text)}});
}

}  // namespace qv::cli
