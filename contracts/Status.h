// SPDX-License-Identifier: GPL-3.0-or-later
// The one way a failure travels: a kind that callers decide by, the words for
// people, and what a request's answer said. A message text is for people
// only; nothing compares it. Cheap to copy; the success status holds nothing.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace qv {

enum class StatusKind {
    Ok,
    Network,        // no answer: the name, the connection or the transfer failed
    Timeout,        // the server fell silent or trickled
    HttpStatus,     // an answer other than 2xx that says nothing more
    Throttled,      // asked too often (429, or 503 with Retry-After)
    DailyLimit,     // the day's allowance of requests is spent until it resets (Retry-After)
    Wall,           // a login, safe-mode, consent or password wall, a 401
    NotFound,       // no such blog (404), no such file
    NotBlogXml,     // an answer or file that is not the blog's XML
    UnreadableXml,  // XML the parser cannot read
    TooLarge,       // an answer past its size limit
    Cancelled,      // the user or a signal stopped it
    FileSystem,     // a file or folder could not be read or written
    OtherBlog,      // a backup of another blog than the one asked for
    Busy,           // another run holds what this one needs
    Usage,          // the request itself cannot be made (a bad address, a bad option)
    Unavailable,    // what it needs is not on this machine (a keyring, a user service manager)
};

// Stable names for machines ("http-status", "not-blog-xml"): for logs and JSON.
const char* KindName(StatusKind kind);

// Ignoring a returned status is a bug: the compiler says so.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(StatusKind kind, std::string text) : kind_(kind), text_(std::move(text)) {}

    static Status Ok() { return Status(); }

    bool ok() const { return kind_ == StatusKind::Ok; }
    StatusKind kind() const { return kind_; }
    bool Is(StatusKind kind) const { return kind_ == kind; }
    const std::string& text() const { return text_; }

    // The answer's HTTP status, 0 when none came.
    int httpStatus() const { return httpStatus_; }
    // How long the answer asked to wait before asking again (Retry-After).
    std::optional<int> retryAfterSeconds() const { return retryAfter_; }
    // Whether asking again the same way may give another answer. False for
    // what the service means (a wall, no such blog) and for what we refused.
    bool retryMayHelp() const { return retryMayHelp_; }

    Status& WithHttpStatus(int status) {
        httpStatus_ = status;
        return *this;
    }
    Status& WithRetryAfter(std::optional<int> seconds) {
        retryAfter_ = seconds;
        return *this;
    }
    Status& RetryWontHelp() {
        retryMayHelp_ = false;
        return *this;
    }
    // The same failure, its words led by `context` ("path\r\n\r\nCan't ...").
    Status Within(const std::string& context) const {
        if (ok()) return *this;
        Status status = *this;
        status.text_ = context + text_;
        return status;
    }

private:
    StatusKind kind_ = StatusKind::Ok;
    std::string text_;
    int httpStatus_ = 0;
    std::optional<int> retryAfter_;
    bool retryMayHelp_ = true;
};

// A value, or the status of why there is none. A failure needs a failed
// status: a Result made from Ok would hold neither a value nor a reason.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Status status) : value_(std::move(status)) {
        if (std::get<Status>(value_).ok()) throw std::logic_error("a Result needs a value or a failed status");
    }

    bool ok() const { return std::holds_alternative<T>(value_); }
    explicit operator bool() const { return ok(); }
    // The status of a failure; Ok for a value.
    Status status() const { return ok() ? Status::Ok() : std::get<Status>(value_); }

    T& value() & { return std::get<T>(value_); }
    const T& value() const& { return std::get<T>(value_); }
    T&& value() && { return std::get<T>(std::move(value_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

private:
    std::variant<T, Status> value_;
};

inline const char* KindName(StatusKind kind) {
    switch (kind) {
        case StatusKind::Ok: return "ok";
        case StatusKind::Network: return "network";
        case StatusKind::Timeout: return "timeout";
        case StatusKind::HttpStatus: return "http-status";
        case StatusKind::Throttled: return "throttled";
        case StatusKind::DailyLimit: return "daily-limit";
        case StatusKind::Wall: return "wall";
        case StatusKind::NotFound: return "not-found";
        case StatusKind::NotBlogXml: return "not-blog-xml";
        case StatusKind::UnreadableXml: return "unreadable-xml";
        case StatusKind::TooLarge: return "too-large";
        case StatusKind::Cancelled: return "cancelled";
        case StatusKind::FileSystem: return "file-system";
        case StatusKind::OtherBlog: return "other-blog";
        case StatusKind::Busy: return "busy";
        case StatusKind::Usage: return "usage";
        case StatusKind::Unavailable: return "unavailable";
    }
    return "unknown";
}

}  // namespace qv
