// SPDX-License-Identifier: GPL-3.0-or-later
// What the window remembers between starts: its fields and options, with the
// two passwords scrambled.
#include <QCheckBox>
#include <QLineEdit>

#include "Error.h"
#include "SettingsStore.h"
#include "frmMain.h"
#include "passwords/modPasswordCryptor.h"

namespace qv {

namespace {

const char* const kSection = "";

std::unique_ptr<SettingsStore> NewStore() {
    if (!App().MakeSettingsStore) throw Error(429, "This program has no settings store");
    return App().MakeSettingsStore();
}

QString ReadText(SettingsStore& store, const char* key) {
    bool found = false;
    const SettingValue value = store.ReadValue(kSection, key, skText, std::string(), App(), true, found);
    const auto* text = std::get_if<std::string>(&value);
    if (!text) throw Error(13, std::string("\"") + key + "\" is not a text");
    return QString::fromStdString(*text);
}

bool ReadFlag(SettingsStore& store, const char* key, bool fallback) {
    bool found = false;
    const SettingValue value = store.ReadValue(kSection, key, skBoolean, fallback, App(), true, found);
    const auto* flag = std::get_if<bool>(&value);
    if (!flag) throw Error(13, std::string("\"") + key + "\" is not yes or no");
    return *flag;
}

void WriteText(SettingsStore& store, const char* key, const std::string& text) {
    bool written = false;
    store.WriteValue(kSection, key, skText, text, App(), true, written);
}

void WriteFlag(SettingsStore& store, const char* key, const QCheckBox* box) {
    bool written = false;
    // Only a ticked box is true; the grey state counts as not ticked.
    store.WriteValue(kSection, key, skBoolean, box->checkState() == Qt::Checked, App(), true, written);
}

// A failing read leaves its field as it is; the other keys are still read.
template <typename Step>
void Tolerant(Step step) {
    try {
        step();
    } catch (const Error&) {
    }
}

}  // namespace

void frmMain::LoadSettings() {
    std::unique_ptr<SettingsStore> store;
    Tolerant([&] { store = NewStore(); });
    if (!store) return;
    Tolerant([&] { txtEMail->setText(ReadText(*store, "E-Mail")); });
    Tolerant([&] { txtPassword->setText(QString::fromStdString(Unscramble(ReadText(*store, "Password").toStdString()))); });
    Tolerant([&] { txtGroup->setText(ReadText(*store, "Last Group Address")); });
    Tolerant([&] { txtPassword2->setText(QString::fromStdString(Unscramble(ReadText(*store, "Password 2").toStdString()))); });
    Tolerant([&] { chkAnonymous->setChecked(ReadFlag(*store, "Anonymous Access", true)); });
    Tolerant([&] { chkAddDateTimeToFileName->setChecked(ReadFlag(*store, "Add Date Time To File Name", false)); });
    Tolerant([&] { chkApplyNTFSCompression->setChecked(ReadFlag(*store, "Apply NTFS Compression", false)); });
    Tolerant([&] { chkIncrementalBackup->setChecked(ReadFlag(*store, "Incremental Backup", false)); });
}

void frmMain::SaveSettings() {
    const std::unique_ptr<SettingsStore> store = NewStore();
    WriteText(*store, "E-Mail", txtEMail->text().toStdString());
    WriteText(*store, "Password", Scramble(txtPassword->text().toStdString()));
    WriteText(*store, "Last Group Address", txtGroup->text().toStdString());
    WriteText(*store, "Password 2", Scramble(txtPassword2->text().toStdString()));
    WriteFlag(*store, "Anonymous Access", chkAnonymous);
    WriteFlag(*store, "Add Date Time To File Name", chkAddDateTimeToFileName);
    WriteFlag(*store, "Apply NTFS Compression", chkApplyNTFSCompression);
    WriteFlag(*store, "Incremental Backup", chkIncrementalBackup);
}

}  // namespace qv
