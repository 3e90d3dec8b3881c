// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnattendedRun.h"

#include <ctime>
#include <filesystem>

#include "ApiOptions.h"
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

runpolicy::UnattendedPolicy PolicyOf(const CliOptions& options) {
    runpolicy::UnattendedPolicy policy;
    policy.dated = options.addDateTime;
    policy.restart = options.restart;
    policy.rules = {options.retries, std::chrono::seconds(options.retryDelaySeconds),
                    std::chrono::seconds(options.maxWaitSeconds)};
    policy.requestsPerMinute = options.rate;
    policy.prefetch = options.prefetch;
    policy.proxy = RunProxy(options.proxy);
    policy.v2Hint = V2Hint();
    return policy;
}

// The passwords the keyring keeps for the blog, and the v2 API's key, secret
// and token, where the arguments gave none.
Status ReadKeyring(BackupOptions& request) {
    if (request.reader != Reader::ReadApi) {
        if (Status read = ReadApiKeyring(request.v2); !read.ok()) return read;
    }
    if (request.reader == Reader::V2) return Status::Ok();  // no account, no blog password
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

// A saved backup joins the Library's list, with what a later update needs (never a password).
void RecordInLibrary(const CliOptions& options, const runpolicy::UnattendedOutcome& outcome, Output& output) {
    const BackupResult& result = outcome.result;
    const Result<std::string> folder = catalog::UserDataFolder();
    if (!folder) return output.Warning("The backup is not in the Library's list: " + folder.status().text());
    catalog::CatalogEntry entry =
        catalog::SavedNow(options.backup.XMLFileName, options.backup.GroupAddress, result.Title,
                          result.PostsInBackup, result.ReportedTotal);
    entry.email = options.backup.EMail;
    entry.blogPassword = !options.backup.Password2.empty();
    entry.proxy = catalog::ProxyChoice(options.proxy);
    entry.api = outcome.reader == Reader::V2 ? catalog::kApiV2 : catalog::kApiV1;
    entry.signedIn = outcome.reader == Reader::V2 && options.backup.v2.Signed();
    const catalog::Changed recorded = catalog::Record(*folder, entry);
    if (recorded.setAside) output.Warning(*recorded.setAside);
    if (!recorded.ok()) output.Warning("The backup is not in the Library's list: " + recorded.status.text());
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
    // The Library lists backups of a blog's posts; its updates would not read likes.
    if (status.ok() && !options.backup.v2.likes) RecordInLibrary(options, outcome, output);
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

Status TakeBackupTarget(CliOptions& options) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const Result<std::string> target = ResolveOutputFile(options, local);
    if (!target) return target.status();
    std::error_code ignored;
    options.backup.XMLFileName = std::filesystem::absolute(*target, ignored).lexically_normal().string();
    return Status::Ok();
}

int RunBackupCommand(CliOptions options, Output& output) {
    if (options.keyring) {
        Status read = ReadKeyring(options.backup);
        if (read.ok()) read = CheckApiRequest(options.backup);
        if (!read.ok()) {
            output.Failed(events::command::kBackup, read);
            return ExitStatusFor(read);
        }
    }
    return ReportingFailures(output, events::command::kBackup, [&] { return Backup(options, output); });
}

}  // namespace qv::cli
