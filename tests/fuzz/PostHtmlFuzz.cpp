// SPDX-License-Identifier: GPL-3.0-or-later
// A post's HTML as the offline view shows it: each post of the input drawn
// by the renderer (its HTML through the sanitiser), and HTML such as a blog's
// description through the sanitiser alone. Nothing that runs code may leave
// them: no script element, no event handler, no javascript: address, as a
// browser would read the markup.
//
// Input: one byte of switches, then a list of <post> elements as a backup
// holds them, then any number of HTML texts, separated by kSeparator.
// Switches: bit 0 lets media load from their original addresses, bit 1
// reads the HTML texts as on a post's page rather than the blog's.
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "HtmlSanitizer.h"
#include "MediaCatalog.h"
#include "MediaLinks.h"
#include "PostRenderer.h"
#include "Templates.h"
#include "Xml.h"
#include "html/HtmlFragment.h"

namespace {

using qv::html::Node;

constexpr const char* kPostPage = "http://jpoz.tumblr.com/post/59615461";

// A media folder with a picture and a sound of the sample posts kept, so
// that kept media are drawn too.
struct MediaFolder {
    MediaFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qv-fuzz-media-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        root = pattern;
        folder = root + "/blog.media";
        std::filesystem::create_directory(folder);
        std::ofstream(folder + "/manifest.tsv")
            << "url\tfile\tbytes\tsha256\tstatus\tpost_id\n"
            << "http://data.tumblr.com/KZPtOc3DXg9xvo0gtwOrsrpPo1_500.jpg\tcoast.png\t33\t\tkept\t59614715\n"
            << "http://www.tumblr.com/audio_file/59615178/"
               "KZPtOc3DXg9y14ryuqr0XWZH\tbam.mp3\t3\t\tkept\t59615178\n";
        const char png[] = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x01\xf4\0\0\x01\x77\x08\x02\0\0\0\0\0\0\0";
        std::ofstream(folder + "/coast.png", std::ios::binary).write(png, sizeof png - 1);
        std::ofstream(folder + "/bam.mp3") << "ID3";
        if (!catalog.Load(folder).ok()) std::abort();
    }
    ~MediaFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::string root, folder;
    qv::site::MediaCatalog catalog;
};

struct View {
    View(const MediaFolder& media, bool remote)
        : links(media.catalog, media.folder, "../blog.media/", remote),
          sanitizer(links),
          renderer(sanitizer, links, templates) {}
    qv::site::MediaLinks links;
    qv::site::HtmlSanitizer sanitizer;
    qv::site::Templates templates;
    qv::site::PostRenderer renderer;
};

View& ViewOf(bool remote) {
    static const MediaFolder media;
    static View local(media, false), allowing(media, true);
    return remote ? allowing : local;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return lower;
}

// An address as a browser reads it: C0 controls and blanks around it go,
// tabs and line breaks inside are dropped, the scheme has no case.
bool RunsScript(std::string_view address) {
    std::string read;
    for (const char c : address)
        if (c != '\t' && c != '\n' && c != '\r') read += c;
    const auto outer = [](unsigned char c) { return c <= 0x20; };
    const auto first = std::find_if_not(read.begin(), read.end(), outer);
    read.erase(read.begin(), first);
    const std::string lower = Lower(read);
    return lower.starts_with("javascript:") || lower.starts_with("vbscript:");
}

bool HoldsAddress(const std::string& attribute) {
    static const std::array<std::string_view, 16> kAddresses = {
        "href",       "src",  "action",   "formaction", "data",   "poster", "cite",     "background",
        "xlink:href", "ping", "longdesc", "lowsrc",     "dynsrc", "usemap", "codebase", "manifest"};
    return std::find(kAddresses.begin(), kAddresses.end(), attribute) != kAddresses.end();
}

void CheckSafe(const std::string& html) {
    using qv::fuzz::Require;
    Require(Lower(html).find("<script") == std::string::npos, "no <script leaves the view", html);
    qv::html::ParseOptions generous;
    generous.maxDepth = 100000;
    generous.maxAttributes = 100000;
    generous.maxFormatting = 100000;
    const qv::html::HtmlFragment read = qv::html::HtmlFragment::Parse(html, generous);
    std::vector<const Node*> pending;
    for (const Node& node : read.Nodes()) pending.push_back(&node);
    while (!pending.empty()) {
        const Node& node = *pending.back();
        pending.pop_back();
        if (!node.IsElement()) continue;
        Require(node.name != "script", "no script element leaves the view", html);
        for (const qv::html::Attribute& attribute : node.attributes) {
            Require(!Lower(attribute.name).starts_with("on"), "no event handler leaves the view", html);
            if (HoldsAddress(Lower(attribute.name)))
                Require(!RunsScript(attribute.value), "no javascript: address leaves the view", html);
            if (Lower(attribute.name) == "srcset")
                Require(Lower(attribute.value).find("script:") == std::string::npos,
                        "no javascript: address leaves the view", html);
        }
        for (const Node& child : node.children) pending.push_back(&child);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ViewOf(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    const fuzz::Switches switches = fuzz::TakeSwitches(fuzz::AsText(data, size));
    const std::vector<std::string_view> texts = fuzz::Pieces(switches.text);
    View& view = ViewOf(switches.On(0));

    // As the offline view reads a backup: the posts of <posts> with an id, each once.
    XmlDocument backup;
    if (backup.LoadXml("<tumblr version=\"1.0\"><posts>" + std::string(texts.front()) + "</posts></tumblr>",
                       0)) {
        std::vector<std::string> ids;
        const pugi::xml_node posts(backup.DocumentNode().SelectSingleNode("/tumblr/posts").NodeHandle());
        for (pugi::xml_node post : posts.children("post")) {
            const std::string id = post.attribute("id").value();
            if (id.empty() || std::find(ids.begin(), ids.end(), id) != ids.end()) continue;
            ids.push_back(id);
            CheckSafe(view.renderer.Render(post).articleHtml);
        }
    }
    const std::string base = switches.On(1) ? kPostPage : "";
    for (std::size_t i = 1; i < texts.size(); ++i) CheckSafe(view.sanitizer.CleanHtml(texts[i], base));
    return 0;
}
