// SPDX-License-Identifier: GPL-3.0-or-later
// One server for a whole test program, started before the first test and
// stopped after the last, as a GoogleTest environment:
//   static auto* const server = RegisterServerEnvironment<LoopbackServer>();
//   ... server->Get().Address() inside the tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace qv::test {

template <typename Server>
class ServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override { server_ = std::make_unique<Server>(); }
    void TearDown() override { server_.reset(); }

    Server& Get() {
        if (!server_) throw std::logic_error("the test server is used outside the test run");
        return *server_;
    }

private:
    std::unique_ptr<Server> server_;
};

// GoogleTest owns the environment; the pointer stays valid for the whole run.
template <typename Server>
ServerEnvironment<Server>* RegisterServerEnvironment() {
    return static_cast<ServerEnvironment<Server>*>(
        ::testing::AddGlobalTestEnvironment(new ServerEnvironment<Server>));
}

}  // namespace qv::test
