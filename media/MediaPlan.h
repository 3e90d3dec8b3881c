// SPDX-License-Identifier: GPL-3.0-or-later
// What a run has to do, worked out before the first transfer: for every
// address of the backup, whether its earlier outcome stands (a kept file
// still there, a missing one, another site's player) or it is fetched, and
// under which name. The manifest starts out from this.
#pragma once

#include <string>
#include <vector>

#include "FileNames.h"
#include "HostPacing.h"
#include "Manifest.h"
#include "MediaAddress.h"

namespace qv::media {

struct MediaPlan {
    // One slot per address, in the backup's order, then the lines of addresses
    // the backup no longer names. A job's slot stays empty (or holds the
    // failure of an earlier run) until its outcome is known.
    Manifest manifest;
    std::vector<MediaJob> jobs;
    // Every name taken so far, in the folder or by a job: a name decided only
    // once an answer arrives (an extension added) must avoid them all.
    FileNamer namer;
    int alreadyThere = 0;
    int missing = 0;
    int external = 0;
};

// `previous`: the manifest's lines when the run began; `present`: every name in
// the folder then, none of which is ever handed to a new address.
MediaPlan PlanMedia(const std::vector<MediaAddress>& addresses, const std::vector<ManifestEntry>& previous,
                    const std::string& folder, const std::vector<std::string>& present);

}  // namespace qv::media
