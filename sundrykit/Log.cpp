// SPDX-License-Identifier: GPL-3.0-or-later
#include <ctime>
#include <fstream>
#include <string>

#include "Application.h"
#include "Error.h"
#include "Sundrykit.h"

namespace qv {

namespace {

void WriteLogLine(const char* level, const std::string& message) {
    // The log is a diagnostic aid: a log that cannot be written must never
    // stop the operation that is being logged.
    std::string path;
    try {
        path = skLogFilePath();
    } catch (const Error&) {
        return;  // no home folder: nowhere to log to
    }
    skCreateComplexDirectory(skGetFilePath(path));
    std::ofstream log(path, std::ios::app);
    if (!log) return;

    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

    // Line breaks of our own messages become blanks; anything else that could
    // drive the terminal of whoever reads the log is replaced.
    std::string line = message;
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    line = skPrintable(line);
    log << stamp << ' ' << level << ' ' << line << '\n';
}

}  // namespace

std::string skLogFilePath() {
    const Application& app = App();
    return skBuildFileName(skGetSpecialFolder(sfAppData),
                           app.VendorName + "/" + app.ProductName + "/" + app.ProductName + ".log");
}

void skLogWarning(const std::string& message) { WriteLogLine("WARNING", message); }
void skLogError(const std::string& message) { WriteLogLine("ERROR", message); }

}  // namespace qv
