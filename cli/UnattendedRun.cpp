// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnattendedRun.h"

#include <ctime>
#include <filesystem>

#include "CliEvents.h"
#include "HtmlCommand.h"
#include "Interrupt.h"
#include "MediaCommand.h"
#include "ReportingFailures.h"
#include "StoredSettings.h"
#include "catalog/BackupCatalog.h"
#include "catalog/UpdateCommand.h"
#include "keyring/Keyring.h"
#include "runpolicy/UnattendedBackup.h"

namespace qv::cli {

namespace {

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

Result<std::string> BackupTarget(const CliOptions& options) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ResolveOutputFile(options, local);
}

int RunBackupCommand(CliOptions options, const std::string& target, Output& output) {
    if (options.keyring) {
        if (const Status read = ReadKeyring(options); !read.ok()) {
            output.Failed(events::command::kBackup, read);
            return ExitStatusFor(read);
        }
    }
    return ReportingFailures(output, events::command::kBackup, [&] { return Backup(options, target, output); });
}

}  // namespace qv::cli
