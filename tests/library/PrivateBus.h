// SPDX-License-Identifier: GPL-3.0-or-later
// A session bus of the test's own (dbus-daemon), never the user's, and the
// programs it starts on it; all end with it.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace qv::test {

class PrivateBus {
public:
    // Starts dbus-daemon in `folder`; on failure Address() is empty and Failure() says why.
    explicit PrivateBus(const QString& folder);
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const QString& Address() const { return address_; }
    const QString& Failure() const { return failure_; }

    // Starts `program` on this bus and waits until it prints `readyLine`; false when it did not.
    bool Start(const QString& program, const QStringList& arguments, const QString& readyLine);

private:
    std::unique_ptr<QProcess> daemon_;
    std::vector<std::unique_ptr<QProcess>> programs_;
    QString address_;
    QString failure_;
};

}  // namespace qv::test
