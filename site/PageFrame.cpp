// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageFrame.h"

#include "SitePaths.h"

namespace qv::site {

namespace {

// Stand-ins for a page's title and content while the layout is cut. No text
// of a backup's that reaches the layout may hold them (see MakeCut).
constexpr std::string_view kTitleMark = "\x01page-title\x01";
constexpr std::string_view kContentMark = "\x01page-content\x01";

}  // namespace

std::string SecurityPolicy(bool remoteMedia) {
    const std::string remote = remoteMedia ? " http: https:" : "";
    return "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:" + remote +
           "; media-src 'self'" + remote + "; base-uri 'self'; form-action 'none'";
}

PageFrame::PageFrame(std::string blogTitle, std::string blogDescriptionHtml, std::string footer,
                     std::string policy)
    : blogTitle_(std::move(blogTitle)),
      blogDescriptionHtml_(std::move(blogDescriptionHtml)),
      footer_(std::move(footer)),
      policy_(std::move(policy)) {
    Templates templates;
    // The top folder's pages and those one folder down: every page of the site.
    MakeCut(templates, RootFrom("index.html"));
    MakeCut(templates, RootFrom("post/1.html"));
}

std::string PageFrame::RenderLayout(Templates& templates, const std::string& root, const std::string& title,
                                    const std::string& contentHtml) const {
    TemplateData data{TemplateData::type::object};
    data.set("policy", policy_);
    SetIfAny(data, "root", root);
    data.set("pageTitle", title);
    data.set("blogTitle", blogTitle_);
    SetIfAny(data, "blogDescriptionHtml", blogDescriptionHtml_);
    data.set("contentHtml", contentHtml);
    data.set("footer", footer_);
    return templates.Render(Template::Layout, data);
}

void PageFrame::MakeCut(Templates& templates, const std::string& root) {
    for (const std::string* text : {&blogTitle_, &blogDescriptionHtml_, &footer_, &policy_})
        if (text->find('\x01') != std::string::npos) return;
    const std::string marked =
        RenderLayout(templates, root, std::string(kTitleMark), std::string(kContentMark));
    Cut cut;
    std::size_t at = 0;
    for (;;) {
        const std::size_t title = marked.find(kTitleMark, at);
        const std::size_t content = marked.find(kContentMark, at);
        const std::size_t next = std::min(title, content);
        cut.texts.push_back(marked.substr(at, next - at));
        if (next == std::string::npos) break;
        cut.slots.push_back(next == title ? Cut::Title : Cut::Content);
        at = next + (next == title ? kTitleMark.size() : kContentMark.size());
    }
    cuts_[root] = std::move(cut);
    // The cut stands for the layout only if it gives what the layout gives.
    const std::string title = "A <title> & 'its' \"words\"";
    const std::string content = "<p>Some\ncontent</p>\n";
    if (Render(templates, root.empty() ? "index.html" : "post/1.html", title, content) !=
        RenderLayout(templates, root, title, content))
        cuts_.erase(root);
}

std::string PageFrame::Render(Templates& templates, const std::string& page, const std::string& title,
                              const std::string& contentHtml) const {
    const std::string root = RootFrom(page);
    const auto found = cuts_.find(root);
    if (found == cuts_.end()) return RenderLayout(templates, root, title, contentHtml);
    const Cut& cut = found->second;
    const std::string escapedTitle = kainjow::mustache::html_escape(title);
    std::size_t size = 0;
    for (const std::string& text : cut.texts) size += text.size();
    for (const Cut::Slot slot : cut.slots)
        size += slot == Cut::Title ? escapedTitle.size() : contentHtml.size();
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < cut.slots.size(); ++i) {
        out += cut.texts[i];
        out += cut.slots[i] == Cut::Title ? escapedTitle : contentHtml;
    }
    out += cut.texts.back();
    return out;
}

std::string PageFrame::Titled(const std::string& title) const { return title + " \xC2\xB7 " + blogTitle_; }

}  // namespace qv::site
