// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ProxySettingsDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "widgets/ReturnFocus.h"

namespace qv {

namespace {

std::function<void(ProxySettingsDialog&)>& NextAnswer() {
    static std::function<void(ProxySettingsDialog&)> answer;
    return answer;
}

// What the transport reads in environment mode, so the user sees what that choice means.
QString EnvironmentProxies() {
    QStringList lines;
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY"}) {
        const QString value = qEnvironmentVariable(name);
        lines << QString("%1: %2").arg(name, value.isEmpty() ? QString("(not set)") : value);
    }
    return lines.join('\n');
}

}  // namespace

ProxySettingsDialog::ProxySettingsDialog(const ProxySettings& settings, QWidget* parent) : QDialog(parent) {
    setWindowTitle("HTTP Proxy");
    setModal(true);

    none_ = new QRadioButton("&No proxy", this);
    environment_ = new QRadioButton("Proxy from the &environment", this);
    manual_ = new QRadioButton("&Manual HTTP proxy", this);
    environmentValues_ = new QLabel(EnvironmentProxies(), this);
    environmentValues_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    host_ = new QLineEdit(QString::fromStdString(settings.Host), this);
    port_ = new QSpinBox(this);
    port_->setRange(1, 65535);
    port_->setValue(settings.Port);
    user_ = new QLineEdit(QString::fromStdString(settings.User), this);
    password_ = new QLineEdit(QString::fromStdString(settings.Password), this);
    password_->setEchoMode(QLineEdit::Password);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    none_->setObjectName("optNone");
    environment_->setObjectName("optEnvironment");
    manual_->setObjectName("optManual");
    environmentValues_->setObjectName("lblEnvironment");
    host_->setObjectName("txtHost");
    port_->setObjectName("txtPort");
    user_->setObjectName("txtUser");
    password_->setObjectName("txtPassword");
    buttons_->setObjectName("buttons");

    switch (settings.ProxyMode) {
        case ProxySettings::pmEnvironment:
            environment_->setChecked(true);
            break;
        case ProxySettings::pmManual:
            manual_->setChecked(true);
            break;
        default:
            none_->setChecked(true);
            break;
    }

    auto* manualFields = new QFormLayout;
    manualFields->addRow("&Host:", host_);
    manualFields->addRow("&Port:", port_);
    manualFields->addRow("&User name:", user_);
    manualFields->addRow("Pass&word:", password_);
    manualFields->setContentsMargins(24, 0, 0, 0);
    environmentValues_->setContentsMargins(24, 0, 0, 0);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(none_);
    layout->addWidget(environment_);
    layout->addWidget(environmentValues_);
    layout->addWidget(manual_);
    layout->addLayout(manualFields);
    layout->addWidget(buttons_);

    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QRadioButton* choice : {none_, environment_, manual_})
        connect(choice, &QRadioButton::toggled, this, [this] { UpdateStates(); });
    connect(host_, &QLineEdit::textChanged, this, [this] { UpdateStates(); });
    UpdateStates();
}

// A manual proxy without a host could never be reached, so OK waits for one.
void ProxySettingsDialog::UpdateStates() {
    const bool manual = manual_->isChecked();
    for (QWidget* field : std::initializer_list<QWidget*>{host_, port_, user_, password_})
        field->setEnabled(manual);
    environmentValues_->setEnabled(environment_->isChecked());
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!manual || !host_->text().trimmed().isEmpty());
}

void ProxySettingsDialog::StoreInto(ProxySettings& settings) const {
    if (manual_->isChecked()) {
        settings.ProxyMode = ProxySettings::pmManual;
    } else if (environment_->isChecked()) {
        settings.ProxyMode = ProxySettings::pmEnvironment;
    } else {
        settings.ProxyMode = ProxySettings::pmNone;
    }
    settings.Host = host_->text().trimmed().toStdString();
    settings.Port = port_->value();
    settings.User = user_->text().toStdString();
    settings.Password = password_->text().toStdString();
}

void ProxySettingsDialog::Edit(ProxySettings& settings) {
    QWidget* owner = QApplication::activeWindow();
    const ReturnFocusToOwner returnFocus(owner);
    ProxySettingsDialog dialog(settings, owner);
    if (auto answer = std::exchange(NextAnswer(), nullptr)) {
        QTimer::singleShot(0, &dialog, [&dialog, answer] {
            answer(dialog);
            if (dialog.isVisible()) dialog.reject();
        });
    }
    if (dialog.exec() == QDialog::Accepted) dialog.StoreInto(settings);
}

void ProxySettingsDialog::AnswerNext(std::function<void(ProxySettingsDialog&)> answer) {
    NextAnswer() = std::move(answer);
}

void ProxySettings::EditDialog() { ProxySettingsDialog::Edit(*this); }

}  // namespace qv
