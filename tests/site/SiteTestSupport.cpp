// SPDX-License-Identifier: GPL-3.0-or-later
#include "SiteTestSupport.h"

#include <array>
#include <filesystem>
#include <pugixml.hpp>
#include <sstream>
#include <stdexcept>

#include "PageIndex.h"

namespace qv::test {

namespace fs = std::filesystem;

namespace {

std::uint32_t Crc32(const std::string& data) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> values{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            values[n] = c;
        }
        return values;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : data) crc = table[(crc ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void AppendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void AppendChunk(std::string& png, const std::string& type, const std::string& data) {
    AppendBigEndian(png, static_cast<std::uint32_t>(data.size()));
    png += type + data;
    AppendBigEndian(png, Crc32(type + data));
}

// zlib's format with "stored" blocks: valid, just not compressed.
std::string Deflated(const std::string& raw) {
    std::string out = "\x78\x01";
    std::size_t at = 0;
    do {
        const std::size_t size = std::min<std::size_t>(65535, raw.size() - at);
        const bool last = at + size == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(size & 0xFF);
        out += static_cast<char>(size >> 8);
        out += static_cast<char>(~size & 0xFF);
        out += static_cast<char>((~size >> 8) & 0xFF);
        out.append(raw, at, size);
        at += size;
    } while (at < raw.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const char byte : raw) {
        a = (a + static_cast<std::uint8_t>(byte)) % 65521;
        b = (b + a) % 65521;
    }
    AppendBigEndian(out, b << 16 | a);
    return out;
}

std::string Saved(const pugi::xml_document& document) {
    std::ostringstream out;
    document.save(out, "", pugi::format_raw);
    return out.str();
}

}  // namespace

std::string Fixture(const std::string& name) { return ReadAll(std::string(QV_FIXTURES_DIR) + "/" + name); }

std::string MergedBackup(const std::vector<std::string>& names) {
    pugi::xml_document merged;
    for (const std::string& name : names) {
        pugi::xml_document page;
        const std::string text = Fixture(name);
        if (!page.load_buffer(text.data(), text.size())) throw std::runtime_error("can't parse " + name);
        if (!merged.first_child()) {
            merged.reset(page);
            continue;
        }
        pugi::xml_node posts = merged.child("tumblr").child("posts");
        for (pugi::xml_node post : page.child("tumblr").child("posts").children("post"))
            posts.append_copy(post);
    }
    return Saved(merged);
}

std::string BackupOf(const std::vector<std::string>& posts) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><tumblr version=\"1.0\"><tumblelog name=\"made\" "
        "title=\"Made-up blog\">Posts written for a test</tumblelog><posts start=\"0\" total=\"" +
        std::to_string(posts.size()) + "\">";
    for (const std::string& post : posts) text += post;
    return text + "</posts></tumblr>";
}

std::string Png(int width, int height, Colour top, Colour bottom) {
    std::string header;
    AppendBigEndian(header, static_cast<std::uint32_t>(width));
    AppendBigEndian(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, no interlace
    const auto mix = [height](std::uint8_t from, std::uint8_t to, int y) {
        return static_cast<char>(from + (to - from) * y / std::max(1, height - 1));
    };
    std::string rows;
    for (int y = 0; y < height; ++y) {
        rows += '\0';  // no filter
        for (int x = 0; x < width; ++x) {
            rows += mix(top.red, bottom.red, y);
            rows += mix(top.green, bottom.green, y);
            rows += mix(top.blue, bottom.blue, y);
        }
    }
    std::string png = "\x89PNG\r\n\x1a\n";
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", Deflated(rows));
    AppendChunk(png, "IEND", "");
    return png;
}

std::string Png(int width, int height, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return Png(width, height, Colour{red, green, blue}, Colour{red, green, blue});
}

void WriteMediaFolder(const std::string& folder,
                      const std::map<std::string, std::pair<std::string, std::string>>& kept) {
    fs::create_directories(folder);
    std::string manifest = "url\tfile\tbytes\tsha256\tstatus\tpost_id\n";
    for (const auto& [url, file] : kept) {
        WriteAll(folder + "/" + file.first, file.second);
        manifest += url + "\t" + file.first + "\t" + std::to_string(file.second.size()) + "\t-\tkept\t1\n";
    }
    WriteAll(folder + "/manifest.tsv", manifest);
}

std::map<std::string, std::string> SiteFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename() != site::kPageIndexName)
            files[fs::relative(entry.path(), folder).generic_string()] = ReadAll(entry.path().string());
    return files;
}

site::SiteResult MakeSite(const TempFolder& folder, const std::string& backup, bool remoteMedia) {
    WriteAll(folder.File("blog.xml"), backup);
    site::SiteOptions options;
    options.backupFile = folder.File("blog.xml");
    options.remoteMedia = remoteMedia;
    return site::WriteSite(options);
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

}  // namespace qv::test
