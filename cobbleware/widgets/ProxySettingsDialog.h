// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog behind ProxySettings::EditDialog: no proxy, the proxy the
// environment names, or an HTTP proxy of the user's own with optional
// credentials. It edits a copy; only OK hands the values back.
#pragma once

#include <QDialog>
#include <functional>

#include "Http.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace qv {

class ProxySettingsDialog : public QDialog {
public:
    explicit ProxySettingsDialog(const ProxySettings& settings, QWidget* parent = nullptr);

    // The values as the dialog shows them, over `settings`.
    void StoreInto(ProxySettings& settings) const;

    // Shows the dialog modally over the active window; on OK `settings` takes
    // the edited values, on Cancel it stays as it was.
    static void Edit(ProxySettings& settings);

    // For tests: `answer` runs once the next dialog is on screen and plays the
    // user through the widgets' object names (optNone, optEnvironment,
    // optManual, txtHost, txtPort, txtUser, txtPassword, buttons). A dialog
    // that `answer` leaves open is cancelled, so a test cannot hang on it.
    static void AnswerNext(std::function<void(ProxySettingsDialog&)> answer);

private:
    void UpdateStates();

    QRadioButton* none_;
    QRadioButton* environment_;
    QRadioButton* manual_;
    QLabel* environmentValues_;
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QDialogButtonBox* buttons_;
};

}  // namespace qv
