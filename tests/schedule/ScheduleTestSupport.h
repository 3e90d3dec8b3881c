// SPDX-License-Identifier: GPL-3.0-or-later
// What the schedule and keyring tests share: a program run to its end, and an
// environment variable set for one test.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

namespace qv::test {

struct Ran {
    int exitCode = -1;  // -1 when it could not start or was ended by a signal
    std::string output; // standard output and error together
};

// Runs `words` (the program found in PATH) and waits for it.
Ran Run(const std::vector<std::string>& words);

// Whether `program` is found in PATH.
bool Installed(const std::string& program);

class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace qv::test
