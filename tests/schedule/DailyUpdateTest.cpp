// SPDX-License-Identifier: GPL-3.0-or-later
// The daily update as systemd and cron will read it: the units' command, file
// names that need quoting, the calls to systemctl, and a real user manager
// running the service when one can be started (private-session.sh).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ScheduleTestSupport.h"
#include "TempFolder.h"
#include "catalog/UpdateCommand.h"
#include "schedule/DailyUpdate.h"
#include "schedule/Systemctl.h"

namespace qv::schedule {
namespace {

using test::ReadAll;
using test::ScopedVariable;
using test::TempFolder;

// Everything a unit file and a shell line must quote: spaces, both quotes, a
// backslash, letters beyond ASCII, '%' before what systemd would take for a
// specifier (%h: the home folder) and '$' before what it would take for a
// variable.
const char* const kAwkwardName = "it's \"100%h\" ${HOME} \\ Tagebücher 日記";
// All of that that systemd takes in the path of a program (no quotes, no
// backslash).
const char* const kAwkwardProgramFolder = "Quill 100%h ${HOME} Tagebücher 日記";

// A backup in a folder of that name, and a "quillvault-cli" that records how
// it was called in quillvault-cli.arguments beside itself.
struct AwkwardBackup {
    AwkwardBackup() {
        const std::filesystem::path programs = folder.Path() / kAwkwardProgramFolder;
        std::filesystem::create_directories(programs);
        std::filesystem::create_directories(folder.Path() / kAwkwardName);
        std::filesystem::copy_file(QV_SCHEDULE_TEST_DIR "/record-arguments.sh", programs / "quillvault-cli");
        chmod((programs / "quillvault-cli").c_str(), 0755);
        backup.cliProgram = programs / "quillvault-cli";
        backup.entry.path = folder.Path() / kAwkwardName / "my blog 100%.xml";
        backup.entry.address = "myblog.example";
        backup.entry.email = "me+blog@example.com";
        backup.entry.blogPassword = true;
    }
    // The arguments the program was last called with, after its own path.
    std::vector<std::string> Recorded() const {
        const std::string text = ReadAll(backup.cliProgram + ".arguments");
        std::vector<std::string> words;
        for (std::size_t start = 0, end; (end = text.find('\0', start)) != std::string::npos; start = end + 1) {
            words.push_back(text.substr(start, end - start));
        }
        return words;
    }
    std::vector<std::string> Expected() const {
        const std::vector<std::string> words = UpdateCommand(backup);
        return std::vector<std::string>(words.begin() + 1, words.end());
    }
    TempFolder folder;
    ScheduledBackup backup;
};

// An anonymous backup of myblog.example at `path`, updated by the installed program.
ScheduledBackup Scheduled(const std::string& path) {
    ScheduledBackup backup;
    backup.entry.path = path;
    backup.entry.address = "myblog.example";
    backup.cliProgram = "/usr/bin/quillvault-cli";
    return backup;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

TEST(DailyUpdate, TimerRunsDailyAndCatchesUpAndTheServiceRunsTheIncrementalUpdate) {
    const ScheduledBackup backup = Scheduled("/home/me/backups/myblog.xml");
    const std::string timer = TimerUnitText(backup);
    EXPECT_NE(timer.find("\nOnCalendar=daily\n"), std::string::npos) << timer;
    EXPECT_NE(timer.find("\nPersistent=true\n"), std::string::npos) << timer;
    EXPECT_NE(timer.find("\nWantedBy=timers.target\n"), std::string::npos) << timer;
    EXPECT_NE(ServiceUnitText(backup).find(
                  "\nExecStart=\"/usr/bin/quillvault-cli\" \"-i\" \"/home/me/backups/myblog.xml\" \"-o\" "
                  "\"/home/me/backups/myblog.xml\" \"myblog.example\" \"--media\" \"--html\" \"-q\"\n"),
              std::string::npos)
        << ServiceUnitText(backup);

    ScheduledBackup privatePosts = backup;
    privatePosts.entry.email = "me@example.com";
    privatePosts.entry.blogPassword = true;
    EXPECT_NE(ServiceUnitText(privatePosts).find("\"-q\" \"-e\" \"me@example.com\" \"--keyring\"\n"),
              std::string::npos)
        << ServiceUnitText(privatePosts);

    ScheduledBackup sameNameElsewhere = backup;
    sameNameElsewhere.entry.path = "/mnt/old/myblog.xml";
    EXPECT_TRUE(UnitName(backup).starts_with("quillvault-update-myblog-")) << UnitName(backup);
    EXPECT_NE(UnitName(backup), UnitName(sameNameElsewhere));
}

// The key and the token are never in a unit or a command line: every update
// of a blog read through the v2 API reads them from the keyring, as Update
// now does, whatever passwords it is handed.
TEST(DailyUpdate, ABlogReadThroughTheV2ApiIsUpdatedThatWayWithTheKeyring) {
    ScheduledBackup backup = Scheduled("/home/me/backups/myblog.xml");
    backup.entry.api = catalog::kApiV2;
    backup.entry.signedIn = true;
    EXPECT_NE(ServiceUnitText(backup).find("\"-q\" \"--api\" \"v2\" \"--keyring\"\n"), std::string::npos)
        << ServiceUnitText(backup);
    EXPECT_TRUE(CrontabLine(backup).starts_with("@daily DBUS_SESSION_BUS_ADDRESS=")) << CrontabLine(backup);

    const auto updateNow = [](const catalog::CatalogEntry& entry) {
        return catalog::UpdateArguments(entry, {"--json"}, catalog::Passwords::FromEnvironment);
    };
    const std::string file = backup.entry.path;
    EXPECT_EQ(updateNow(backup.entry), (std::vector<std::string>{"-i", file, "-o", file, "myblog.example", "--json",
                                                                 "--api", "v2", "--keyring"}));
    backup.entry.api = catalog::kApiV1;
    backup.entry.email = "me@example.com";
    EXPECT_EQ(updateNow(backup.entry), (std::vector<std::string>{"-i", file, "-o", file, "myblog.example", "--json",
                                                                 "-e", "me@example.com"}))
        << "the read API's passwords are handed over";
}

TEST(DailyUpdate, AwkwardFileNamesPassSystemdsOwnCheck) {
    if (!test::Installed("systemd-analyze")) GTEST_SKIP() << "systemd-analyze is not installed (Debian: systemd)";
    AwkwardBackup awkward;
    TempFolder state;
    mkdir(state.File("run").c_str(), 0700);
    ScopedVariable config("XDG_CONFIG_HOME", state.File("config"));
    ScopedVariable runtime("XDG_RUNTIME_DIR", state.File("run"));
    ScopedVariable systemctl("QUILLVAULT_SYSTEMCTL", "true");
    const Status enabled = Enable(awkward.backup);
    ASSERT_TRUE(enabled.ok()) << enabled.text();

    // The check reads the program's path as systemd would and insists that it
    // is there; a quoting or specifier fault anywhere fails it too.
    const std::string units = UnitFolder() + "/" + UnitName(awkward.backup);
    const test::Ran verified =
        test::Run({"systemd-analyze", "--user", "verify", "--man=no", units + ".service", units + ".timer"});
    EXPECT_EQ(verified.exitCode, 0) << verified.output << ServiceUnitText(awkward.backup);
}

TEST(DailyUpdate, EnablingAndDisablingAskTheUserManagerAndLeaveNoUnitBehind) {
    const ScheduledBackup backup = Scheduled("/home/me/myblog.xml");
    TempFolder state;
    ScopedVariable config("XDG_CONFIG_HOME", state.File("config"));
    ScopedVariable systemctl("QUILLVAULT_SYSTEMCTL", QV_SCHEDULE_TEST_DIR "/fake-systemctl.sh");
    ScopedVariable log("FAKE_SYSTEMCTL_LOG", state.File("systemctl.log"));
    const std::string timer = UnitName(backup) + ".timer";

    ASSERT_TRUE(Enable(backup).ok());
    EXPECT_TRUE(IsEnabled(backup));
    EXPECT_EQ(ReadAll(UnitFolder() + "/" + UnitName(backup) + ".service"), ServiceUnitText(backup));
    EXPECT_EQ(Lines(ReadAll(state.File("systemctl.log"))),
              (std::vector<std::string>{"--user daemon-reload", "--user enable --now " + timer}));

    ASSERT_TRUE(Disable(backup).ok());
    EXPECT_FALSE(IsEnabled(backup));
    EXPECT_TRUE(std::filesystem::is_empty(UnitFolder()));
    EXPECT_EQ(Lines(ReadAll(state.File("systemctl.log"))),
              (std::vector<std::string>{"--user daemon-reload", "--user enable --now " + timer,
                                        "--user disable --now " + timer, "--user daemon-reload"}));
}

TEST(DailyUpdate, WithoutAUserManagerEnablingSaysSoAndLeavesNoUnit) {
    const ScheduledBackup backup = Scheduled("/home/me/myblog.xml");
    TempFolder state;
    ScopedVariable config("XDG_CONFIG_HOME", state.File("config"));
    ScopedVariable systemctl("QUILLVAULT_SYSTEMCTL", QV_SCHEDULE_TEST_DIR "/fake-systemctl.sh");
    ScopedVariable log("FAKE_SYSTEMCTL_LOG", state.File("systemctl.log"));
    ScopedVariable fails("FAKE_SYSTEMCTL_FAILS", "1");

    const Status enabled = Enable(backup);
    EXPECT_TRUE(enabled.Is(StatusKind::Unavailable));
    EXPECT_NE(enabled.text().find("No medium found"), std::string::npos) << enabled.text();
    EXPECT_FALSE(IsEnabled(backup));
    EXPECT_TRUE(std::filesystem::is_empty(UnitFolder()));
}

TEST(DailyUpdate, CrontabLineGivesTheShellTheSameWords) {
    AwkwardBackup awkward;
    const std::string line = CrontabLine(awkward.backup);
    ASSERT_TRUE(line.starts_with("@daily DBUS_SESSION_BUS_ADDRESS=")) << line;

    // What cron hands /bin/sh: "\%" becomes '%', and a bare '%' would end the
    // command there.
    std::string command;
    const std::string fields = line.substr(line.find(' ') + 1);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i] == '\\' && i + 1 < fields.size() && fields[i + 1] == '%') {
            command += fields[++i];
        } else {
            ASSERT_NE(fields[i], '%') << "cron would cut the line here: " << line;
            command += fields[i];
        }
    }
    const test::Ran ran = test::Run({"/bin/sh", "-c", command});
    ASSERT_EQ(ran.exitCode, 0) << ran.output;
    EXPECT_EQ(awkward.Recorded(), awkward.Expected());
}

TEST(DailyUpdate, RealUserManagerRunsTheServiceWithTheSameWords) {
    if (!getenv("QUILLVAULT_TEST_USER_MANAGER")) {
        GTEST_SKIP() << "no private user manager was started (run through private-session.sh as root, or on a "
                        "system booted with systemd)";
    }
    AwkwardBackup awkward;
    const std::string name = UnitName(awkward.backup);
    const Status enabled = Enable(awkward.backup);
    ASSERT_TRUE(enabled.ok()) << enabled.text();
    EXPECT_TRUE(RunSystemctl({"is-active", "--quiet", name + ".timer"}).ok());
    EXPECT_TRUE(RunSystemctl({"is-enabled", "--quiet", name + ".timer"}).ok());

    const Status ran = RunSystemctl({"start", name + ".service"});
    ASSERT_TRUE(ran.ok()) << ran.text();
    EXPECT_EQ(awkward.Recorded(), awkward.Expected());

    ASSERT_TRUE(Disable(awkward.backup).ok());
    EXPECT_FALSE(RunSystemctl({"is-active", "--quiet", name + ".timer"}).ok());
    EXPECT_FALSE(std::filesystem::exists(UnitFolder() + "/" + name + ".timer"));
}

}  // namespace
}  // namespace qv::schedule
