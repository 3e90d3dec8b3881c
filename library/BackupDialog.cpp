// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/BackupDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "blogaddress/BlogAddress.h"
#include "widgets/FileDialog.h"

namespace qv::library {

namespace {

constexpr const char* kTitle = "Back up a blog";

QString Text(const std::string& text) { return QString::fromStdString(text); }

QLineEdit* SecretLine(QWidget* parent) {
    auto* line = new QLineEdit(parent);
    line->setEchoMode(QLineEdit::Password);
    return line;
}

// The row's label, whose mnemonic focuses `buddy`.
QLabel* LabelFor(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

BackupDialog::BackupDialog(std::string folder, QuestionPresenter& questions, QWidget* parent)
    : QDialog(parent), folder_(std::move(folder)), questions_(questions) {
    setWindowTitle(kTitle);

    address_ = new QLineEdit(this);
    address_->setPlaceholderText("myblog.example.com, or its address copied from the browser");
    file_ = new QLineEdit(this);
    browse_ = new QPushButton("B&rowse…", this);
    email_ = new QLineEdit(this);
    email_->setPlaceholderText("only for your own blog's private posts");
    password_ = SecretLine(this);
    blogPassword_ = SecretLine(this);
    blogPassword_->setPlaceholderText("only for a blog protected by a password");
    reader_ = new QComboBox(this);
    reader_->addItem("the read API (no key needed)");
    reader_->addItem("the v2 API, with your application's key");
    apiKey_ = SecretLine(this);
    apiKey_->setPlaceholderText("kept in the keyring; empty: the key kept there");
    apiSecret_ = SecretLine(this);
    apiSecret_->setPlaceholderText("for signing in; empty: the secret kept there");
    signIn_ = new QPushButton("Sign i&n…", this);
    signIn_->setToolTip(
        "Sign in through the browser, so that the v2 API reads what your account may read; the keyring keeps "
        "the key, the secret and the sign-in");
    signInJob_ = new SignInJob(this);
    signedIn_ = new QLabel(this);
    signedIn_->setWordWrap(true);
    media_ = new QCheckBox("Keep &media", this);
    media_->setToolTip("Keep the pictures, audio and video of the blog in a folder beside the backup");
    html_ = new QCheckBox("Write offline &view", this);
    html_->setToolTip("Write pages to read the backup in a browser, without a network");
    daily_ = new QCheckBox("Update every &day", this);
    daily_->setToolTip(
        "Update the backup once a day, with its media and offline view, even when the Library is "
        "not open; the passwords are then kept in the keyring");
    problem_ = new QLabel(this);
    problem_->setWordWrap(true);
    problem_->setStyleSheet("color: #b00000");
    problem_->hide();

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse_);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(apiSecret_, 1);
    keyRow->addWidget(signIn_);

    auto* form = new QFormLayout;
    form->addRow(LabelFor("Blog &address:", address_, this), address_);
    form->addRow(LabelFor("&Save as:", file_, this), fileRow);
    form->addRow(LabelFor("Account &e-mail:", email_, this), email_);
    form->addRow(LabelFor("Account &password:", password_, this), password_);
    form->addRow(LabelFor("Blog pass&word:", blogPassword_, this), blogPassword_);
    form->addRow(LabelFor("Read t&hrough:", reader_, this), reader_);
    form->addRow(LabelFor("API &key:", apiKey_, this), apiKey_);
    form->addRow(LabelFor("API se&cret:", apiSecret_, this), keyRow);
    form->addRow(QString(), signedIn_);

    auto* after = new QHBoxLayout;
    after->addWidget(media_);
    after->addWidget(html_);
    after->addWidget(daily_);
    after->addStretch();

    auto* buttons = new QDialogButtonBox(this);
    start_ = buttons->addButton("&Back up", QDialogButtonBox::AcceptRole);
    start_->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &BackupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &BackupDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(after);
    layout->addWidget(problem_);
    layout->addWidget(buttons);

    connect(address_, &QLineEdit::textChanged, this, &BackupDialog::ProposeFile);
    connect(file_, &QLineEdit::textEdited, this, [this] { fileEdited_ = true; });
    connect(browse_, &QPushButton::clicked, this, &BackupDialog::Browse);
    connect(reader_, &QComboBox::currentIndexChanged, this, &BackupDialog::ReaderChanged);
    connect(signIn_, &QPushButton::clicked, this, &BackupDialog::SignIn);
    connect(signInJob_, &SignInJob::Said, signedIn_, &QLabel::setText);
    connect(signInJob_, &SignInJob::Ended, this, [this](bool, const QString& outcome) {
        signedIn_->setText(outcome);
        ReaderChanged();
    });

    ReaderChanged();
    ProposeFile();
    setMinimumWidth(560);
    address_->setFocus();
}

void BackupDialog::ProposeFile() {
    if (fileEdited_) return;
    const Result<std::string> bare = BareBlogAddress(address_->text().toStdString());
    if (bare) file_->setText(Text(ProposedTarget(folder_, *bare)));
}

void BackupDialog::Browse() {
    FileDialog dialog;
    dialog.Title("Save the backup as");
    dialog.Filter("Backups|*.xml|All files|*.*");
    dialog.DefaultExt("xml");
    dialog.OwnerWindow(this);
    const QFileInfo proposed(file_->text());
    dialog.InitialFolder((file_->text().isEmpty() ? Text(folder_) : proposed.absolutePath()).toStdString());
    dialog.FileName(proposed.fileName().toStdString());
    if (!dialog.ShowSave()) return;
    file_->setText(Text(dialog.SelectedFile()));
    fileEdited_ = true;
}

void BackupDialog::ReaderChanged() {
    const bool v2 = reader_->currentIndex() == static_cast<int>(Reader::V2);
    apiKey_->setEnabled(v2);
    apiSecret_->setEnabled(v2);
    signIn_->setEnabled(v2 && !SigningIn());
}

void BackupDialog::SignIn() {
    signedIn_->setText("Signing in: the browser asks you to allow Quillvault…");
    signInJob_->Start(apiKey_->text().trimmed(), apiSecret_->text().trimmed());
    ReaderChanged();
}

QString BackupDialog::SignInOutcome() const { return signedIn_->text(); }

bool BackupDialog::SigningIn() const { return signInJob_ && signInJob_->Running(); }

void BackupDialog::done(int result) {
    // Waiting here for the command line to end (a keyring prompt, a stuck
    // browser) would hold the window; the job goes on beside it and goes away
    // once ended.
    if (SigningIn() && parent()) {
        signInJob_->disconnect(this);
        signInJob_->setParent(parent());
        connect(signInJob_, &SignInJob::Ended, signInJob_, &QObject::deleteLater);
        signInJob_->Stop();
        signInJob_ = nullptr;
    }
    QDialog::done(result);
}

QString BackupDialog::Problem() const { return problem_->isVisible() ? problem_->text() : QString(); }

bool BackupDialog::Refuse(const QString& problem, QWidget* focus) {
    problem_->setText(problem);
    problem_->show();
    focus->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(focus)) line->selectAll();
    return false;
}

bool BackupDialog::SettleExisting() {
    if (!QFileInfo::exists(Text(request_.target))) return true;
    const auto chosen = questions_.Choose(
        this, {kTitle,
               QString("%1 is there already.\n\nExtend it with the posts it does not hold yet, "
                       "or replace it with a new backup?")
                   .arg(Text(request_.target)),
               {"&Extend it", "&Replace it", "Choose &another name"}});
    if (chosen == 0 || chosen == 1) {
        request_.extend = chosen == 0;
        return true;
    }
    return Refuse("Choose another name for the backup.", file_);
}

bool BackupDialog::TakeRequest() {
    // Its run would read through the v2 API before the sign-in is kept.
    if (SigningIn()) return Refuse("Signing in is under way: allow it in the browser first.", signedIn_);
    const Result<std::string> bare = BareBlogAddress(address_->text().toStdString());
    if (!bare) return Refuse(Text(bare.status().text()), address_);
    // As the window does: the box shows what will be asked for.
    if (address_->text().toStdString() != *bare) address_->setText(Text(*bare));
    if (file_->text().trimmed().isEmpty()) return Refuse("Where should the backup go?", file_);
    if (!email_->text().isEmpty() && password_->text().isEmpty())
        return Refuse("The account's private posts need its password.", password_);
    if (email_->text().isEmpty() && !password_->text().isEmpty())
        return Refuse("The account's password goes with its e-mail address.", email_);

    request_ = FirstBackupRequest();
    request_.address = *bare;
    request_.target = QDir::cleanPath(QFileInfo(file_->text().trimmed()).absoluteFilePath()).toStdString();
    request_.email = email_->text().trimmed();
    request_.password = password_->text();
    request_.blogPassword = blogPassword_->text();
    request_.reader = static_cast<Reader>(reader_->currentIndex());
    request_.apiKey = apiKey_->text().trimmed();
    request_.apiSecret = apiSecret_->text().trimmed();
    request_.media = media_->isChecked();
    request_.html = html_->isChecked();
    request_.daily = daily_->isChecked();
    const QFileInfo target(Text(request_.target));
    if (target.isDir()) return Refuse("That is a folder; the backup is a file in it.", file_);
    if (!SettleExisting()) return false;
    if (!QDir().mkpath(target.absolutePath()))
        return Refuse("Can't make the folder " + target.absolutePath() + ".", file_);
    return true;
}

void BackupDialog::accept() {
    problem_->hide();
    if (TakeRequest()) QDialog::accept();
}

}  // namespace qv::library
