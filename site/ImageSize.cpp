// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImageSize.h"

#include <cstdint>
#include <fstream>

namespace qv::site {

namespace {

// A JPEG's size sits in its frame header, after any number of other segments;
// this much of the file holds it in practice.
constexpr std::size_t kHeaderBytes = 256 * 1024;
constexpr std::size_t kFirstBytes = 4096;

std::uint32_t Byte(std::string_view data, std::size_t at) { return static_cast<unsigned char>(data[at]); }
std::uint32_t BigEndian16(std::string_view data, std::size_t at) {
    return Byte(data, at) << 8 | Byte(data, at + 1);
}
std::uint32_t BigEndian32(std::string_view data, std::size_t at) {
    return BigEndian16(data, at) << 16 | BigEndian16(data, at + 2);
}
std::uint32_t LittleEndian16(std::string_view data, std::size_t at) {
    return Byte(data, at) | Byte(data, at + 1) << 8;
}
std::uint32_t LittleEndian24(std::string_view data, std::size_t at) {
    return LittleEndian16(data, at) | Byte(data, at + 2) << 16;
}

std::optional<PixelSize> Checked(std::uint32_t width, std::uint32_t height) {
    constexpr std::uint32_t kLargest = 1u << 16;
    if (width == 0 || height == 0 || width > kLargest || height > kLargest) return std::nullopt;
    return PixelSize{static_cast<int>(width), static_cast<int>(height)};
}

std::optional<PixelSize> PngSize(std::string_view data) {
    if (data.size() < 24 || data.substr(12, 4) != "IHDR") return std::nullopt;
    return Checked(BigEndian32(data, 16), BigEndian32(data, 20));
}

std::optional<PixelSize> GifSize(std::string_view data) {
    if (data.size() < 10) return std::nullopt;
    return Checked(LittleEndian16(data, 6), LittleEndian16(data, 8));
}

bool IsFrameMarker(std::uint32_t marker) {
    // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<PixelSize> JpegSize(std::string_view data) {
    std::size_t at = 2;
    while (at + 4 <= data.size()) {
        if (Byte(data, at) != 0xFF) return std::nullopt;
        const std::uint32_t marker = Byte(data, at + 1);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        const std::uint32_t length = BigEndian16(data, at + 2);
        if (length < 2) return std::nullopt;
        if (IsFrameMarker(marker)) {
            if (at + 9 > data.size()) return std::nullopt;
            return Checked(BigEndian16(data, at + 7), BigEndian16(data, at + 5));
        }
        if (marker == 0xDA || marker == 0xD9) return std::nullopt;  // image data before any frame header
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<PixelSize> WebpSize(std::string_view data) {
    if (data.size() < 30) return std::nullopt;
    const std::string_view chunk = data.substr(12, 4);
    if (chunk == "VP8X") return Checked(LittleEndian24(data, 24) + 1, LittleEndian24(data, 27) + 1);
    if (chunk == "VP8 ") return Checked(LittleEndian16(data, 26) & 0x3FFF, LittleEndian16(data, 28) & 0x3FFF);
    if (chunk == "VP8L" && Byte(data, 20) == 0x2F) {
        const std::uint32_t bits =
            Byte(data, 21) | Byte(data, 22) << 8 | Byte(data, 23) << 16 | Byte(data, 24) << 24;
        return Checked((bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<PixelSize> ImageSizeOf(std::string_view header) {
    if (header.starts_with("\x89PNG\r\n\x1a\n")) return PngSize(header);
    if (header.starts_with("GIF87a") || header.starts_with("GIF89a")) return GifSize(header);
    if (header.starts_with("\xFF\xD8")) return JpegSize(header);
    if (header.size() >= 12 && header.starts_with("RIFF") && header.substr(8, 4) == "WEBP")
        return WebpSize(header);
    return std::nullopt;
}

std::optional<PixelSize> ReadImageSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string header;
    // Most formats say their size in the first bytes; a JPEG may need more.
    for (const std::size_t limit : {kFirstBytes, kHeaderBytes}) {
        const std::size_t had = header.size();
        header.resize(limit);
        in.read(header.data() + had, static_cast<std::streamsize>(limit - had));
        header.resize(had + static_cast<std::size_t>(in.gcount()));
        if (const auto size = ImageSizeOf(header)) return size;
        if (header.size() < limit || !header.starts_with("\xFF\xD8")) break;
    }
    return std::nullopt;
}

}  // namespace qv::site
