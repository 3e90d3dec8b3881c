// SPDX-License-Identifier: GPL-3.0-or-later
#include "OtherSites.h"

#include <algorithm>
#include <array>
#include <utility>

#include "UrlPolicy.h"

namespace qv::site {

namespace {

// Sites whose players posts embed, by the domain of their addresses.
constexpr std::array<std::pair<std::string_view, std::string_view>, 18> kKnownSites = {{
    {"youtube.com", "YouTube"},
    {"youtube-nocookie.com", "YouTube"},
    {"youtu.be", "YouTube"},
    {"vimeo.com", "Vimeo"},
    {"soundcloud.com", "SoundCloud"},
    {"spotify.com", "Spotify"},
    {"bandcamp.com", "Bandcamp"},
    {"dailymotion.com", "Dailymotion"},
    {"mixcloud.com", "Mixcloud"},
    {"music.apple.com", "Apple Music"},
    {"deezer.com", "Deezer"},
    {"myspace.com", "Myspace"},
    {"8tracks.com", "8tracks"},
    {"flickr.com", "Flickr"},
    {"instagram.com", "Instagram"},
    {"twitch.tv", "Twitch"},
    {"hulu.com", "Hulu"},
    {"ted.com", "TED"},
}};

bool IsUnder(std::string_view host, std::string_view domain) {
    return host == domain || (host.size() > domain.size() && host.ends_with(domain) &&
                              host[host.size() - domain.size() - 1] == '.');
}

// The path of an address, without its query and fragment.
std::string_view PathOf(std::string_view url) {
    const std::size_t authority = url.find("://");
    if (authority == std::string_view::npos) return {};
    const std::size_t start = url.find_first_of("/?#", authority + 3);
    if (start == std::string_view::npos || url[start] != '/') return {};
    const std::string_view path = url.substr(start);
    return path.substr(0, path.find_first_of("?#"));
}

// The value of `name` in the address's query, as written.
std::string_view QueryValue(std::string_view url, std::string_view name) {
    const std::size_t query = url.find('?');
    if (query == std::string_view::npos) return {};
    std::string_view rest = url.substr(query + 1);
    rest = rest.substr(0, rest.find('#'));
    while (!rest.empty()) {
        const std::string_view field = rest.substr(0, rest.find('&'));
        if (field.size() > name.size() && field.starts_with(name) && field[name.size()] == '=')
            return field.substr(name.size() + 1);
        if (field.size() == rest.size()) break;
        rest.remove_prefix(field.size() + 1);
    }
    return {};
}

// The first part of `text` made of what `allowed` accepts.
template <typename Allowed>
std::string_view LeadingPart(std::string_view text, Allowed allowed) {
    return text.substr(0, std::find_if_not(text.begin(), text.end(), allowed) - text.begin());
}

bool IsVideoIdCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string SiteNameOf(std::string_view url) {
    std::string host = HostOf(url);
    for (const auto& [domain, name] : kKnownSites)
        if (IsUnder(host, domain)) return std::string(name);
    if (host.starts_with("www.")) host.erase(0, 4);
    return host;
}

std::string PlayerPageOf(std::string_view url) {
    const std::string host = HostOf(url);
    const std::string_view path = PathOf(url);
    // youtube.com/embed/ID, youtube.com/v/ID (Flash, often with &options after the ID)
    if (IsUnder(host, "youtube.com") || IsUnder(host, "youtube-nocookie.com")) {
        for (const std::string_view player : {"/embed/", "/v/"}) {
            if (!path.starts_with(player)) continue;
            const std::string_view id = LeadingPart(path.substr(player.size()), IsVideoIdCharacter);
            if (!id.empty()) return "https://www.youtube.com/watch?v=" + std::string(id);
        }
    }
    // player.vimeo.com/video/ID, vimeo.com/moogaloop.swf?clip_id=ID (Flash)
    if (IsUnder(host, "vimeo.com")) {
        std::string_view id;
        if (host == "player.vimeo.com" && path.starts_with("/video/")) id = path.substr(7);
        if (path == "/moogaloop.swf") id = QueryValue(url, "clip_id");
        id = LeadingPart(id, IsDigit);
        if (!id.empty()) return "https://vimeo.com/" + std::string(id);
    }
    // open.spotify.com/embed/track/ID
    if (host == "open.spotify.com" && path.starts_with("/embed/"))
        return "https://open.spotify.com/" + std::string(path.substr(7));
    return std::string(url);
}

}  // namespace qv::site
