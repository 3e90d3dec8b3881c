// SPDX-License-Identifier: GPL-3.0-or-later
// The window's layout, its load and unload, keys and focus.
#include "frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "Design.h"
#include "Error.h"
#include "Messages.h"
#include "Sundrykit.h"
#include "SundrykitGui.h"
#include "WindowFont.h"
#include "controls/ControlFramework.h"
#include "controls/ControlInterfaces.h"
#include "modCommon.h"
#include "toolbar/modPerchbar.h"
#include "widgets/AboutBox.h"

namespace qv {

namespace {

const char* const kGroupHistoryFile = "Group Adress History.DAT";
const char* const kEMailHistoryFile = "E-Mail History.DAT";
const char* const kDedication = "For everyone who keeps what they wrote.";

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

frmMain::frmMain(std::string dataFolder, QWidget* parent) : QDialog(parent), dataFolder_(std::move(dataFolder)) {
    setObjectName("frmMain");
    setWindowTitle("Quillvault");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(WindowFont());
    if (QScreen* screen = QApplication::primaryScreen()) dotsPerInch_ = screen->logicalDotsPerInchX();
    BuildControls();
    qApp->installEventFilter(this);
}

frmMain::~frmMain() { qApp->removeEventFilter(this); }

int frmMain::Twips(int twips) const { return TwipsToPixels(twips, dotsPerInch_); }

QRect frmMain::DesignedRect(std::string_view name) const {
    const ControlDesign& control = Designed(name);
    return QRect(Twips(control.left), Twips(control.top), Twips(control.width), Twips(control.height));
}

void frmMain::BuildControls() {
    setFixedSize(Twips(kClientWidth), Twips(kClientHeight));

    // Each control takes its name, caption and place from the design.
    auto place = [&](QWidget* control, std::string_view name) {
        control->setObjectName(Text(name));
        control->setGeometry(DesignedRect(name));
    };
    auto caption = [](std::string_view name) { return Text(Designed(name).caption); };
    auto label = [&](int index, QWidget* parent) {
        const std::string name = "lblTag(" + std::to_string(index) + ")";
        lblTag[index] = new QLabel(caption(name), parent);
        place(lblTag[index], name);
    };
    auto textBox = [&](QWidget* parent, std::string_view name, bool masked) {
        auto* box = new QLineEdit(parent);
        place(box, name);
        if (masked) box->setEchoMode(QLineEdit::Password);
        return box;
    };
    auto button = [&](QWidget* parent, std::string_view name) {
        auto* push = new QPushButton(caption(name), parent);
        place(push, name);
        return push;
    };
    auto frame = [&](std::string_view name) {
        auto* box = new QGroupBox(caption(name), this);
        place(box, name);
        return box;
    };
    auto checkBox = [&](QWidget* parent, std::string_view name) {
        auto* check = new QCheckBox(caption(name), parent);
        place(check, name);
        return check;
    };

    label(0, this);
    txtGroup = textBox(this, "txtGroup", false);
    txtGroup->setToolTip(" Blog's address, e.g. myblog.tumblr.com, www.myblog.com, etc. ");
    cmdGroupAddressHistory = button(this, "cmdGroupAddressHistory");
    cmdGroupAddressHistory->setToolTip(" History ");

    fraAuth = frame("fraAuth");
    label(2, fraAuth);
    txtEMail = textBox(fraAuth, "txtEMail", false);
    label(3, fraAuth);
    txtPassword = textBox(fraAuth, "txtPassword", true);
    cmdEMailHistory = button(fraAuth, "cmdEMailHistory");
    cmdEMailHistory->setToolTip(" History ");
    chkAnonymous = checkBox(fraAuth, "chkAnonymous");

    fraAuth2 = frame("fraAuth2");
    label(1, fraAuth2);
    txtPassword2 = textBox(fraAuth2, "txtPassword2", true);

    fraMiscOptions = frame("fraMiscOptions");
    chkAddDateTimeToFileName = checkBox(fraMiscOptions, "chkAddDateTimeToFileName");
    chkApplyNTFSCompression = checkBox(fraMiscOptions, "chkApplyNTFSCompression");
    chkIncrementalBackup = checkBox(fraMiscOptions, "chkIncrementalBackup");

    cmdProxySetup = button(this, "cmdProxySetup");
    cmdStart = button(this, "cmdStart");
    cmdCancel = button(this, "cmdCancel");
    cmdStart->setDefault(true);

    // Labels and frames take no focus, so the first stop is the address box.
    QWidget* tabOrder[] = {txtGroup,     cmdGroupAddressHistory, txtEMail,  txtPassword,
                           cmdEMailHistory, chkAnonymous,        txtPassword2, chkAddDateTimeToFileName,
                           chkApplyNTFSCompression, chkIncrementalBackup, cmdProxySetup, cmdStart, cmdCancel};
    for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    CreateProgressPanels();

    connect(cmdStart, &QPushButton::clicked, this, [this] { cmdStart_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { close(); });
    connect(cmdProxySetup, &QPushButton::clicked, this, [] { ProxySetup(); });
    connect(chkAnonymous, &QCheckBox::stateChanged, this, [this] { UpdateControlStates(); });
    connect(cmdGroupAddressHistory, &QPushButton::clicked, this, [this] { GroupAddressHistory.ShowFor(txtGroup); });
    connect(cmdEMailHistory, &QPushButton::clicked, this, [this] { EMailHistory.ShowFor(txtEMail); });
    UpdateControlStates();
}

void frmMain::CreateProgressPanels() {
    QString error;
    pnlProgress = CreateControl("Bevelpane.Panel", this, &error);
    if (pnlProgress) pnlProgressInner = CreateControl("Bevelpane.Panel", pnlProgress, &error);
    if (!pnlProgress || !pnlProgressInner) {
        // Without the panel library the window still works; the progress text
        // just has no frame.
        skLogError("The progress panel can't be created: " + error.toStdString());
        delete pnlProgress;
        pnlProgress = new QWidget(this);
        pnlProgressInner = new QWidget(pnlProgress);
    } else {
        // The outer panel stores no keys (all defaults, raised); the inner one
        // only its sunken border.
        if (auto* outer = qobject_cast<IPersistPropertyBag*>(pnlProgress)) outer->InitProperties();
        if (auto* inner = qobject_cast<IPersistPropertyBag*>(pnlProgressInner)) {
            PropertyBag bag;
            bag.WriteProperty("borderstyle", 3, 4);
            inner->ReadProperties(bag);
        }
    }
    pnlProgress->setObjectName("pnlProgress");
    pnlProgressInner->setObjectName("pnlProgressInner");
    pnlProgress->setGeometry(DesignedRect("pnlProgress"));
    pnlProgressInner->setGeometry(DesignedRect("pnlProgressInner"));
    lblTag[5] = new QLabel(pnlProgressInner);
    lblTag[5]->setObjectName("lblTag(5)");
    lblTag[5]->setGeometry(DesignedRect("lblTag(5)"));
    lblTag[5]->setWordWrap(true);
    lblTag[5]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pnlProgress->hide();
    pnlProgress->raise();
}

void frmMain::Load() {
    if (loaded_) return;
    loaded_ = true;
    skCenterFormEx(this, 0);
    if (!skIsInIDE()) skSetWindowResIconAll(this, "A_MAIN");
    ToolbarMarkForm(this);
    LoadSettings();

    GroupAddressHistory.Init(kGroupHistoryFile, dataFolder_, App(), "", true);
    GroupAddressHistory.Load();
    EMailHistory.Init(kEMailHistoryFile, dataFolder_, App(), "", true);
    EMailHistory.Load();

    // Centred in whole twips, the remainder of the halving dropped.
    const ControlDesign& panel = Designed("pnlProgress");
    const int left = (kClientWidth - panel.width) / 2;
    const int top = (kClientHeight - panel.height) / 2;
    pnlProgress->move(Twips(left), Twips(top));
    txtGroup->setFocus(Qt::OtherFocusReason);
}

void frmMain::Unload() {
    try {
        GroupAddressHistory.Save();
        EMailHistory.Save();
        SaveSettings();
        ToolbarUnMarkForm(this);
    } catch (const Error& error) {
        // The window closes anyway; what could not be kept is said once.
        MsgBox(error.what(), mbCritical);
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (IsRunning()) {
        cancelRequested_ = true;
        event->ignore();
        return;
    }
    if (loaded_) Unload();
    event->accept();
}

void frmMain::reject() {
    // Escape presses the cancel button, which asks the window to close.
    if (cmdCancel->isEnabled()) cmdCancel->click();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWindowType() && watched == windowHandle()) {
        // The platform hands every key to the window before the focused control,
        // and only once; as it travels on from control to parent it is not ours to see again.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::ShiftModifier && !key->isAutoRepeat() &&
            !IsRunning()) {
            // After the focused control has had the key, which is not consumed.
            QTimer::singleShot(0, this, [this] { ShowAboutBox(); });
        }
        return false;
    }
    if (event->type() != QEvent::FocusIn) return false;
    if (watched == txtGroup || watched == txtEMail || watched == txtPassword) {
        // After the event, so that a click that gave the focus does not undo the selection.
        auto* box = static_cast<QLineEdit*>(watched);
        QTimer::singleShot(0, box, [box] { skHighlightText(box); });
    } else if (watched == txtPassword2) {
        // A line edit selects its text when tabbed into; this box is meant not to.
        QTimer::singleShot(0, txtPassword2, [this] { txtPassword2->deselect(); });
    }
    return false;
}

void frmMain::ShowAboutBox() {
    if (IsRunning()) return;
    SharedAboutBox().Show(this, App(), "", nullptr, kDedication);
}

}  // namespace qv
