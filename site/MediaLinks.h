// SPDX-License-Identifier: GPL-3.0-or-later
// Where a page finds a post's media: the kept copy in the media folder when
// there is one, else the original address when the reader allowed that, else
// nothing is loaded and the page shows a link to the original instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ImageSize.h"
#include "MediaCatalog.h"

namespace qv::site {

struct MediaLink {
    enum Kind { Kept, Remote, NotLoaded };
    Kind kind = NotLoaded;
    // Kept: the copy's address from the site's root folder. Otherwise the
    // original address (which is "" when it is no web address at all).
    std::string href;
    std::string original;
    std::optional<PixelSize> size;  // of a kept picture, when its header says
};

class MediaLinks {
public:
    // `folderHref`: the media folder's address from the site's root, ending in '/'.
    MediaLinks(const MediaCatalog& catalog, std::string folder, std::string folderHref, bool remoteAllowed)
        : catalog_(catalog),
          folder_(std::move(folder)),
          folderHref_(std::move(folderHref)),
          remoteAllowed_(remoteAllowed) {}

    // For a picture: reads the kept copy's size.
    MediaLink Picture(std::string_view url) const;
    // For sound and film.
    MediaLink File(std::string_view url) const;
    bool RemoteAllowed() const { return remoteAllowed_; }

private:
    MediaLink Find(std::string_view url, bool picture) const;

    const MediaCatalog& catalog_;
    std::string folder_;
    std::string folderHref_;
    bool remoteAllowed_;
};

}  // namespace qv::site
