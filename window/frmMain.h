// SPDX-License-Identifier: GPL-3.0-or-later
// The program's only window: the inputs of a backup run, the buttons that
// start, stop and set it up, and the framed progress panel shown over the
// window while a run is active. The run itself executes inside the Start
// button's handler; the window stays alive because the engine and the
// transfer callbacks let pending events run.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "HistoryList.h"
#include "Http.h"
#include "modTumblrInteraction.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qv {

class frmMain : public QDialog, public IBackupHost {
    Q_OBJECT

public:
    // `dataFolder` holds the history files.
    explicit frmMain(std::string dataFolder, QWidget* parent = nullptr);
    ~frmMain() override;

    // The load steps: centre, icon, toolbar, settings, histories, progress panel.
    void Load();

    // IBackupHost: how the engine reaches the window.
    void SetStatus(const std::string& text) override;
    void DisableCancel() override;
    void DoEvents() override;
    void PieceChanged(int32_t piece) override { pieceCount_ = piece; }

    // IHTTPRequestCallback: progress of every request of a run.
    void BlockReceived(const std::string& block, bool& removeBlock, int32_t receivedBytes, int32_t totalBytes,
                       bool& cancel) override;
    void BlockSent(const std::string& block, int32_t sentBytes, int32_t totalBytes, bool& cancel) override;

    // The backup file to write / the earlier backup to extend; "" when the user cancels.
    std::string GetXMLFileName(bool addDateTime);
    std::string GetXMLBaseFileName();

    void LoadSettings();
    void SaveSettings();

    bool IsRunning() const { return running_; }
    bool CancelRequested() const { return cancelRequested_; }

    // The moment the proposed file name is stamped with.
    std::function<QDateTime()> Now = &QDateTime::currentDateTime;

    // Controls, named as designed. lblTag has no index 4.
    std::array<QLabel*, 6> lblTag{};
    QLineEdit* txtGroup = nullptr;
    QPushButton* cmdGroupAddressHistory = nullptr;
    QGroupBox* fraAuth = nullptr;
    QLineEdit* txtEMail = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdEMailHistory = nullptr;
    QCheckBox* chkAnonymous = nullptr;
    QGroupBox* fraAuth2 = nullptr;
    QLineEdit* txtPassword2 = nullptr;
    QGroupBox* fraMiscOptions = nullptr;
    QCheckBox* chkAddDateTimeToFileName = nullptr;
    QCheckBox* chkApplyNTFSCompression = nullptr;
    QCheckBox* chkIncrementalBackup = nullptr;
    QPushButton* cmdProxySetup = nullptr;
    QPushButton* cmdStart = nullptr;
    QPushButton* cmdCancel = nullptr;
    QWidget* pnlProgress = nullptr;
    QWidget* pnlProgressInner = nullptr;

    HistoryList GroupAddressHistory;
    HistoryList EMailHistory;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void CreateProgressPanels();
    int Twips(int twips) const;
    QRect DesignedRect(std::string_view name) const;

    void cmdStart_Click();
    void UpdateControlStates();
    void SetRunning(bool running);
    void UpdateProgress(int32_t receivedBytes, int32_t totalBytes);
    void ShowAboutBox();
    void Unload();

    std::string dataFolder_;
    bool running_ = false;
    bool cancelRequested_ = false;
    // The page the run asks for, shown as the request number.
    int32_t pieceCount_ = 0;
    bool loaded_ = false;
    double dotsPerInch_ = 96;
};

}  // namespace qv
