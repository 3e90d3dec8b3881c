// SPDX-License-Identifier: GPL-3.0-or-later
// The pixel size of a kept picture, read from its first bytes, so that a page
// can reserve the picture's space before it loads.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv::site {

struct PixelSize {
    int width = 0;
    int height = 0;
};

// PNG, GIF, JPEG and WebP; nullopt for anything else or a damaged header.
std::optional<PixelSize> ImageSizeOf(std::string_view header);
std::optional<PixelSize> ReadImageSize(const std::string& path);

}  // namespace qv::site
