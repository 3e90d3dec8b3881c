// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageFrame.h"

#include "SitePaths.h"

namespace qv::site {

std::string SecurityPolicy(bool remoteMedia) {
    const std::string remote = remoteMedia ? " http: https:" : "";
    return "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:" + remote +
           "; media-src 'self'" + remote + "; base-uri 'self'; form-action 'none'";
}

std::string PageFrame::Render(Templates& templates, const std::string& page, const std::string& title,
                              const std::string& contentHtml) const {
    TemplateData data{TemplateData::type::object};
    data.set("policy", policy_);
    SetIfAny(data, "root", RootFrom(page));
    data.set("pageTitle", title);
    data.set("blogTitle", blogTitle_);
    SetIfAny(data, "blogDescriptionHtml", blogDescriptionHtml_);
    data.set("contentHtml", contentHtml);
    data.set("footer", footer_);
    return templates.Render(Template::Layout, data);
}

std::string PageFrame::Titled(const std::string& title) const { return title + " \xC2\xB7 " + blogTitle_; }

}  // namespace qv::site
