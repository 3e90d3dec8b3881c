// A backup's passwords in a real Secret Service (gnome-keyring on a private
// session bus, started by private-session.sh), and what every call says when
// there is none.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ScheduleTestSupport.h"
#include "TempFolder.h"
#include "keyring/Keyring.h"

namespace qv::keyring {
namespace {

TEST(Keyring, WithoutAServiceEveryCallSaysSo) {
    test::TempFolder nothing;
    test::ScopedVariable bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + nothing.File("no-bus"));
    EXPECT_FALSE(Available());
    EXPECT_TRUE(Store("myblog.example", "", Secret::BlogPassword, "secret").Is(StatusKind::Usage));
    EXPECT_TRUE(Lookup("myblog.example", "", Secret::BlogPassword).status().Is(StatusKind::Usage));
    EXPECT_TRUE(Forget("myblog.example", "", Secret::BlogPassword).Is(StatusKind::Usage));
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

}  // namespace
}  // namespace qv::keyring
