#include "DatedJournal.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "PageJournal.h"
#include "TargetLock.h"

namespace qv::cli {

namespace fs = std::filesystem;

bool IsDatedBackupName(const std::string& name, const std::string& address) {
    // " 2026-12-07 16-36-00.xml": '#' stands for a digit.
    static const std::string kStamp = " ####-##-## ##-##-##.xml";
    if (name.size() != address.size() + kStamp.size() || !name.starts_with(address)) return false;
    for (size_t i = 0; i < kStamp.size(); ++i) {
        const char c = name[address.size() + i];
        if (kStamp[i] == '#' ? !std::isdigit(static_cast<unsigned char>(c)) : c != kStamp[i]) return false;
    }
    return true;
}

std::optional<std::string> TakeOverDatedJournal(const std::string& target, const std::string& address) {
    const fs::path own(PageJournal::FolderFor(target));
    std::error_code error;
    if (fs::exists(fs::symlink_status(own, error))) return std::nullopt;
    const fs::path folder = own.parent_path().empty() ? fs::path(".") : own.parent_path();

    // The stamp sorts as the time does: the greatest name is the newest run.
    std::optional<fs::path> newest;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const std::string suffix = ".partial";
        if (!name.ends_with(suffix) || entry->path() == own) continue;
        if (!IsDatedBackupName(name.substr(0, name.size() - suffix.size()), address)) continue;
        if (!entry->is_directory(error) || entry->is_symlink(error)) continue;
        if (!newest || entry->path().filename() > newest->filename()) newest = entry->path();
    }
    if (!newest) return std::nullopt;

    // A run that still writes that journal keeps it.
    const std::string earlierTarget = newest->string().substr(0, newest->string().size() - 8);
    TargetLock earlier(earlierTarget);
    if (std::string why; !earlier.Take(why)) return std::nullopt;
    fs::rename(*newest, own, error);
    if (error) return std::nullopt;
    return newest->string();
}

}  // namespace qv::cli
