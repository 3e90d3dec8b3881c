// SPDX-License-Identifier: GPL-3.0-or-later
// A blog's address as a person types or pastes it (the window, the command
// line, the Library), made bare and turned into the request for its first
// page. The request goes to the read API of that host, never to another
// path or with a user of the address's making.
//
// Input: the address as typed.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "PageRequest.h"
#include "blogaddress/BlogAddress.h"
#include "http/CurlUrl.h"
#include "http/HttpClient.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("XDG_DATA_HOME", "/dev/null/quillvault-fuzz", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    using qv::fuzz::Require;
    const Result<std::string> bare = BareBlogAddress(std::string(fuzz::AsText(data, size)));
    if (!bare) return 0;
    const Result<std::string> again = BareBlogAddress(*bare);
    Require(again.ok() && *again == *bare, "a bare address stays as it is", *bare);

    const Result<http::Request> request =
        http::RequestFor(page::PageExchange(0, PostsPerPage, page::Target(*bare), BackupOptions()), nullptr);
    if (!request) return 0;  // said to the user as a usage problem
    http::CurlUrl url;
    Require(url.Set(CURLUPART_URL, request->url), "the request's address is a URL", request->url);
    Require(url.Get(CURLUPART_PATH) == page::kReadApiPath && url.Get(CURLUPART_QUERY).empty() &&
                url.Get(CURLUPART_USER).empty() && !url.Get(CURLUPART_HOST).empty(),
            "the request asks the read API of the host typed", request->url);
    return 0;
}
