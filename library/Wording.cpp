// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/Wording.h"

#include <QLocale>

#include "Sundrykit.h"

namespace qv::library {

QString Count(std::int64_t value) { return QLocale(QLocale::English).toString(qlonglong(value)); }

QString Counted(std::int64_t value, const char* singular, const char* plural) {
    return Count(value) + ' ' + QString::fromLatin1(value == 1 ? singular : plural);
}

QString Duration(std::int64_t seconds) {
    if (seconds < 60) return QString("%1 s").arg(seconds);
    // Rounded to the nearest minute without adding first: seconds may be the largest there are.
    const std::int64_t minutes = seconds / 60 + (seconds % 60 >= 30 ? 1 : 0);
    if (minutes < 60) return QString("%1 min").arg(minutes);
    return minutes % 60 == 0 ? QString("%1 h").arg(minutes / 60)
                             : QString("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

QString Bytes(std::int64_t bytes) { return QString::fromStdString(skFormatByteSize(double(bytes))); }

QString RelativeTime(const QDateTime& when, const QDateTime& now) {
    const qint64 seconds = when.secsTo(now);
    if (seconds < 60) return "just now";
    if (seconds < 3600) return Counted(seconds / 60, "minute", "minutes") + " ago";
    const qint64 days = when.date().daysTo(now.date());
    if (days == 0) return Counted(seconds / 3600, "hour", "hours") + " ago";
    if (days == 1) return "yesterday";
    if (days < 14) return Counted(days, "day", "days") + " ago";
    if (days < 60) return Counted(days / 7, "week", "weeks") + " ago";
    return "on " + QLocale(QLocale::English).toString(when.date(), "d MMM yyyy");
}

QString Completeness(std::int64_t posts, std::optional<std::int64_t> announced) {
    if (!announced || posts >= *announced) return "complete";
    return Count(posts) + " of " + Count(*announced);
}

QString MediaText(const MediaCounts& media, bool keeping) {
    const bool noneListed = media.files == 0 && media.missing == 0 && media.failed == 0;
    if (keeping && noneListed) return "being kept…";
    if (!media.kept) return "not kept";
    if (noneListed) return "none to keep";
    QString text = Count(media.files) + " kept";
    if (media.missing > 0) text += ", " + Count(media.missing) + " missing";
    if (media.failed > 0) text += ", " + Count(media.failed) + " failed";
    return text;
}

QString ViewText(OfflineView view) {
    switch (view) {
        case OfflineView::UpToDate: return "up to date";
        case OfflineView::OutOfDate: return "out of date";
        case OfflineView::None: break;
    }
    return "none";
}

}  // namespace qv::library
