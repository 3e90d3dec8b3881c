// SPDX-License-Identifier: GPL-3.0-or-later
// A proxy given on the command line (--proxy), as the run takes it and as
// the Library records it for later updates, which give it back as --proxy:
// what is recorded must read back as the same proxy.
//
// Input: the argument of --proxy.
#include <cstdint>
#include <string>

#include "CommandLine.h"
#include "FuzzInput.h"
#include "catalog/UpdateCommand.h"
#include "http/CurlUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    const Result<ProxySettings> proxy = cli::ParseProxyUrl(std::string(fuzz::AsText(data, size)));
    if (!proxy) return 0;
    const std::string recorded = catalog::ProxyChoice(*proxy);
    const Result<ProxySettings> again = cli::ParseProxyUrl(recorded);
    fuzz::Require(again.ok() && again->ProxyMode == proxy->ProxyMode && again->Host == proxy->Host &&
                      again->Port == proxy->Port && again->User == proxy->User && again->Password.empty(),
                  "a recorded proxy reads back as the same proxy", recorded);
    // The client takes the proxy's address apart before it hands it to libcurl.
    http::HostPort target;
    std::string why;
    (void)http::SplitHostText(proxy->Host, proxy->Port, target, why);
    return 0;
}
