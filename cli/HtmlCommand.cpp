// SPDX-License-Identifier: GPL-3.0-or-later
#include "HtmlCommand.h"

#include <spawn.h>
#include <sys/wait.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>

#include "CommonOptions.h"
#include "Site.h"
#include "backupfiles/BackupFiles.h"

extern char** environ;

namespace qv::cli {

namespace {

class OutputProgress : public site::SiteProgress {
public:
    explicit OutputProgress(Output& output) : output_(output) {}
    void PostsWritten(std::size_t done, std::size_t total) override { output_.HtmlProgress(done, total); }

private:
    Output& output_;
};

// Hands the page to the desktop's browser: Unavailable unless xdg-open said it did.
Status OpenInBrowser(const std::string& page) {
    const char* const args[] = {"xdg-open", page.c_str(), nullptr};
    pid_t child = -1;
    const int started =
        posix_spawnp(&child, "xdg-open", nullptr, nullptr, const_cast<char* const*>(args), environ);
    if (started != 0)
        return Status(StatusKind::Unavailable,
                      std::string("can't start xdg-open: ") + std::strerror(started));
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return Status(StatusKind::Unavailable,
                          std::string("can't wait for xdg-open: ") + std::strerror(errno));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return Status::Ok();
    return Status(StatusKind::Unavailable, "xdg-open could not open " + page);
}

}  // namespace

Status WriteSiteAndReport(const HtmlCommandOptions& options, Output& output) {
    output.HtmlStarted(options.backupFile,
                       options.siteFolder.empty() ? backupfiles::SiteFolder(options.backupFile) : options.siteFolder);
    OutputProgress progress(output);
    site::SiteOptions site;
    site.backupFile = options.backupFile;
    site.siteFolder = options.siteFolder;
    site.mediaFolder = options.mediaFolder;
    site.remoteMedia = options.remoteMedia;
    site.progress = &progress;
    const site::SiteResult result = site::WriteSite(site);
    HtmlWritten written{result.indexFile, result.pagesWritten, result.pagesUnchanged, result.pagesRemoved};
    const Status status =
        result.status.ok() && options.open ? OpenInBrowser(result.indexFile) : result.status;
    output.HtmlEnded(written, status);
    return status;
}

void DeclareHtmlOptions(CLI::App& app, HtmlCommandOptions& options, OutputChoice& output) {
    app.set_help_flag("-h,--help", "Print this help and exit");
    app.add_option("BACKUP", options.backupFile, "The backup file (.xml)")->required();
    app.add_option("-o,--output", options.siteFolder,
                   "The folder for the pages (default: BACKUP.html beside it)")
        ->type_name("DIR");
    app.add_option("--media-dir", options.mediaFolder,
                   "The folder of kept media (default: BACKUP.media beside the backup)")
        ->type_name("DIR");
    app.add_flag("--open", options.open, "Open index.html in the desktop's browser (xdg-open)");
    app.add_flag("--remote-media", options.remoteMedia,
                 "Load pictures and sounds that are not kept from their original addresses");
    AddQuietFlag(app, output);
    AddJsonFlag(app, output);
}

int RunHtmlCommand(const HtmlCommandOptions& options, Output& output) {
    return ExitStatusFor(WriteSiteAndReport(options, output));
}

}  // namespace qv::cli
