// The read-API server shared by the engine's tests, started once per test
// program and reset before every test: default blog, no queued faults, no
// recorded exchanges.
#pragma once

#include "ReadApiServer.h"

namespace qv::test {

ReadApiServer& Service();

}  // namespace qv::test
