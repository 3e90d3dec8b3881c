// SPDX-License-Identifier: GPL-3.0-or-later
#include "apiv2/BlogInfo.h"

#include "apiv2/BlogObject.h"
#include "apiv2/Envelope.h"
#include "apiv2/XmlText.h"

namespace qv::apiv2 {

Blog BlogFromJson(const Json& object) {
    Blog blog;
    blog.name = TextField(object, "name").value_or("");
    blog.title = TextField(object, "title").value_or("");
    blog.description = TextField(object, "description").value_or("");
    blog.url = TextField(object, "url").value_or("");
    blog.posts = IntegerField(object, "posts");
    blog.timezone = TextField(object, "timezone");
    return blog;
}

Result<Blog> ReadBlogInfo(std::string_view body) {
    Result<Json> answer = ReadEnvelope(body);
    if (!answer) return answer.status();
    const Json* blog = ObjectField(*ObjectField(*answer, "response"), "blog");
    if (blog == nullptr || !TextField(*blog, "name"))
        return Status(StatusKind::NotBlogXml, "The service's answer names no blog.");
    return BlogFromJson(*blog);
}

std::string TumblelogXml(const Blog& blog) {
    std::string xml = "<tumblelog";
    AppendAttribute(xml, "name", blog.name);
    if (blog.timezone) AppendAttribute(xml, "timezone", *blog.timezone);
    AppendAttribute(xml, "title", blog.title);
    xml += '>';
    AppendEscapedText(xml, blog.description);
    return xml + "</tumblelog>";
}

Result<std::string> ReadUserName(std::string_view body) {
    Result<Json> answer = ReadEnvelope(body);
    if (!answer) return answer.status();
    const Json* user = ObjectField(*ObjectField(*answer, "response"), "user");
    std::optional<std::string> name = user != nullptr ? TextField(*user, "name") : std::nullopt;
    if (!name || name->empty()) return Status(StatusKind::NotBlogXml, "The service's answer names no user.");
    return *name;
}

}  // namespace qv::apiv2
