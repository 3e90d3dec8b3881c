// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaCommand.h"

#include "Application.h"
#include "CliEvents.h"
#include "Interrupt.h"
#include "MediaRun.h"
#include "ReportingFailures.h"
#include "StoredSettings.h"
#include "Sundrykit.h"
#include "backupfiles/BackupFiles.h"

namespace qv::cli {

namespace {

class MediaHost : public media::IMediaHost {
public:
    explicit MediaHost(Output& output) : output_(output) {}

    void Progress(const media::MediaProgress& progress) override { output_.MediaProgress(progress); }
    bool StopRequested() override { return StopSignal::Requested(); }
    bool Wait(std::chrono::milliseconds duration) override { return waiter_.Wait(duration); }

private:
    Output& output_;
    SignalAwareWaiter waiter_;
};

// The run's own failure or stop; else, when files failed, the kind of their commonest failure.
Status Outcome(const media::MediaSummary& summary) {
    if (!summary.status.ok() || summary.failed == 0) return summary.status;
    const StatusKind kind =
        summary.commonestFailures.empty() ? StatusKind::Network : summary.commonestFailures.front().kind;
    return Status(kind, skFormatLong(summary.failed) + (summary.failed == 1 ? " file" : " files") +
                            " failed; the next run tries again.");
}

}  // namespace

Status KeepBackupMedia(const MediaCommandOptions& options, Output& output) {
    StopSignal::Install();
    media::MediaOptions run;
    run.backupFile = options.backupFile;
    run.mediaFolder = options.mediaFolder;
    run.jobs = options.jobs;
    run.retries = options.retries;
    run.retryDelay = std::chrono::seconds(options.retryDelaySeconds);
    run.userAgent = HttpRequest::MakeUserAgent(App());
    run.proxy = options.proxy ? options.proxy : RunProxy(std::nullopt);

    output.MediaStarted(options.backupFile, options.mediaFolder.empty() ? backupfiles::MediaFolder(options.backupFile)
                                                                        : options.mediaFolder);
    http::HttpClient client(media::MediaClientOptions(run));
    MediaHost host(output);
    const media::MediaSummary summary = media::KeepMedia(run, client, SystemFileOps(), host);
    const Status status = Outcome(summary);
    output.MediaEnded(summary, status);
    return status;
}

int RunMediaCommand(const MediaCommandOptions& options, Output& output) {
    return ReportingFailures(output, events::command::kMedia, [&] {
        UseStoredSettings();
        return ExitStatusFor(KeepBackupMedia(options, output));
    });
}

}  // namespace qv::cli
