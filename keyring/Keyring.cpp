// SPDX-License-Identifier: GPL-3.0-or-later
#include "keyring/Keyring.h"

#include <libsecret/secret.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace qv::keyring {

namespace {

constexpr const char* kSecretServiceName = "org.freedesktop.secrets";
constexpr int kBusAnswerMilliseconds = 3000;
// Long enough for a person to type the password of a locked keyring.
constexpr std::chrono::seconds kKeyringAnswer{60};

const SecretSchema* Schema() {
    static const SecretSchema schema = {
        "org.quarrytide.Quillvault",
        SECRET_SCHEMA_NONE,
        {{"address", SECRET_SCHEMA_ATTRIBUTE_STRING},
         {"email", SECRET_SCHEMA_ATTRIBUTE_STRING},
         {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING},
         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &schema;
}

const char* KindName(Secret which) {
    switch (which) {
        case Secret::AccountPassword: return "account";
        case Secret::BlogPassword: return "blog";
        case Secret::ApiKey: return "api-key";
        case Secret::ApiSecret: return "api-secret";
        case Secret::AccessToken: return "oauth-token";
        case Secret::AccessTokenSecret: return "oauth-token-secret";
    }
    return "blog";
}

// What the keyring's own window lists it as.
std::string What(Secret which) {
    switch (which) {
        case Secret::ApiKey: return "the application's API key";
        case Secret::ApiSecret: return "the application's API secret";
        case Secret::AccessToken: return "the signed-in user's access token";
        case Secret::AccessTokenSecret: return "the signed-in user's access token secret";
        default: return "";
    }
}

std::string Label(const std::string& address, const std::string& email, Secret which) {
    if (which == Secret::BlogPassword) return "Quillvault: password of the blog " + address;
    if (which == Secret::AccountPassword) return "Quillvault: password of " + email + " for backing up " + address;
    return "Quillvault: " + What(which) + " for the v2 API";
}

// The attributes of one password; the strings must outlive the table.
struct Attributes {
    Attributes(const std::string& address, const std::string& email, Secret which)
        : table(g_hash_table_new(g_str_hash, g_str_equal)) {
        g_hash_table_insert(table, const_cast<char*>("address"), const_cast<char*>(address.c_str()));
        g_hash_table_insert(table, const_cast<char*>("email"), const_cast<char*>(email.c_str()));
        g_hash_table_insert(table, const_cast<char*>("kind"), const_cast<char*>(KindName(which)));
    }
    ~Attributes() { g_hash_table_unref(table); }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    GHashTable* table;
};

// Cancels a call that has not come back within its time; libsecret's calls
// would otherwise wait as long as the bus or a prompt does.
class Deadline {
public:
    explicit Deadline(std::chrono::seconds limit) : cancellable_(g_cancellable_new()) {
        watcher_ = std::thread([this, limit] {
            std::unique_lock lock(mutex_);
            if (!changed_.wait_for(lock, limit, [this] { return finished_; })) {
                passed_ = true;
                g_cancellable_cancel(cancellable_);
            }
        });
    }
    ~Deadline() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        changed_.notify_all();
        watcher_.join();
        g_object_unref(cancellable_);
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    GCancellable* cancellable() const { return cancellable_; }
    bool Passed() {
        std::lock_guard lock(mutex_);
        return passed_;
    }

private:
    GCancellable* cancellable_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool finished_ = false;
    bool passed_ = false;
    std::thread watcher_;
};

using ErrorPtr = std::unique_ptr<GError, decltype(&g_error_free)>;

Status Failure(const GError* error, Deadline& deadline) {
    if (deadline.Passed()) {
        return Status(StatusKind::Timeout, "The keyring did not answer within " +
                                               std::to_string(kKeyringAnswer.count()) +
                                               " seconds (a locked keyring waits for its password).");
    }
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
        return Status(StatusKind::Cancelled, "The keyring's prompt was dismissed.");
    }
    return Status(StatusKind::Usage, std::string("The keyring refused: ") + error->message);
}

Status Unavailable() {
    return Status(StatusKind::Unavailable,
                  "No keyring answers on the session bus: no Secret Service (such as GNOME Keyring or "
                  "KWallet) is running, so no password can be kept for unattended runs.");
}

// Connecting without an address would make GLib try to launch a bus of its own.
bool SessionBusKnown() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    return runtime && *runtime && stat((std::string(runtime) + "/bus").c_str(), &info) == 0 &&
           S_ISSOCK(info.st_mode);
}

bool BusAnswersYes(GDBusConnection* bus, const char* method, const char* argument) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
        argument ? g_variant_new("(s)", argument) : nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE,
        kBusAnswerMilliseconds, nullptr, &error);
    if (!reply) {
        g_error_free(error);
        return false;
    }
    bool yes = false;
    if (argument) {
        gboolean owned = FALSE;
        g_variant_get(reply, "(b)", &owned);
        yes = owned;
    } else {
        GVariantIter* names = nullptr;
        const char* name = nullptr;
        g_variant_get(reply, "(as)", &names);
        while (!yes && g_variant_iter_loop(names, "&s", &name)) yes = g_strcmp0(name, kSecretServiceName) == 0;
        g_variant_iter_free(names);
    }
    g_variant_unref(reply);
    return yes;
}

}  // namespace

bool Available() {
    if (!SessionBusKnown()) return false;
    // A connection of its own rather than GLib's shared one, which would stay
    // on the bus it first reached.
    Deadline deadline(std::chrono::seconds(kBusAnswerMilliseconds / 1000));
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, deadline.cancellable(), &error);
    GDBusConnection* bus =
        address ? g_dbus_connection_new_for_address_sync(
                      address,
                      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                      nullptr, deadline.cancellable(), &error)
                : nullptr;
    g_free(address);
    if (!bus) {
        g_error_free(error);
        return false;
    }
    const bool available = BusAnswersYes(bus, "NameHasOwner", kSecretServiceName) ||
                           BusAnswersYes(bus, "ListActivatableNames", nullptr);
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return available;
}

Status Store(const std::string& address, const std::string& email, Secret which, const std::string& password) {
    if (!Available()) return Unavailable();
    Attributes attributes(address, email, which);
    Deadline deadline(kKeyringAnswer);
    GError* error = nullptr;
    const bool stored = secret_password_storev_sync(Schema(), attributes.table, SECRET_COLLECTION_DEFAULT,
                                                    Label(address, email, which).c_str(), password.c_str(),
                                                    deadline.cancellable(), &error);
    if (stored) return Status::Ok();
    ErrorPtr owned(error, &g_error_free);
    return Failure(error, deadline);
}

Result<std::string> Lookup(const std::string& address, const std::string& email, Secret which) {
    if (!Available()) return Unavailable();
    Attributes attributes(address, email, which);
    Deadline deadline(kKeyringAnswer);
    GError* error = nullptr;
    gchar* found = secret_password_lookupv_sync(Schema(), attributes.table, deadline.cancellable(), &error);
    if (error) {
        ErrorPtr owned(error, &g_error_free);
        return Failure(error, deadline);
    }
    if (!found) {
        if (which == Secret::BlogPassword)
            return Status(StatusKind::NotFound, "The keyring holds no password of the blog " + address + ".");
        if (which == Secret::AccountPassword)
            return Status(StatusKind::NotFound, "The keyring holds no password of " + email + " for " + address + ".");
        return Status(StatusKind::NotFound, "The keyring holds no " + What(which).substr(4) + ".");
    }
    std::string password = found;
    secret_password_free(found);
    return password;
}

Status Forget(const std::string& address, const std::string& email, Secret which) {
    if (!Available()) return Unavailable();
    Attributes attributes(address, email, which);
    Deadline deadline(kKeyringAnswer);
    GError* error = nullptr;
    secret_password_clearv_sync(Schema(), attributes.table, deadline.cancellable(), &error);
    if (!error) return Status::Ok();
    ErrorPtr owned(error, &g_error_free);
    return Failure(error, deadline);
}

}  // namespace qv::keyring
