// SPDX-License-Identifier: GPL-3.0-or-later
// Modal dialogs that ask for a file to open or to save. What the user sees is
// a QFileDialog; tests put a scripted presenter in its place.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace qv {

struct FileDialogRequest {
    bool save = false;
    QWidget* owner = nullptr;
    QString title;          // empty: the dialog's own caption
    QString filter;         // "description|pattern|description|pattern..."
    QString defaultExt;     // added to a typed name without extension
    QString initialFolder;  // empty: the dialog's own default place
    QString fileName;       // proposed name, empty for none
};

class IFileDialogPresenter {
public:
    virtual ~IFileDialogPresenter() = default;
    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> Show(const FileDialogRequest& request) = 0;
};

class FileDialog {
public:
    void DefaultExt(const std::string& extension) { request_.defaultExt = QString::fromStdString(extension); }
    void Title(const std::string& title) { request_.title = QString::fromStdString(title); }
    void Filter(const std::string& filter) { request_.filter = QString::fromStdString(filter); }
    void OwnerWindow(QWidget* owner) { request_.owner = owner; }
    void InitialFolder(const std::string& folder) { request_.initialFolder = QString::fromStdString(folder); }
    void FileName(const std::string& name) { request_.fileName = QString::fromStdString(name); }

    // Both answer false when the user cancelled.
    bool ShowOpen();
    bool ShowSave();
    std::string SelectedFile() const { return selected_; }

    // The presenter of every FileDialog in the process; null puts the real dialog back.
    static void SetPresenter(std::shared_ptr<IFileDialogPresenter> presenter);

private:
    bool Show(bool save);

    FileDialogRequest request_;
    std::string selected_;
};

// "XML files|*.XML|All files|*.*" as name filters for QFileDialog, each
// extension matched in lower and upper case: "XML files (*.XML *.xml)", "All files (*)".
QStringList NameFiltersOf(const QString& filter);

}  // namespace qv
