// SPDX-License-Identifier: GPL-3.0-or-later
#include "oauth/CallbackListener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <list>

namespace qv::oauth {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A browser opens spare connections it may never use; a few are kept, the
// oldest closed first, and none past a while of silence.
constexpr std::size_t kMostConnections = 16;
constexpr auto kConnectionSilence = 10s;
constexpr std::size_t kMostRequestBytes = 16 * 1024;
constexpr auto kPollStep = 200ms;
constexpr auto kSendLimit = 2s;

struct Client {
    int fd = -1;
    std::string received;
    Clock::time_point opened;
};

void CloseClient(Client& client) {
    if (client.fd >= 0) ::close(client.fd);
    client.fd = -1;
}

// Sends all of `text`, waiting a little for a full socket buffer; a browser
// that does not take the page is no reason to fail the sign-in.
void SendAll(int fd, const std::string& text) {
    std::size_t sent = 0;
    const auto deadline = Clock::now() + kSendLimit;
    while (sent < text.size() && Clock::now() < deadline) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            pollfd writable{fd, POLLOUT, 0};
            ::poll(&writable, 1, 100);
        } else {
            return;
        }
    }
}

void Answer(int fd, int status, const char* reason, const std::string& html) {
    SendAll(fd, "HTTP/1.1 " + std::to_string(status) + " " + reason +
                    "\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\nContent-Length: " +
                    std::to_string(html.size()) + "\r\nConnection: close\r\n\r\n" + html);
}

// Our own words only: nothing of the request reaches the page.
std::string Page(const std::string& words) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Quillvault</title></head><body><p>" + words +
           "</p></body></html>";
}

}  // namespace

Result<std::unique_ptr<CallbackListener>> CallbackListener::Open() {
    const auto failed = [](const char* step) {
        return Status(StatusKind::Network,
                      std::string("No local port could be opened for the sign-in's answer (") + step + ": " +
                          std::strerror(errno) + ").");
    };
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return failed("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const Status status = failed("bind");
        ::close(fd);
        return status;
    }
    return std::unique_ptr<CallbackListener>(new CallbackListener(fd, ntohs(address.sin_port)));
}

CallbackListener::~CallbackListener() { ::close(fd_); }

std::string CallbackListener::CallbackUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/callback";
}

Result<Parameters> CallbackListener::Wait(Clock::time_point deadline, const std::function<bool()>& cancelled,
                                          const Reply& reply) {
    std::list<Client> clients;
    const auto closeAll = [&] {
        for (Client& client : clients) CloseClient(client);
    };
    while (true) {
        if (cancelled && cancelled()) {
            closeAll();
            return Status(StatusKind::Cancelled, "The sign-in was stopped.");
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            closeAll();
            return Status(StatusKind::Timeout, "The browser did not come back from the service's sign-in page in time.");
        }
        std::vector<pollfd> watched{{fd_, POLLIN, 0}};
        for (const Client& client : clients) watched.push_back({client.fd, POLLIN, 0});
        const auto step = std::min<Clock::duration>(deadline - now, kPollStep);
        const int ready = ::poll(watched.data(), watched.size(),
                                 static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(step).count()));
        if (ready < 0 && errno != EINTR) {
            closeAll();
            return Status(StatusKind::Network, std::string("Waiting for the browser failed: ") + std::strerror(errno));
        }

        if (ready > 0 && (watched[0].revents & POLLIN) != 0) {
            const int accepted = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (accepted >= 0) {
                if (clients.size() >= kMostConnections) {
                    CloseClient(clients.front());
                    clients.pop_front();
                }
                clients.push_back({accepted, {}, Clock::now()});
            }
        }

        std::size_t index = 1;
        for (auto client = clients.begin(); client != clients.end(); ++index) {
            bool done = false;
            if (index < watched.size() && watched[index].revents != 0) {
                char buffer[4096];
                const ssize_t n = ::recv(client->fd, buffer, sizeof buffer, 0);
                if (n > 0) {
                    client->received.append(buffer, static_cast<std::size_t>(n));
                } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                    done = true;
                }
            }
            const std::size_t headEnd = client->received.find("\r\n\r\n");
            if (!done && headEnd != std::string::npos) {
                done = true;
                // "GET /callback?oauth_token=...&oauth_verifier=... HTTP/1.1"
                const std::string line = client->received.substr(0, client->received.find("\r\n"));
                const std::size_t targetStart = line.find(' ');
                const std::size_t targetEnd = line.find(' ', targetStart + 1);
                const std::string target = targetStart == std::string::npos || targetEnd == std::string::npos
                                               ? std::string()
                                               : line.substr(targetStart + 1, targetEnd - targetStart - 1);
                const std::string path = target.substr(0, target.find('?'));
                if (line.rfind("GET ", 0) != 0 || path != "/callback") {
                    Answer(client->fd, 404, "Not Found", Page("Nothing here."));
                } else {
                    const std::size_t question = target.find('?');
                    const Parameters query =
                        ParseFormEncoded(question == std::string::npos ? std::string() : target.substr(question + 1));
                    if (std::optional<std::string> words = reply(query)) {
                        Answer(client->fd, 200, "OK", Page(*words));
                        closeAll();
                        return query;
                    }
                    Answer(client->fd, 400, "Bad Request",
                           Page("This is not the sign-in Quillvault is waiting for. Please start it again."));
                }
            } else if (!done && (client->received.size() > kMostRequestBytes ||
                                 Clock::now() - client->opened > kConnectionSilence)) {
                done = true;
            }
            if (done) {
                CloseClient(*client);
                client = clients.erase(client);
            } else {
                ++client;
            }
        }
    }
}

}  // namespace qv::oauth
