// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupFiles.h"

#include <algorithm>
#include <cctype>

namespace qv::backupfiles {

namespace {

const std::string kJournalSuffix = ".partial";

}  // namespace

std::string WithoutXmlExtension(const std::string& backup) {
    static const std::string kXml = ".xml";
    if (backup.size() < kXml.size()) return backup;
    const auto tail = backup.end() - static_cast<std::ptrdiff_t>(kXml.size());
    const bool isXml = std::equal(tail, backup.end(), kXml.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
    // "folder/.xml" is no extension but the whole name.
    if (!isXml || tail == backup.begin() || *(tail - 1) == '/') return backup;
    return std::string(backup.begin(), tail);
}

std::string JournalFolder(const std::string& backup) { return backup + kJournalSuffix; }

std::string LockFile(const std::string& backup) { return backup + ".lock"; }

std::string MediaFolder(const std::string& backup) { return WithoutXmlExtension(backup) + ".media"; }

std::string SiteFolder(const std::string& backup) { return WithoutXmlExtension(backup) + ".html"; }

std::string ProposedName(const std::string& address, bool addDateTime, const std::tm& localNow) {
    std::string name = address;
    if (addDateTime) {
        char stamp[32];
        std::strftime(stamp, sizeof stamp, " %Y-%m-%d %H-%M-%S", &localNow);
        name += stamp;
    }
    return name + ".xml";
}

bool IsDatedName(const std::string& name, const std::string& address) {
    // " 2026-12-07 16-36-00.xml": '#' stands for a digit.
    static const std::string kStamp = " ####-##-## ##-##-##.xml";
    if (name.size() != address.size() + kStamp.size() || !name.starts_with(address)) return false;
    for (size_t i = 0; i < kStamp.size(); ++i) {
        const char c = name[address.size() + i];
        if (kStamp[i] == '#' ? !std::isdigit(static_cast<unsigned char>(c)) : c != kStamp[i]) return false;
    }
    return true;
}

std::string BackupOfJournal(const std::string& folder) {
    if (folder.size() <= kJournalSuffix.size() || !folder.ends_with(kJournalSuffix)) return "";
    return folder.substr(0, folder.size() - kJournalSuffix.size());
}

}  // namespace qv::backupfiles
