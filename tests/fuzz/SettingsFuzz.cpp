// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file the window writes, as the command line reads it: the
// proxy setup (its password unscrambled) read from the INI file, then its
// address taken apart as a request would take it. What is read is what the
// window stores again.
//
// Input: the text of the settings file.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "Application.h"
#include "Error.h"
#include "FuzzInput.h"
#include "StoredSettings.h"
#include "http/CurlUrl.h"
#include "passwords/modPasswordCryptor.h"
#include "qtcore/QtSettingsStore.h"
#include "../support/TempFolder.h"

namespace {

// The settings store keeps a file it has read until the file's size or time
// changes: every input gets a time of its own.
void WriteSettings(const std::string& file, std::string_view text) {
    static long long written = 0;
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
    const timespec times[2] = {{1000000000 + ++written, 0}, {1000000000 + written, 0}};
    utimensat(AT_FDCWD, file.c_str(), times, 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const qv::test::TempFolder folder;
    setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
    qv::cli::UseStoredSettings();
    std::filesystem::create_directories(
        std::filesystem::path(qv::QtSettingsStore::FilePath(qv::App()).toStdString()).parent_path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    WriteSettings(QtSettingsStore::FilePath(App()).toStdString(), fuzz::AsText(data, size));
    try {
        const std::shared_ptr<const ProxySettings> proxy = cli::RunProxy(std::nullopt);
        // The window's proxy dialog stores again what it read.
        fuzz::Require(Unscramble(Scramble(proxy->Password)) == proxy->Password,
                      "a stored password is read back as it was", proxy->Password);
        if (proxy->ProxyMode == ProxySettings::pmManual && !proxy->Host.empty()) {
            http::HostPort target;
            std::string why;
            (void)http::SplitHostText(proxy->Host, proxy->Port, target, why);
        }
    } catch (const Error&) {
        // The store says it can't be read: the command line reports that and ends.
    }
    return 0;
}
