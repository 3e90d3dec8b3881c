// SPDX-License-Identifier: GPL-3.0-or-later
// The process-wide description of the program that many outside calls take:
// its title, version and where its executable lives.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace qv {

class SettingsStore;

struct Application {
    std::string Title;        // "Corvane - Quillvault"
    std::string ProductName;  // "Quillvault"
    std::string VendorName;   // "Quarrytide": the folder that groups the maker's per-user data
    int Major = 0;
    int Minor = 0;
    int Revision = 0;
    std::string ExeFolder;  // folder of the running executable, no trailing separator
    std::string ExeName;    // file name of the running executable

    // Where settings live is the front end's choice (the window and the command
    // line use the same store); a program that sets none has no stored settings.
    std::function<std::unique_ptr<SettingsStore>()> MakeSettingsStore;

    // How stored passwords are scrambled and read back. A program that sets
    // none keeps no password in its settings.
    std::function<std::string(const std::string&)> ScramblePassword;
    std::function<std::string(const std::string&)> UnscramblePassword;
};

// "2.0.41"
std::string VersionText(const Application& app);
// "Quillvault 2.0.41": what the program's files and requests say made them.
std::string ProgramVersion(const Application& app);

// The one application object of this process (filled from /proc/self/exe on first use).
Application& App();

}  // namespace qv
