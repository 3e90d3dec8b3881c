// SPDX-License-Identifier: GPL-3.0-or-later
// The window's side of a backup run: the Start button, the idle and running
// states, stopping, and the progress text.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "BoxDecisions.h"
#include "blogaddress/BlogAddress.h"
#include "catalog/BackupCatalog.h"
#include "Messages.h"
#include "Sundrykit.h"
#include "frmMain.h"

namespace qv {

namespace {

void SetBoxColour(QLineEdit* box, bool editable) {
    QPalette palette = box->palette();
    const QColor colour = QApplication::palette().color(editable ? QPalette::Base : QPalette::Button);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) palette.setColor(group, QPalette::Base, colour);
    box->setPalette(palette);
}

QString Shown(const std::string& text) { return QString::fromStdString(text).replace("\r\n", "\n"); }

// A saved backup joins the Library's list, with what a later update needs
// (never a password); the window itself has nothing more to say about it.
void RecordInLibrary(const std::string& dataFolder, const BackupOptions& options, const BackupResult& result) {
    catalog::CatalogEntry entry = catalog::SavedNow(options.XMLFileName, options.GroupAddress, result.Title,
                                                    result.PostsInBackup, result.ReportedTotal);
    entry.email = options.EMail;
    entry.blogPassword = !options.Password2.empty();
    const catalog::Changed recorded = catalog::Record(dataFolder, entry);
    if (recorded.setAside) skLogWarning(*recorded.setAside);
    if (!recorded.ok()) skLogWarning("The backup is not in the Library's list: " + recorded.status.text());
}

}  // namespace

void frmMain::cmdStart_Click() {
    if (txtGroup->text().isEmpty()) {
        MsgBox("Group address is missed.", mbCritical);
        return;
    }
    // An address pasted from the browser is taken as the host name it names,
    // in the box, the history and the proposed file name alike.
    const Result<std::string> address = BareBlogAddress(txtGroup->text().toStdString());
    if (!address) {
        MsgBox(address.status().text(), mbCritical);
        txtGroup->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (txtGroup->text().toStdString() != *address) txtGroup->setText(QString::fromStdString(*address));
    try {
        std::string previous;
        if (chkIncrementalBackup->isChecked()) {
            previous = GetXMLBaseFileName();
            if (previous.empty()) return;
        }
        const std::string target = GetXMLFileName(chkAddDateTimeToFileName->isChecked());
        if (target.empty()) return;

        GroupAddressHistory.Add(txtGroup->text().toStdString());
        EMailHistory.Add(txtEMail->text().toStdString());

        SetRunning(true);
        BackupOptions options;
        options.XMLFileName = target;
        options.XMLBaseFileName = previous;
        options.GroupAddress = txtGroup->text().toStdString();
        const bool anonymous = chkAnonymous->isChecked();
        options.EMail = anonymous ? "" : txtEMail->text().toStdString();
        options.Password = anonymous ? "" : txtPassword->text().toStdString();
        options.Password2 = txtPassword2->text().toStdString();
        options.ApplyNTFSCompression = chkApplyNTFSCompression->isChecked();
        BoxDecisions boxes;
        RunContext context(boxes, *this);
        const BackupResult result = RunBackup(options, context);
        if (result.ok()) RecordInLibrary(dataFolder_, options, result);
    } catch (const std::exception& error) {
        // Whatever went wrong, the user hears of it and the window comes back.
        MsgBox(error.what(), mbCritical);
    }
    if (running_) SetRunning(false);
    cancelRequested_ = false;
}

void frmMain::SetRunning(bool running) {
    running_ = running;
    UpdateControlStates();
    if (running) lblTag[5]->setText("Preparing...");
    pnlProgress->setVisible(running);
    if (!running) {
        // Like the platform's SetFocus, this makes the window active too: a box
        // that closed during the run may have left none active, and the address
        // box would then get keys without its focus handler ever selecting its text.
        activateWindow();
        txtGroup->setFocus(Qt::OtherFocusReason);
    }
    QCoreApplication::processEvents();
}

void frmMain::UpdateControlStates() {
    const bool idle = !running_;
    const bool editable = idle && !chkAnonymous->isChecked();

    for (QWidget* control : std::initializer_list<QWidget*>{
             txtGroup, lblTag[0], fraAuth, cmdStart, cmdProxySetup, cmdGroupAddressHistory, chkAnonymous, fraAuth2,
             txtPassword2, lblTag[1], fraMiscOptions, chkAddDateTimeToFileName, chkApplyNTFSCompression,
             chkIncrementalBackup})
        control->setEnabled(idle);
    for (QWidget* control : std::initializer_list<QWidget*>{txtEMail, txtPassword, cmdEMailHistory, lblTag[2], lblTag[3]})
        control->setEnabled(editable);

    SetBoxColour(txtGroup, idle);
    SetBoxColour(txtPassword2, idle);
    SetBoxColour(txtEMail, editable);
    SetBoxColour(txtPassword, editable);

    cmdCancel->setEnabled(true);
    cmdCancel->setText(running_ ? "Cancel" : "Exit");
}

void frmMain::SetStatus(const std::string& text) {
    lblTag[5]->setText(Shown(text));
    QCoreApplication::processEvents();
}

void frmMain::DisableCancel() { cmdCancel->setEnabled(false); }

void frmMain::DoEvents() { QCoreApplication::processEvents(); }

void frmMain::BlockReceived(const std::string&, bool&, int32_t receivedBytes, int32_t totalBytes, bool& cancel) {
    UpdateProgress(receivedBytes, totalBytes);
    QCoreApplication::processEvents();
    if (cancelRequested_) cancel = true;
}

void frmMain::BlockSent(const std::string&, int32_t, int32_t, bool& cancel) {
    QCoreApplication::processEvents();
    if (cancelRequested_) cancel = true;
}

void frmMain::UpdateProgress(int32_t receivedBytes, int32_t totalBytes) {
    lblTag[5]->setText(Shown("Request #" + std::to_string(pieceCount_) + "\r\n" +
                             skFormatByteSize(receivedBytes) + " / " + skFormatByteSize(totalBytes)));
}

}  // namespace qv
