// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers around libcurl's C interface, shared by the HTTP classes.
#pragma once

#include <curl/curl.h>

#include <new>
#include <string>

#include "Error.h"

namespace qv::http {

// Once per process, before the first handle is made.
void InitCurlOnce();

// curl_easy_setopt for options that cannot fail but for lack of memory.
template <typename T>
void SetOption(CURL* easy, CURLoption option, T value) {
    const CURLcode code = curl_easy_setopt(easy, option, value);
    if (code == CURLE_OUT_OF_MEMORY) throw std::bad_alloc();
    if (code != CURLE_OK)
        throw Error(code, std::string("libcurl refused an option: ") + curl_easy_strerror(code));
}

class HeaderList {
public:
    HeaderList() = default;
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;
    ~HeaderList() { curl_slist_free_all(list_); }
    void Add(const std::string& line);
    curl_slist* Get() const { return list_; }

private:
    curl_slist* list_ = nullptr;
};

// Our error kind for a libcurl result. With a proxy of the user's own, the
// only connection made is the one to the proxy.
int ErrorKindOf(CURLcode code, bool manualProxy, long proxyConnectCode);

// The reason phrase of a status line, when the line carries `code`.
std::string ReasonOf(const std::string& statusLine, long code);

}  // namespace qv::http
