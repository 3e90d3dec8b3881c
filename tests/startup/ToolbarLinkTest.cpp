// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar looks for its partner once per process and Qt binds the session
// bus once per process, so each scenario here needs a process of its own:
// ctest runs them one by one with --gtest_filter.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QThread>
#include <QWidget>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "TempFolder.h"
#include "toolbar/modPerchbar.h"

namespace qv {
namespace {

using namespace std::chrono_literals;

const char* const kService = "Perchbar.corvaneToolbarProxy";
const char* const kPath = "/Perchbar/corvaneToolbarProxy";

// A dbus-daemon of the test's own, so nothing reaches a real session.
class PrivateBus {
public:
    PrivateBus() {
        const std::string config = folder_.File("bus.conf");
        test::WriteAll(config,
                       "<busconfig><type>session</type><listen>unix:dir=" + folder_.Path().string() +
                           "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                           "<allow own=\"*\"/></policy></busconfig>");
        daemon_.start("dbus-daemon",
                      {"--nofork", "--print-address", "--config-file=" + QString::fromStdString(config)});
        if (daemon_.waitForReadyRead(10000)) address_ = daemon_.readLine().trimmed();
    }
    ~PrivateBus() {
        daemon_.terminate();
        if (!daemon_.waitForFinished(5000)) daemon_.kill();
    }
    // Empty when the daemon did not start.
    const QByteArray& Address() const { return address_; }
    std::string Why() { return (daemon_.errorString() + " " + daemon_.readAllStandardError()).toStdString(); }

private:
    test::TempFolder folder_;
    QProcess daemon_;
    QByteArray address_;
};

struct ToolbarCall {
    QString member;
    QString signature;
    QVariantList arguments;
};

// Records every call on the toolbar's interface; a hung one never answers.
class FakeToolbar : public QDBusVirtualObject {
public:
    explicit FakeToolbar(bool answers) : answers_(answers) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != kService) return false;
        {
            std::lock_guard lock(mutex_);
            calls_.push_back({message.member(), message.signature(), message.arguments()});
        }
        arrived_.notify_all();
        if (answers_) connection.send(message.createReply());
        return true;
    }
    std::vector<ToolbarCall> Calls(size_t awaited = 0) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, 10s, [&] { return calls_.size() >= awaited; });
        return calls_;
    }

private:
    const bool answers_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<ToolbarCall> calls_;
};

// The toolbar on its own connection and thread, as another program would be.
class ToolbarService {
public:
    ToolbarService(const QByteArray& address, bool answers)
        : toolbar_(answers), bus_(QDBusConnection::connectToBus(QString(address), "fake-toolbar")) {
        thread_.start();
        toolbar_.moveToThread(&thread_);
        bus_.registerVirtualObject(kPath, &toolbar_);
        registered_ = bus_.registerService(kService);
    }
    ~ToolbarService() {
        bus_.unregisterService(kService);
        bus_.unregisterObject(kPath);
        QDBusConnection::disconnectFromBus("fake-toolbar");
        thread_.quit();
        thread_.wait();
    }
    bool Registered() const { return registered_; }
    FakeToolbar& Toolbar() { return toolbar_; }

private:
    FakeToolbar toolbar_;
    QDBusConnection bus_;
    QThread thread_;
    bool registered_ = false;
};

// Whatever Qt would print while the link works; the link has to stay silent.
std::vector<QString>* heard = nullptr;
void Listen(QtMsgType, const QMessageLogContext&, const QString& text) { heard->push_back(text); }

class ToolbarLink : public ::testing::Test {
protected:
    void SetUp() override {
        static bool taken = false;
        if (std::exchange(taken, true))
            GTEST_SKIP() << "one toolbar scenario per process; ctest runs each alone";
        window_.show();
    }

    // The three calls of a program's life: start, window load, window unload.
    std::chrono::steady_clock::duration RunProgramCalls() {
        heard = &messages_;
        const QtMessageHandler previous = qInstallMessageHandler(Listen);
        const auto started = std::chrono::steady_clock::now();
        ToolbarShow();
        ToolbarMarkForm(child_);
        ToolbarUnMarkForm(&window_);
        const auto took = std::chrono::steady_clock::now() - started;
        qInstallMessageHandler(previous);
        return took;
    }
    qint32 Handle() { return static_cast<qint32>(window_.winId()); }

    QWidget window_;
    QWidget* child_ = new QWidget(&window_);
    std::vector<QString> messages_;
};

#define START_PRIVATE_BUS(bus)                                                                    \
    PrivateBus bus;                                                                               \
    if (bus.Address().isEmpty()) GTEST_SKIP() << "dbus-daemon did not start here: " << bus.Why(); \
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address())

TEST_F(ToolbarLink, PresentToolbarHearsShowThenMarkAndUnmarkWithTheWindowHandle) {
    START_PRIVATE_BUS(bus);
    ToolbarService service(bus.Address(), true);
    ASSERT_TRUE(service.Registered());
    RunProgramCalls();
    const auto calls = service.Toolbar().Calls(3);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].member + "(" + calls[0].signature + ")", "ShowToolBar()");
    EXPECT_EQ(calls[1].member + "(" + calls[1].signature + ")", "MarkForm(i)");
    EXPECT_EQ(calls[2].member + "(" + calls[2].signature + ")", "UnMarkForm(i)");
    // Marked through a child, the handle is still the top-level window's.
    EXPECT_EQ(calls[1].arguments.value(0).toInt(), Handle());
    EXPECT_EQ(calls[2].arguments.value(0).toInt(), Handle());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ToolbarLink, MissingToolbarCostsNothingAndIsNotLookedForAgain) {
    START_PRIVATE_BUS(bus);
    EXPECT_LT(RunProgramCalls(), 2s);
    EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
    // A toolbar that turns up later gets nothing: the calls block until
    // answered, so had one been sent it would be recorded by now.
    ToolbarService late(bus.Address(), true);
    ASSERT_TRUE(late.Registered());
    ToolbarShow();
    ToolbarMarkForm(&window_);
    EXPECT_TRUE(late.Toolbar().Calls().empty());
}

TEST_F(ToolbarLink, HungToolbarDelaysEachCallOnlyBriefly) {
    START_PRIVATE_BUS(bus);
    ToolbarService service(bus.Address(), false);
    ASSERT_TRUE(service.Registered());
    EXPECT_LT(RunProgramCalls(), 2s);
    const auto calls = service.Toolbar().Calls(3);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].member, "UnMarkForm");
    EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
}

TEST_F(ToolbarLink, NoSessionBusIsQuietAndQuick) {
    test::TempFolder nowhere;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QByteArray::fromStdString(nowhere.File("no-bus")));
    EXPECT_LT(RunProgramCalls(), 2s);
    EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
}

}  // namespace
}  // namespace qv
