// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaServer.h"

namespace qv::test {

std::string MediaBytes(std::size_t size, std::string_view seed) {
    std::string bytes(size, '\0');
    unsigned state = 2166136261u;
    for (const char c : seed) state = (state ^ static_cast<unsigned char>(c)) * 16777619u;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(state >> 16);
    }
    return bytes;
}

MediaServer::MediaServer() : http_([this](const HttpExchange& exchange) { return Answer(exchange); }) {
    http_.SetKeepAlive(true);
}

void MediaServer::AddFile(const std::string& path, std::string content, int delayMs,
                          std::string contentType) {
    std::lock_guard lock(mutex_);
    files_[path] = File{std::move(content), delayMs, std::move(contentType)};
}

void MediaServer::Script(const std::string& path, std::vector<ScriptedResponse> responses) {
    std::lock_guard lock(mutex_);
    auto& script = scripts_[path];
    for (auto& response : responses) script.push_back(std::move(response));
}

int MediaServer::Requests(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto found = requests_.find(path);
    return found == requests_.end() ? 0 : static_cast<int>(found->second.size());
}

std::vector<std::chrono::steady_clock::time_point> MediaServer::RequestTimes(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto found = requests_.find(path);
    return found == requests_.end() ? std::vector<std::chrono::steady_clock::time_point>() : found->second;
}

int MediaServer::TotalRequests() const {
    std::lock_guard lock(mutex_);
    int total = 0;
    for (const auto& [path, times] : requests_) total += static_cast<int>(times.size());
    return total;
}

ScriptedResponse MediaServer::Answer(const HttpExchange& exchange) {
    std::lock_guard lock(mutex_);
    requests_[exchange.target].push_back(std::chrono::steady_clock::now());
    if (auto script = scripts_.find(exchange.target); script != scripts_.end() && !script->second.empty()) {
        ScriptedResponse next = std::move(script->second.front());
        script->second.pop_front();
        return next;
    }
    const auto file = files_.find(exchange.target);
    if (file == files_.end()) return ScriptedResponse::Status(404, "no such file");
    ScriptedResponse response = ScriptedResponse::Ok(file->second.content, file->second.contentType);
    response.delayBeforeHeadersMs = file->second.delayMs;
    return response;
}

}  // namespace qv::test
