// SPDX-License-Identifier: GPL-3.0-or-later
// The requests of a run share their connections: one per host the run talks
// to, not one per page.
#include <gtest/gtest.h>

#include "EngineDoubles.h"
#include "SharedService.h"
#include "TempFolder.h"
#include "modTumblrInteraction.h"

namespace qv {
namespace {

using test::Blog;
using test::LoopbackServer;
using test::MakePosts;
using test::ScriptedResponse;
using test::Service;
using test::TempFolder;

BackupResult FullBackup(const std::string& target, const std::string& address) {
    test::WindowRun window;
    return MakeBackupXML(target, "", address, "", "", "", window.context);
}

TEST(ConnectionReuse, AFortyOnePageRunUsesOneConnectionAndTwoThroughARedirect) {
    TempFolder folder;
    Blog blog;
    blog.posts = MakePosts(2000, 900000);
    Service().SetBlog(blog);
    Service().Http().SetKeepAlive(true);
    const int before = Service().Http().ConnectionsAccepted();
    ASSERT_TRUE(FullBackup(folder.File("direct.xml"), Service().Address()).ok());
    EXPECT_EQ(Service().ApiRequests().size(), 41u);
    EXPECT_EQ(Service().Http().ConnectionsAccepted() - before, 1);

    // Every page first goes to the address typed, which sends it on with a 301.
    LoopbackServer entrance([](const test::HttpExchange&) {
        return ScriptedResponse::Redirect(301, Service().Http().Url("/api/read"));
    });
    entrance.SetKeepAlive(true);
    const int servedBefore = Service().Http().ConnectionsAccepted();
    ASSERT_TRUE(FullBackup(folder.File("moved.xml"), entrance.Address()).ok());
    EXPECT_EQ(entrance.ExchangeCount(), 41u);
    EXPECT_EQ(entrance.ConnectionsAccepted() + Service().Http().ConnectionsAccepted() - servedBefore, 2);
    EXPECT_EQ(test::ReadAll(folder.File("moved.xml")), test::ReadAll(folder.File("direct.xml")));
}

TEST(ConnectionReuse, AServerThatDropsEveryConnectionAfterOneAnswerStillGivesTheWholeBackup) {
    TempFolder folder;
    Blog blog;
    blog.posts = MakePosts(260, 900000);
    Service().SetBlog(blog);
    Service().Http().SetKeepAlive(true);
    // It promises to keep the connection and closes it anyway.
    Service().Http().SetHandler([](const test::HttpExchange& exchange) {
        ScriptedResponse answer = Service().Answer(exchange);
        answer.headers.push_back({"Connection", "keep-alive"});
        answer.closeAfterBodyBytes = answer.body.size();
        return answer;
    });
    test::ScopedMessages messages;
    const BackupResult run = FullBackup(folder.File("blog.xml"), Service().Address());
    ASSERT_TRUE(run.ok()) << (messages->Shown().empty() ? "" : messages->Texts()[0]);
    EXPECT_EQ(run.PostsInBackup, 260);
    EXPECT_TRUE(messages->Shown().empty());
    EXPECT_EQ(Service().ApiRequests().size(), 6u);
}

}  // namespace
}  // namespace qv
