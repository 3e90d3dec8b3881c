// SPDX-License-Identifier: GPL-3.0-or-later
// What the benchmarks share: elapsed time, this process's peak memory, and
// measurements made in a fresh process of the benchmark's own.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace qv::bench {

using Clock = std::chrono::steady_clock;

inline double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The high-water mark of this process's resident memory. Read here rather
// than through getrusage in the parent: the fork that starts a process counts
// the parent's pages into the child's maximum.
// The middle value of several measurements (of the two middle ones, their mean).
inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

inline long PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

struct ChildFigures {
    double milliseconds = -1;
    long peakKb = -1;
};

// Runs this benchmark again as "<exe> mode 'file' 'argument'" and reads the
// "milliseconds peakKb" line it prints, so that each measurement pays the same
// start-up costs and its peak memory is its own.
inline ChildFigures InChild(const std::string& mode, const std::string& file, const std::string& argument) {
    const std::string command =
        "/proc/" + std::to_string(getpid()) + "/exe " + mode + " '" + file + "' '" + argument + "'";
    FILE* child = popen(command.c_str(), "r");
    if (!child) throw std::runtime_error("can't start the measuring process");
    ChildFigures figures;
    if (std::fscanf(child, "%lf %ld", &figures.milliseconds, &figures.peakKb) != 2) figures.milliseconds = -1;
    pclose(child);
    return figures;
}

}  // namespace qv::bench
