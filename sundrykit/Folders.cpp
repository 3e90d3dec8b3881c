// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

#include "Application.h"
#include "Error.h"
#include "Sundrykit.h"

namespace qv {

bool skRegisterAppPath() {
    // Remember where the program lives, so that a launcher written later can
    // find the executable after the user moved it.
    const Application& app = App();
    if (app.ExeFolder.empty()) return false;
    std::string dataHome;
    try {
        dataHome = skGetSpecialFolder(sfAppData);
    } catch (const Error&) {
        return false;  // no home folder: nowhere to remember it
    }
    const std::string folder = skBuildFileName(dataHome, app.VendorName + "/" + app.ProductName);
    if (!skCreateComplexDirectory(folder)) return false;
    std::ofstream out(skBuildFileName(folder, "AppPath"), std::ios::trunc);
    out << skBuildFileName(app.ExeFolder, app.ExeName) << '\n';
    return static_cast<bool>(out);
}

bool skIsInIDE() { return false; }

std::string skGetSpecialFolder(int folder) {
    if (folder != sfAppData) throw Error(5, "Unknown special folder " + std::to_string(folder));
    if (const char* dataHome = std::getenv("XDG_DATA_HOME"); dataHome && dataHome[0] == '/') return dataHome;
    const char* home = std::getenv("HOME");
    if (!home || !*home) throw Error(76, "The home folder is not known (HOME is not set)");
    return skBuildFileName(home, ".local/share");
}

std::string skBuildFileName(const std::string& folder, const std::string& name) {
    std::string relative = name;
    for (char& c : relative)
        if (c == '\\') c = '/';
    while (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
    if (folder.empty()) return relative;
    std::string joined = folder;
    while (joined.size() > 1 && joined.back() == '/') joined.pop_back();
    if (relative.empty()) return joined;
    if (joined.back() != '/') joined += '/';
    return joined + relative;
}

bool skCreateComplexDirectory(const std::string& path) {
    if (path.empty()) return false;
    // Walk down from the root so every missing parent is made on the way.
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = slash == std::string::npos ? path : path.substr(0, slash);
        if (!prefix.empty() && mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string skGetFilePath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace qv
