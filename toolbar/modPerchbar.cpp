// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar owns the name "Perchbar.corvaneToolbarProxy" on the session bus
// and serves the interface of that name at /Perchbar/corvaneToolbarProxy.
// ToolbarShow binds to the instance running at that moment (its unique bus
// name), as one would hold on to a created object: a toolbar that starts
// later is not looked for, one that goes away just stops answering.
#include "toolbar/modPerchbar.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QWidget>
#include <optional>

namespace qv {

namespace {

const char* const kService = "Perchbar.corvaneToolbarProxy";
const char* const kPath = "/Perchbar/corvaneToolbarProxy";
const char* const kInterface = "Perchbar.corvaneToolbarProxy";
// A toolbar that hangs costs the start-up no more than this per call.
constexpr int kCallTimeoutMs = 200;

// The unique bus name of the toolbar found by ToolbarShow.
std::optional<QString> ToolbarProxy;
bool ToolbarLookedFor = false;

// Every answer, error or silence is ignored: the link must never change what the program does.
void Call(const QString& toolbar, const char* member, const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(toolbar, kPath, kInterface, member);
    message.setArguments(arguments);
    QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
}

std::optional<QString> FindToolbar() {
    // Without an application object QtDBus only complains.
    if (!QCoreApplication::instance()) return std::nullopt;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return std::nullopt;
    QDBusMessage ask = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "GetNameOwner");
    ask << QString(kService);
    const QDBusMessage reply = bus.call(ask, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    const QString owner = reply.arguments().first().toString();
    if (owner.isEmpty()) return std::nullopt;
    return owner;
}

void MarkCall(const char* member, QWidget* window) {
    try {
        if (!ToolbarProxy || !window) return;
        // The toolbar's contract carries the handle as a 32-bit integer; it is cut to that on purpose.
        const auto handle = static_cast<qint32>(static_cast<quint32>(window->window()->winId()));
        Call(*ToolbarProxy, member, {QVariant::fromValue(handle)});
    } catch (...) {
        // The toolbar is optional: nothing that goes wrong with it may reach the program.
    }
}

}  // namespace

void ToolbarShow() {
    try {
        if (!ToolbarLookedFor) {
            ToolbarLookedFor = true;
            ToolbarProxy = FindToolbar();
        }
        if (ToolbarProxy) Call(*ToolbarProxy, "ShowToolBar");
    } catch (...) {
        // The toolbar is optional: nothing that goes wrong with it may reach the program.
    }
}

void ToolbarMarkForm(QWidget* window) { MarkCall("MarkForm", window); }

void ToolbarUnMarkForm(QWidget* window) { MarkCall("UnMarkForm", window); }

}  // namespace qv
