// SPDX-License-Identifier: GPL-3.0-or-later
// A Secret Service that takes its time: it owns org.freedesktop.secrets on
// the session bus and answers every call made to it, after the given number
// of milliseconds, with a refusal. It keeps no secret; it stands for a
// keyring whose unlock prompt waits for a person. Prints "ready" once it
// owns the name. Usage: slow-secret-service MILLISECONDS
#include <gio/gio.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Delayed {
    GDBusConnection* bus;
    GDBusMessage* reply;
};

gboolean SendLater(gpointer data) {
    auto* delayed = static_cast<Delayed*>(data);
    g_dbus_connection_send_message(delayed->bus, delayed->reply, G_DBUS_SEND_MESSAGE_FLAGS_NONE, nullptr,
                                   nullptr);
    g_object_unref(delayed->reply);
    delete delayed;
    return G_SOURCE_REMOVE;
}

unsigned delayMs = 5000;

// Every method call for us is answered late, from the main loop.
GDBusMessage* Filter(GDBusConnection* bus, GDBusMessage* message, gboolean incoming, gpointer) {
    if (!incoming || g_dbus_message_get_message_type(message) != G_DBUS_MESSAGE_TYPE_METHOD_CALL)
        return message;
    const char* destination = g_dbus_message_get_destination(message);
    if (!destination || g_strcmp0(destination, "org.freedesktop.DBus") == 0) return message;
    auto* delayed =
        new Delayed{bus, g_dbus_message_new_method_error(message, "org.freedesktop.DBus.Error.Failed",
                                                         "This keyring answers slowly and keeps nothing.")};
    g_timeout_add(delayMs, SendLater, delayed);
    g_object_unref(message);
    return nullptr;
}

void Acquired(GDBusConnection*, const gchar*, gpointer) {
    std::puts("ready");
    std::fflush(stdout);
}

void Lost(GDBusConnection*, const gchar*, gpointer loop) { g_main_loop_quit(static_cast<GMainLoop*>(loop)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) delayMs = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        std::fprintf(stderr, "slow-secret-service: %s\n", error->message);
        return 1;
    }
    g_dbus_connection_add_filter(bus, Filter, nullptr, nullptr);
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_bus_own_name_on_connection(bus, "org.freedesktop.secrets", G_BUS_NAME_OWNER_FLAGS_NONE, Acquired, Lost,
                                 loop, nullptr);
    g_main_loop_run(loop);
    return 0;
}
