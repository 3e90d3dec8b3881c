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
#include "catalog/UpdateCommand.h"
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

runpolicy::UnattendedBackupOptions BackupOf(const CliOptions& options, const std::string& target) {
    runpolicy::UnattendedBackupOptions backup;
    backup.target = target;
    backup.incremental = options.incremental;
    backup.address = options.address;
    backup.email = options.email;
    backup.password = options.password;
    backup.blogPassword = options.blogPassword;
    backup.compress = options.compress;
    backup.dated = options.addDateTime;
    backup.restart = options.restart;
    backup.rules = {options.retries, std::chrono::seconds(options.retryDelaySeconds),
                    std::chrono::seconds(options.maxWaitSeconds)};
    backup.requestsPerMinute = options.rate;
    backup.prefetch = options.prefetch;
    backup.proxy = RunProxy(options.proxy);
    return backup;
}

// The passwords the keyring keeps for the blog, where the arguments gave none.
Status ReadKeyring(CliOptions& options) {
    if (!options.email.empty() && options.password.empty()) {
        Result<std::string> password =
            keyring::Lookup(options.address, options.email, keyring::Secret::AccountPassword);
        if (!password) return password.status();
        options.password = *password;
    }
    if (options.blogPassword.empty()) {
        Result<std::string> password = keyring::Lookup(options.address, options.email, keyring::Secret::BlogPassword);
        if (password) {
            options.blogPassword = *password;
        } else if (!password.status().Is(StatusKind::NotFound)) {
            return password.status();
        }
    }
    return Status::Ok();
}

// A saved backup joins the Library's list, with what a later update needs (never a password).
void RecordInLibrary(const CliOptions& options, const std::string& saved, const BackupResult& result,
                     Output& output) {
    const Result<std::string> folder = catalog::UserDataFolder();
    if (!folder) return output.Warning("The backup is not in the Library's list: " + folder.status().text());
    catalog::CatalogEntry entry =
        catalog::SavedNow(saved, options.address, result.Title, result.PostsInBackup, result.ReportedTotal);
    entry.email = options.email;
    entry.blogPassword = !options.blogPassword.empty();
    entry.proxy = catalog::ProxyChoice(options.proxy);
    const catalog::Changed recorded = catalog::Record(*folder, entry);
    if (recorded.setAside) output.Warning(*recorded.setAside);
    if (!recorded.ok()) output.Warning("The backup is not in the Library's list: " + recorded.status.text());
}

// The run, then the media and the offline view of what it saved when asked.
int Backup(const CliOptions& options, const std::string& target, Output& output) {
    StopSignal::Install();
    UseStoredSettings();
    std::error_code ignored;
    const std::string saved = std::filesystem::absolute(target, ignored).lexically_normal().string();
    const runpolicy::UnattendedBackupOptions backup = BackupOf(options, saved);
    output.BackupStarted(backup);
    SignalAwareWaiter waiter;
    const runpolicy::UnattendedOutcome outcome =
        runpolicy::RunUnattendedBackup(backup, output, waiter, StopSignal::Requested);
    if (outcome.status.ok()) RecordInLibrary(options, saved, outcome.result, output);
    output.BackupEnded(outcome, saved);
    if (!outcome.status.ok()) return ExitStatusFor(outcome.status);

    Status status;
    // Kept media come first when both are asked for, so that the pages show them.
    if (options.media) {
        MediaCommandOptions media;
        media.backupFile = target;
        media.mediaFolder = options.mediaFolder;
        media.jobs = options.jobs;
        media.retries = options.retries;
        media.retryDelaySeconds = options.retryDelaySeconds;
        media.proxy = backup.proxy;
        status = KeepBackupMedia(media, output);
    }
    if (options.html && !status.Is(StatusKind::Cancelled)) {
        HtmlCommandOptions html;
        html.backupFile = target;
        html.mediaFolder = options.mediaFolder;
        const Status written = WriteSiteAndReport(html, output);
        if (status.ok()) status = written;
    }
    return ExitStatusFor(status);
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

    const std::unique_ptr<Output> output = MakeOutput(options.json, out, err, errIsTerminal, options.quiet);
    if (options.keyring) {
        if (const Status read = ReadKeyring(options); !read.ok()) {
            output->Failed("backup", read);
            return ExitStatusFor(read);
        }
    }
    return ReportingFailures(*output, "backup", [&] { return Backup(options, *target, *output); });
}

}  // namespace qv::cli
