// Puts the posts of a backup into one fixed order before it is saved:
// descending id, one element per id, other children of <posts> in front.
#include <unordered_map>

#include "Sundrykit.h"
#include "Utilities.h"
#include "modTumblrInteraction.h"

namespace qv {

namespace {

constexpr size_t kKeyWidth = 30;
const std::string kPadding(kKeyWidth, '0');
const std::string kStatus = "Sorting posts in backup XML...\r\n";

// An id written with leading zeros sorts at the place of its number, so that
// it is kept rather than lost: "007" goes where "7" goes.
std::string WithoutLeadingZeros(const std::string& id) {
    const auto first = id.find_first_not_of('0');
    if (first == std::string::npos) return "0";
    return id.substr(first);
}

}  // namespace

std::vector<std::string> PadSortKeys(const std::vector<std::string>& ids) {
    std::vector<std::string> keys;
    keys.reserve(ids.size());
    for (const std::string& id : ids) keys.push_back(id.size() >= kKeyWidth ? id : kPadding.substr(id.size()) + id);
    return keys;
}

std::vector<std::string> UnpadSortKeys(const std::vector<std::string>& sortedKeys) {
    std::vector<std::string> ids;
    ids.reserve(sortedKeys.size());
    for (auto key = sortedKeys.rbegin(); key != sortedKeys.rend(); ++key) {
        const auto firstNonZero = key->find_first_not_of('0');
        const std::string id = skCutLeft(*key, static_cast<int>(firstNonZero == std::string::npos ? key->size() : firstNonZero));
        ids.push_back(id.empty() ? "0" : id);
    }
    return ids;
}

void SortPosts(XmlDocument& backup, IBackupHost& host) {
    host.SetStatus(kStatus + "Stage 1 of 3");
    const std::optional<PostIdSet> ids = CollectPostIds("*** Dummy ***", backup);
    if (!ids || ids->Count() == 0) return;

    XmlNode container = backup.DocumentNode().SelectSingleNode("/tumblr/posts");

    host.SetStatus(kStatus + "Stage 2 of 3");
    // The first element of each id is kept, grouped under the id's number;
    // later elements of an id and elements without one are dropped.
    std::unordered_map<std::string, size_t> groupOfNumber;
    std::vector<std::vector<XmlNode>> groups;
    std::vector<std::string> numbers;
    PostIdSet seen;
    std::vector<XmlNode> dropped;
    for (const XmlNode& post : container.SelectNodes("post")) {
        const std::string id = post.AttributeText("id");
        if (!seen.Add(id)) {
            dropped.push_back(post);
            continue;
        }
        const std::string number = WithoutLeadingZeros(id);
        const auto [entry, isNew] = groupOfNumber.try_emplace(number, groups.size());
        if (isNew) {
            groups.emplace_back();
            numbers.push_back(number);
        }
        groups[entry->second].push_back(post);
    }

    host.SetStatus(kStatus + "Stage 3 of 3");
    std::vector<std::string> keys = PadSortKeys(numbers);
    SharedCollectionUtility().SortCollection(keys);
    for (XmlNode& post : dropped) post.Remove();
    for (const std::string& number : UnpadSortKeys(keys))
        for (const XmlNode& post : groups[groupOfNumber.at(number)]) container.MoveToEnd(post);
}

}  // namespace qv
