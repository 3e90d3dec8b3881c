// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include "modTumblrInteraction.h"

namespace qv {

bool PostIdSet::Add(const std::string& id) {
    if (id.empty()) return false;
    if (ordered_ && (order_.empty() || PostIdBefore(order_.back(), id))) {
        order_.push_back(id);
        return true;
    }
    if (ordered_) {
        hashed_.reserve(order_.size() + 1);
        hashed_.insert(order_.begin(), order_.end());
        ordered_ = false;
    }
    if (!hashed_.insert(id).second) return false;
    order_.push_back(id);
    return true;
}

bool PostIdSet::Contains(const std::string& id) const {
    if (!ordered_) return hashed_.count(id) != 0;
    // In that order each number comes once; its other spellings ("007" for "7") are other ids.
    const auto at = std::lower_bound(
        order_.begin(), order_.end(), id,
        [](const std::string& held, const std::string& sought) { return PostIdBefore(held, sought); });
    return at != order_.end() && *at == id;
}

}  // namespace qv
