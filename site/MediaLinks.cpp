// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaLinks.h"

#include <sys/stat.h>

#include "UrlPolicy.h"

namespace qv::site {

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

MediaLink MediaLinks::Find(std::string_view url, bool picture) const {
    MediaLink link;
    if (!IsWebUrl(url)) return link;
    link.original = std::string(url);
    if (const std::string* file = catalog_.KeptFile(url)) {
        const std::string path = folder_ + "/" + *file;
        // A manifest that promises a file the folder lost must not give a broken picture.
        if (IsRegularFile(path)) {
            link.kind = MediaLink::Kept;
            link.href = folderHref_ + EncodePath(*file);
            if (picture) link.size = ReadImageSize(path);
            return link;
        }
    }
    link.kind = remoteAllowed_ ? MediaLink::Remote : MediaLink::NotLoaded;
    link.href = link.original;
    return link;
}

MediaLink MediaLinks::Picture(std::string_view url) const { return Find(url, true); }

MediaLink MediaLinks::File(std::string_view url) const { return Find(url, false); }

}  // namespace qv::site
