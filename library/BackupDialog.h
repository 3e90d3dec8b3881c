// SPDX-License-Identifier: GPL-3.0-or-later
// "Back up a blog…": the blog's address (a browser's address is taken by the
// rule every front end uses), the file to write (proposed from the address),
// the account and the blog's password, the reader, and what to do after the
// backup. Enter starts it; a file that is there already is extended,
// replaced, or another name is chosen.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "library/FirstBackup.h"
#include "library/Questions.h"
#include "library/SignInJob.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qv::library {

class BackupDialog : public QDialog {
    Q_OBJECT

public:
    // `folder`: where the proposed file goes.
    BackupDialog(std::string folder, QuestionPresenter& questions, QWidget* parent = nullptr);

    // What to run, once the dialog was accepted.
    const FirstBackupRequest& Request() const { return request_; }

    QLineEdit* Address() const { return address_; }
    QLineEdit* File() const { return file_; }
    // What is wrong with what was typed; "" when nothing is.
    QString Problem() const;

    // What the sign-in said last ("Signed in as NAME.").
    QString SignInOutcome() const;
    bool SigningIn() const;

public slots:
    void accept() override;
    // A sign-in still under way is stopped and left to end beside the window.
    void done(int result) override;

private:
    void ProposeFile();
    void Browse();
    void ReaderChanged();
    void SignIn();
    // Takes what was typed into the request; false, with the problem said, when something is wrong.
    bool TakeRequest();
    // Says the problem and puts the keyboard where it is; answers false.
    bool Refuse(const QString& problem, QWidget* focus);
    // A file at the target: extend it, replace it, or stay to choose another.
    bool SettleExisting();

    std::string folder_;
    QuestionPresenter& questions_;
    FirstBackupRequest request_;
    bool fileEdited_ = false;

    QLineEdit* address_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLineEdit* email_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* blogPassword_ = nullptr;
    QComboBox* reader_ = nullptr;
    QLineEdit* apiKey_ = nullptr;
    QLineEdit* apiSecret_ = nullptr;
    QPushButton* signIn_ = nullptr;
    SignInJob* signInJob_ = nullptr;
    QLabel* signedIn_ = nullptr;
    QCheckBox* media_ = nullptr;
    QCheckBox* html_ = nullptr;
    QCheckBox* daily_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* start_ = nullptr;
};

}  // namespace qv::library
