// SPDX-License-Identifier: GPL-3.0-or-later
// The program's about box: title, version, where it runs from, and a line of
// dedication.
#pragma once

#include <string>

#include "Application.h"

class QPixmap;
class QWidget;

namespace qv {

class AboutBox {
public:
    // Modal over `owner`; returns when the user closes it.
    void Show(QWidget* owner, const Application& app, const std::string& extraText, const QPixmap* picture,
              const std::string& dedication);
};

// The program's one about box, made on first use.
AboutBox& SharedAboutBox();

}  // namespace qv
