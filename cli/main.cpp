// quillvault-cli: unattended backups from a terminal or a scheduler.
#include <unistd.h>

#include <iostream>

#include "UnattendedRun.h"

int main(int argc, char** argv) {
    return qv::cli::RunUnattended(argc, argv, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
