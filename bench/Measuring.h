// SPDX-License-Identifier: GPL-3.0-or-later
// What the benchmarks share: elapsed time, this process's peak memory, and
// measurements made in a fresh process of the benchmark's own.
#pragma once

#include <sys/resource.h>
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

// The processor time this process has had, in user space and in the kernel,
// its threads together: on a machine busy with other work, a steadier measure
// than the time that passed.
inline double CpuMilliseconds() {
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& time) { return time.tv_sec * 1000.0 + time.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct ChildFigures {
    double milliseconds = -1;
    long peakKb = -1;
    double cpuMilliseconds = -1;  // when the child printed it
};

// Runs this benchmark again as "<exe> mode 'file' 'argument'" and reads the
// "milliseconds peakKb [cpuMilliseconds]" line it prints, so that each
// measurement pays the same start-up costs and its peak memory is its own.
inline ChildFigures InChild(const std::string& mode, const std::string& file, const std::string& argument) {
    const std::string command =
        "/proc/" + std::to_string(getpid()) + "/exe " + mode + " '" + file + "' '" + argument + "'";
    FILE* child = popen(command.c_str(), "r");
    if (!child) throw std::runtime_error("can't start the measuring process");
    ChildFigures figures;
    if (std::fscanf(child, "%lf %ld", &figures.milliseconds, &figures.peakKb) != 2) figures.milliseconds = -1;
    if (std::fscanf(child, "%lf", &figures.cpuMilliseconds) != 1) figures.cpuMilliseconds = -1;
    pclose(child);
    return figures;
}

}  // namespace qv::bench
