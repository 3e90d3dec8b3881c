// SPDX-License-Identifier: GPL-3.0-or-later
// quillvault-cli --json as the Library reads it: every line of standard error
// an event, the totals of the run in its progress and end.
#include <gtest/gtest.h>

#include "LibraryTestSupport.h"
#include "library/JobEvents.h"

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

}  // namespace
}  // namespace qv
