// SPDX-License-Identifier: GPL-3.0-or-later
// Puts the posts of a backup into one fixed order before it is saved:
// descending id, one element per id, other children of <posts> in front.
#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "Sundrykit.h"
#include "modTumblrInteraction.h"

namespace qv {

namespace {

constexpr size_t kKeyWidth = 30;
const std::string kPadding(kKeyWidth, '0');
const std::string kStatus = "Sorting posts in backup XML...\r\n";

// An id written with leading zeros sorts at the place of its number, so that
// it is kept rather than lost: "007" goes where "7" goes.
std::string_view WithoutLeadingZeros(std::string_view id) {
    const auto first = id.find_first_not_of('0');
    return first == std::string_view::npos ? std::string_view("0") : id.substr(first);
}

// Compares the sort keys of two numbers (left-padded with "0" to 30
// characters, longer ones as they are) without making the keys.
bool KeyLess(std::string_view a, std::string_view b) {
    const size_t widthA = std::max(a.size(), kKeyWidth);
    const size_t widthB = std::max(b.size(), kKeyWidth);
    const size_t padA = widthA - a.size();
    const size_t padB = widthB - b.size();
    for (size_t i = 0; i < std::min(widthA, widthB); ++i) {
        const char ca = i < padA ? '0' : a[i - padA];
        const char cb = i < padB ? '0' : b[i - padB];
        if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
    }
    return widthA < widthB;
}

struct Kept {
    std::string_view id;
    std::string_view number;
    XmlNode post;
    // Digits only and no longer than a key: then the longer number is the
    // greater, and numbers of one length compare as text.
    bool plain = false;
};

bool IsPlainNumber(std::string_view number) {
    return number.size() <= kKeyWidth &&
           std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Kept KeptOf(std::string_view id, const XmlNode& post) {
    const std::string_view number = WithoutLeadingZeros(id);
    return {id, number, post, IsPlainNumber(number)};
}

bool Before(const Kept& a, const Kept& b) {
    if (a.plain && b.plain) {
        if (a.number.size() != b.number.size()) return a.number.size() > b.number.size();
        return a.number > b.number;
    }
    return KeyLess(b.number, a.number);
}

// The children of <posts> as one walk finds them. A backup we saved has its
// posts in order already, so the posts with ids are split where that order
// first breaks: only what follows (usually the posts of this run's pages)
// needs sorting.
struct Found {
    // The leading posts, each strictly before the next: no id twice among them.
    std::vector<Kept> ordered;
    // Every later post with an id, in document order.
    std::vector<Kept> rest;
    std::vector<XmlNode> withoutId;
    // Children of other kinds after the first post with an id.
    std::vector<XmlNode> othersAmongPosts;
};

Found Walk(const XmlNode& container) {
    Found found;
    for (XmlNode child = container.FirstChild(); child; child = child.NextSibling()) {
        if (!child.IsElementNamed("post")) {
            if (!found.ordered.empty()) found.othersAmongPosts.push_back(child);
            continue;
        }
        const std::string_view id = child.AttributeView("id");
        if (id.empty()) {
            found.withoutId.push_back(child);
            continue;
        }
        Kept post = KeptOf(id, child);
        if (found.rest.empty() && (found.ordered.empty() || Before(found.ordered.back(), post)))
            found.ordered.push_back(post);
        else
            found.rest.push_back(post);
    }
    return found;
}

// The ordering knows the posts of the first list only; a document has one root.
bool OnlyListOfPosts(const XmlNode& container) {
    for (XmlNode next = container.NextSibling(); next; next = next.NextSibling())
        if (next.IsElementNamed("posts")) return false;
    return true;
}

// Whether a post of the ordered ones has exactly this id. They hold each
// number once, but "7" and "007" are two ids.
bool HoldsId(const std::vector<Kept>& ordered, const Kept& post) {
    const auto at = std::lower_bound(ordered.begin(), ordered.end(), post, Before);
    return at != ordered.end() && at->id == post.id;
}

// Moves each added post, in order, before the first ordered post it goes
// before: after the ordered posts of its number, and after the added posts
// moved before it. The ordered posts stay where they are.
void Place(XmlNode& container, const std::vector<Kept>& ordered, const std::vector<Kept>& added) {
    for (const Kept& post : added) {
        const auto next = std::upper_bound(ordered.begin(), ordered.end(), post, Before);
        container.MoveBefore(post.post, next == ordered.end() ? XmlNode() : next->post);
    }
}

}  // namespace

std::vector<std::string> PadSortKeys(const std::vector<std::string>& ids) {
    std::vector<std::string> keys;
    keys.reserve(ids.size());
    for (const std::string& id : ids)
        keys.push_back(id.size() >= kKeyWidth ? id : kPadding.substr(id.size()) + id);
    return keys;
}

std::vector<std::string> UnpadSortKeys(const std::vector<std::string>& sortedKeys) {
    std::vector<std::string> ids;
    ids.reserve(sortedKeys.size());
    for (auto key = sortedKeys.rbegin(); key != sortedKeys.rend(); ++key) {
        const auto firstNonZero = key->find_first_not_of('0');
        const std::string id =
            skCutLeft(*key, static_cast<int>(firstNonZero == std::string::npos ? key->size() : firstNonZero));
        ids.push_back(id.empty() ? "0" : id);
    }
    return ids;
}

bool PostIdBefore(std::string_view a, std::string_view b) { return Before(KeptOf(a, {}), KeptOf(b, {})); }

// The order is that of the padded keys sorted ascending and then reversed,
// reached with one sort instead of one query per post.
Status SortPosts(XmlDocument& backup, IBackupHost& host, int32_t* posts) {
    host.SetStatus(kStatus + "Stage 1 of 3");
    if (Status check = CheckBlogXml("*** Dummy ***", backup); !check.ok()) return check;
    XmlNode container = backup.DocumentNode().SelectSingleNode("/tumblr/posts");
    if (!container) return Status::Ok();
    Found found = Walk(container);
    if (found.ordered.empty()) return Status::Ok();

    host.SetStatus(kStatus + "Stage 2 of 3");
    // The first element of each id is kept; later elements of an id and
    // elements without one are dropped.
    std::vector<XmlNode>& dropped = found.withoutId;
    std::unordered_set<std::string_view> seen;
    seen.reserve(found.rest.size());
    // Filtered where they are: a backup out of order has them all here.
    std::vector<Kept>& added = found.rest;
    size_t kept = 0;
    for (size_t i = 0; i < added.size(); ++i) {
        if (HoldsId(found.ordered, added[i]) || !seen.insert(added[i].id).second)
            dropped.push_back(added[i].post);
        else
            added[kept++] = added[i];
    }
    added.resize(kept);

    host.SetStatus(kStatus + "Stage 3 of 3");
    // Stable, and the ordered posts stay in front of the added ones of their
    // number: two spellings of one number keep the order they came in.
    std::stable_sort(added.begin(), added.end(), Before);
    for (XmlNode& post : dropped) post.Remove();
    // Other children go in front of the posts; the added posts, which follow
    // the ordered ones now, go to their places among them.
    const XmlNode first = found.ordered.front().post;
    for (const XmlNode& other : found.othersAmongPosts) container.MoveBefore(other, first);
    Place(container, found.ordered, added);
    if (posts != nullptr && OnlyListOfPosts(container))
        *posts = static_cast<int32_t>(found.ordered.size() + added.size());
    return Status::Ok();
}

}  // namespace qv
