#include "UnattendedRun.h"

#include <ctime>
#include <exception>
#include <memory>

#include "CommandLine.h"
#include "Console.h"
#include "Error.h"
#include "HtmlCommand.h"
#include "Interrupt.h"
#include "Progress.h"
#include "ProxyOverlay.h"
#include "QtSettingsStore.h"
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
    const ScopedPresenter presenter(std::make_shared<UnattendedPresenter>(
        console, RetryRules{options.retries, std::chrono::seconds(options.retryDelaySeconds)}, waiter,
        [] { return Traffic().PieceCount; }, StopSignal::Requested));

    BackupOptions backup;
    backup.ProgressCallback = &progress;
    backup.XMLFileName = target;
    backup.XMLBaseFileName = options.incremental;
    backup.GroupAddress = options.address;
    backup.EMail = options.email;
    backup.Password = options.password;
    backup.Password2 = options.blogPassword;
    backup.ApplyNTFSCompression = options.compress;

    const BackupResult result = RunBackup(backup, progress);
    console.EndProgress();
    if (result.Success) {
        // Kept media come first when both are asked for, so that the pages show them.
        if (options.html) {
            HtmlCommandOptions html;
            html.backupFile = target;
            html.quiet = options.quiet;
            return WriteSiteAndReport(html, console);
        }
        return kExitSuccess;
    }
    if (StopSignal::Requested()) {
        console.Message("Cancelled; nothing was written.");
        return kExitCancelled;
    }
    return kExitFailure;
}

}  // namespace

int RunUnattended(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                  bool errIsTerminal) {
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
    try {
        return Backup(options, *target, console);
    } catch (const Error& error) {
        console.Message(std::string(kProgramName) + ": " + error.what() + " (error " +
                        std::to_string(error.Number()) + ")");
    } catch (const std::exception& error) {
        console.Message(std::string(kProgramName) + ": " + error.what());
    }
    return kExitFailure;
}

}  // namespace qv::cli
