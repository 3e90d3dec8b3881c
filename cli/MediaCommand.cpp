#include "MediaCommand.h"

#include <exception>
#include <memory>

#include "Application.h"
#include "CommandLine.h"
#include "Error.h"
#include "Http.h"
#include "Interrupt.h"
#include "Manifest.h"
#include "MediaRun.h"
#include "ProxyOverlay.h"
#include "QtSettingsStore.h"
#include "Sundrykit.h"
#include "UnattendedRun.h"
#include "modPasswordCryptor.h"

namespace qv::cli {

namespace {

using Clock = std::chrono::steady_clock;

// Plain lines go to files and mail: a new one only now and then.
constexpr std::chrono::seconds kPlainLineEvery{10};

std::string Duration(std::chrono::seconds left) {
    const long long total = left.count();
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    }
    return text;
}

class MediaProgressLine : public media::IMediaHost {
public:
    explicit MediaProgressLine(Console& console) : console_(console) {}

    void Progress(const media::MediaProgress& progress) override {
        const auto now = Clock::now();
        if (!console_.Terminal() && now - lastLine_ < kPlainLineEvery && progress.kept < progress.toKeep)
            return;
        lastLine_ = now;
        std::string line = "Media: " + skFormatLong(progress.kept) + " of " + skFormatLong(progress.toKeep) +
                           " files kept, " + skFormatByteSize(static_cast<double>(progress.bytes)) + ", " +
                           skFormatByteSize(progress.bytesPerSecond) + "/s";
        if (progress.waiting.count() > 0) {
            line += ", waiting " + std::to_string(progress.waiting.count()) + " s as a server asked";
        } else if (progress.timeLeft) {
            line += ", " + Duration(*progress.timeLeft) + " left";
        }
        console_.Progress(line);
    }

    bool StopRequested() override { return StopSignal::Requested(); }
    bool Wait(std::chrono::milliseconds duration) override { return waiter_.Wait(duration); }

private:
    Console& console_;
    SignalAwareWaiter waiter_;
    Clock::time_point lastLine_{};
};

// The failed count is followed by its commonest reasons, as the manifest words them.
std::string SummaryText(const media::MediaSummary& summary) {
    std::string text = "Media kept in " + summary.folder + "\n" +                       //
                       "Kept:          " + skFormatLong(summary.kept) + "\n" +          //
                       "Already there: " + skFormatLong(summary.alreadyThere) + "\n" +  //
                       "Missing:       " + skFormatLong(summary.missing) + "\n" +       //
                       "Failed:        " + skFormatLong(summary.failed) + "\n";
    for (const media::FailureReason& failure : summary.commonestFailures) {
        media::ManifestEntry failed;
        failed.status = media::MediaStatus::Failed;
        failed.reason = failure.reason;
        text += "  " + skFormatLong(failure.files) + " " + media::StatusText(failed) + "\n";
    }
    return text + "External:      " + skFormatLong(summary.external) + "\n" +  //
           "Bytes:         " + skFormatByteSizeEx(static_cast<double>(summary.bytes));
}

// The proxy the window set up (or the command line laid over it).
std::shared_ptr<const ProxySettings> StoredProxy() {
    auto proxy = std::make_shared<ProxySettings>();
    proxy->Load(kProxySection, App(), true);
    return proxy;
}

}  // namespace

int KeepBackupMedia(const MediaCommandOptions& options, Console& console) {
    StopSignal::Install();
    media::MediaOptions run;
    run.backupFile = options.backupFile;
    run.mediaFolder = options.mediaFolder;
    run.jobs = options.jobs;
    run.retries = options.retries;
    run.retryDelay = std::chrono::seconds(options.retryDelaySeconds);
    run.userAgent = HttpRequest::MakeUserAgent(App());
    run.proxy = StoredProxy();

    http::HttpClient client(media::MediaClientOptions(run));
    MediaProgressLine progress(console);
    const media::MediaSummary summary = media::KeepMedia(run, client, SystemFileOps(), progress);
    console.EndProgress();

    if (!summary.started) {
        console.Message(std::string(kProgramName) + ": " + summary.error);
        return kExitFailure;
    }
    console.Summary(SummaryText(summary));
    if (!summary.error.empty()) {
        console.Message(std::string(kProgramName) + ": " + summary.error);
        return kExitFailure;
    }
    if (summary.stopped) {
        console.Message("Stopped; every file kept so far stays, and the next run goes on from there.");
        return kExitCancelled;
    }
    if (summary.failed > 0) {
        console.Message(skFormatLong(summary.failed) + (summary.failed == 1 ? " file" : " files") +
                        " failed (see manifest.tsv); the next run tries again.");
        return kExitFailure;
    }
    return kExitSuccess;
}

int RunMediaCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                    bool errIsTerminal) {
    const MediaParseOutcome parsed = ParseMediaCommandLine(argc, argv);
    switch (parsed.kind) {
        case MediaParseOutcome::Help:
            out << parsed.text << std::flush;
            return kExitSuccess;
        case MediaParseOutcome::Usage:
            err << kProgramName << " " << kMediaCommand << ": " << parsed.text << ". Try '" << kProgramName
                << " " << kMediaCommand << " --help'.\n"
                << std::flush;
            return kExitUsage;
        case MediaParseOutcome::Run:
            break;
    }
    Console console(out, err, errIsTerminal, parsed.options.quiet);
    return ReportingFailures(console, [&] {
        Application& app = App();
        UseQtSettingsStore(app);
        app.UnscramblePassword = Unscramble;
        return KeepBackupMedia(parsed.options, console);
    });
}

}  // namespace qv::cli
