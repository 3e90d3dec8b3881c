// SPDX-License-Identifier: GPL-3.0-or-later
#include "SharedService.h"

#include "ServerEnvironment.h"

namespace qv::test {

namespace {

auto* const environment = RegisterServerEnvironment<ReadApiServer>();

class ResetBeforeEachTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        ReadApiServer& server = environment->Get();
        server.SetBlog(Blog());
        server.Http().SetHandler(server.Handler());
        server.Http().SetKeepAlive(false);
        server.Http().SetConnectionSetupDelay(std::chrono::milliseconds(0));
        server.Http().SetServiceTime(std::chrono::milliseconds(0));
        server.Http().ClearQueue();
        server.Http().ClearExchanges();
    }
};

const bool registered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ResetBeforeEachTest);
    return true;
}();

}  // namespace

ReadApiServer& Service() { return environment->Get(); }

}  // namespace qv::test
