// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "HttpTestSupport.h"

namespace qv::test {
namespace {

// Sets (or, with nullopt, removes) an environment variable for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class HttpProxyTest : public ::testing::Test {
protected:
    HttpProxyTest() {
        origin.SetHandler([](const HttpExchange&) { return ScriptedResponse::Ok("from origin"); });
        proxy.SetHandler([](const HttpExchange&) { return ScriptedResponse::Ok("from proxy"); });
    }

    std::shared_ptr<ProxySettings> Settings(ProxySettings::Mode mode, int port) {
        auto settings = std::make_shared<ProxySettings>();
        settings->ProxyMode = mode;
        settings->Host = "127.0.0.1";
        settings->Port = port;
        return settings;
    }

    LoopbackServer origin;
    LoopbackServer proxy;
    HttpRequest request;
    // An environment proxy must not be skipped for 127.0.0.1 by a no_proxy of the machine.
    ScopedEnv noProxy{"no_proxy", std::nullopt};
    ScopedEnv noProxyUpper{"NO_PROXY", std::nullopt};
    ScopedEnv httpProxy{"http_proxy", "http://" + proxy.Address()};
};

TEST_F(HttpProxyTest, ManualProxyGetsTheAbsoluteTargetAndItsCredentials) {
    auto settings = Settings(ProxySettings::pmManual, proxy.Port());
    settings->User = "proxyuser";
    settings->Password = "proxy pw";
    request.Proxy(settings);
    ASSERT_TRUE(Send(request, origin.Address(), "POST", "/api/read", "a=1", nullptr, kGenerousTimeoutMs, "",
                     "blogpw"));

    EXPECT_EQ(request.ResponseBody(), "from proxy");
    EXPECT_EQ(origin.ExchangeCount(), 0u);
    const auto exchanges = proxy.Exchanges();
    ASSERT_EQ(exchanges.size(), 1u);
    EXPECT_EQ(exchanges[0].target, "http://" + origin.Address() + "/api/read");
    EXPECT_EQ(exchanges[0].Header("Proxy-Authorization"),
              "Basic cHJveHl1c2VyOnByb3h5IHB3");  // proxyuser:proxy pw
    ASSERT_TRUE(exchanges[0].BasicAuth());
    EXPECT_EQ(exchanges[0].BasicAuth()->password, "blogpw");
}

TEST_F(HttpProxyTest, NoProxyModeAndNoSettingsIgnoreTheEnvironment) {
    request.Proxy(Settings(ProxySettings::pmNone, proxy.Port()));
    ASSERT_TRUE(Send(request, origin.Address(), "GET", "/api/read"));
    EXPECT_EQ(request.ResponseBody(), "from origin");
    request.Reset();
    ASSERT_TRUE(Send(request, origin.Address(), "GET", "/api/read"));
    EXPECT_EQ(request.ResponseBody(), "from origin");
    EXPECT_EQ(origin.ExchangeCount(), 2u);
    EXPECT_EQ(proxy.ExchangeCount(), 0u);
}

TEST_F(HttpProxyTest, EnvironmentModeUsesTheHttpProxyVariable) {
    request.Proxy(Settings(ProxySettings::pmEnvironment, 1));
    ASSERT_TRUE(Send(request, origin.Address(), "GET", "/api/read"));
    EXPECT_EQ(request.ResponseBody(), "from proxy");
    ASSERT_EQ(proxy.ExchangeCount(), 1u);
    EXPECT_EQ(proxy.Exchanges()[0].target, "http://" + origin.Address() + "/api/read");
}

TEST_F(HttpProxyTest, UnreachableOrUnnamedManualProxyIsAProxyError) {
    const RefusingPort refusing;
    request.Proxy(Settings(ProxySettings::pmManual, refusing.Port()));
    EXPECT_FALSE(Send(request, origin.Address(), "GET", "/api/read"));
    EXPECT_EQ(request.ErrorKind(), hekProxy);

    request.Proxy()->Host = "";
    EXPECT_FALSE(Send(request, origin.Address(), "GET", "/api/read"));
    EXPECT_EQ(request.ErrorKind(), hekProxy);
    EXPECT_FALSE(request.ErrorText().empty());
    EXPECT_EQ(origin.ExchangeCount(), 0u);
}

}  // namespace
}  // namespace qv::test
