// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaPlan.h"

#include <sys/stat.h>

#include <unordered_map>

namespace qv::media {

namespace {

// A regular file of that size, not a link to one.
bool FilePresent(const std::string& path, std::int64_t bytes) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == bytes;
}

}  // namespace

MediaPlan PlanMedia(const std::vector<MediaAddress>& addresses, const std::vector<ManifestEntry>& previous,
                    const std::string& folder, const std::vector<std::string>& present) {
    MediaPlan plan;
    std::unordered_map<std::string, const ManifestEntry*> known;
    FileNamer& namer = plan.namer;
    // What the manifest does not list is not ours to overwrite, be it a file,
    // a link or a file whose line was lost with a crash or with the manifest.
    for (const std::string& name : present) namer.Reserve(name);
    for (const ManifestEntry& entry : previous) {
        if (!known.emplace(entry.url, &entry).second) continue;
        // A kept file keeps its name, even while it is fetched again.
        if (entry.status == MediaStatus::Kept) namer.Reserve(entry.file);
    }

    for (const MediaAddress& address : addresses) {
        const auto found = known.find(address.url);
        const ManifestEntry* before = found == known.end() ? nullptr : found->second;
        if (found != known.end()) known.erase(found);

        if (address.external) {
            ++plan.external;
            plan.manifest.AddSlot(
                ManifestEntry{address.url, {}, -1, {}, MediaStatus::External, {}, address.postId});
            continue;
        }
        if (before && before->status == MediaStatus::Kept &&
            FilePresent(folder + "/" + before->file, before->bytes)) {
            ++plan.alreadyThere;
            plan.manifest.AddSlot(*before);
            continue;
        }
        if (before && before->status == MediaStatus::Missing) {
            ++plan.missing;
            plan.manifest.AddSlot(*before);
            continue;
        }
        // Fetched (again). A failure of an earlier run stays listed until this one's outcome replaces it.
        MediaJob job;
        job.slot = plan.manifest.AddSlot(before && before->status == MediaStatus::Failed
                                             ? std::optional<ManifestEntry>(*before)
                                             : std::nullopt);
        job.url = address.url;
        job.host = HostKey(address.url);
        job.name = before && before->status == MediaStatus::Kept ? before->file : namer.Assign(address.url);
        job.postId = address.postId;
        plan.jobs.push_back(std::move(job));
    }
    // Lines of addresses the backup no longer names stay, in their order: their files are still here.
    for (const ManifestEntry& entry : previous) {
        const auto found = known.find(entry.url);
        if (found != known.end() && found->second == &entry) plan.manifest.AddSlot(entry);
    }
    return plan;
}

}  // namespace qv::media
