// SPDX-License-Identifier: GPL-3.0-or-later
#include "Design.h"

#include <stdexcept>
#include <string>

namespace qv {

namespace {
constexpr int kTwipsPerInch = 1440;
}

const ControlDesign& Designed(std::string_view name) {
    for (const ControlDesign& control : kDesign)
        if (control.name == name) return control;
    throw std::logic_error("No control named " + std::string(name) + " was designed");
}

int TwipsToPixels(int twips, double dotsPerInch) {
    return static_cast<int>(twips * dotsPerInch / kTwipsPerInch + 0.5);
}

}  // namespace qv
