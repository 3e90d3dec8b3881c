// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnattendedRun.h"

#include <ctime>
#include <filesystem>
#include <string_view>

#include "CommandLine.h"
#include "HtmlCommand.h"
#include "Interrupt.h"
#include "JsonOutput.h"
#include "MediaCommand.h"
#include "ReportingFailures.h"
#include "StoredSettings.h"
#include "catalog/BackupCatalog.h"
#include "keyring/Keyring.h"
#include "runpolicy/UnattendedBackup.h"

namespace qv::cli {

namespace {

int WrongUsage(int argc, const char* const* argv, std::ostream& err, const std::string& problem) {
    if (WantsJson(argc, argv)) {
        JsonOutput::UsageError(err, "backup", problem);
    } else {
        err << kProgramName << ": " << problem << ". Try '" << kProgramName << " --help'.\n" << std::flush;
    }
    return kExitUsage;
}

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

runpolicy::UnattendedPolicy PolicyOf(const CliOptions& options) {
    runpolicy::UnattendedPolicy policy;
    policy.dated = options.addDateTime;
    policy.restart = options.restart;
    policy.rules = {options.retries, std::chrono::seconds(options.retryDelaySeconds),
                    std::chrono::seconds(options.maxWaitSeconds)};
    policy.requestsPerMinute = options.rate;
    policy.prefetch = options.prefetch;
    policy.proxy = RunProxy(options.proxy);
    return policy;
}

// The passwords the keyring keeps for the blog, where the arguments gave none.
Status ReadKeyring(BackupOptions& request) {
    if (!request.EMail.empty() && request.Password.empty()) {
        Result<std::string> password =
            keyring::Lookup(request.GroupAddress, request.EMail, keyring::Secret::AccountPassword);
        if (!password) return password.status();
        request.Password = *password;
    }
    if (request.Password2.empty()) {
        Result<std::string> password =
            keyring::Lookup(request.GroupAddress, request.EMail, keyring::Secret::BlogPassword);
        if (password) {
            request.Password2 = *password;
        } else if (!password.status().Is(StatusKind::NotFound)) {
            return password.status();
        }
    }
    return Status::Ok();
}

// How a later update reaches the service: the window's setup, none, or this proxy.
std::string ProxyChoice(const std::optional<ProxySettings>& proxy) {
    if (!proxy) return "";
    if (proxy->ProxyMode != ProxySettings::pmManual) return "none";
    return "http://" + (proxy->User.empty() ? "" : proxy->User + "@") + proxy->Host + ":" + std::to_string(proxy->Port);
}

// A saved backup joins the Library's list, with what a later update needs (never a password).
void RecordInLibrary(const CliOptions& options, const BackupResult& result, Output& output) {
    const Result<std::string> folder = catalog::UserDataFolder();
    if (!folder) return output.Warning("The backup is not in the Library's list: " + folder.status().text());
    catalog::CatalogEntry entry =
        catalog::SavedNow(options.backup.XMLFileName, options.backup.GroupAddress, result.Title,
                          result.PostsInBackup, result.ReportedTotal);
    entry.email = options.backup.EMail;
    entry.blogPassword = !options.backup.Password2.empty();
    entry.proxy = ProxyChoice(options.proxy);
    std::string warning;
    const Status recorded = catalog::Record(*folder, entry, &warning);
    if (!warning.empty()) output.Warning(warning);
    if (!recorded.ok()) output.Warning("The backup is not in the Library's list: " + recorded.text());
}

// The run, then the media and the offline view of what it saved when asked.
int Backup(const CliOptions& options, Output& output) {
    StopSignal::Install();
    UseStoredSettings();
    const runpolicy::UnattendedPolicy policy = PolicyOf(options);
    output.BackupStarted(options.backup);
    SignalAwareWaiter waiter;
    const runpolicy::UnattendedOutcome outcome =
        runpolicy::RunUnattendedBackup(options.backup, policy, output, waiter, StopSignal::Requested);
    const Status& status = outcome.result.status;
    if (status.ok()) RecordInLibrary(options, outcome.result, output);
    output.BackupEnded(outcome, options.backup.XMLFileName);
    if (!status.ok()) return ExitStatusFor(status);
    const std::string& target = options.backup.XMLFileName;

    Status kept;
    // Kept media come first when both are asked for, so that the pages show them.
    if (options.media) {
        MediaCommandOptions media;
        media.backupFile = target;
        media.mediaFolder = options.mediaFolder;
        media.jobs = options.jobs;
        media.retries = options.retries;
        media.retryDelaySeconds = options.retryDelaySeconds;
        media.proxy = policy.proxy;
        kept = KeepBackupMedia(media, output);
    }
    if (options.html && !kept.Is(StatusKind::Cancelled)) {
        HtmlCommandOptions html;
        html.backupFile = target;
        html.mediaFolder = options.mediaFolder;
        const Status written = WriteSiteAndReport(html, output);
        if (kept.ok()) kept = written;
    }
    return ExitStatusFor(kept);
}

}  // namespace

int RunUnattended(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                  bool errIsTerminal) {
    if (argc > 1 && std::string_view(argv[1]) == kMediaCommand)
        return RunMediaCommand(argc - 1, argv + 1, out, err, errIsTerminal);
    if (argc > 1 && std::string_view(argv[1]) == kHtmlCommand)
        return RunHtmlCommand(argc - 1, argv + 1, out, err, errIsTerminal);
    if (argc > 1 && std::string_view(argv[1]) == kHelpCommand) {
        // "help media" is "media --help"; "help" alone the program's help.
        const char* const command = argc > 2 ? argv[2] : nullptr;
        const char* const media[] = {kMediaCommand, "--help"};
        const char* const html[] = {kHtmlCommand, "--help"};
        const char* const own[] = {kProgramName, "--help"};
        if (command != nullptr && std::string_view(command) == kMediaCommand)
            return RunMediaCommand(2, media, out, err, errIsTerminal);
        if (command != nullptr && std::string_view(command) == kHtmlCommand)
            return RunHtmlCommand(2, html, out, err, errIsTerminal);
        return RunUnattended(2, own, out, err, errIsTerminal);
    }
    const ParseOutcome parsed = ParseCommandLine(argc, argv, ProcessEnvironment());
    switch (parsed.kind) {
        case ParseOutcome::Help:
            out << parsed.text << std::flush;
            return kExitSuccess;
        case ParseOutcome::Version:
            out << parsed.text << '\n' << std::flush;
            return kExitSuccess;
        case ParseOutcome::Usage:
            return WrongUsage(argc, argv, err, parsed.text);
        case ParseOutcome::Run:
            break;
    }
    CliOptions options = parsed.options;
    const Result<std::string> target = ResolveOutputFile(options, LocalNow());
    if (!target) return WrongUsage(argc, argv, err, target.status().text());
    std::error_code ignored;
    options.backup.XMLFileName = std::filesystem::absolute(*target, ignored).lexically_normal().string();

    const std::unique_ptr<Output> output = MakeOutput(options.json, out, err, errIsTerminal, options.quiet);
    if (options.keyring) {
        if (const Status read = ReadKeyring(options.backup); !read.ok()) {
            output->Failed("backup", read);
            return ExitStatusFor(read);
        }
    }
    return ReportingFailures(*output, "backup", [&] { return Backup(options, *output); });
}

}  // namespace qv::cli
