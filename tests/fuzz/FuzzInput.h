// SPDX-License-Identifier: GPL-3.0-or-later
// What every harness shares: an input cut into the several texts a reader
// takes (pages of a run, files of a folder), and the one way a harness says
// that a reader broke a promise, which the fuzzer must see as a crash.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace qv::fuzz {

// Between two texts of one input; the dictionaries offer it to the fuzzer.
inline constexpr std::string_view kSeparator = "\n====\n";

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The texts between separators, in order; one text when there is none.
inline std::vector<std::string_view> Pieces(std::string_view input) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t at = input.find(kSeparator);
        pieces.push_back(input.substr(0, at));
        if (at == std::string_view::npos) return pieces;
        input.remove_prefix(at + kSeparator.size());
    }
}

// The first byte of an input as its switches, the rest as its text. An empty
// input has neither.
struct Switches {
    std::uint8_t bits = 0;
    std::string_view text;

    bool On(int bit) const { return (bits >> bit) & 1U; }
};
inline Switches TakeSwitches(std::string_view input) {
    if (input.empty()) return {};
    return {static_cast<std::uint8_t>(input.front()), input.substr(1)};
}

// A broken promise: said, then the process aborts, so that libFuzzer keeps
// the input and the replaying test fails.
[[noreturn]] inline void Broken(const char* promise, std::string_view detail = {}) {
    std::fprintf(stderr, "Broken promise: %s\n", promise);
    if (!detail.empty())
        std::fprintf(stderr, "  %.*s\n", static_cast<int>(std::min<std::size_t>(detail.size(), 2000)),
                     detail.data());
    std::abort();
}

inline void Require(bool kept, const char* promise, std::string_view detail = {}) {
    if (!kept) Broken(promise, detail);
}

}  // namespace qv::fuzz
