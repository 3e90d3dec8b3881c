// SPDX-License-Identifier: GPL-3.0-or-later
// The file name extension a media answer's Content-Type names, for a kept
// file whose address gave it none, so that players and file managers know
// what it is.
#pragma once

#include <string>
#include <string_view>

namespace qv::media {

// ".mp3" for "audio/mpeg; charset=x" (parameters and case do not matter), ""
// for a type that is not a picture, audio or video. SVG gets none on
// purpose: it can carry script, and a downloaded file of another site should
// not open as an active page when it is double-clicked.
std::string ExtensionForType(std::string_view contentType);

}  // namespace qv::media
