// SPDX-License-Identifier: GPL-3.0-or-later
// The site's page templates (mustache, compiled in from site/templates).
// {{name}} escapes its text; {{{nameHtml}}} is only ever given HTML that we
// built or that went through the sanitizer. One Templates per thread: a
// template keeps state while it renders.
#pragma once

#include <kainjow/mustache.hpp>
#include <string>
#include <string_view>

namespace qv::site {

using TemplateData = kainjow::mustache::data;

enum class Template { Layout, Post, PostPage, Posts, Entries, Pager, Tags, Archive };

class Templates {
public:
    Templates();
    // Raises std::runtime_error when the template fails to render.
    std::string Render(Template which, const TemplateData& data);

    // The stylesheet and the search script, written beside the pages.
    static std::string_view Stylesheet();
    static std::string_view SearchScript();

private:
    kainjow::mustache::mustache& Of(Template which);

    kainjow::mustache::mustache layout_;
    kainjow::mustache::mustache post_;
    kainjow::mustache::mustache postPage_;
    kainjow::mustache::mustache posts_;
    kainjow::mustache::mustache entries_;
    kainjow::mustache::mustache pager_;
    kainjow::mustache::mustache tags_;
    kainjow::mustache::mustache archive_;
};

// Sets `key` only for a non-empty value: an empty text would still open a {{#section}}.
void SetIfAny(TemplateData& data, const std::string& key, const std::string& value);

}  // namespace qv::site
