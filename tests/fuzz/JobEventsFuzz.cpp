// SPDX-License-Identifier: GPL-3.0-or-later
// What a quillvault-cli child writes to standard error, as the Library reads
// it: cut into lines, each line an event (or plain text) folded into the
// job's state, the row's words and its bar after each, and the job's
// outcome when the child ends.
//
// Input: one byte of switches, then the bytes of standard error. Switches:
// bits 0 and 1 the job (update, media, offline view), bit 2 the child ended
// with status 0 rather than 1.
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "library/JobEvents.h"
#include "library/JobState.h"

namespace {

void Take(qv::library::JobState& state, const std::string& line) {
    (void)qv::library::ApplyEvent(state, qv::library::ParseEventLine(line));
    (void)qv::library::RowText(state);
    (void)qv::library::Percent(state);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv::library;
    const qv::fuzz::Switches switches = qv::fuzz::TakeSwitches(qv::fuzz::AsText(data, size));
    JobState state;
    state.kind = static_cast<JobKind>((switches.bits & 3U) % 3);
    state.running = true;

    LineSplitter splitter;
    for (const std::string& line : splitter.Feed(switches.text)) Take(state, line);
    if (const std::optional<std::string> rest = splitter.Rest()) Take(state, *rest);
    (void)FinishJob(state, switches.On(2) ? 0 : 1, false, QString());
    (void)RowText(state);
    return 0;
}
