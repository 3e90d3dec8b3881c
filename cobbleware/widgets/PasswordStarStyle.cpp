// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/PasswordStarStyle.h"

namespace qv {

PasswordStarStyle::PasswordStarStyle(const QString& baseStyle) : QProxyStyle(baseStyle) {}

int PasswordStarStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                 QStyleHintReturn* returnData) const {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace qv
