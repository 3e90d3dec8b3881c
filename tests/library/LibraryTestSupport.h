// SPDX-License-Identifier: GPL-3.0-or-later
// What the Library's tests share: fresh user folders, scripted dialogs, the
// real quillvault-cli run as the user would, and an open Library window.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <deque>
#include <map>
#include <memory>
#include <optional>

#include "MessageDoubles.h"
#include "SharedService.h"
#include "TempFolder.h"
#include "library/LibraryWindow.h"
#include "widgets/FileDialog.h"

// Failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace qv::test {

class ScriptedQuestions : public library::QuestionPresenter {
public:
    void QueueAnswer(const QString& answer) { answers_.push_back(answer); }
    std::optional<QString> Ask(QWidget*, const library::Question& question) override {
        asked.push_back(question);
        if (answers_.empty()) return std::nullopt;
        const QString answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    std::vector<library::Question> asked;

private:
    std::deque<QString> answers_;
};

class ScriptedFileDialogs : public IFileDialogPresenter {
public:
    void QueueChoice(const std::string& path) { answers_.push_back(QString::fromStdString(path)); }
    std::optional<QString> Show(const FileDialogRequest&) override {
        if (answers_.empty()) return std::nullopt;
        const QString answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

private:
    std::deque<QString> answers_;
};

struct CliRun {
    int exitCode = -1;
    QString err;
};

// The real quillvault-cli with `args`, in the test's environment plus `environment`.
CliRun RunCli(const QStringList& args, const std::map<QString, QString>& environment = {});

// Writes what the user sees to the screenshots folder (QV_SCREENSHOTS), for a person to look at.
void KeepScreenshot(const QImage& image, const QString& name);

// Each test gets its own data and settings folders, dialogs that answer
// from a script, and an opener that writes down what it was asked to open.
class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string DataFolder() const;
    // Sets an environment variable for this test only.
    void SetVariable(const char* name, const std::string& value);
    // A shown, active Library window over this test's folders.
    library::LibraryWindow& OpenLibrary();
    void CloseLibrary();

    // The cell of the backup at `path`, as shown.
    QString Cell(const std::string& path, int column) const;
    // The window's button with this text; fails the test when there is none.
    QPushButton& Button(const QString& text) const;
    // Alt + `key`, to whatever has the keyboard focus.
    void PressAlt(Qt::Key key);
    // Waits until the backup's job has ended; false when it did not within the limit.
    bool WaitForJobEnd(const std::string& path, int limitMs = 120'000);
    // What the opener was asked to open, in order.
    QStringList Opened() const;

    TempFolder home;
    TempFolder files;
    ScopedMessages messages;
    std::shared_ptr<ScriptedFileDialogs> fileDialogs = std::make_shared<ScriptedFileDialogs>();
    std::shared_ptr<ScriptedQuestions> questions = std::make_shared<ScriptedQuestions>();
    std::unique_ptr<library::LibraryWindow> window;

private:
    std::map<std::string, QByteArray> savedEnvironment_;
};

}  // namespace qv::test
