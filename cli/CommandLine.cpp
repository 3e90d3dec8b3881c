// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "ApiOptions.h"
#include "CommonOptions.h"
#include "FileOps.h"
#include "MediaRun.h"
#include "PasswordVariables.h"
#include "blogaddress/BlogAddress.h"
#include "backupfiles/BackupFiles.h"
#include "Sundrykit.h"

namespace qv::cli {

namespace {

// CLI11 would list the unexpected words as they were typed, and a password
// typed by mistake is one of them: name stray options, only count the rest.
std::string DescribeExtras(const std::vector<std::string>& extras) {
    std::string options;
    bool words = false;
    for (const std::string& extra : extras) {
        if (extra.size() > 1 && extra.front() == '-') {
            options += (options.empty() ? "" : ", ") + extra.substr(0, extra.find('='));
        } else {
            words = true;
        }
    }
    std::string text;
    if (!options.empty()) text = "unknown option " + options;
    if (words) text += std::string(text.empty() ? "" : "; ") + "only one blog address is taken";
    return text.empty() ? "unexpected arguments" : text;
}

// The engine's sentences as part of a one-line usage hint.
std::string LowerFirst(std::string sentence) {
    if (!sentence.empty()) sentence.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(sentence.front())));
    if (sentence.ends_with('.')) sentence.pop_back();
    return sentence;
}

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    port = std::stoi(text);
    return port > 0 && port < 65536;
}

std::string PasswordRefusal() {
    return "passwords are not taken as arguments: set " + std::string(kPasswordVariable) + " or " +
           kBlogPasswordVariable + ", or use --password-file or --blog-password-file";
}

}  // namespace

Result<std::string> ReadSecretFile(const std::string& path, const std::string& what) {
    std::string secret;
    if (SystemFileOps().ReadFile(path, secret) != 0)
        return Status(StatusKind::FileSystem, "can't read the " + what + " " + path + ": " + std::strerror(errno));
    // Editors and `echo` end the file with a line break that is no part of the secret.
    if (secret.ends_with("\r\n")) {
        secret.resize(secret.size() - 2);
    } else if (secret.ends_with('\n')) {
        secret.pop_back();
    }
    return secret;
}

EnvironmentReader ProcessEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr) return std::nullopt;
        return std::string(value);
    };
}

Result<ProxySettings> ParseProxyUrl(const std::string& url) {
    const auto refuse = [](const std::string& why) { return Status(StatusKind::Usage, why).RetryWontHelp(); };
    std::string rest = url;
    if (const auto scheme = rest.find("://"); scheme != std::string::npos) {
        std::string name = rest.substr(0, scheme);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (name != "http") return refuse("--proxy takes an http:// proxy only");
        rest.erase(0, scheme + 3);
    }
    if (rest.ends_with('/')) rest.pop_back();
    if (rest.find('/') != std::string::npos) return refuse("--proxy takes a proxy address without a path");
    std::string user;
    if (const auto at = rest.rfind('@'); at != std::string::npos) {
        user = rest.substr(0, at);
        rest.erase(0, at + 1);
        if (user.find(':') != std::string::npos)
            return refuse("a proxy password is not taken on the command line: set " +
                          std::string(kProxyPasswordVariable));
    }
    std::string host = rest;
    std::string portText;
    bool hasPort = false;
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        host = close == std::string::npos ? "" : rest.substr(0, close + 1);
        const std::string tail = close == std::string::npos ? "" : rest.substr(close + 1);
        hasPort = !tail.empty();
        portText = tail.starts_with(':') ? tail.substr(1) : tail;
    } else if (const auto colon = rest.find(':'); colon != std::string::npos) {
        host = rest.substr(0, colon);
        hasPort = true;
        portText = rest.substr(colon + 1);
    }
    int port = 80;  // what a URL without a port means for http
    if (host.empty() || (hasPort && !ParsePort(portText, port)))
        return refuse("--proxy names no usable proxy (http://host:port)");
    ProxySettings proxy;
    proxy.ProxyMode = ProxySettings::pmManual;
    proxy.Host = host;
    proxy.Port = port;
    proxy.User = user;
    return proxy;
}

void DeclareBackupOptions(CLI::App& app, BackupArguments& arguments, OutputChoice& output) {
    CliOptions& options = arguments.options;
    app.add_option("BLOG_ADDRESS", options.backup.GroupAddress,
                   "The blog's address, a host name such as myblog.example.com (as typed in the window)")
        ->required();
    app.add_option("-o,--output", options.output,
                   "The backup file to write; in an existing folder the name is the blog's address")
        ->type_name("PATH")
        ->required();
    app.add_option("-i,--incremental", options.backup.XMLBaseFileName,
                   "Extend this earlier backup (may be the output itself)")
        ->type_name("FILE");
    app.add_option("-e,--email", options.backup.EMail,
                   "The account's e-mail address (password: " + std::string(kPasswordVariable) +
                       " or --password-file)")
        ->type_name("ADDRESS");
    app.add_option("--password-file", arguments.passwordFile, "Read the account's password from FILE")
        ->type_name("FILE");
    app.add_option("--blog-password-file", arguments.blogPasswordFile,
                   "Read the password of a protected blog from FILE (or set " +
                       std::string(kBlogPasswordVariable) + ")")
        ->type_name("FILE");
    app.add_flag("-d,--add-date-time", options.addDateTime,
                 "Add the date and time to the proposed file name (-o is a folder)");
    app.add_flag("--compress", options.backup.ApplyNTFSCompression, "Ask the file system to compress the saved file");
    CLI::Option* proxy =
        app.add_option("--proxy", arguments.proxyUrl,
                       "Use this HTTP proxy, http://[user@]host[:port], with the password in " +
                           std::string(kProxyPasswordVariable) + " (default: the window's proxy setup)")
            ->type_name("URL");
    CLI::Option* noProxy =
        app.add_flag("--no-proxy")->description("Connect directly, whatever the window's proxy setup says");
    proxy->excludes(noProxy);
    app.add_option("--retries", options.retries, "Retry a failed page this many times, then give up")
        ->check(CLI::Range(0, 100))
        ->capture_default_str();
    app.add_option("--retry-delay", options.retryDelaySeconds,
                   "Seconds before the first retry, doubling each time (at most 600); a Retry-After of the "
                   "service counts instead")
        ->check(CLI::Range(0, 600))
        ->type_name("SECONDS")
        ->capture_default_str();
    app.add_option(
           "--max-wait", arguments.maxWait,
           "Give up when the waits for a throttling service (HTTP 429) add up to this: seconds, or with "
           "s, m or h")
        ->type_name("DURATION")
        ->capture_default_str();
    app.add_option("--rate", options.rate, "Send at most this many requests a minute (default: no limit)")
        ->check(CLI::Range(1, 60000))
        ->type_name("N");
    app.add_option("--prefetch", options.prefetch,
                   "In a full backup, ask for up to N pages beyond the one being merged at the same time")
        ->check(CLI::Range(0, 7))
        ->type_name("N")
        ->capture_default_str();
    app.add_flag("--restart", options.restart,
                 "Start a full backup from the first page, discarding what an interrupted run of it kept");
    AddQuietFlag(app, output);
    app.add_flag("--media", options.media,
                 "After saving, keep the pictures, audio and video files of the backup in a folder beside it "
                 "(see '" +
                     std::string(kProgramName) + " media --help')");
    app.add_option(
           "--media-dir", options.mediaFolder,
           "With --media or --html: the media folder (default: the backup's name with .media, beside it)")
        ->type_name("DIR");
    app.add_option("--jobs", options.jobs,
                   "With --media: files transferred at once, and connections to one host")
        ->check(CLI::Range(1, media::kMostJobs))
        ->capture_default_str();
    app.add_flag("--html", options.html,
                 "After a run that saved, write the backup's offline view (as 'html BACKUP' does)");
    AddJsonFlag(app, output);
    app.add_flag("--keyring", options.keyring,
                 "Read the account's password (for -e), the blog's password and the v2 API's key, secret and "
                 "token from the desktop's keyring, where Quillvault Library and 'sign-in --keyring' keep them");
    DeclareReaderOptions(app, arguments.api, options.backup.v2);
    DeclareApiAccessOptions(app, arguments.api, options.backup.v2);
    // Hidden: present only to refuse them without echoing the password.
    app.add_option("-p,--password,--blog-password", arguments.refused)->group("");
}

std::string BackupUsageProblem(const CLI::App& program, const CLI::ParseError& error) {
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) return DescribeExtras(program.remaining());
    if (program.count("--password") > 0) return PasswordRefusal();
    return OneLine(error.what());
}

Status TakeBackupOptions(const CLI::App& program, BackupArguments& arguments, const EnvironmentReader& environment) {
    const auto refuse = [](const std::string& why) { return Status(StatusKind::Usage, OneLine(why)).RetryWontHelp(); };
    CliOptions& options = arguments.options;
    if (program.count("--password") > 0) return refuse(PasswordRefusal());
    if (options.backup.GroupAddress.empty()) return refuse("the blog address is empty");
    if (Result<std::string> bare = BareBlogAddress(options.backup.GroupAddress))
        options.backup.GroupAddress = std::move(*bare);
    else
        return refuse(LowerFirst(bare.status().text()));
    if (const auto seconds = ParseDuration(arguments.maxWait)) {
        options.maxWaitSeconds = *seconds;
    } else {
        return refuse("--max-wait takes a duration such as 90s, 30m or 6h");
    }
    if (options.output.empty()) return refuse("--output is empty");

    // A password file that can't be read is a command line that can't be run as given.
    if (!arguments.passwordFile.empty()) {
        Result<std::string> password = ReadSecretFile(arguments.passwordFile);
        if (!password) return refuse(password.status().text());
        options.backup.Password = std::move(*password);
    } else if (auto password = environment(kPasswordVariable)) {
        options.backup.Password = *password;
    }
    if (!options.backup.EMail.empty() && options.backup.Password.empty() && !options.keyring)
        return refuse("-e needs the account's password: set " + std::string(kPasswordVariable) +
                      ", use --password-file, or --keyring");
    if (!arguments.blogPasswordFile.empty()) {
        Result<std::string> password = ReadSecretFile(arguments.blogPasswordFile);
        if (!password) return refuse(password.status().text());
        options.backup.Password2 = std::move(*password);
    } else if (auto password = environment(kBlogPasswordVariable)) {
        options.backup.Password2 = *password;
    }

    if (Status taken = TakeApiOptions(arguments.api, environment, options.backup.v2, &options.backup.reader);
        !taken.ok())
        return refuse(taken.text());
    // What the keyring keeps is known only when the run reads it.
    if (!options.keyring) {
        if (Status usable = CheckApiRequest(options.backup); !usable.ok()) return refuse(usable.text());
    }

    if (program.count("--no-proxy") > 0) {
        options.proxy = ProxySettings();
        options.proxy->ProxyMode = ProxySettings::pmNone;
    } else if (program.count("--proxy") > 0) {
        Result<ProxySettings> parsed = ParseProxyUrl(arguments.proxyUrl);
        if (!parsed) return refuse(parsed.status().text());
        ProxySettings& chosen = *parsed;
        if (!chosen.User.empty())
            if (auto password = environment(kProxyPasswordVariable)) chosen.Password = *password;
        options.proxy = chosen;
    }
    return Status::Ok();
}

Status TakeLikesOptions(const CLI::App& app, BackupArguments& arguments, const EnvironmentReader& environment) {
    const auto refuse = [](const std::string& why) { return Status(StatusKind::Usage, why).RetryWontHelp(); };
    V2Access& access = arguments.options.backup.v2;
    if (app.count("--api") > 0 && arguments.api.api != "v2") return refuse("likes are read through the v2 API only");
    if (access.drafts || access.queue) return refuse("--drafts and --queue are the blog's own posts, not its likes");
    arguments.api.api = "v2";
    access.likes = true;
    return TakeBackupOptions(app, arguments, environment);
}

std::optional<long long> ParseDuration(const std::string& text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    long long unit = 1;
    std::string digits = text;
    switch (text.back()) {
        case 's':
            digits.pop_back();
            break;
        case 'm':
            unit = 60, digits.pop_back();
            break;
        case 'h':
            unit = 3600, digits.pop_back();
            break;
        default:
            break;
    }
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    return std::stoll(digits) * unit;
}

Result<std::string> ResolveOutputFile(const CliOptions& options, const std::tm& localNow) {
    const auto refuse = [](const std::string& why) { return Status(StatusKind::Usage, why).RetryWontHelp(); };
    std::error_code ignored;
    if (std::filesystem::is_directory(options.output, ignored)) {
        const std::string name = backupfiles::ProposedName(options.backup.GroupAddress, options.addDateTime, localNow);
        if (name.find('/') != std::string::npos)
            return refuse("the blog address can't be a file name; give --output a file");
        return (std::filesystem::path(options.output) / name).string();
    }
    if (options.output.ends_with('/')) return refuse("there is no folder " + options.output);
    if (options.addDateTime)
        return refuse("--add-date-time names the file in a folder, but --output is a file");
    return options.output;
}

}  // namespace qv::cli
