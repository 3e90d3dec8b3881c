// SPDX-License-Identifier: GPL-3.0-or-later
#include "modMain.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStyle>
#include <QtGlobal>
#include <filesystem>

#include "Error.h"
#include "Messages.h"
#include "Sundrykit.h"
#include "SundrykitGui.h"
#include "WindowFont.h"
#include "frmMain.h"
#include "toolbar/modPerchbar.h"
#include "widgets/PasswordStarStyle.h"

// The icons are compiled into a static library, so nothing would pull them
// into the program unless they are named here.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace qv {

namespace {

std::string& DataFolderValue() {
    static std::string folder;
    return folder;
}

}  // namespace

const std::string& DataFolder() { return DataFolderValue(); }

void InitProgramResources() { InitIconResources(); }

void InitCommonControls(const std::string& fontFolder) {
    // Only the regular face: the bold one beside it has bold widths but regular
    // strokes, so bold text (the about box's title) would look merely spaced out;
    // without it bold is drawn from the regular face, as heavy as bold should be.
    const std::filesystem::path file = std::filesystem::path(fontFolder) / "tahoma.ttf";
    // Without it the window falls back to a face that still fits every caption.
    if (std::filesystem::exists(file) &&
        QFontDatabase::addApplicationFont(QString::fromStdString(file.string())) < 0)
        skLogWarning("The font " + file.string() + " can't be loaded.");
    if (!dynamic_cast<PasswordStarStyle*>(QApplication::style()))
        QApplication::setStyle(new PasswordStarStyle(QApplication::style()->name()));
    QApplication::setFont(WindowFont());
}

bool Main() {
    InitProgramResources();
    skRegisterAppPath();
    InitCommonControls();
    if (!skIsInIDE()) skSetWindowResIconAll(skGetThunderMainHandle(), "A_MAIN");

    DataFolderValue() = GetDataFolder();
    if (DataFolder().empty()) return false;

    ToolbarShow();

    auto* window = new frmMain(DataFolder());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Load();
    window->show();
    // A window manager activates a new window; without one nobody does, and the
    // address box would take keys without ever being told it has the focus (no
    // caret, and tabbing back into it would not select its text).
    window->activateWindow();
    return true;
}

std::string GetDataFolder() {
    const std::string name = "Quarrytide\\Quillvault";
    std::string folder;
    try {
        folder = skBuildFileName(skGetSpecialFolder(sfAppData), name);
    } catch (const Error& error) {
        // Without a home folder there is no data folder either; say so like any other failure.
        MsgBox(skBuildFileName("", name) + "\r\n\r\nCan't create or open data folder.\r\n\r\n" + error.what(),
               mbCritical);
        return "";
    }
    if (skCreateComplexDirectory(folder)) return folder;
    MsgBox(folder + "\r\n\r\nCan't create or open data folder.", mbCritical);
    return "";
}

}  // namespace qv
