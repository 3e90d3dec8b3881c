#include "modMain.h"

#include <QtGlobal>

#include "Error.h"
#include "Messages.h"
#include "Sundrykit.h"
#include "SundrykitGui.h"
#include "frmMain.h"
#include "modPerchbar.h"

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

bool Main() {
    InitProgramResources();
    skRegisterAppPath();
    // The widget toolkit was set up by QApplication before any window exists.
    if (!skIsInIDE()) skSetWindowResIconAll(skGetThunderMainHandle(), "A_MAIN");

    DataFolderValue() = GetDataFolder();
    if (DataFolder().empty()) return false;

    ToolbarShow();

    auto* window = new frmMain(DataFolder());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Load();
    window->show();
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
