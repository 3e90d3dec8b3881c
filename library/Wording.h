// SPDX-License-Identifier: GPL-3.0-or-later
// How the Library words numbers, times and states, in one place.
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

#include "library/BackupState.h"

namespace qv::library {

// "1,990"
QString Count(std::int64_t value);
// "1 post", "12 posts"
QString Counted(std::int64_t value, const char* singular, const char* plural);
// "45 s", "4 min", "2 h 5 min"
QString Duration(std::int64_t seconds);
// "1.5 MB"
QString Bytes(std::int64_t bytes);
// "just now", "5 minutes ago", "yesterday", "3 weeks ago", "on 4 Mar 2021"
QString RelativeTime(const QDateTime& when, const QDateTime& now);
// "complete", or "1,990 of 2,000" when the service announced more than the backup holds.
QString Completeness(std::int64_t posts, std::optional<std::int64_t> announced);
// "412 kept, 1 missing, 2 failed", or "not kept"; "being kept…" while a run
// (`keeping`) has listed none yet.
QString MediaText(const MediaCounts& media, bool keeping);
// "up to date", "out of date", "none"
QString ViewText(OfflineView view);

}  // namespace qv::library
