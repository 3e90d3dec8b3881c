// SPDX-License-Identifier: GPL-3.0-or-later
// Which media a backup names, post by post: the largest size of every photo,
// images inside the posts' HTML, the service's own audio and video files, and
// other sites' players (listed as external). Each address once, in the order
// the backup holds its posts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "MediaAddress.h"
#include "Status.h"
#include "Xml.h"

namespace qv::media {

std::vector<MediaAddress> CollectMediaAddresses(const XmlDocument& backup);

// The addresses of the backup saved at `path`: UnreadableXml when the file
// can't be read or parsed, NotBlogXml when it is not a blog's backup.
Result<std::vector<MediaAddress>> ReadMediaAddresses(const std::string& path);

// The parts of one post, for tests and for callers holding a single post.
std::vector<MediaAddress> ImagesInHtml(std::string_view html, const std::string& postId);
std::vector<MediaAddress> AudioInPlayer(std::string_view html, const std::string& postId);
std::vector<MediaAddress> VideoInPlayer(std::string_view html, const std::string& postId);

}  // namespace qv::media
