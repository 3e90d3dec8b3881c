// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>

#include "Http.h"
#include "SettingsStore.h"

namespace qv {

namespace {

const char* ModeName(ProxySettings::Mode mode) {
    switch (mode) {
        case ProxySettings::pmEnvironment: return "Environment";
        case ProxySettings::pmManual: return "Manual";
        default: return "None";
    }
}

ProxySettings::Mode ModeFromName(const std::string& name) {
    if (name == "Environment") return ProxySettings::pmEnvironment;
    if (name == "Manual") return ProxySettings::pmManual;
    return ProxySettings::pmNone;
}

std::string ReadText(SettingsStore& store, const std::string& section, const std::string& key,
                     const std::string& fallback, const Application& app, bool perUser) {
    bool found = false;
    const SettingValue value = store.ReadValue(section, key, skText, fallback, app, perUser, found);
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    return fallback;
}

}  // namespace

bool ProxySettings::Load(const std::string& section, const Application& app, bool perUser) {
    if (!app.MakeSettingsStore) return false;
    const std::unique_ptr<SettingsStore> store = app.MakeSettingsStore();
    ProxyMode = ModeFromName(ReadText(*store, section, "Mode", ModeName(ProxyMode), app, perUser));
    Host = ReadText(*store, section, "Host", Host, app, perUser);
    const std::string port = ReadText(*store, section, "Port", std::to_string(Port), app, perUser);
    try {
        const int number = std::stoi(port);
        if (number > 0 && number < 65536) Port = number;
    } catch (const std::logic_error&) {
        // A damaged port leaves the one we had.
    }
    User = ReadText(*store, section, "User", User, app, perUser);
    if (app.UnscramblePassword) {
        bool found = false;
        const SettingValue stored =
            store->ReadValue(section, "Password", skText, std::string(), app, perUser, found);
        if (const auto* text = std::get_if<std::string>(&stored); found && text)
            Password = app.UnscramblePassword(*text);
    }
    return true;
}

bool ProxySettings::Save(const std::string& section, const Application& app, bool perUser) {
    if (!app.MakeSettingsStore) return false;
    const std::unique_ptr<SettingsStore> store = app.MakeSettingsStore();
    bool written = false;
    store->WriteValue(section, "Mode", skText, std::string(ModeName(ProxyMode)), app, perUser, written);
    store->WriteValue(section, "Host", skText, Host, app, perUser, written);
    store->WriteValue(section, "Port", skText, std::to_string(Port), app, perUser, written);
    store->WriteValue(section, "User", skText, User, app, perUser, written);
    // Never in clear text: a program that cannot scramble keeps no password.
    if (app.ScramblePassword)
        store->WriteValue(section, "Password", skText, app.ScramblePassword(Password), app, perUser, written);
    return true;
}

}  // namespace qv
