// SPDX-License-Identifier: GPL-3.0-or-later
// A failing outside call raises one of these: a number and a text, like the
// errors the program's components report.
#pragma once

#include <stdexcept>
#include <string>

namespace qv {

class Error : public std::runtime_error {
public:
    Error(int number, const std::string& description) : std::runtime_error(description), number_(number) {}
    int Number() const { return number_; }

private:
    int number_;
};

}  // namespace qv
