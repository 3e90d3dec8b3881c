// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalog/BackupCatalog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "files/AtomicFile.h"
#include "Application.h"
#include "Error.h"
#include "Sundrykit.h"

namespace qv::catalog {

namespace {

using nlohmann::json;

constexpr const char* kFileName = "library.json";
constexpr int kFormat = 1;

// One entry per path, however the caller spelled it.
std::string Normal(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return (absolute.empty() ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

template <typename T>
bool Take(const json& object, const char* name, T& into) {
    const auto found = object.find(name);
    if (found == object.end() || found->is_null()) return true;
    if constexpr (std::is_same_v<T, std::string>) {
        if (!found->is_string()) return false;
    } else if constexpr (std::is_same_v<T, bool>) {
        if (!found->is_boolean()) return false;
    } else {
        if (!found->is_number_integer()) return false;
    }
    into = found->get<T>();
    return true;
}

// The entries of the file's text; nullopt when it is not a catalog of ours.
std::optional<std::vector<CatalogEntry>> Parse(const std::string& text) {
    const json document = json::parse(text, nullptr, false);
    if (!document.is_object()) return std::nullopt;
    const auto backups = document.find("backups");
    if (backups == document.end() || !backups->is_array()) return std::nullopt;
    std::vector<CatalogEntry> entries;
    for (const json& item : *backups) {
        if (!item.is_object()) return std::nullopt;
        CatalogEntry entry;
        std::int64_t announced = -1;
        const bool wellFormed = Take(item, "path", entry.path) && Take(item, "address", entry.address) &&
                                Take(item, "title", entry.title) && Take(item, "updated", entry.updated) &&
                                Take(item, "posts", entry.posts) && Take(item, "announced", announced) &&
                                Take(item, "email", entry.email) &&
                                Take(item, "blogPassword", entry.blogPassword) && Take(item, "proxy", entry.proxy) &&
                                Take(item, "api", entry.api) && Take(item, "signedIn", entry.signedIn);
        if (!wellFormed || entry.path.empty()) return std::nullopt;
        if (announced >= 0) entry.announced = announced;
        entries.push_back(std::move(entry));
    }
    return entries;
}

json ToJson(const CatalogEntry& entry) {
    json item = {{"path", entry.path},   {"address", entry.address}, {"title", entry.title},
                 {"updated", entry.updated}, {"posts", entry.posts},  {"email", entry.email},
                 {"blogPassword", entry.blogPassword}, {"proxy", entry.proxy}, {"api", entry.api},
                 {"signedIn", entry.signedIn}};
    item["announced"] = entry.announced ? json(*entry.announced) : json(nullptr);
    return item;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Renames a damaged catalog to a name of its own beside it; answers the warning.
std::string SetAside(const std::string& file, FileOps& files) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string aside = file + ".damaged-" + stamp;
    for (int n = 2; Exists(aside); ++n) aside = file + ".damaged-" + stamp + "-" + std::to_string(n);
    if (files.Rename(file, aside) != 0)
        return file + " is damaged and could not be set aside (" + std::strerror(errno) +
               "); the list of backups starts empty.";
    return file + " was damaged; it was set aside as " + aside + " and the list of backups starts empty.";
}

struct Read {
    std::vector<CatalogEntry> entries;
    std::optional<std::string> setAside;
    Status status;
};

Read ReadFile(const std::string& dataFolder, FileOps& files) {
    Read read;
    const std::string file = CatalogFile(dataFolder);
    std::string text;
    if (files.ReadFile(file, text) != 0) {
        if (errno != ENOENT)  // nothing recorded yet is no failure
            read.status = Status(StatusKind::FileSystem, "Can't read " + file + ": " + std::strerror(errno));
        return read;
    }
    if (auto entries = Parse(text)) {
        read.entries = std::move(*entries);
    } else {
        read.setAside = SetAside(file, files);
    }
    return read;
}

// Holds library.json.lock for one change of the catalog.
class ChangeLock {
public:
    explicit ChangeLock(const std::string& dataFolder) {
        const std::string path = skBuildFileName(dataFolder, std::string(kFileName) + ".lock");
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            error_ = "Can't open " + path + ": " + std::strerror(errno);
            return;
        }
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            error_ = "Can't lock " + path + ": " + std::strerror(errno);
            return;
        }
    }
    ~ChangeLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    ChangeLock(const ChangeLock&) = delete;
    ChangeLock& operator=(const ChangeLock&) = delete;

    const std::string& Error() const { return error_; }

private:
    int fd_ = -1;
    std::string error_;
};

Status Write(const std::string& dataFolder, const std::vector<CatalogEntry>& entries, FileOps& files) {
    json backups = json::array();
    for (const CatalogEntry& entry : entries) backups.push_back(ToJson(entry));
    const json document = {{"format", kFormat}, {"backups", std::move(backups)}};
    std::string text;
    try {
        text = document.dump(2) + "\n";
    } catch (const json::type_error&) {
        return Status(StatusKind::Usage, "A backup's path or address is not UTF-8 text.");
    }
    const std::string file = CatalogFile(dataFolder);
    FileSaveOptions options;
    options.privateNewFile = true;
    return AtomicFileWriter::Save(file, text, files, options);
}

// Reads, changes and writes the catalog under its lock.
template <typename Change>
Changed Update(const std::string& dataFolder, FileOps& files, Change change) {
    if (!skCreateComplexDirectory(dataFolder))
        return {Status(StatusKind::FileSystem, "Can't create or open the data folder " + dataFolder), {}};
    const ChangeLock lock(dataFolder);
    if (!lock.Error().empty()) return {Status(StatusKind::FileSystem, lock.Error()), {}};
    Read read = ReadFile(dataFolder, files);
    if (!read.status.ok()) return {read.status, read.setAside};
    if (!change(read.entries)) return {Status::Ok(), read.setAside};
    return {Write(dataFolder, read.entries, files), read.setAside};
}

}  // namespace

Result<std::string> UserDataFolder() {
    const Application& app = App();
    try {
        return skBuildFileName(skGetSpecialFolder(sfAppData), app.VendorName + "/" + app.ProductName);
    } catch (const Error& error) {
        return Status(StatusKind::FileSystem, error.what());
    }
}

CatalogEntry SavedNow(const std::string& path, const std::string& address, const std::string& title,
                      std::int64_t posts, std::optional<std::int64_t> announced) {
    CatalogEntry entry;
    entry.path = path;
    entry.address = address;
    entry.title = title;
    entry.updated = std::time(nullptr);
    entry.posts = posts;
    entry.announced = announced;
    return entry;
}

std::string CatalogFile(const std::string& dataFolder) { return skBuildFileName(dataFolder, kFileName); }

Loaded Load(const std::string& dataFolder, FileOps& files) {
    Read read = ReadFile(dataFolder, files);
    Loaded loaded;
    loaded.entries = std::move(read.entries);
    loaded.warning = read.status.ok() ? read.setAside.value_or("") : read.status.text();
    return loaded;
}

Changed Record(const std::string& dataFolder, const CatalogEntry& entry, FileOps& files) {
    CatalogEntry recorded = entry;
    recorded.path = Normal(entry.path);
    if (recorded.path.empty()) return {Status(StatusKind::Usage, "A backup without a path can't be listed."), {}};
    return Update(dataFolder, files, [&](std::vector<CatalogEntry>& entries) {
        for (CatalogEntry& known : entries) {
            if (Normal(known.path) != recorded.path) continue;
            if (recorded.title.empty()) recorded.title = known.title;
            known = recorded;
            return true;
        }
        entries.push_back(recorded);
        return true;
    });
}

Changed Forget(const std::string& dataFolder, const std::string& path, FileOps& files) {
    const std::string forgotten = Normal(path);
    return Update(dataFolder, files, [&](std::vector<CatalogEntry>& entries) {
        return std::erase_if(entries, [&](const CatalogEntry& known) { return Normal(known.path) == forgotten; }) > 0;
    });
}

}  // namespace qv::catalog
