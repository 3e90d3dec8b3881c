// SPDX-License-Identifier: GPL-3.0-or-later
// quillvault-cli: unattended backups from a terminal or a scheduler.
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "Commands.h"

int main(int argc, char** argv) {
    // Past a file-size limit a write then fails with EFBIG like any full disk,
    // and the save reports it, instead of the process being killed mid-save.
    std::signal(SIGXFSZ, SIG_IGN);
    return qv::cli::RunCommandLine(argc, argv, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
