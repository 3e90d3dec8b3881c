// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/BackupTable.h"

#include <QPainter>

namespace qv::library {

void BackupTable::SetEmptyText(const QString& text) {
    emptyText_ = text;
    viewport()->update();
}

void BackupTable::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (emptyText_.isEmpty() || !model() || model()->rowCount() > 0) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const QRect area = viewport()->rect().adjusted(12, 12, -12, -12);
    painter.drawText(area, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, emptyText_);
}

}  // namespace qv::library
