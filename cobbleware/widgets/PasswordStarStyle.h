// SPDX-License-Identifier: GPL-3.0-or-later
// The application's style with one difference: a password box shows "*" for
// each character, as the program's boxes always have, instead of the style's dot.
#pragma once

#include <QProxyStyle>

namespace qv {

class PasswordStarStyle : public QProxyStyle {
public:
    // `baseStyle` names the style everything else is drawn in (e.g. "Fusion").
    explicit PasswordStarStyle(const QString& baseStyle);

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

}  // namespace qv
