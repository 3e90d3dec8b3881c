// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/JobEvents.h"

#include <map>

#include "CliEvents.h"

namespace qv::library {

namespace {

namespace event = events::event;

EventKind KindOf(const std::string& name) {
    static const std::map<std::string, EventKind, std::less<>> kinds = {
        {event::kStart, EventKind::Start},     {event::kProgress, EventKind::Progress},
        {event::kWait, EventKind::Wait},       {event::kNotice, EventKind::Notice},
        {event::kWarning, EventKind::Warning}, {event::kEnd, EventKind::End}};
    const auto found = kinds.find(name);
    return found == kinds.end() ? EventKind::Unknown : found->second;
}

}  // namespace

std::optional<std::int64_t> JobEvent::Number(const char* name) const {
    const auto found = fields.find(name);
    if (found == fields.end() || !found->is_number()) return std::nullopt;
    if (found->is_number_float()) return static_cast<std::int64_t>(found->get<double>());
    return found->get<std::int64_t>();
}

std::string JobEvent::Text(const char* name) const {
    const auto found = fields.find(name);
    return found != fields.end() && found->is_string() ? found->get<std::string>() : std::string();
}

JobEvent ParseEventLine(std::string_view line) {
    JobEvent event;
    event.line = std::string(line);
    nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
    if (!parsed.is_object()) return event;
    const auto name = parsed.find(events::field::kEvent);
    if (name == parsed.end() || !name->is_string()) return event;
    event.kind = KindOf(name->get<std::string>());
    event.fields = std::move(parsed);
    event.command = event.Text(events::field::kCommand);
    return event;
}

std::vector<std::string> LineSplitter::Feed(std::string_view bytes) {
    std::vector<std::string> lines;
    for (const char c : bytes) {
        if (c == '\n') {
            if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
            lines.push_back(std::move(pending_));
            pending_.clear();
            continue;
        }
        pending_ += c;
        if (pending_.size() >= maxLine_) {
            lines.push_back(std::move(pending_));
            pending_.clear();
        }
    }
    return lines;
}

std::optional<std::string> LineSplitter::Rest() {
    if (pending_.empty()) return std::nullopt;
    std::string rest = std::move(pending_);
    pending_.clear();
    return rest;
}

}  // namespace qv::library
