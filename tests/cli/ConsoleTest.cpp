// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>

#include "HumanOutput.h"

namespace qv::cli {
namespace {

runpolicy::BackupProgress At(int page) {
    runpolicy::BackupProgress progress;
    progress.pagesDone = page;
    progress.pages = 41;
    progress.posts = page * 50;
    progress.announced = 2000;
    progress.bytes = page * 30000;
    progress.bytesPerSecond = 310000;
    progress.timeLeft = std::chrono::seconds(23);
    return progress;
}

TEST(Progress, OnATerminalOneLineIsRedrawnInPlaceAndClearedForWhatFollows) {
    std::ostringstream out;
    std::ostringstream err;
    {
        HumanOutput output(out, err, true, false);
        output.Progress(At(12));
        output.Stage("Sorting posts in backup XML...\r\nStage 1 of 3");
        output.Warning("Something to read.");
    }
    EXPECT_EQ(err.str(),
              "\r\x1b[KPage 12 of 41 · 600 of 2,000 posts · 352 KB · 303 KB/s · 0:23 left"
              "\r\x1b[KSorting posts in backup XML... Stage 1 of 3\r\x1b[KSomething to read.\n");
}

TEST(Progress, IntoAFileOnlyTheFirstLineOfABurstAndTheLastAreWritten) {
    std::ostringstream out;
    std::ostringstream err;
    {
        HumanOutput output(out, err, false, false);
        for (int page = 1; page <= 41; ++page) output.Progress(At(page));
        output.Stage("Saving backup XML...");  // a stage only shows on a terminal
    }
    EXPECT_EQ(err.str(),
              "Page 1 of 41 · 50 of 2,000 posts · 29.3 KB · 303 KB/s · 0:23 left\n"
              "Page 41 of 41 · 2,050 of 2,000 posts · 1.2 MB · 303 KB/s · 0:23 left\n");
}

}  // namespace
}  // namespace qv::cli
