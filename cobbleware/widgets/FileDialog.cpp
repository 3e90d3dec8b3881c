// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/FileDialog.h"

#include <QFileDialog>

#include "widgets/ReturnFocus.h"

namespace qv {

namespace {

class QtFileDialogPresenter : public IFileDialogPresenter {
public:
    std::optional<QString> Show(const FileDialogRequest& request) override {
        const ReturnFocusToOwner returnFocus(request.owner);
        QFileDialog dialog(request.owner, request.title, request.initialFolder);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilters(NameFiltersOf(request.filter));
        dialog.setDefaultSuffix(request.defaultExt);
        if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }
};

std::shared_ptr<IFileDialogPresenter>& CurrentPresenter() {
    static std::shared_ptr<IFileDialogPresenter> presenter;
    return presenter;
}

}  // namespace

QStringList NameFiltersOf(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            if (pattern == "*.*" || pattern == "*") {
                patterns << "*";
                continue;
            }
            for (const QString& variant : {pattern, pattern.toUpper(), pattern.toLower()})
                if (!patterns.contains(variant)) patterns << variant;
        }
        filters << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return filters;
}

bool FileDialog::ShowOpen() { return Show(false); }
bool FileDialog::ShowSave() { return Show(true); }

bool FileDialog::Show(bool save) {
    request_.save = save;
    static QtFileDialogPresenter real;
    IFileDialogPresenter& presenter = CurrentPresenter() ? *CurrentPresenter() : real;
    const std::optional<QString> chosen = presenter.Show(request_);
    if (!chosen) return false;
    selected_ = chosen->toStdString();
    return true;
}

void FileDialog::SetPresenter(std::shared_ptr<IFileDialogPresenter> presenter) {
    CurrentPresenter() = std::move(presenter);
}

}  // namespace qv
