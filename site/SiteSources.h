// SPDX-License-Identifier: GPL-3.0-or-later
// Everything the site's pages are made from, as one digest: when it is the
// one the last run kept, the pages that run wrote are the pages this run
// would write, and need not be made again to be known.
#pragma once

#include <optional>
#include <string>

#include "Fingerprints.h"

namespace qv::site {

struct SiteSources {
    std::string backupFile;
    std::string mediaFolder;
    std::string mediaFolderHref;  // as the pages write it
    bool remoteMedia = false;
};

struct SourcesSeen {
    // The build of the program writing (ProgramIdentity), the backup's name
    // and bytes, the options that show on the pages, and the name and stamp
    // of every file in the media folder (pages show whether a copy is there
    // and its picture's size). nullopt when any of them can't be read: such
    // a run vouches for nothing.
    std::optional<Digest> digest;
    // The stamps of the backup and of the media folder's files: cheap to
    // take again once the pages are made, to tell that they were made from
    // what `digest` describes.
    std::optional<Digest> stamps;
};

SourcesSeen SeeSources(const SiteSources& sources);
std::optional<Digest> SourcesStamps(const SiteSources& sources);

}  // namespace qv::site
