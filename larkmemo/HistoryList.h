// SPDX-License-Identifier: GPL-3.0-or-later
// Earlier inputs of one text box, newest first, kept in a UTF-8 file with one
// entry per line. A missing or damaged file is an empty list.
#pragma once

#include <QStringList>
#include <string>

#include "Application.h"

class QLineEdit;

namespace qv {

class HistoryList {
public:
    static constexpr int kMaxEntries = 25;

    // Binds the list to `fileName` in `folder`.
    void Init(const std::string& fileName, const std::string& folder, const Application& app,
              const std::string& reserved, bool perUser);
    void Load();
    // Raises qv::Error when the file can't be written.
    void Save();
    // Puts `text` first; an entry equal to it moves rather than repeats. Empty texts are not kept.
    void Add(const std::string& text);
    // Offers the entries in a pop-up list under `box`; the chosen one goes into the box.
    // Answers whether an entry was chosen.
    bool ShowFor(QLineEdit*& box);

    const QStringList& Entries() const { return entries_; }
    QString FilePath() const { return path_; }

private:
    QString path_;
    QStringList entries_;
};

}  // namespace qv
