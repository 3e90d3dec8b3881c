// SPDX-License-Identifier: GPL-3.0-or-later
// What every page of the site shares: the blog's title and description, the
// navigation, the security policy and the footer around the page's content.
#pragma once

#include <string>

#include "Templates.h"

namespace qv::site {

// What a page may load: our own stylesheet and script, pictures and sounds
// from files, and from their original addresses only when the reader said so.
std::string SecurityPolicy(bool remoteMedia);

class PageFrame {
public:
    PageFrame(std::string blogTitle, std::string blogDescriptionHtml, std::string footer, std::string policy)
        : blogTitle_(std::move(blogTitle)),
          blogDescriptionHtml_(std::move(blogDescriptionHtml)),
          footer_(std::move(footer)),
          policy_(std::move(policy)) {}

    // The whole page `page` (its path from the site's top folder).
    std::string Render(Templates& templates, const std::string& page, const std::string& title,
                       const std::string& contentHtml) const;

    // "Title · Blog"
    std::string Titled(const std::string& title) const;
    const std::string& BlogTitle() const { return blogTitle_; }

private:
    std::string blogTitle_;
    std::string blogDescriptionHtml_;
    std::string footer_;
    std::string policy_;
};

}  // namespace qv::site
