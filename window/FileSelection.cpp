// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of the backup file to write and of the earlier backup to extend.
// Each dialog opens in the folder of the last file chosen through it.
#include <QLineEdit>

#include "Error.h"
#include "SettingsStore.h"
#include "Sundrykit.h"
#include "backupfiles/BackupFiles.h"
#include "frmMain.h"
#include "widgets/FileDialog.h"

namespace qv {

namespace {

const char* const kFilter = "XML files|*.XML|All files|*.*";
const char* const kPathsSection = "Paths";
const char* const kTargetFolderKey = "Last XML File Path";
const char* const kBaseFolderKey = "Last XML Base File Path";

std::string ReadFolder(SettingsStore& store, const char* key) {
    bool found = false;
    const SettingValue value = store.ReadValue(kPathsSection, key, skText, std::string(), App(), true, found);
    const auto* text = std::get_if<std::string>(&value);
    return text ? *text : std::string();
}

void WriteFolder(SettingsStore& store, const char* key, const std::string& chosenFile) {
    bool written = false;
    store.WriteValue(kPathsSection, key, skText, skGetFilePath(chosenFile), App(), true, written);
}

std::tm LocalTime(const QDateTime& moment) {
    const QDate date = moment.date();
    const QTime time = moment.time();
    std::tm local{};
    local.tm_year = date.year() - 1900;
    local.tm_mon = date.month() - 1;
    local.tm_mday = date.day();
    local.tm_hour = time.hour();
    local.tm_min = time.minute();
    local.tm_sec = time.second();
    return local;
}

std::unique_ptr<SettingsStore> NewStore() {
    if (!App().MakeSettingsStore) throw Error(429, "This program has no settings store");
    return App().MakeSettingsStore();
}

}  // namespace

std::string frmMain::GetXMLFileName(bool addDateTime) {
    FileDialog dialog;
    const std::unique_ptr<SettingsStore> store = NewStore();
    dialog.DefaultExt("XML");
    dialog.Filter(kFilter);
    dialog.OwnerWindow(this);
    dialog.InitialFolder(ReadFolder(*store, kTargetFolderKey));
    const std::string address = txtGroup->text().toStdString();
    if (!address.empty()) dialog.FileName(backupfiles::ProposedName(address, addDateTime, LocalTime(Now())));
    if (!dialog.ShowSave()) return "";
    const std::string chosen = dialog.SelectedFile();
    WriteFolder(*store, kTargetFolderKey, chosen);
    return chosen;
}

std::string frmMain::GetXMLBaseFileName() {
    FileDialog dialog;
    const std::unique_ptr<SettingsStore> store = NewStore();
    dialog.Title("Open previously saved backup XML file");
    dialog.Filter(kFilter);
    dialog.OwnerWindow(this);
    dialog.InitialFolder(ReadFolder(*store, kBaseFolderKey));
    if (!dialog.ShowOpen()) return "";
    const std::string chosen = dialog.SelectedFile();
    WriteFolder(*store, kBaseFolderKey, chosen);
    return chosen;
}

}  // namespace qv
