// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaCommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "CommandLine.h"
#include "MediaRun.h"

namespace qv::cli {

MediaParseOutcome ParseMediaCommandLine(int argc, const char* const* argv) {
    MediaCommandOptions options;
    CLI::App app{
        "Keeps the pictures, audio and video files a saved backup names, in a folder beside it. "
        "Run again, it fetches only what is not kept yet.",
        std::string(kProgramName) + " " + kMediaCommand};
    app.set_help_flag("-h,--help", "Print this help and exit");
    app.add_option("BACKUP", options.backupFile, "The backup file, as saved")->required()->type_name("FILE");
    app.add_option("--media-dir", options.mediaFolder,
                   "Keep the files here (default: the backup's name with .media, beside it)")
        ->type_name("DIR");
    app.add_option("--jobs", options.jobs,
                   "Files transferred at once, and connections to any one host at most")
        ->check(CLI::Range(1, media::kMostJobs))
        ->capture_default_str();
    app.add_option("--retries", options.retries,
                   "Retry a failed file this many times, then give up until the next run")
        ->check(CLI::Range(0, 100))
        ->capture_default_str();
    app.add_option("--retry-delay", options.retryDelaySeconds,
                   "Seconds before the first retry, doubling each time (at most 600); a server's Retry-After "
                   "counts instead")
        ->check(CLI::Range(0, 600))
        ->type_name("SECONDS")
        ->capture_default_str();
    app.add_flag("-q,--quiet", options.quiet, "No progress on standard error");
    app.add_flag("--json", options.json, "Progress and outcome as JSON lines on standard error, for programs");

    MediaParseOutcome outcome;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        outcome.kind = MediaParseOutcome::Help;
        outcome.text = app.help();
        return outcome;
    } catch (const CLI::ParseError& error) {
        outcome.text = error.what();
        std::replace(outcome.text.begin(), outcome.text.end(), '\n', ' ');
        return outcome;
    }
    if (options.backupFile.empty()) {
        outcome.text = "the backup file is empty";
        return outcome;
    }
    outcome.kind = MediaParseOutcome::Run;
    outcome.options = std::move(options);
    return outcome;
}

}  // namespace qv::cli
