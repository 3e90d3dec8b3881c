// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtcore/QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "Error.h"

namespace qv {

namespace {

constexpr int kErrorReading = 75;
constexpr int kErrorWriting = 75;
constexpr int kTypeMismatch = 13;

QString KeyPath(const std::string& section, const std::string& key) {
    const QString name = QString::fromStdString(key);
    return section.empty() ? name : QString::fromStdString(section) + "/" + name;
}

// Creates the file as owner-only before QSettings first writes it; QSettings
// keeps the mode of a file it replaces.
void RestrictToOwner(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return;  // the write itself will report why
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

SettingValue AsKind(const QVariant& stored, int kind, const std::string& key) {
    if (kind == skBoolean) {
        const QString text = stored.toString().trimmed().toLower();
        if (stored.typeId() == QMetaType::Bool) return stored.toBool();
        if (text == "true") return true;
        if (text == "false") return false;
        throw Error(kTypeMismatch, "The stored value of \"" + key + "\" is not yes or no");
    }
    return stored.toString().toStdString();
}

QVariant AsVariant(const SettingValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return QString::fromStdString(*text);
    if (const auto* flag = std::get_if<bool>(&value)) return *flag;
    if (const auto* number = std::get_if<long long>(&value)) return *number;
    return {};
}

}  // namespace

QString QtSettingsStore::FilePath(const Application& app) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" +
           QString::fromStdString(app.VendorName) + "/" + QString::fromStdString(app.ProductName) + ".ini";
}

SettingValue QtSettingsStore::ReadValue(const std::string& section, const std::string& key, int kind,
                                        const SettingValue& defaultValue, const Application& app, bool,
                                        bool& found) {
    QSettings settings(FilePath(app), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) throw Error(kErrorReading, "The settings file can't be read");
    const QString path = KeyPath(section, key);
    found = settings.contains(path);
    if (!found) return defaultValue;
    return AsKind(settings.value(path), kind, key);
}

void QtSettingsStore::WriteValue(const std::string& section, const std::string& key, int kind,
                                 const SettingValue& value, const Application& app, bool, bool& written) {
    written = false;
    const QString file = FilePath(app);
    RestrictToOwner(file);
    QSettings settings(file, QSettings::IniFormat);
    QVariant stored = AsVariant(value);
    if (kind == skBoolean && stored.typeId() != QMetaType::Bool) throw Error(kTypeMismatch, "\"" + key + "\" takes yes or no");
    settings.setValue(KeyPath(section, key), stored);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw Error(kErrorWriting, "The settings file " + file.toStdString() + " can't be written");
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    written = true;
}

void UseQtSettingsStore(Application& app) {
    app.MakeSettingsStore = [] { return std::make_unique<QtSettingsStore>(); };
}

}  // namespace qv
