// SPDX-License-Identifier: GPL-3.0-or-later
// quillvault-cli --json as the Library reads it: every line of standard error
// an event, the totals of the run in its progress and end.
#include <gtest/gtest.h>

#include "LibraryTestSupport.h"
#include "library/JobEvents.h"
#include "library/JobState.h"

namespace qv {
namespace {

using library::EventKind;
using library::JobEvent;
using test::Service;
using test::TempFolder;

TEST(JsonEvents, ABackupRunsEventsParseAndCarryTheTotals) {
    TempFolder folder;
    test::Blog blog;
    blog.posts = test::MakePosts(120, 500000);
    blog.announcedTotal = 125;
    Service().SetBlog(blog);
    const std::string file = folder.File("blog.xml");

    const test::CliRun run = test::RunCli({QString::fromStdString(Service().Address()), "-o",
                                           QString::fromStdString(file), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    // Cut where a pipe might cut: in the middle of lines.
    library::LineSplitter splitter;
    const std::string bytes = run.err.toStdString();
    std::vector<JobEvent> events;
    for (std::size_t at = 0; at < bytes.size(); at += 7)
        for (const std::string& line : splitter.Feed(std::string_view(bytes).substr(at, 7)))
            events.push_back(library::ParseEventLine(line));
    EXPECT_FALSE(splitter.Rest()) << "every line ends with a line break";

    ASSERT_GE(events.size(), 3u) << bytes;
    for (const JobEvent& event : events) {
        EXPECT_NE(event.kind, EventKind::PlainLine) << event.line;
        EXPECT_EQ(event.command, "backup") << event.line;
    }
    EXPECT_EQ(events.front().kind, EventKind::Start);
    EXPECT_EQ(events.front().Text("target"), file);
    const JobEvent& last = events.back();
    ASSERT_EQ(last.kind, EventKind::End) << last.line;
    EXPECT_EQ(last.Text("status"), "ok");
    EXPECT_EQ(last.Number("exit"), 0);
    EXPECT_EQ(last.Text("saved"), file);
    EXPECT_EQ(last.Number("posts"), 120);
    EXPECT_EQ(last.Number("announced"), 125);
    EXPECT_EQ(last.Number("shortfall"), 5);
    const auto progress = std::find_if(events.rbegin(), events.rend(),
                                       [](const JobEvent& event) { return event.kind == EventKind::Progress; });
    ASSERT_NE(progress, events.rend()) << bytes;
    EXPECT_EQ(progress->Number("total"), 125);
    EXPECT_GT(progress->Number("posts").value_or(0), 0);
    EXPECT_GT(progress->Number("pages").value_or(0), 0);

    // What a reader must survive: fields it does not know, and lines that are no event.
    const JobEvent newer = library::ParseEventLine(R"({"event":"end","command":"html","status":"ok","later":[1,{}]})");
    EXPECT_EQ(newer.kind, EventKind::End);
    EXPECT_EQ(newer.Text("status"), "ok");
    const JobEvent crash = library::ParseEventLine("AddressSanitizer: SEGV on unknown address");
    EXPECT_EQ(crash.kind, EventKind::PlainLine);
    EXPECT_EQ(crash.line, "AddressSanitizer: SEGV on unknown address");
}

// A media run against a host whose name can't be found, as the Library tells it.
TEST(JsonEvents, AMediaHostThatCanNotBeFoundIsNamedInTheWaitTheOutcomeAndTheDetails) {
    TempFolder folder;
    std::string posts;
    for (int i = 0; i < 5; ++i)
        posts += "<post id=\"" + std::to_string(900 - i) +
                 "\" type=\"photo\"><photo-url max-width=\"1280\">"
                 "http://media.example.invalid/" +
                 std::to_string(i) + ".jpg</photo-url></post>";
    const std::string backup = folder.File("photos.xml");
    test::WriteAll(backup, "<tumblr version=\"1.0\"><tumblelog name=\"photos\"/><posts>" + posts +
                               "</posts></tumblr>\n");
    const test::CliRun run = test::RunCli(
        {"media", QString::fromStdString(backup), "--json", "--retries", "1", "--retry-delay", "2"});
    ASSERT_EQ(run.exitCode, 1) << run.err.toStdString();

    library::JobState job;
    job.kind = library::JobKind::Media;
    job.running = true;
    QStringList details;
    QString whileWaiting;
    QString waitingAll;
    int progressWhileWaiting = 0;
    library::LineSplitter splitter;
    for (const std::string& line : splitter.Feed(run.err.toStdString())) {
        const JobEvent event = library::ParseEventLine(line);
        const bool waiting = job.waitUntil.has_value();
        if (const auto said = library::ApplyEvent(job, event)) details << *said;
        // The command line repeats its progress while it waits: the row still says the wait.
        if (waiting && event.kind == EventKind::Progress && job.waitUntil) ++progressWhileWaiting;
        if (job.waitUntil) {
            whileWaiting = library::RowText(job);
            waitingAll = library::ProgressText(job);
        }
    }
    details << library::FinishJob(job, run.exitCode, false, {});

    EXPECT_GT(progressWhileWaiting, 0) << run.err.toStdString();
    EXPECT_TRUE(whileWaiting.endsWith(": trying again")) << whileWaiting.toStdString();
    EXPECT_TRUE(waitingAll.endsWith("\nTrying again in 2 s: media.example.invalid could not be found."))
        << waitingAll.toStdString();
    EXPECT_EQ(job.outcome, "Media kept: 0 new, 5 failed");
    EXPECT_TRUE(details.contains("Failed files by reason:\n  5  media.example.invalid could not be found"))
        << details.join('\n').toStdString();

    // A progress that moved ends the wait.
    const char* const waitThenMore[] = {
        R"({"event":"start","command":"media"})",
        R"({"event":"progress","command":"media","files":0,"of":5,"bytes":0})",
        R"({"event":"wait","command":"media","reason":"retry","seconds":30,"text":"Trying again in 30 s."})",
        R"({"event":"progress","command":"media","files":0,"of":5,"bytes":0})",
        R"({"event":"progress","command":"media","files":1,"of":5,"bytes":900})",
    };
    job = library::JobState();
    job.running = true;
    for (const char* line : waitThenMore) {
        if (line == waitThenMore[4]) {
            EXPECT_TRUE(library::RowText(job).startsWith("Waiting 30 s"))
                << library::RowText(job).toStdString();
        }
        static_cast<void>(library::ApplyEvent(job, library::ParseEventLine(line)));
    }
    EXPECT_EQ(library::RowText(job), "Media 1 of 5");
}

}  // namespace
}  // namespace qv
