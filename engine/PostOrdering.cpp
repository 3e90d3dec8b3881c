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

bool Before(const Kept& a, const Kept& b) {
    if (a.plain && b.plain) {
        if (a.number.size() != b.number.size()) return a.number.size() > b.number.size();
        return a.number > b.number;
    }
    return KeyLess(b.number, a.number);
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

// The order is that of the padded keys sorted ascending and then reversed,
// reached with one sort instead of one query per post.
Status SortPosts(XmlDocument& backup, IBackupHost& host) {
    host.SetStatus(kStatus + "Stage 1 of 3");
    if (Status check = CheckBlogXml("*** Dummy ***", backup); !check.ok()) return check;
    XmlNode container = backup.DocumentNode().SelectSingleNode("/tumblr/posts");
    if (!container) return Status::Ok();
    const XmlNodeList posts = container.SelectNodes("post");
    if (std::none_of(posts.begin(), posts.end(),
                     [](const XmlNode& post) { return !post.AttributeView("id").empty(); }))
        return Status::Ok();

    host.SetStatus(kStatus + "Stage 2 of 3");
    // The first element of each id is kept; later elements of an id and
    // elements without one are dropped.
    std::unordered_set<std::string_view> seen;
    seen.reserve(static_cast<size_t>(posts.Count()));
    std::vector<Kept> kept;
    kept.reserve(static_cast<size_t>(posts.Count()));
    std::vector<XmlNode> dropped;
    for (const XmlNode& post : posts) {
        const std::string_view id = post.AttributeView("id");
        if (id.empty() || !seen.insert(id).second)
            dropped.push_back(post);
        else {
            const std::string_view number = WithoutLeadingZeros(id);
            kept.push_back({number, post, IsPlainNumber(number)});
        }
    }

    host.SetStatus(kStatus + "Stage 3 of 3");
    // Stable, so two spellings of one number keep the order they came in.
    std::stable_sort(kept.begin(), kept.end(), Before);
    for (XmlNode& post : dropped) post.Remove();
    for (const Kept& each : kept) container.MoveToEnd(each.post);
    return Status::Ok();
}

}  // namespace qv
