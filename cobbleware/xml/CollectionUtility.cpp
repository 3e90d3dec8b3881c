// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include "Utilities.h"

namespace qv {

void CollectionUtility::SortCollection(std::vector<std::string>& items) { std::sort(items.begin(), items.end()); }

CollectionUtility& SharedCollectionUtility() {
    static CollectionUtility shared;
    return shared;
}

}  // namespace qv
