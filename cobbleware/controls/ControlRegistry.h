// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user component registry: which library file serves which ProgID and class identity.
// Header-only, because both sides use it: a control library records itself from its
// DllRegisterServer, and the ControlFramework reads it when a host creates a control.
#pragma once

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <optional>

#include "controls/ControlInterfaces.h"

namespace ControlRegistry {

struct Entry {
    QString progId;
    QString className;
    QUuid classId;
    QString libraryPath;
};

// An INI file with one group per ProgID, in the user's configuration folder
// (XDG_CONFIG_HOME, so a test can point it at a temporary folder).
inline QString FilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/qv-controls/registry.ini");
}

inline QList<Entry> Entries() {
    QSettings settings(FilePath(), QSettings::IniFormat);
    QList<Entry> entries;
    for (const QString& group : settings.childGroups()) {
        settings.beginGroup(group);
        entries.append(Entry{group, settings.value("ClassName").toString(),
                             QUuid(settings.value("ClassId").toString()),
                             settings.value("Library").toString()});
        settings.endGroup();
    }
    return entries;
}

// ProgIDs match without regard to case; a class identity may be given instead.
inline std::optional<Entry> Find(const QString& progIdOrClassId) {
    const QUuid asId(progIdOrClassId);
    for (const Entry& entry : Entries()) {
        if (entry.progId.compare(progIdOrClassId, Qt::CaseInsensitive) == 0) return entry;
        if (!asId.isNull() && asId == entry.classId) return entry;
    }
    return std::nullopt;
}

namespace detail {
inline void RemoveGroups(QSettings& settings, const QString& progId) {
    for (const QString& group : settings.childGroups()) {
        if (group.compare(progId, Qt::CaseInsensitive) == 0) settings.remove(group);
    }
}

inline bool Flush(QSettings& settings, QString* error) {
    settings.sync();
    if (settings.status() == QSettings::NoError) return true;
    if (error) *error = QStringLiteral("Cannot write the component registry %1.").arg(settings.fileName());
    return false;
}
}  // namespace detail

// Records that libraryPath serves the class; replaces an earlier record of the same ProgID.
inline bool Register(const ControlClassInfo& cls, const QString& libraryPath, QString* error = nullptr) {
    QSettings settings(FilePath(), QSettings::IniFormat);
    detail::RemoveGroups(settings, cls.progId);
    settings.beginGroup(cls.progId);
    settings.setValue("ClassName", cls.className);
    settings.setValue("ClassId", cls.classId.toString(QUuid::WithBraces));
    settings.setValue("Library", QDir::cleanPath(QDir(libraryPath).absolutePath()));
    settings.endGroup();
    return detail::Flush(settings, error);
}

// Removing a ProgID that is not recorded is no error.
inline bool Unregister(const QString& progId, QString* error = nullptr) {
    QSettings settings(FilePath(), QSettings::IniFormat);
    detail::RemoveGroups(settings, progId);
    return detail::Flush(settings, error);
}

}  // namespace ControlRegistry
