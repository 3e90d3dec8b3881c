// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/DailyUpdate.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "catalog/UpdateCommand.h"
#include "files/AtomicFile.h"
#include "schedule/CommandQuoting.h"
#include "schedule/Systemctl.h"

namespace qv::schedule {

namespace {

constexpr std::size_t kLongestReadablePart = 48;

// FNV-1a: the same on every machine and in every build, unlike std::hash.
std::uint32_t PathHash(const std::string& path) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : path) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

// The file's name without its extension, every run of other characters than
// letters, digits, '.', '_' and '-' made one '_'.
std::string ReadablePart(const std::string& path) {
    std::string stem = std::filesystem::path(path).stem().string();
    std::string part;
    for (const char c : stem) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '.' || c == '_' || c == '-';
        if (kept) {
            part += c;
        } else if (part.empty() || part.back() != '_') {
            part += '_';
        }
    }
    while (!part.empty() && part.front() == '.') part.erase(0, 1);
    if (part.size() > kLongestReadablePart) part.resize(kLongestReadablePart);
    return part.empty() ? "backup" : part;
}

std::string TimerFile(const ScheduledBackup& backup) { return UnitFolder() + "/" + UnitName(backup) + ".timer"; }
std::string ServiceFile(const ScheduledBackup& backup) {
    return UnitFolder() + "/" + UnitName(backup) + ".service";
}
std::string WantsLink(const ScheduledBackup& backup) {
    return UnitFolder() + "/timers.target.wants/" + UnitName(backup) + ".timer";
}

Status WriteUnit(const std::string& path, const std::string& text) {
    FileSaveOptions options;
    options.privateNewFile = true;  // it names the account's e-mail address
    return AtomicFileWriter::Save(path, text, SystemFileOps(), options).Within("Can't write " + path + ": ");
}

Status RemoveFile(const std::string& path) {
    if (unlink(path.c_str()) == 0 || errno == ENOENT) return Status::Ok();
    return Status(StatusKind::FileSystem, "Can't remove " + path + ": " + std::strerror(errno));
}

Status RemoveUnits(const ScheduledBackup& backup) {
    for (const std::string& file : {WantsLink(backup), TimerFile(backup), ServiceFile(backup)}) {
        if (Status removed = RemoveFile(file); !removed.ok()) return removed;
    }
    return Status::Ok();
}

// systemd runs a program by its absolute path, and refuses one whose path
// holds a quote, a backslash or a control character, however it is quoted.
bool SystemdRunsProgramAt(const std::string& path) {
    if (!path.starts_with('/')) return false;
    for (const char c : path) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '"' || c == '\'' || c == '\\') return false;
    }
    return true;
}

const char* const kWrittenBy =
    "# Written by Quillvault Library for \"Update every day\"; unticking it there removes this file.\n";

}  // namespace

std::vector<std::string> UpdateCommand(const ScheduledBackup& backup) {
    std::vector<std::string> words = {backup.cliProgram};
    const std::vector<std::string> arguments =
        catalog::UpdateArguments(backup.entry, {"--media", "--html", "-q"}, catalog::Passwords::FromKeyring);
    words.insert(words.end(), arguments.begin(), arguments.end());
    return words;
}

std::string UnitName(const ScheduledBackup& backup) {
    char hash[9];
    std::snprintf(hash, sizeof hash, "%08x", static_cast<unsigned>(PathHash(backup.entry.path)));
    return "quillvault-update-" + ReadablePart(backup.entry.path) + "-" + hash;
}

std::string ServiceUnitText(const ScheduledBackup& backup) {
    return std::string(kWrittenBy) +
           "[Unit]\n"
           "Description=Update the Quillvault backup of " + UnitText(backup.entry.address) + " in " +
           UnitText(backup.entry.path) +
           "\n"
           "Documentation=man:quillvault-cli(1)\n"
           "\n"
           "[Service]\n"
           "Type=oneshot\n"
           "ExecStart=" + ExecStartLine(UpdateCommand(backup)) +
           "\n"
           "Nice=10\n";
}

std::string TimerUnitText(const ScheduledBackup& backup) {
    return std::string(kWrittenBy) +
           "[Unit]\n"
           "Description=Daily update of the Quillvault backup of " + UnitText(backup.entry.address) +
           "\n"
           "\n"
           "[Timer]\n"
           "OnCalendar=daily\n"
           "Persistent=true\n"
           // Spread the runs of many users over the night rather than all at midnight.
           "RandomizedDelaySec=30min\n"
           "\n"
           "[Install]\n"
           "WantedBy=timers.target\n";
}

std::string CrontabLine(const ScheduledBackup& backup) {
    std::string line = "@daily ";
    // Without a service manager, a cron job finds the keyring only on the
    // session bus at its usual place.
    if (catalog::NeedsPassword(backup.entry) || catalog::ThroughV2(backup.entry)) {
        line += "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/" + std::to_string(getuid()) + "/bus ";
    }
    return line + CrontabCommand(UpdateCommand(backup));
}

std::string UnitFolder() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
        return std::string(config) + "/systemd/user";
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) return "";
    return std::string(home) + "/.config/systemd/user";
}

Status Enable(const ScheduledBackup& backup) {
    if (!SystemdRunsProgramAt(backup.cliProgram)) {
        return Status(StatusKind::Usage, "systemd can't run quillvault-cli as \"" + backup.cliProgram +
                                             "\": it needs an absolute path without quotes or backslashes.");
    }
    const std::string folder = UnitFolder();
    if (folder.empty()) return Status(StatusKind::FileSystem, "The home folder is not known (HOME is not set).");
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return Status(StatusKind::FileSystem, "Can't make the folder " + folder + ": " + error.message());
    if (Status written = WriteUnit(ServiceFile(backup), ServiceUnitText(backup)); !written.ok()) return written;
    if (Status written = WriteUnit(TimerFile(backup), TimerUnitText(backup)); !written.ok()) {
        (void)RemoveUnits(backup);  // the write's failure is what went wrong
        return written;
    }
    Status asked = RunSystemctl({"daemon-reload"});
    if (asked.ok()) asked = RunSystemctl({"enable", "--now", UnitName(backup) + ".timer"});
    if (!asked.ok()) {
        // A unit left behind would read as scheduled while nothing runs it.
        (void)RemoveUnits(backup);
        return asked;
    }
    return Status::Ok();
}

Status Disable(const ScheduledBackup& backup) {
    const bool scheduled = IsEnabled(backup);
    // The units go whatever disabling said: once they are removed, the reload forgets the timer.
    if (scheduled) (void)RunSystemctl({"disable", "--now", UnitName(backup) + ".timer"});
    if (Status removed = RemoveUnits(backup); !removed.ok()) return removed;
    if (scheduled) return RunSystemctl({"daemon-reload"});
    return Status::Ok();
}

bool IsEnabled(const ScheduledBackup& backup) {
    const std::string folder = UnitFolder();
    return !folder.empty() && access(TimerFile(backup).c_str(), F_OK) == 0;
}

}  // namespace qv::schedule
