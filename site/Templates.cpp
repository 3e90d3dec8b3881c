// SPDX-License-Identifier: GPL-3.0-or-later
#include "Templates.h"

#include <stdexcept>

#include "SiteResources.h"

namespace qv::site {

namespace {

kainjow::mustache::mustache Parse(std::string_view text, const char* name) {
    kainjow::mustache::mustache parsed{std::string(text)};
    if (!parsed.is_valid())
        throw std::logic_error(std::string("The template ") + name + " is broken: " + parsed.error_message());
    return parsed;
}

}  // namespace

Templates::Templates()
    : layout_(Parse(resources::kLayoutMustache, "layout")),
      post_(Parse(resources::kPostMustache, "post")),
      postPage_(Parse(resources::kPostPageMustache, "post-page")),
      posts_(Parse(resources::kPostsMustache, "posts")),
      entries_(Parse(resources::kEntriesMustache, "entries")),
      pager_(Parse(resources::kPagerMustache, "pager")),
      tags_(Parse(resources::kTagsMustache, "tags")),
      archive_(Parse(resources::kArchiveMustache, "archive")) {}

kainjow::mustache::mustache& Templates::Of(Template which) {
    switch (which) {
        case Template::Layout:
            return layout_;
        case Template::Post:
            return post_;
        case Template::PostPage:
            return postPage_;
        case Template::Posts:
            return posts_;
        case Template::Entries:
            return entries_;
        case Template::Pager:
            return pager_;
        case Template::Tags:
            return tags_;
        case Template::Archive:
            return archive_;
    }
    throw std::logic_error("unknown template");
}

std::string Templates::Render(Template which, const TemplateData& data) {
    kainjow::mustache::mustache& page = Of(which);
    std::string out;
    page.render(data, [&out](const std::string& part) { out += part; });
    if (!page.is_valid()) throw std::runtime_error("A page template failed: " + page.error_message());
    return out;
}

std::string_view Templates::Stylesheet() { return resources::kSiteCss; }

std::string_view Templates::SearchScript() { return resources::kSearchJs; }

void SetIfAny(TemplateData& data, const std::string& key, const std::string& value) {
    if (!value.empty()) data.set(key, value);
}

}  // namespace qv::site
