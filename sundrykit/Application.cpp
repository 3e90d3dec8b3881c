// SPDX-License-Identifier: GPL-3.0-or-later
#include "Application.h"

#include <unistd.h>

#include <climits>
#include <string>

#include "ProgramVersion.h"
#include "Sundrykit.h"

namespace qv {

namespace {

Application MakeApplication() {
    Application app;
    app.Title = "Corvane - Quillvault";
    app.ProductName = "Quillvault";
    app.VendorName = "Quarrytide";
    app.Major = kVersionMajor;
    app.Minor = kVersionMinor;
    app.Revision = kVersionRevision;

    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length > 0) {
        const std::string path(buffer, static_cast<size_t>(length));
        const auto slash = path.rfind('/');
        app.ExeFolder = slash == 0 ? "/" : path.substr(0, slash);
        app.ExeName = path.substr(slash + 1);
    }
    return app;
}

}  // namespace

std::string VersionText(const Application& app) { return skFormatVersion(app.Major, app.Minor, app.Revision); }

std::string ProgramVersion(const Application& app) { return app.ProductName + " " + VersionText(app); }

Application& App() {
    static Application app = MakeApplication();
    return app;
}

}  // namespace qv
