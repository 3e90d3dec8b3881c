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

#include "AboutBox.h"
#include "ControlFramework.h"
#include "ControlInterfaces.h"
#include "Error.h"
#include "Messages.h"
#include "Sundrykit.h"
#include "SundrykitGui.h"
#include "modCommon.h"
#include "modPerchbar.h"

namespace qv {

namespace {

constexpr int kClientWidth = 4575;  // twips
constexpr int kClientHeight = 5355;
constexpr int kTwipsPerInch = 1440;

const char* const kGroupHistoryFile = "Group Adress History.DAT";
const char* const kEMailHistoryFile = "E-Mail History.DAT";
const char* const kDedication = "For everyone who keeps what they wrote.";

QFont WindowFont() {
    // Tahoma where it is installed, else the closest sans-serif face.
    QFont font;
    font.setFamilies({"Tahoma", "Liberation Sans", "DejaVu Sans", "Sans Serif"});
    font.setPointSize(9);
    font.setWeight(QFont::Normal);
    return font;
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

int frmMain::Twips(int twips) const { return static_cast<int>(twips * dotsPerInch_ / kTwipsPerInch + 0.5); }

QRect frmMain::TwipsRect(int left, int top, int width, int height) const {
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

void frmMain::BuildControls() {
    setFixedSize(Twips(kClientWidth), Twips(kClientHeight));

    auto label = [&](int index, QWidget* parent, const char* caption, QRect where) {
        lblTag[index] = new QLabel(caption, parent);
        lblTag[index]->setObjectName(QString("lblTag(%1)").arg(index));
        lblTag[index]->setGeometry(where);
    };
    auto textBox = [&](QWidget* parent, const char* name, QRect where, bool masked) {
        auto* box = new QLineEdit(parent);
        box->setObjectName(name);
        box->setGeometry(where);
        if (masked) box->setEchoMode(QLineEdit::Password);
        return box;
    };
    auto button = [&](QWidget* parent, const char* name, const char* caption, QRect where) {
        auto* push = new QPushButton(caption, parent);
        push->setObjectName(name);
        push->setGeometry(where);
        return push;
    };
    auto frame = [&](const char* name, const char* caption, QRect where) {
        auto* box = new QGroupBox(caption, this);
        box->setObjectName(name);
        box->setGeometry(where);
        return box;
    };
    auto checkBox = [&](QWidget* parent, const char* name, const char* caption, QRect where) {
        auto* check = new QCheckBox(caption, parent);
        check->setObjectName(name);
        check->setGeometry(where);
        return check;
    };

    label(0, this, "Group:", TwipsRect(180, 180, 555, 210));
    txtGroup = textBox(this, "txtGroup", TwipsRect(900, 120, 3075, 315), false);
    txtGroup->setToolTip(" Blog's address, e.g. myblog.tumblr.com, www.myblog.com, etc. ");
    cmdGroupAddressHistory = button(this, "cmdGroupAddressHistory", "H!", TwipsRect(4020, 120, 375, 315));
    cmdGroupAddressHistory->setToolTip(" History ");

    fraAuth = frame("fraAuth", " Authorization (optional) ", TwipsRect(120, 540, 4335, 1515));
    label(2, fraAuth, "E-Mail:", TwipsRect(240, 420, 510, 210));
    txtEMail = textBox(fraAuth, "txtEMail", TwipsRect(1200, 360, 2475, 315), false);
    label(3, fraAuth, "Password:", TwipsRect(240, 780, 825, 210));
    txtPassword = textBox(fraAuth, "txtPassword", TwipsRect(1200, 720, 2475, 315), true);
    cmdEMailHistory = button(fraAuth, "cmdEMailHistory", "H!", TwipsRect(3720, 360, 375, 315));
    cmdEMailHistory->setToolTip(" History ");
    chkAnonymous = checkBox(fraAuth, "chkAnonymous", "Anonymous access", TwipsRect(1200, 1140, 2055, 210));

    fraAuth2 = frame("fraAuth2", " For password protected blogs ", TwipsRect(120, 2160, 4335, 915));
    label(1, fraAuth2, "Password:", TwipsRect(240, 420, 825, 210));
    txtPassword2 = textBox(fraAuth2, "txtPassword2", TwipsRect(1200, 360, 2475, 315), true);

    fraMiscOptions = frame("fraMiscOptions", " Misc options ", TwipsRect(120, 3180, 4335, 1455));
    chkAddDateTimeToFileName =
        checkBox(fraMiscOptions, "chkAddDateTimeToFileName", "Add date and time to file name", TwipsRect(180, 360, 2955, 255));
    chkApplyNTFSCompression = checkBox(fraMiscOptions, "chkApplyNTFSCompression",
                                       "Apply NTFS compression for saved XML file", TwipsRect(180, 660, 3915, 315));
    chkIncrementalBackup =
        checkBox(fraMiscOptions, "chkIncrementalBackup", "Incremental backup", TwipsRect(180, 1020, 1935, 315));

    cmdProxySetup = button(this, "cmdProxySetup", "Proxy...", TwipsRect(180, 4800, 1095, 435));
    cmdStart = button(this, "cmdStart", "Start!", TwipsRect(1860, 4800, 1215, 435));
    cmdCancel = button(this, "cmdCancel", "Exit", TwipsRect(3180, 4800, 1215, 435));
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
    pnlProgress->setGeometry(TwipsRect(480, 240, 3075, 915));
    pnlProgressInner->setGeometry(TwipsRect(120, 120, 2835, 675));
    lblTag[5] = new QLabel(pnlProgressInner);
    lblTag[5]->setObjectName("lblTag(5)");
    lblTag[5]->setGeometry(TwipsRect(120, 120, 2595, 495));
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
    const int left = (kClientWidth - 3075) / 2;
    const int top = (kClientHeight - 915) / 2;
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
