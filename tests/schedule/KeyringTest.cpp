// SPDX-License-Identifier: GPL-3.0-or-later
// A backup's passwords in a real Secret Service (gnome-keyring on a private
// session bus, started by private-session.sh), and what every call says when
// there is none.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ScheduleTestSupport.h"
#include "ReadApiServer.h"
#include "V2ApiServer.h"
#include "TempFolder.h"
#include "keyring/Keyring.h"

namespace qv::keyring {
namespace {

TEST(Keyring, WithoutAServiceEveryCallSaysSo) {
    test::TempFolder nothing;
    test::ScopedVariable bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + nothing.File("no-bus"));
    EXPECT_FALSE(Available());
    EXPECT_TRUE(Store("myblog.example", "", Secret::BlogPassword, "secret").Is(StatusKind::Unavailable));
    EXPECT_TRUE(Lookup("myblog.example", "", Secret::BlogPassword).status().Is(StatusKind::Unavailable));
    EXPECT_TRUE(Forget("myblog.example", "", Secret::BlogPassword).Is(StatusKind::Unavailable));
}

TEST(Keyring, StoredPasswordsComeBackApartAndAreForgotten) {
    if (!getenv("QUILLVAULT_TEST_KEYRING")) {
        GTEST_SKIP() << "no private keyring was started (needs dbus-run-session and gnome-keyring-daemon; "
                        "Debian: dbus, gnome-keyring)";
    }
    ASSERT_TRUE(Available());
    const std::string blog = "myblog.example";
    const std::string email = "me@example.com";
    ASSERT_TRUE(Store(blog, email, Secret::AccountPassword, "first").ok());
    ASSERT_TRUE(Store(blog, email, Secret::AccountPassword, "pa$$ wörd").ok());
    ASSERT_TRUE(Store(blog, email, Secret::BlogPassword, "blog secret").ok());

    const Result<std::string> account = Lookup(blog, email, Secret::AccountPassword);
    ASSERT_TRUE(account.ok()) << account.status().text();
    EXPECT_EQ(*account, "pa$$ wörd");
    EXPECT_EQ(Lookup(blog, email, Secret::BlogPassword).value(), "blog secret");
    EXPECT_TRUE(Lookup("other.example", email, Secret::AccountPassword).status().Is(StatusKind::NotFound));
    EXPECT_TRUE(Lookup(blog, "", Secret::BlogPassword).status().Is(StatusKind::NotFound));

    ASSERT_TRUE(Forget(blog, email, Secret::AccountPassword).ok());
    EXPECT_TRUE(Lookup(blog, email, Secret::AccountPassword).status().Is(StatusKind::NotFound));
    EXPECT_EQ(Lookup(blog, email, Secret::BlogPassword).value(), "blog secret");
}

// What a scheduled run does: the command line finds the passwords the Library kept.
TEST(Keyring, TheCommandLineReadsTheAccountsAndTheBlogsPasswordsThere) {
    if (!getenv("QUILLVAULT_TEST_KEYRING")) GTEST_SKIP() << "no private keyring was started";
    test::ReadApiServer service;
    test::Blog blog;
    blog.posts = test::MakePosts(3, 1000);
    service.SetBlog(blog);
    const std::string email = "me@example.com";
    ASSERT_TRUE(Store(service.Address(), email, Secret::AccountPassword, "account secret").ok());
    ASSERT_TRUE(Store(service.Address(), email, Secret::BlogPassword, "blog secret").ok());
    test::TempFolder folder;

    const test::Ran run = test::Run({QV_CLI_EXECUTABLE, "-q", "--keyring", "-e", email, service.Address(), "-o",
                                     folder.File("blog.xml")});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto requests = service.ApiRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].FormFields()[1], (std::pair<std::string, std::string>{"password", "account secret"}));
    ASSERT_TRUE(requests[0].BasicAuth().has_value());
    EXPECT_EQ(requests[0].BasicAuth()->password, "blog secret");

    // Nothing kept for another account: said, and nothing is asked of the service.
    const test::Ran other = test::Run({QV_CLI_EXECUTABLE, "-q", "--keyring", "-e", "other@example.com",
                                       service.Address(), "-o", folder.File("other.xml")});
    EXPECT_EQ(other.exitCode, 1) << other.output;
    EXPECT_EQ(service.ApiRequests().size(), 1u);
}

// What the Library's "Sign in..." and its scheduled updates do: sign-in keeps
// the application's key and secret and the user's token, and a run with
// --keyring reads them there, with nothing in its environment.
TEST(Keyring, SignInKeepsWhatASignedRunWithKeyringReadsThere) {
    if (!getenv("QUILLVAULT_TEST_KEYRING")) GTEST_SKIP() << "no private keyring was started";
    test::V2ApiServer service;
    test::Blog blog;
    blog.posts = test::MakePosts(3, 1000);
    service.SetBlog(blog);
    service.SetLoginOnly(true);
    test::TempFolder folder;
    const std::string browser = folder.File("browser");
    test::WriteAll(browser, "#!/bin/sh\nexec curl --silent --location --output /dev/null \"$1\"\n");
    std::filesystem::permissions(browser, std::filesystem::perms::owner_all);
    const std::vector<std::string> bases = {"--api-base", service.BaseUrl(), "--oauth-base", service.BaseUrl()};

    std::vector<std::string> signIn = {QV_CLI_EXECUTABLE, "sign-in", "--keyring"};
    signIn.insert(signIn.end(), bases.begin(), bases.end());
    {
        test::ScopedVariable key("QUILLVAULT_API_KEY", test::V2ApiServer::kConsumerKey);
        test::ScopedVariable secret("QUILLVAULT_API_SECRET", test::V2ApiServer::kConsumerSecret);
        test::ScopedVariable opener("BROWSER", browser);
        const test::Ran signedIn = test::Run(signIn);
        ASSERT_EQ(signedIn.exitCode, 0) << signedIn.output;
        EXPECT_NE(signedIn.output.find("Signed in as testuser."), std::string::npos) << signedIn.output;
        EXPECT_EQ(signedIn.output.find("access-"), std::string::npos) << "the token is kept, not shown";
    }
    EXPECT_EQ(Lookup("", "", Secret::ApiKey).value(), test::V2ApiServer::kConsumerKey);

    std::vector<std::string> run = {QV_CLI_EXECUTABLE, "-q", "--keyring", "--api", "v2", "testblog.example", "-o",
                                    folder.File("blog.xml")};
    run.insert(run.end(), bases.begin(), bases.end());
    const test::Ran read = test::Run(run);
    ASSERT_EQ(read.exitCode, 0) << read.output;
    EXPECT_EQ(service.SignaturesVerified(), 5) << "three steps of signing in, then the info and one page, each signed";
    EXPECT_TRUE(std::filesystem::exists(folder.File("blog.xml")));
    for (const Secret which : {Secret::ApiKey, Secret::ApiSecret, Secret::AccessToken, Secret::AccessTokenSecret})
        ASSERT_TRUE(Forget("", "", which).ok());
}

}  // namespace
}  // namespace qv::keyring
