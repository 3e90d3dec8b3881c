// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlayerAddresses.h"

#include <functional>

#include "UrlPolicy.h"
#include "html/WebAddress.h"

namespace qv::site {

namespace {

using Take = std::function<std::string(const html::Node&)>;

// The first address that `take` finds, looking at elements in document order.
std::string FirstAddress(const std::vector<html::Node>& nodes, const Take& take) {
    for (const html::Node& node : nodes) {
        if (!node.IsElement()) continue;
        std::string address = take(node);
        if (!address.empty()) return address;
        address = FirstAddress(node.children, take);
        if (!address.empty()) return address;
    }
    return "";
}

std::string WebAddressOf(const html::Node& node, std::string_view attribute, std::string_view base) {
    const std::string* value = node.FindAttribute(attribute);
    if (value == nullptr) return "";
    const std::string url = ResolveUrl(html::CleanUrl(*value), base);
    return IsWebUrl(url) ? url : "";
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// ...?audio_file=URL&color=...
std::string AudioFileParameter(std::string_view address) {
    const std::size_t query = address.find('?');
    if (query == std::string_view::npos) return "";
    std::string_view rest = address.substr(query + 1);
    while (!rest.empty()) {
        const std::size_t end = rest.find('&');
        const std::string_view field = rest.substr(0, end);
        if (field.starts_with("audio_file=")) return std::string(field.substr(11));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return "";
}

}  // namespace

std::string PlayerPageAddress(const std::vector<html::Node>& player, std::string_view base) {
    const std::vector<Take> preferred = {
        [base](const html::Node& node) {
            return node.IsElement("a") ? WebAddressOf(node, "href", base) : "";
        },
        [base](const html::Node& node) {
            const bool loads = node.IsElement("iframe") || node.IsElement("frame") ||
                               node.IsElement("embed") || node.IsElement("video") || node.IsElement("source");
            return loads ? WebAddressOf(node, "src", base) : "";
        },
        [base](const html::Node& node) {
            if (node.IsElement("object")) return WebAddressOf(node, "data", base);
            const std::string* name = node.FindAttribute("name");
            const bool movie = node.IsElement("param") && name != nullptr && *name == "movie";
            return movie ? WebAddressOf(node, "value", base) : "";
        },
    };
    for (const Take& take : preferred) {
        std::string address = FirstAddress(player, take);
        if (!address.empty()) return address;
    }
    return "";
}

std::string FilmFileAddress(const std::vector<html::Node>& player, std::string_view base) {
    return FirstAddress(player, [base](const html::Node& node) {
        return node.IsElement("video") || node.IsElement("source") ? WebAddressOf(node, "src", base) : "";
    });
}

std::string SoundFileAddress(const std::vector<html::Node>& player) {
    return FirstAddress(player, [](const html::Node& node) -> std::string {
        for (const char* attribute : {"src", "data", "value"}) {
            const std::string* value = node.FindAttribute(attribute);
            if (value == nullptr) continue;
            if (node.IsElement("audio") || node.IsElement("source")) {
                std::string url = html::CleanUrl(*value);
                if (IsWebUrl(url)) return url;
            }
            std::string parameter = AudioFileParameter(*value);
            if (!parameter.empty()) return parameter;
        }
        return "";
    });
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

}  // namespace qv::site
