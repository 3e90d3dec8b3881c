// SPDX-License-Identifier: GPL-3.0-or-later
// What every page of the site shares: the blog's title and description, the
// navigation, the security policy and the footer around the page's content.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Templates.h"

namespace qv::site {

// What a page may load: our own stylesheet and script, pictures and sounds
// from files, and from their original addresses only when the reader said so.
std::string SecurityPolicy(bool remoteMedia);

class PageFrame {
public:
    PageFrame(std::string blogTitle, std::string blogDescriptionHtml, std::string footer, std::string policy);

    // The whole page `page` (its path from the site's top folder).
    std::string Render(Templates& templates, const std::string& page, const std::string& title,
                       const std::string& contentHtml) const;

    // "Title · Blog"
    std::string Titled(const std::string& title) const;
    const std::string& BlogTitle() const { return blogTitle_; }

private:
    // The layout as rendered for one folder depth, cut where each page puts
    // its title and its content: the rest is the same on every page there.
    struct Cut {
        enum Slot { Title, Content };
        std::vector<std::string> texts;  // one more than slots
        std::vector<Slot> slots;
    };

    std::string RenderLayout(Templates& templates, const std::string& root, const std::string& title,
                             const std::string& contentHtml) const;
    void MakeCut(Templates& templates, const std::string& root);

    std::string blogTitle_;
    std::string blogDescriptionHtml_;
    std::string footer_;
    std::string policy_;
    std::map<std::string, Cut> cuts_;  // by the page's way up to the top folder
};

}  // namespace qv::site
