// SPDX-License-Identifier: GPL-3.0-or-later
// The window keeps answering while what it asked takes its time: a keyring
// (a stand-in Secret Service on a bus of the test's own) or systemctl that
// answers after five seconds. A timer keeps firing, another backup can be
// selected and worked on, and the backup that waits has its actions off until
// the answer comes.
#include <QCheckBox>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "LibraryTestSupport.h"
#include "PrivateBus.h"
#include "catalog/BackupCatalog.h"

namespace qv {
namespace {

using test::ReadAll;

class LibraryWaits : public test::LibraryTest {
protected:
    std::string Listed(const std::string& name, const std::string& email) {
        const std::string file = files.File(name);
        test::WriteAll(file, "<tumblr version=\"1.0\"/>");
        catalog::CatalogEntry entry;
        entry.path = file;
        entry.address = name + ".example.com";
        entry.updated = QDateTime::currentSecsSinceEpoch() - 3600;
        entry.email = email;
        EXPECT_TRUE(catalog::Record(DataFolder(), entry).ok());
        return file;
    }

    bool TimersWritten() const {
        const std::string units = home.File("config/systemd/user");
        if (!std::filesystem::exists(units)) return false;
        for (const auto& each : std::filesystem::directory_iterator(units))
            if (each.path().extension() == ".timer") return true;
        return false;
    }

    QCheckBox& Daily() const { return *window->findChild<QCheckBox*>(); }

    // While `waiting` waits for its answer, for at least two seconds: the
    // clock ticks, the other backup is selected and its actions are on, and
    // the waiting one's are off. Answers whether it was still waiting then.
    bool WindowAnswersWhile(const std::string& waiting, const std::string& other) {
        int ticks = 0;
        QTimer clock;
        clock.setInterval(100);
        QObject::connect(&clock, &QTimer::timeout, [&] { ++ticks; });
        clock.start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->Asking(waiting); }));
        EXPECT_FALSE(Daily().isEnabled());
        EXPECT_FALSE(Button("&Update now").isEnabled());
        EXPECT_FALSE(Button("&Remove from list").isEnabled());

        EXPECT_TRUE(window->Select(other));
        EXPECT_EQ(window->Selected()->entry.path, other);
        EXPECT_TRUE(Button("&Update now").isEnabled());
        EXPECT_TRUE(Daily().isEnabled());
        EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 20; }, 60'000));
        const bool stillWaiting = window->Asking(waiting);
        EXPECT_TRUE(window->Select(waiting));
        EXPECT_FALSE(Daily().isEnabled());
        return stillWaiting;
    }
};

TEST_F(LibraryWaits, AKeyringThatAnswersAfterFiveSecondsLeavesTheWindowAnswering) {
    test::PrivateBus bus(QString::fromStdString(home.Path().string()));
    if (bus.Address().isEmpty()) GTEST_SKIP() << bus.Failure().toStdString();
    ASSERT_TRUE(bus.Start(QV_SLOW_SECRET_SERVICE, {"5000"}, "ready"));
    SetVariable("DBUS_SESSION_BUS_ADDRESS", bus.Address().toStdString());
    SetVariable("QUILLVAULT_SYSTEMCTL", "true");
    const std::string privatePosts = Listed("private", "me@example.com");
    const std::string other = Listed("other", "");
    OpenLibrary();
    ASSERT_TRUE(window->Select(privatePosts));

    questions->QueueAnswer("acct-Secret-4711");
    PressAlt(Qt::Key_D);
    ASSERT_TRUE(QTest::qWaitFor([&] { return questions->asked.size() == 1; }, 30'000))
        << "a keyring answers the bus, so the password is asked to keep it there";
    EXPECT_TRUE(WindowAnswersWhile(privatePosts, other))
        << "the keyring's answer came before the window had answered";

    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Asking(privatePosts); }, 120'000));
    ASSERT_EQ(messages->Shown().size(), 1u);
    EXPECT_NE(messages->Shown()[0].Text.find("answers slowly and keeps nothing"), std::string::npos)
        << messages->Shown()[0].Text;
    EXPECT_FALSE(TimersWritten()) << "no daily update without its password kept";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Reading(); }));
    EXPECT_FALSE(Daily().isChecked());
    EXPECT_TRUE(Daily().isEnabled());
}

TEST_F(LibraryWaits, SystemctlThatAnswersAfterFiveSecondsLeavesTheWindowAnswering) {
    SetVariable("QUILLVAULT_SYSTEMCTL", QV_SCHEDULE_TEST_DIR "/fake-systemctl.sh");
    SetVariable("FAKE_SYSTEMCTL_LOG", home.File("systemctl.log"));
    SetVariable("FAKE_SYSTEMCTL_SLEEPS", "5");
    const std::string daily = Listed("daily", "");
    const std::string other = Listed("other", "");
    OpenLibrary();
    ASSERT_TRUE(window->Select(daily));

    PressAlt(Qt::Key_D);
    EXPECT_TRUE(WindowAnswersWhile(daily, other)) << "systemctl's answer came before the window had answered";

    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Asking(daily) && !window->Reading(); }, 120'000));
    EXPECT_TRUE(messages->Shown().empty()) << messages->Shown()[0].Text;
    EXPECT_TRUE(TimersWritten());
    EXPECT_TRUE(Daily().isChecked());
    EXPECT_NE(ReadAll(home.File("systemctl.log")).find("enable --now"), std::string::npos);
}

}  // namespace
}  // namespace qv
