// SPDX-License-Identifier: GPL-3.0-or-later
// The list of backups; while it is empty, it says in a line what to do.
#pragma once

#include <QTableView>

namespace qv::library {

class BackupTable : public QTableView {
    Q_OBJECT

public:
    using QTableView::QTableView;

    // Shown while there is no row, once the list has been read.
    void SetEmptyText(const QString& text);
    const QString& EmptyText() const { return emptyText_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString emptyText_;
};

}  // namespace qv::library
