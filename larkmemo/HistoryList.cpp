// SPDX-License-Identifier: GPL-3.0-or-later
#include "HistoryList.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSaveFile>
#include <QStringDecoder>

#include "Error.h"

namespace qv {

namespace {

constexpr qint64 kMaxFileBytes = 1 << 20;

// One line of the file as an entry: no control characters (a damaged file
// must not put line breaks or NULs into a text box), no surrounding blanks.
QString CleanEntry(QString text) {
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control) c = ' ';
    return text.trimmed();
}

}  // namespace

void HistoryList::Init(const std::string& fileName, const std::string& folder, const Application&,
                       const std::string&, bool) {
    path_ = QString::fromStdString(folder) + "/" + QString::fromStdString(fileName);
    entries_.clear();
}

void HistoryList::Load() {
    entries_.clear();
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = file.read(kMaxFileBytes);
    QStringDecoder decode(QStringDecoder::Utf8);
    const QString text = decode(bytes);
    if (decode.hasError()) return;  // not ours, or damaged: start afresh
    for (const QString& line : text.split('\n')) {
        const QString entry = CleanEntry(line);
        if (!entry.isEmpty() && !entries_.contains(entry) && entries_.size() < kMaxEntries) entries_ << entry;
    }
}

void HistoryList::Save() {
    QSaveFile file(path_);
    if (file.open(QIODevice::WriteOnly)) {
        for (const QString& entry : entries_) file.write(entry.toUtf8() + '\n');
        if (file.commit()) return;
    }
    throw Error(75, "Can't write " + path_.toStdString() + ": " + file.errorString().toStdString());
}

void HistoryList::Add(const std::string& text) {
    const QString entry = CleanEntry(QString::fromStdString(text));
    if (entry.isEmpty()) return;
    entries_.removeAll(entry);
    entries_.prepend(entry);
    while (entries_.size() > kMaxEntries) entries_.removeLast();
}

bool HistoryList::ShowFor(QLineEdit*& box) {
    QMenu menu(box);
    menu.setObjectName("HistoryMenu");
    if (entries_.isEmpty()) {
        menu.addAction(QObject::tr("(no earlier entries)"))->setEnabled(false);
    } else {
        for (const QString& entry : entries_) menu.addAction(entry);
    }
    menu.setMinimumWidth(box->width());
    const QAction* chosen = menu.exec(box->mapToGlobal(QPoint(0, box->height())));
    if (!chosen || !chosen->isEnabled()) return false;
    box->setText(chosen->text());
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    return true;
}

}  // namespace qv
