// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>

#include "GuiDoubles.h"
#include "qtcore/QtSettingsStore.h"

namespace qv {
namespace {

using test::FreshUserFolders;

std::string SettingsFile() { return QtSettingsStore::FilePath(App()).toStdString(); }

TEST(Settings, FirstStartHasEmptyFieldsAndAnonymousAccessWithGreyedAccountFields) {
    FreshUserFolders folders;
    frmMain w(folders.DataFolder());
    w.Load();
    EXPECT_TRUE(w.txtGroup->text().isEmpty());
    EXPECT_TRUE(w.txtEMail->text().isEmpty());
    EXPECT_TRUE(w.txtPassword->text().isEmpty());
    EXPECT_TRUE(w.txtPassword2->text().isEmpty());
    EXPECT_TRUE(w.chkAnonymous->isChecked());
    EXPECT_FALSE(w.chkAddDateTimeToFileName->isChecked());
    EXPECT_FALSE(w.chkApplyNTFSCompression->isChecked());
    EXPECT_FALSE(w.chkIncrementalBackup->isChecked());
    EXPECT_FALSE(w.txtEMail->isEnabled());
    EXPECT_EQ(w.txtPassword->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
}

TEST(Settings, WhatIsSavedComesBackAndPasswordsAreNeverStoredAsTyped) {
    FreshUserFolders folders;
    {
        frmMain w(folders.DataFolder());
        w.Load();
        w.txtEMail->setText("me@example.com");
        w.txtPassword->setText("s3cret \xE2\x82\xAC");
        w.txtGroup->setText("myblog.example");
        w.txtPassword2->setText("blog pass");
        w.chkAnonymous->setChecked(false);
        w.chkAddDateTimeToFileName->setChecked(true);
        w.chkApplyNTFSCompression->setTristate(true);
        w.chkApplyNTFSCompression->setCheckState(Qt::PartiallyChecked);  // grey is stored as not ticked
        w.chkIncrementalBackup->setChecked(true);
        w.SaveSettings();
    }
    const std::string file = test::ReadAll(SettingsFile());
    EXPECT_EQ(file.find("s3cret"), std::string::npos) << file;
    EXPECT_EQ(file.find("blog pass"), std::string::npos) << file;
    struct stat info{};
    ASSERT_EQ(stat(SettingsFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    frmMain again(folders.DataFolder());
    again.Load();
    EXPECT_EQ(again.txtEMail->text(), "me@example.com");
    EXPECT_EQ(again.txtPassword->text(), QString::fromUtf8("s3cret \xE2\x82\xAC"));
    EXPECT_EQ(again.txtGroup->text(), "myblog.example");
    EXPECT_EQ(again.txtPassword2->text(), "blog pass");
    EXPECT_FALSE(again.chkAnonymous->isChecked());
    EXPECT_TRUE(again.txtEMail->isEnabled()) << "the account fields follow the loaded box";
    EXPECT_TRUE(again.chkAddDateTimeToFileName->isChecked());
    EXPECT_EQ(again.chkApplyNTFSCompression->checkState(), Qt::Unchecked);
    EXPECT_TRUE(again.chkIncrementalBackup->isChecked());

    // Emptied fields are stored empty, not left at their old values.
    again.txtPassword->clear();
    again.txtEMail->clear();
    again.SaveSettings();
    frmMain third(folders.DataFolder());
    third.Load();
    EXPECT_TRUE(third.txtPassword->text().isEmpty());
    EXPECT_TRUE(third.txtEMail->text().isEmpty());
    EXPECT_EQ(third.txtGroup->text(), "myblog.example");
}

TEST(Settings, AStoredValueThatIsNotYesOrNoLeavesOnlyItsBoxAsDesigned) {
    FreshUserFolders folders;
    {
        QSettings raw(QtSettingsStore::FilePath(App()), QSettings::IniFormat);
        raw.setValue("Anonymous Access", "perhaps");
        raw.setValue("Incremental Backup", "true");
        raw.setValue("Password", "12345");  // not a stored form: length is no multiple of 4
        raw.setValue("E-Mail", "me@example.com");
    }
    frmMain w(folders.DataFolder());
    w.Load();
    EXPECT_FALSE(w.chkAnonymous->isChecked()) << "as designed: unchecked";
    EXPECT_TRUE(w.chkIncrementalBackup->isChecked());
    EXPECT_TRUE(w.txtPassword->text().isEmpty());
    EXPECT_EQ(w.txtEMail->text(), "me@example.com");
}

TEST(Settings, AnUnwritableSettingsFileIsReportedWhenTheWindowCloses) {
    FreshUserFolders folders;
    // A folder where the settings file should be makes every write fail.
    std::filesystem::create_directories(SettingsFile());
    std::filesystem::create_directories(folders.DataFolder());
    test::ScopedMessages messages;
    auto* w = new frmMain(folders.DataFolder());
    w->Load();
    w->show();
    w->close();
    ASSERT_EQ(messages->Shown().size(), 1u);
    EXPECT_NE(messages->Shown()[0].Text.find("can't be written"), std::string::npos) << messages->Shown()[0].Text;
    EXPECT_FALSE(w->isVisible());
    delete w;
}

}  // namespace
}  // namespace qv
