// SPDX-License-Identifier: GPL-3.0-or-later
#include "LibraryTestSupport.h"

#include <sys/stat.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <stdexcept>

#include "catalog/BackupCatalog.h"

namespace qv::test {

CliRun RunCli(const QStringList& args, const std::map<QString, QString>& environment) {
    QProcess process;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment) variables.insert(name, value);
    process.setProcessEnvironment(variables);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QV_CLI_EXECUTABLE, args);
    CliRun run;
    if (!process.waitForFinished(120'000)) {
        ADD_FAILURE() << "quillvault-cli did not end: " << args.join(' ').toStdString();
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void KeepScreenshot(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("QV_SCREENSHOTS", QDir::tempPath());
    QDir().mkpath(folder);
    EXPECT_TRUE(image.save(folder + "/" + name + ".png"));
}

void LibraryTest::SetUp() {
    const std::string opened = home.File("opened.txt");
    const std::string opener = home.File("opener.sh");
    WriteAll(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened + "'\n");
    ::chmod(opener.c_str(), 0700);
    const std::pair<const char*, std::string> variables[] = {{"XDG_DATA_HOME", home.File("data")},
                                                             {"XDG_CONFIG_HOME", home.File("config")},
                                                             {"QUILLVAULT_OPENER", opener}};
    for (const auto& [name, value] : variables) SetVariable(name, value);
    std::filesystem::create_directories(DataFolder());
    FileDialog::SetPresenter(fileDialogs);
}

void LibraryTest::TearDown() {
    window.reset();
    FileDialog::SetPresenter(nullptr);
    for (const auto& [name, value] : savedEnvironment_) {
        if (value.isNull())
            qunsetenv(name.c_str());
        else
            qputenv(name.c_str(), value);
    }
}

void LibraryTest::SetVariable(const char* name, const std::string& value) {
    savedEnvironment_.try_emplace(name, qgetenv(name));
    qputenv(name, QByteArray::fromStdString(value));
}

std::string LibraryTest::DataFolder() const { return *catalog::UserDataFolder(); }

library::LibraryWindow& LibraryTest::OpenLibrary() {
    window = std::make_unique<library::LibraryWindow>(DataFolder());
    window->SetQuestions(questions);
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // The list is read on a worker; a person sees it a moment after the window.
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->Loaded() && !window->Reading(); }));
    return *window;
}

void LibraryTest::CloseLibrary() {
    window->close();
    window.reset();
}

QString LibraryTest::Cell(const std::string& path, int column) const {
    const int row = window->Model().RowOf(path);
    if (row < 0) return "(not listed)";
    return window->Model().index(row, column).data().toString();
}

QPushButton& LibraryTest::Button(const QString& text) const {
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == text) return *button;
    throw std::logic_error("no button " + text.toStdString());
}

void LibraryTest::PressAlt(Qt::Key key) {
    // Through the window, as the platform delivers keys: shortcuts and mnemonics apply.
    QTest::keyClick(window->windowHandle(), key, Qt::AltModifier);
}

bool LibraryTest::WaitForJobEnd(const std::string& path, int limitMs) {
    if (window->Model().RowOf(path) < 0) {
        ADD_FAILURE() << path << " is not listed";
        return false;
    }
    // And until the list was read again after it, as a person sees it.
    return QTest::qWaitFor(
        [&] {
            const library::JobState* job = window->Jobs().State(path);
            return job && !job->running && !window->Reading();
        },
        limitMs);
}

QStringList LibraryTest::Opened() const {
    return QString::fromStdString(ReadAll(home.File("opened.txt"))).split('\n', Qt::SkipEmptyParts);
}

}  // namespace qv::test
