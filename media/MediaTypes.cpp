// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaTypes.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace qv::media {

namespace {

constexpr std::pair<std::string_view, std::string_view> kExtensions[] = {
    {"image/jpeg", ".jpg"},       {"image/jpg", ".jpg"},       {"image/pjpeg", ".jpg"},
    {"image/png", ".png"},        {"image/apng", ".png"},      {"image/gif", ".gif"},
    {"image/webp", ".webp"},      {"image/avif", ".avif"},     {"image/bmp", ".bmp"},
    {"image/x-ms-bmp", ".bmp"},   {"image/tiff", ".tif"},      {"image/heic", ".heic"},
    {"audio/mpeg", ".mp3"},       {"audio/mp3", ".mp3"},       {"audio/x-mpeg", ".mp3"},
    {"audio/mp4", ".m4a"},        {"audio/x-m4a", ".m4a"},     {"audio/aac", ".aac"},
    {"audio/ogg", ".ogg"},        {"application/ogg", ".ogg"}, {"audio/opus", ".opus"},
    {"audio/wav", ".wav"},        {"audio/x-wav", ".wav"},     {"audio/wave", ".wav"},
    {"audio/flac", ".flac"},      {"audio/x-flac", ".flac"},   {"audio/webm", ".webm"},
    {"video/mp4", ".mp4"},        {"video/webm", ".webm"},     {"video/ogg", ".ogv"},
    {"video/quicktime", ".mov"},  {"video/x-m4v", ".m4v"},     {"video/x-msvideo", ".avi"},
    {"video/x-matroska", ".mkv"}, {"video/3gpp", ".3gp"},      {"video/x-flv", ".flv"},
};

}  // namespace

std::string ExtensionForType(std::string_view contentType) {
    std::string_view type = contentType.substr(0, contentType.find(';'));
    while (!type.empty() && std::isspace(static_cast<unsigned char>(type.front()))) type.remove_prefix(1);
    while (!type.empty() && std::isspace(static_cast<unsigned char>(type.back()))) type.remove_suffix(1);
    std::string folded(type);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    for (const auto& [known, extension] : kExtensions)
        if (known == folded) return std::string(extension);
    return {};
}

}  // namespace qv::media
