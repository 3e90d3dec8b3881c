// SPDX-License-Identifier: GPL-3.0-or-later
// The backup file format: the version check, post ids, and merging received
// pages into the backup document.
#include "modTumblrInteraction.h"

namespace qv {

namespace {

// Visits the posts "/tumblr/posts/post" selects, in document order, without
// the cost of a query: a large backup holds many.
template <typename Visit>
void ForEachPost(const XmlDocument& document, Visit visit) {
    for (XmlNode root = document.DocumentNode().FirstChild(); root; root = root.NextSibling()) {
        if (!root.IsElementNamed("tumblr")) continue;
        for (XmlNode posts = root.FirstChild(); posts; posts = posts.NextSibling()) {
            if (!posts.IsElementNamed("posts")) continue;
            for (XmlNode post = posts.FirstChild(); post; post = post.NextSibling())
                if (post.IsElementNamed("post")) visit(post);
        }
    }
}

}  // namespace

Status CheckBlogXml(const std::string& displayName, const XmlDocument& document) {
    if (document.NodeText("/tumblr/@version") == "1.0") return Status::Ok();
    return Status(StatusKind::NotBlogXml, displayName + "\r\n\r\nThis XML doesnt appear to be Tumblr XML.")
        .RetryWontHelp();
}

Result<PostIdSet> CollectPostIds(const std::string& displayName, const XmlDocument& document) {
    if (Status check = CheckBlogXml(displayName, document); !check.ok()) return check;
    PostIdSet ids;
    ForEachPost(document, [&ids](const XmlNode& post) { ids.Add(std::string(post.AttributeView("id"))); });
    return ids;
}

int32_t CountPosts(const XmlDocument& document) {
    int32_t count = 0;
    ForEachPost(document, [&count](const XmlNode&) { ++count; });
    return count;
}

bool ContainsId(const std::string& id, const PostIdSet& set) { return set.Contains(id); }

bool IsLastPage(const XmlDocument& page) { return CountPosts(page) < PostsPerPage; }

bool MergePosts(const XmlDocument& page, XmlDocument& backup, const PostIdSet& previousIds, int32_t* appended) {
    bool noneKnown = true;
    XmlNode container = backup.DocumentNode().SelectSingleNode("/tumblr/posts");
    if (!container)
        container = backup.DocumentNode().SelectSingleNode("/tumblr").AddChild(xntElement, "posts", "");

    for (const XmlNode& post : page.DocumentNode().SelectNodes("/tumblr/posts/post")) {
        if (ContainsId(post.AttributeText("id"), previousIds)) {
            noneKnown = false;  // the copy already saved stays; the received one is dropped
            continue;
        }
        container.AppendChild(post);
        if (appended != nullptr) ++*appended;
    }
    return noneKnown;
}

bool KnownPostsEndPage(const XmlDocument& page, const PostIdSet& previousIds) {
    bool knownMet = false;
    for (const XmlNode& post : page.DocumentNode().SelectNodes("/tumblr/posts/post")) {
        if (previousIds.Contains(post.AttributeText("id"))) {
            knownMet = true;
        } else if (knownMet) {
            return false;
        }
    }
    return knownMet;
}

void CopyTumblelog(const XmlDocument& page, XmlDocument& backup) {
    const XmlNode tumblelog = page.DocumentNode().SelectSingleNode("/tumblr/tumblelog");
    if (!tumblelog) return;
    if (XmlNode old = backup.DocumentNode().SelectSingleNode("/tumblr/tumblelog")) old.Remove();
    XmlNode root = backup.RootElement();
    root.InsertBefore(tumblelog, root.SelectSingleNode("/tumblr/posts"));
}

void FixPostsAttributes(XmlDocument& backup, int32_t postCount) {
    if (XmlNode start = backup.DocumentNode().SelectSingleNode("/tumblr/posts/@start")) start.SetText("0");
    if (XmlNode total = backup.DocumentNode().SelectSingleNode("/tumblr/posts/@total"))
        total.SetText(std::to_string(postCount));
}

}  // namespace qv
