// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/BackupSummary.h"

#include "BlogReader.h"

namespace qv::library {

std::string BlogAddressOf(const std::string& name, const std::string& ownDomain) {
    if (!ownDomain.empty()) return ownDomain;
    if (name.empty()) return "";
    return name + ".tumblr.com";
}

Result<BackupSummary> ReadBackupSummary(const std::string& path) {
    site::Blog blog;
    if (Status read = site::ReadBlog(path, blog); !read.ok()) return read;
    const pugi::xml_node root(blog.document.RootElement().NodeHandle());
    BackupSummary summary;
    summary.address = BlogAddressOf(blog.name, root.child("tumblelog").attribute("cname").value());
    summary.title = blog.title;
    summary.posts = static_cast<std::int64_t>(blog.posts.size());
    if (const pugi::xml_attribute total = root.child("posts").attribute("total"))
        summary.announced = total.as_llong(-1) >= 0 ? std::optional<std::int64_t>(total.as_llong()) : std::nullopt;
    return summary;
}

}  // namespace qv::library
