// SPDX-License-Identifier: GPL-3.0-or-later
// What the window tests put at the user's side: file dialogs answered from a
// script, a fresh settings folder, and a window ready to use.
#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <deque>
#include <memory>
#include <optional>
#include <ostream>

#include "EngineDoubles.h"
#include "TempFolder.h"
#include "frmMain.h"
#include "widgets/FileDialog.h"

// Failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace qv::test {

class ScriptedFileDialogs : public IFileDialogPresenter {
public:
    // The next dialog chooses `path`; QueueCancel makes it cancel.
    void QueueChoice(const std::string& path) { answers_.push_back(QString::fromStdString(path)); }
    void QueueCancel() { answers_.push_back(std::nullopt); }

    std::optional<QString> Show(const FileDialogRequest& request) override {
        requests.push_back(request);
        if (answers_.empty()) return std::nullopt;
        const auto answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    std::vector<FileDialogRequest> requests;

private:
    std::deque<std::optional<QString>> answers_;
};

// Installs scripted file dialogs for one scope.
class ScopedFileDialogs {
public:
    ScopedFileDialogs() : dialogs_(std::make_shared<ScriptedFileDialogs>()) { FileDialog::SetPresenter(dialogs_); }
    ~ScopedFileDialogs() { FileDialog::SetPresenter(nullptr); }
    ScriptedFileDialogs* operator->() { return dialogs_.get(); }

private:
    std::shared_ptr<ScriptedFileDialogs> dialogs_;
};

// Points the settings and data folders at fresh temporary ones for one test.
class FreshUserFolders {
public:
    FreshUserFolders() {
        oldConfig_ = qgetenv("XDG_CONFIG_HOME");
        oldData_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder_.File("config")));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(folder_.File("data")));
    }
    ~FreshUserFolders() {
        qputenv("XDG_CONFIG_HOME", oldConfig_);
        qputenv("XDG_DATA_HOME", oldData_);
    }
    const TempFolder& Folder() const { return folder_; }
    std::string DataFolder() const { return folder_.File("data/Quarrytide/Quillvault"); }

private:
    TempFolder folder_;
    QByteArray oldConfig_;
    QByteArray oldData_;
};

// A loaded, shown and active main window over fresh user folders.
struct WindowFixture {
    FreshUserFolders folders;
    ScopedMessages messages;
    ScopedFileDialogs dialogs;
    std::unique_ptr<frmMain> window;

    WindowFixture() {
        std::filesystem::create_directories(folders.DataFolder());
        window = std::make_unique<frmMain>(folders.DataFolder());
        window->Load();
        window->show();
        window->activateWindow();
        (void)QTest::qWaitForWindowActive(window.get());
    }
    QString Status() const { return window->lblTag[5]->text(); }
};

// Calls `action` repeatedly while events are processed, until it answers true
// (or the test ends); used to act in the middle of a run.
class WhileRunning : public QObject {
public:
    explicit WhileRunning(std::function<bool()> action) : action_(std::move(action)) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            if (action_()) timer_.stop();
        });
        timer_.start();
    }

private:
    std::function<bool()> action_;
    QTimer timer_;
};

// Writes what the user sees to the screenshots folder (QV_SCREENSHOTS), for a
// person to look at.
inline void Keep(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("QV_SCREENSHOTS", QDir::tempPath());
    QDir().mkpath(folder);
    image.save(folder + "/" + name + ".png");
}
inline void Keep(QWidget& window, const QString& name) { Keep(window.grab().toImage(), name); }

// Counts the pixels of a 3D bevel's two rings that do not have their colour:
// raised is light top-left and dark bottom-right, inset the other way round.
// The corners, where the rings meet, are left out.
inline int WrongBevelPixels(const QImage& shot, const QRect& area, const QPalette& palette, bool raised) {
    auto colour = [&](QPalette::ColorRole role) { return palette.color(QPalette::Active, role).rgb(); };
    const QRgb outerTopLeft = colour(raised ? QPalette::Light : QPalette::Shadow);
    const QRgb innerTopLeft = colour(raised ? QPalette::Midlight : QPalette::Dark);
    const QRgb outerBottomRight = colour(raised ? QPalette::Shadow : QPalette::Light);
    const QRgb innerBottomRight = colour(raised ? QPalette::Dark : QPalette::Midlight);
    int wrong = 0;
    for (int x = area.left() + 2; x <= area.right() - 2; ++x) {
        wrong += shot.pixel(x, area.top()) != outerTopLeft;
        wrong += shot.pixel(x, area.top() + 1) != innerTopLeft;
        wrong += shot.pixel(x, area.bottom()) != outerBottomRight;
        wrong += shot.pixel(x, area.bottom() - 1) != innerBottomRight;
    }
    for (int y = area.top() + 2; y <= area.bottom() - 2; ++y) {
        wrong += shot.pixel(area.left(), y) != outerTopLeft;
        wrong += shot.pixel(area.left() + 1, y) != innerTopLeft;
        wrong += shot.pixel(area.right(), y) != outerBottomRight;
        wrong += shot.pixel(area.right() - 1, y) != innerBottomRight;
    }
    return wrong;
}

// Counts the about boxes that come up and closes each, so that a test can
// press keys and then ask how many boxes they opened.
class AboutBoxWatcher : public QObject {
public:
    AboutBoxWatcher() {
        qApp->installEventFilter(this);
        closer_.setInterval(20);
        QObject::connect(&closer_, &QTimer::timeout, this, [] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == "AboutBox" && top->isVisible()) top->close();
        });
        closer_.start();
    }
    ~AboutBoxWatcher() override { qApp->removeEventFilter(this); }
    int Opened() const { return opened_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() && watched->objectName() == "AboutBox")
            ++opened_;
        return false;
    }

private:
    QTimer closer_;
    int opened_ = 0;
};

// Counts presses of one key that reach one control.
class KeyPressCounter : public QObject {
public:
    KeyPressCounter(QWidget* control, int key) : control_(control), key_(key) {
        control_->installEventFilter(this);
    }
    ~KeyPressCounter() override { control_->removeEventFilter(this); }
    int Count() const { return count_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == key_) ++count_;
        return false;
    }

private:
    QWidget* control_;
    int key_;
    int count_ = 0;
};

}  // namespace qv::test
