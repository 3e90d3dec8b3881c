// SPDX-License-Identifier: GPL-3.0-or-later
#include "apiv2/ZoneOffsets.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <vector>

#include "FileOps.h"

namespace qv::apiv2 {

namespace {

// Far more than any zone has; a file that claims more is no zone file.
constexpr std::uint32_t kMostTransitions = 100000;
constexpr std::uint32_t kMostTypes = 256;
constexpr std::size_t kHeaderBytes = 44;

struct Zone {
    std::vector<std::int64_t> transitions;
    std::vector<std::uint8_t> typeOfTransition;
    std::vector<std::int32_t> offsets;  // per type
    std::int64_t before = 0;            // the offset before the first transition
};

class Bytes {
public:
    explicit Bytes(std::string_view data) : data_(data) {}
    bool Has(std::size_t count) const { return at_ <= data_.size() && data_.size() - at_ >= count; }
    void Skip(std::size_t count) { at_ += count; }
    std::size_t At() const { return at_; }
    std::int64_t Signed(std::size_t size) {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i) value = (value << 8) | static_cast<unsigned char>(data_[at_ + i]);
        at_ += size;
        if (size == 4) return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return static_cast<std::int64_t>(value);
    }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(data_[at_++]); }

private:
    std::string_view data_;
    std::size_t at_ = 0;
};

struct Counts {
    std::uint32_t isUt, isStd, leaps, times, types, chars;
    std::size_t BlockBytes(std::size_t timeSize) const {
        return times * timeSize + times + types * 6 + chars + leaps * (timeSize + 4) + isStd + isUt;
    }
};

bool ReadHeader(Bytes& bytes, std::string_view data, char& version, Counts& counts) {
    if (!bytes.Has(kHeaderBytes) || data.substr(bytes.At(), 4) != "TZif") return false;
    version = data[bytes.At() + 4];
    bytes.Skip(20);
    std::uint32_t values[6];
    for (std::uint32_t& value : values) value = static_cast<std::uint32_t>(bytes.Signed(4));
    counts = {values[0], values[1], values[2], values[3], values[4], values[5]};
    return counts.times <= kMostTransitions && counts.types >= 1 && counts.types <= kMostTypes &&
           counts.leaps <= kMostTransitions && counts.chars <= 65536 && counts.isStd <= kMostTypes &&
           counts.isUt <= kMostTypes;
}

}  // namespace

Result<UtcOffset> ZoneOffsetsFromTzif(std::string_view data) {
    const Status notAZone(StatusKind::NotFound, "The zone file is no TZif data.");
    Bytes bytes(data);
    char version = 0;
    Counts counts{};
    if (!ReadHeader(bytes, data, version, counts)) return notAZone;
    std::size_t timeSize = 4;
    if (version >= '2') {
        // The 64-bit block that follows the 32-bit one is the one to read.
        if (!bytes.Has(counts.BlockBytes(4))) return notAZone;
        bytes.Skip(counts.BlockBytes(4));
        if (!ReadHeader(bytes, data, version, counts)) return notAZone;
        timeSize = 8;
    }
    if (!bytes.Has(counts.BlockBytes(timeSize))) return notAZone;

    auto zone = std::make_shared<Zone>();
    for (std::uint32_t i = 0; i < counts.times; ++i) zone->transitions.push_back(bytes.Signed(timeSize));
    for (std::uint32_t i = 0; i < counts.times; ++i) {
        zone->typeOfTransition.push_back(bytes.Byte());
        if (zone->typeOfTransition.back() >= counts.types) return notAZone;
    }
    std::vector<bool> daylight;
    for (std::uint32_t i = 0; i < counts.types; ++i) {
        zone->offsets.push_back(static_cast<std::int32_t>(bytes.Signed(4)));
        daylight.push_back(bytes.Byte() != 0);
        bytes.Skip(1);
    }
    if (!std::is_sorted(zone->transitions.begin(), zone->transitions.end())) return notAZone;
    const auto standard = std::find(daylight.begin(), daylight.end(), false);
    zone->before = zone->offsets[standard == daylight.end() ? 0 : static_cast<std::size_t>(standard - daylight.begin())];

    return UtcOffset([zone](std::int64_t moment) -> std::int64_t {
        const auto after = std::upper_bound(zone->transitions.begin(), zone->transitions.end(), moment);
        if (after == zone->transitions.begin()) return zone->before;
        return zone->offsets[zone->typeOfTransition[static_cast<std::size_t>(after - zone->transitions.begin() - 1)]];
    });
}

Result<UtcOffset> SystemZoneOffsets(const std::string& zoneName, const std::string& zoneinfoFolder) {
    const bool named = !zoneName.empty() && zoneName.front() != '/' && zoneName.find("..") == std::string::npos &&
                       std::all_of(zoneName.begin(), zoneName.end(), [](unsigned char c) {
                           return std::isalnum(c) || c == '/' || c == '_' || c == '-' || c == '+';
                       });
    if (!named) return Status(StatusKind::Usage, "\"" + zoneName + "\" is no time zone's name.").RetryWontHelp();
    // A name may also be a folder of zones ("US", "US//"), which can't be read either.
    std::string data;
    if (SystemFileOps().ReadFile(zoneinfoFolder + "/" + zoneName, data) != 0)
        return Status(StatusKind::NotFound, "The system knows no time zone \"" + zoneName + "\".");
    Result<UtcOffset> zone = ZoneOffsetsFromTzif(data);
    if (!zone) return zone.status().Within("\"" + zoneName + "\": ");
    return zone;
}

}  // namespace qv::apiv2
