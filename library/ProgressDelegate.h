// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the job column as a progress bar with its text while a job with a
// known total runs, and as plain text otherwise.
#pragma once

#include <QStyledItemDelegate>

namespace qv::library {

class ProgressDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace qv::library
