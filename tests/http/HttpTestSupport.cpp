// SPDX-License-Identifier: GPL-3.0-or-later
#include "HttpTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <system_error>

namespace qv::test {

namespace {
auto* const gServer = RegisterServerEnvironment<LoopbackServer>();
}  // namespace

LoopbackServer& SharedServer() { return gServer->Get(); }

void RecordingCallback::BlockReceived(const std::string& block, bool& removeBlock, int32_t receivedBytes,
                                      int32_t totalBytes, bool& cancel) {
    received.push_back({block, receivedBytes, totalBytes});
    if (removeReceived && !block.empty()) removeBlock = removeReceived(block);
    if (cancelReceived) cancel = cancelReceived(block, received.size() - 1);
}

void RecordingCallback::BlockSent(const std::string& block, int32_t sentBytes, int32_t totalBytes,
                                  bool& cancel) {
    sent.push_back({block, sentBytes, totalBytes});
    if (cancelSent) cancel = cancelSent(block, sent.size() - 1);
}

std::vector<RecordingCallback::Call> RecordingCallback::DataBlocks() const {
    std::vector<Call> blocks;
    for (const auto& call : received) {
        if (!call.block.empty()) blocks.push_back(call);
    }
    return blocks;
}

size_t RecordingCallback::IdleTicks() const { return received.size() - DataBlocks().size(); }

bool Send(HttpRequest& request, const std::string& host, const std::string& method, const std::string& path,
          const std::string& body, IHTTPRequestCallback* callback, int timeoutMs, const std::string& authUser,
          const std::string& authPassword) {
    OutgoingRequest outgoing;
    outgoing.host = host;
    outgoing.method = method;
    outgoing.path = path;
    outgoing.body = body;
    outgoing.contentType = method == "GET" ? "" : "application/x-www-form-urlencoded";
    outgoing.timeoutMs = timeoutMs;
    outgoing.userAgent = "QuillvaultTests/1.0";
    outgoing.authUser = authUser;
    outgoing.authPassword = authPassword;
    return request.Send(outgoing, callback).ok();
}

RefusingPort::RefusingPort() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    // Bound but never listening: the port stays ours and every connect is refused.
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::system_error(errno, std::generic_category(), "bind a refusing port");
    }
    port_ = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort() { close(fd_); }

UnansweredPort::UnansweredPort()
    : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)),
      filler_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    // A backlog of 0 holds one connection that is never accepted; the kernel then
    // drops every further handshake, so the next client waits in connect.
    if (listener_ < 0 || filler_ < 0 ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 0) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::system_error(errno, std::generic_category(), "fill a listener");
    }
    port_ = ntohs(address.sin_port);
}

UnansweredPort::~UnansweredPort() {
    close(filler_);
    close(listener_);
}

std::string Pattern(size_t length) {
    std::string text(length, ' ');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>('A' + (i * 7 + i / 251) % 26);
    return text;
}

}  // namespace qv::test
