#include "UnattendedRun.h"

#include <ctime>
#include <exception>
#include <memory>

#include "CommandLine.h"
#include "Console.h"
#include "DatedJournal.h"
#include "Error.h"
#include "HtmlCommand.h"
#include "Interrupt.h"
#include "MediaCommand.h"
#include "PageJournal.h"
#include "Progress.h"
#include "ProxyOverlay.h"
#include "QtSettingsStore.h"
#include "RequestPacer.h"
#include "TargetLock.h"
#include "Unattended.h"
#include "modPasswordCryptor.h"
#include "modTumblrInteraction.h"

namespace qv::cli {

namespace {

int WrongUsage(std::ostream& err, const std::string& problem) {
    err << kProgramName << ": " << problem << ". Try '" << kProgramName << " --help'.\n" << std::flush;
    return kExitUsage;
}

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

MediaCommandOptions MediaAfterBackup(const CliOptions& options, const std::string& target) {
    MediaCommandOptions media;
    media.backupFile = target;
    media.mediaFolder = options.mediaFolder;
    media.jobs = options.jobs;
    media.retries = options.retries;
    media.retryDelaySeconds = options.retryDelaySeconds;
    media.quiet = options.quiet;
    return media;
}

// Outside calls that fail (the settings store, the system) raise; the caller reports them.
int Backup(const CliOptions& options, const std::string& target, Console& console) {
    StopSignal::Install();
    Application& app = App();
    UseQtSettingsStore(app);
    // The window's proxy setup may hold a password, stored scrambled.
    app.ScramblePassword = Scramble;
    app.UnscramblePassword = Unscramble;
    if (options.proxy) OverlayProxySettings(app, *options.proxy);

    TransferProgress progress(console, StopSignal::Requested);
    SignalAwareWaiter waiter;
    RequestPacer pacer(waiter, RequestPacer::IntervalForRate(options.rate));
    const RetryRules rules{options.retries, std::chrono::seconds(options.retryDelaySeconds),
                           std::chrono::seconds(options.maxWaitSeconds)};
    const ScopedPresenter presenter(std::make_shared<UnattendedPresenter>(
        console, rules, waiter, [] { return Traffic().PieceCount; }, StopSignal::Requested, &pacer));

    BackupOptions backup;
    backup.ProgressCallback = &progress;
    backup.XMLFileName = target;
    backup.XMLBaseFileName = options.incremental;
    backup.GroupAddress = options.address;
    backup.EMail = options.email;
    backup.Password = options.password;
    backup.Password2 = options.blogPassword;
    backup.ApplyNTFSCompression = options.compress;
    backup.Extras.Pacer = &pacer;
    backup.Extras.SplitUnparseablePages = true;
    backup.Extras.Prefetch = options.prefetch;

    // The lock and the journal live beside the target: a folder that can't
    // take the backup is said as such first.
    if (!TargetCanBeSaved(target, progress)) return kExitFailure;
    TargetLock lock(target);
    if (std::string why; !lock.Take(why)) {
        console.Message(std::string(kProgramName) + ": " + why + ".");
        return kExitFailure;
    }
    // A full run keeps its pages, so that an interrupted one goes on where it stopped.
    std::optional<PageJournal> journal;
    if (options.incremental.empty()) {
        if (options.addDateTime) {
            if (const auto earlier = TakeOverDatedJournal(target, options.address))
                console.Message("The pages an interrupted run kept in " + *earlier + " go on into this one.");
        }
        const bool credentials =
            (!options.email.empty() && !options.password.empty()) || !options.blogPassword.empty();
        journal.emplace(target, options.address, credentials, options.restart,
                        [&console](const std::string& text) { console.Message(text); });
        backup.Extras.Journal = &*journal;
    }

    const BackupResult result = RunBackup(backup, progress);
    console.EndProgress();
    if (result.Success) {
        int status = kExitSuccess;
        // Kept media come first when both are asked for, so that the pages show them.
        if (options.media) status = KeepBackupMedia(MediaAfterBackup(options, target), console);
        if (options.html && status != kExitCancelled) {
            HtmlCommandOptions html;
            html.backupFile = target;
            html.mediaFolder = options.mediaFolder;
            html.quiet = options.quiet;
            const int written = WriteSiteAndReport(html, console);
            if (status == kExitSuccess) status = written;
        }
        return status;
    }
    if (journal && journal->HoldsPages())
        console.Message("The pages received so far are kept in " + journal->Folder() +
                        "; the next run goes on from there (--restart starts afresh).");
    if (StopSignal::Requested()) {
        console.Message("Cancelled; the backup file was not written.");
        return kExitCancelled;
    }
    return kExitFailure;
}

}  // namespace

int RunUnattended(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                  bool errIsTerminal) {
    if (argc > 1 && std::string(argv[1]) == kMediaCommand)
        return RunMediaCommand(argc - 1, argv + 1, out, err, errIsTerminal);
    if (argc > 1 && std::string_view(argv[1]) == "html")
        return RunHtmlCommand(argc - 1, argv + 1, out, err, errIsTerminal);
    const ParseOutcome parsed = ParseCommandLine(argc, argv, ProcessEnvironment());
    switch (parsed.kind) {
        case ParseOutcome::Help:
            out << parsed.text << std::flush;
            return kExitSuccess;
        case ParseOutcome::Version:
            out << parsed.text << '\n' << std::flush;
            return kExitSuccess;
        case ParseOutcome::Usage:
            return WrongUsage(err, parsed.text);
        case ParseOutcome::Run:
            break;
    }
    const CliOptions& options = parsed.options;
    std::string why;
    const std::optional<std::string> target = ResolveOutputFile(options, LocalNow(), why);
    if (!target) return WrongUsage(err, why);

    Console console(out, err, errIsTerminal, options.quiet);
    return ReportingFailures(console, [&] { return Backup(options, *target, console); });
}

int ReportingFailures(Console& console, const std::function<int()>& work) {
    try {
        return work();
    } catch (const Error& error) {
        console.Message(std::string(kProgramName) + ": " + error.what() + " (error " +
                        std::to_string(error.Number()) + ")");
    } catch (const std::exception& error) {
        console.Message(std::string(kProgramName) + ": " + error.what());
    }
    return kExitFailure;
}

}  // namespace qv::cli
