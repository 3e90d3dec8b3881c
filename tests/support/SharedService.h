// SPDX-License-Identifier: GPL-3.0-or-later
// The read-API server shared by the tests of one test program, started once
// and reset before every test: default blog, no queued faults, no recorded
// exchanges. Linking qv_testservice registers it with GoogleTest.
#pragma once

#include "ReadApiServer.h"

namespace qv::test {

ReadApiServer& Service();

}  // namespace qv::test
