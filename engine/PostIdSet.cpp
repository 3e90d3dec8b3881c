#include "modTumblrInteraction.h"

namespace qv {

bool PostIdSet::Add(const std::string& id) {
    if (id.empty() || !ids_.insert(id).second) return false;
    order_.push_back(id);
    return true;
}

bool PostIdSet::Contains(const std::string& id) const { return ids_.count(id) != 0; }

TrafficCounters& Traffic() {
    static TrafficCounters counters;
    return counters;
}

}  // namespace qv
