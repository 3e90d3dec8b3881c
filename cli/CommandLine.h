// SPDX-License-Identifier: GPL-3.0-or-later
// What a backup run asks for, read with CLI11. Passwords come only from
// the environment or from files: an argument would show in the process list.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "Http.h"
#include "MediaRun.h"
#include "Output.h"
#include "ServiceApi.h"
#include "Status.h"
#include "modTumblrInteraction.h"

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace qv::cli {

inline constexpr const char* kProgramName = "quillvault-cli";

struct CliOptions {
    // The run's request, filled here once; its XMLFileName once the output is resolved.
    BackupOptions backup;
    std::string output;  // as given: a file, or a folder to propose the name in
    bool addDateTime = false;
    // Unset: whatever the window's proxy setup stored.
    std::optional<ProxySettings> proxy;
    int retries = 3;
    int retryDelaySeconds = 5;
    // Waits for a throttling service may add up to this before the run gives up.
    long long maxWaitSeconds = 6 * 3600;
    // Requests a minute at most; 0: as fast as the service answers.
    int rate = 0;
    // Pages asked for ahead of the one being merged (full runs).
    int prefetch = 0;
    // Start a full backup afresh instead of continuing an interrupted one.
    bool restart = false;
    // Keep the saved backup's media beside it after the run.
    bool media = false;
    // Where the media are kept ("": beside the backup), and how many files at once.
    std::string mediaFolder;
    int jobs = media::kDefaultJobs;
    // After a run that saved, write the offline view of the saved file.
    bool html = false;
    // The passwords are kept in the desktop's keyring: read them there.
    bool keyring = false;
};

// "90", "90s", "30m", "6h": a duration in seconds; nullopt when it is none.
std::optional<long long> ParseDuration(const std::string& text);

// A password, key or token kept in a file: its text without the one line
// break that ends it. FileSystem, naming the file as `what`, when it can't be read.
Result<std::string> ReadSecretFile(const std::string& path, const std::string& what = "password file");

// Reads an environment variable; nullopt when it is not set.
using EnvironmentReader = std::function<std::optional<std::string>(const std::string&)>;
EnvironmentReader ProcessEnvironment();

// The v2 API's options as given: the reader asked for and the files of the
// application's key and secret.
struct ApiArguments {
    std::string api = "auto";
    std::string keyFile;
    std::string secretFile;
};

// A backup run's arguments as CLI11 reads them, before they are checked.
struct BackupArguments {
    CliOptions options;
    std::string passwordFile;
    std::string blogPasswordFile;
    std::string proxyUrl;
    std::string maxWait = "6h";
    std::string refused;  // a password given as an argument, never used
    ApiArguments api;
};

// Declares a backup run's options on `app`.
void DeclareBackupOptions(CLI::App& app, BackupArguments& arguments, OutputChoice& output);
// Why CLI11 could not read them, in one line that never holds a password.
// `program` is the app that read them, or the program's that holds them.
std::string BackupUsageProblem(const CLI::App& program, const CLI::ParseError& error);
// The options of a run, read by `program`: checked and completed from the
// password files, the environment and the proxy asked for. Usage, with a
// one-line hint, when they can't be run as given.
Status TakeBackupOptions(const CLI::App& program, BackupArguments& arguments, const EnvironmentReader& environment);

// The options of a backup run of the posts a blog liked, read by `app`:
// as a backup run's, through the v2 API only.
Status TakeLikesOptions(const CLI::App& app, BackupArguments& arguments, const EnvironmentReader& environment);

// "http://[user@]host[:port][/]" or "host[:port]"; Usage for anything else,
// and for a password in it.
Result<ProxySettings> ParseProxyUrl(const std::string& url);

// The file to write: `output` itself, or the proposed name inside it when it
// is a folder. Usage when the two cannot be combined.
Result<std::string> ResolveOutputFile(const CliOptions& options, const std::tm& localNow);

}  // namespace qv::cli
