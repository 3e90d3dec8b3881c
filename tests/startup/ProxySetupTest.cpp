// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <cstdlib>
#include <regex>

#include "EngineDoubles.h"
#include "ReadApiServer.h"
#include "TempFolder.h"
#include "passwords/modPasswordCryptor.h"
#include "qtcore/QtSettingsStore.h"
#include "widgets/ProxySettingsDialog.h"

namespace qv {
namespace {

using test::LoopbackServer;
using test::ReadApiServer;
using test::ScopedMessages;
using test::TempFolder;

const char* const kSection = "HTTP Proxy";

// The first page from `address`, asked for as the window's run asks, over
// the proxy set up at that moment.
std::optional<std::string> PageFrom(const std::string& address) {
    test::WindowSession window;
    Result<std::string> page = DownloadPage(0, 50, &window.host, address, "", "", "", window.session);
    return page ? std::optional<std::string>(*page) : std::nullopt;
}

struct Manual {
    std::string host, user, password;
    int port = 0;
};

// The user's side of the dialog, played through the widgets' object names.
void Choose(ProxySettingsDialog& dialog, const char* option) {
    dialog.findChild<QRadioButton*>(option)->click();
}
void TypeManual(ProxySettingsDialog& dialog, const Manual& manual) {
    Choose(dialog, "optManual");
    dialog.findChild<QLineEdit*>("txtHost")->setText(QString::fromStdString(manual.host));
    dialog.findChild<QSpinBox*>("txtPort")->setValue(manual.port);
    dialog.findChild<QLineEdit*>("txtUser")->setText(QString::fromStdString(manual.user));
    dialog.findChild<QLineEdit*>("txtPassword")->setText(QString::fromStdString(manual.password));
}
QPushButton* Button(ProxySettingsDialog& dialog, QDialogButtonBox::StandardButton which) {
    return dialog.findChild<QDialogButtonBox*>("buttons")->button(which);
}

// Settings in a fresh configuration folder, passwords scrambled as the window does it.
class ProxySetupTest : public ::testing::Test {
protected:
    ProxySetupTest() : saved_(App()) {
        setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
        UseQtSettingsStore(App());
        App().ScramblePassword = Scramble;
        App().UnscramblePassword = Unscramble;
    }
    ~ProxySetupTest() override { App() = saved_; }

    // What the "Proxy..." button does, with `answer` in the user's place.
    static void ProxySetup(std::function<void(ProxySettingsDialog&)> answer) {
        ProxySettings proxy;
        proxy.Load(kSection, App(), true);
        ProxySettingsDialog::AnswerNext(std::move(answer));
        proxy.EditDialog();
        proxy.Save(kSection, App(), true);
    }
    static ProxySettings Stored() {
        ProxySettings proxy;
        proxy.Load(kSection, App(), true);
        return proxy;
    }
    static std::string SettingsFile() { return QtSettingsStore::FilePath(App()).toStdString(); }

    TempFolder config_;
    Application saved_;
};

TEST_F(ProxySetupTest, ProxyFromTheDialogCarriesTheVeryNextRequestAndItsDummyGet) {
    ReadApiServer api;
    LoopbackServer proxy([&api](const test::HttpExchange& exchange) { return api.Answer(exchange); });
    ScopedMessages messages;

    const Manual manual{"127.0.0.1", "proxyuser", "pr\u00F6xy \u20AC pw", proxy.Port()};
    ProxySetup([&](ProxySettingsDialog& dialog) {
        TypeManual(dialog, manual);
        Button(dialog, QDialogButtonBox::Ok)->click();
    });
    proxy.Enqueue(test::ScriptedResponse::Status(408));
    EXPECT_EQ(PageFrom(api.Address()), api.Page(0, 50));

    EXPECT_EQ(api.Http().ExchangeCount(), 0u);
    const auto exchanges = proxy.Exchanges();
    ASSERT_EQ(exchanges.size(), 3u);  // the page answered 408, the dummy GET, the page again
    EXPECT_EQ(exchanges[1].method, "GET");
    const QByteArray credentials = QByteArray::fromStdString(manual.user + ":" + manual.password).toBase64();
    for (const auto& exchange : exchanges) {
        EXPECT_EQ(exchange.target, "http://" + api.Address() + "/api/read");
        EXPECT_EQ(exchange.Header("Proxy-Authorization"), "Basic " + credentials.toStdString());
    }

    // Switched off again, the proxy is left out from the next request on.
    ProxySetup([](ProxySettingsDialog& dialog) {
        Choose(dialog, "optNone");
        Button(dialog, QDialogButtonBox::Ok)->click();
    });
    EXPECT_EQ(PageFrom(api.Address()), api.Page(0, 50));
    EXPECT_EQ(proxy.ExchangeCount(), 3u);
    EXPECT_EQ(api.Http().ExchangeCount(), 1u);
    EXPECT_TRUE(messages->Shown().empty());
}

TEST_F(ProxySetupTest, PasswordIsStoredScrambledAndReadsBack) {
    const std::string password = "s3cr\u00E9t";
    ProxySetup([&](ProxySettingsDialog& dialog) {
        TypeManual(dialog, {"proxy.example", "me", password, 3128});
        Button(dialog, QDialogButtonBox::Ok)->click();
    });
    const std::string file = test::ReadAll(SettingsFile());
    EXPECT_EQ(file.find("s3cr"), std::string::npos) << file;
    std::smatch stored;
    ASSERT_TRUE(std::regex_search(file, stored, std::regex("\nPassword=([0-9A-F]{24})\n"))) << file;
    EXPECT_EQ(Unscramble(stored[1]), password);

    const ProxySettings back = Stored();
    EXPECT_EQ(back.ProxyMode, ProxySettings::pmManual);
    EXPECT_EQ(back.Host + ":" + std::to_string(back.Port), "proxy.example:3128");
    EXPECT_EQ(back.User, "me");
    EXPECT_EQ(back.Password, password);
}

TEST_F(ProxySetupTest, CancelKeepsWhatWasStoredAndTheDialogShowedIt) {
    ProxySettings seeded;
    seeded.ProxyMode = ProxySettings::pmManual;
    seeded.Host = "old.example";
    seeded.Port = 8000;
    seeded.User = "olduser";
    seeded.Password = "oldpw";
    seeded.Save(kSection, App(), true);

    ProxySetup([](ProxySettingsDialog& dialog) {
        EXPECT_TRUE(dialog.findChild<QRadioButton*>("optManual")->isChecked());
        EXPECT_EQ(dialog.findChild<QLineEdit*>("txtHost")->text(), "old.example");
        EXPECT_EQ(dialog.findChild<QSpinBox*>("txtPort")->value(), 8000);
        auto* password = dialog.findChild<QLineEdit*>("txtPassword");
        EXPECT_EQ(password->text(), "oldpw");
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        TypeManual(dialog, {"new.example", "newuser", "newpw", 9000});
        Choose(dialog, "optEnvironment");
        Button(dialog, QDialogButtonBox::Cancel)->click();
    });
    const ProxySettings back = Stored();
    EXPECT_EQ(back.ProxyMode, ProxySettings::pmManual);
    EXPECT_EQ(back.Host + ":" + std::to_string(back.Port), "old.example:8000");
    EXPECT_EQ(back.User + "/" + back.Password, "olduser/oldpw");
}

TEST_F(ProxySetupTest, DialogShowsTheEnvironmentAndWantsAHostForAManualProxy) {
    setenv("http_proxy", "http://envproxy:3128", 1);
    ProxySetup([](ProxySettingsDialog& dialog) {
        EXPECT_TRUE(dialog.findChild<QRadioButton*>("optNone")->isChecked());
        EXPECT_TRUE(
            dialog.findChild<QLabel*>("lblEnvironment")->text().contains("http_proxy: http://envproxy:3128"));
        EXPECT_FALSE(dialog.findChild<QLineEdit*>("txtHost")->isEnabled());
        Choose(dialog, "optManual");
        EXPECT_TRUE(dialog.findChild<QLineEdit*>("txtHost")->isEnabled());
        dialog.findChild<QLineEdit*>("txtHost")->setText("  ");
        EXPECT_FALSE(Button(dialog, QDialogButtonBox::Ok)->isEnabled());
        Choose(dialog, "optEnvironment");
        Button(dialog, QDialogButtonBox::Ok)->click();
    });
    unsetenv("http_proxy");
    EXPECT_EQ(Stored().ProxyMode, ProxySettings::pmEnvironment);
}

TEST_F(ProxySetupTest, PasswordIsKeptOnlyWhereItCanBeScrambled) {
    const Application withHooks = App();
    App().ScramblePassword = nullptr;
    App().UnscramblePassword = nullptr;
    ProxySettings proxy;
    proxy.User = "someone";
    proxy.Password = "clear text";
    proxy.Save(kSection, App(), true);
    EXPECT_EQ(test::ReadAll(SettingsFile()).find("clear text"), std::string::npos);

    // Nothing stored: even a program that can read passwords keeps the one it has.
    App() = withHooks;
    ProxySettings loaded;
    loaded.Password = "as it was";
    ASSERT_TRUE(loaded.Load(kSection, App(), true));
    EXPECT_EQ(loaded.User, "someone");
    EXPECT_EQ(loaded.Password, "as it was");

    // A stored password is not read by a program that cannot unscramble it.
    proxy.Save(kSection, App(), true);
    App().UnscramblePassword = nullptr;
    ASSERT_TRUE(loaded.Load(kSection, App(), true));
    EXPECT_EQ(loaded.Password, "as it was");
}

}  // namespace
}  // namespace qv
