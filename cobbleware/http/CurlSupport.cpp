// SPDX-License-Identifier: GPL-3.0-or-later
#include "http/CurlSupport.h"

#include <mutex>

#include "Http.h"
#include "Sundrykit.h"

namespace qv::http {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
        if (code != CURLE_OK)
            throw Error(code, std::string("libcurl failed to start: ") + curl_easy_strerror(code));
    });
}

void HeaderList::Add(const std::string& line) {
    curl_slist* grown = curl_slist_append(list_, line.c_str());
    if (grown == nullptr) throw std::bad_alloc();
    list_ = grown;
}

int ErrorKindOf(CURLcode code, bool manualProxy, long proxyConnectCode) {
    if (proxyConnectCode != 0 && (proxyConnectCode < 200 || proxyConnectCode > 299)) return hekProxy;
    switch (code) {
        case CURLE_URL_MALFORMAT:
            return hekBadAddress;
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_PROXY:
            return hekProxy;
        case CURLE_COULDNT_RESOLVE_HOST:
            return hekResolve;
        case CURLE_COULDNT_CONNECT:
            return manualProxy ? hekProxy : hekConnect;
        case CURLE_OPERATION_TIMEDOUT:
            return hekTimeout;
        case CURLE_FILESIZE_EXCEEDED:
            return hekTooLarge;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_SHUTDOWN_FAILED:
        case CURLE_SSL_CLIENTCERT:
        case CURLE_USE_SSL_FAILED:
            return hekSecurity;
        case CURLE_ABORTED_BY_CALLBACK:
            return hekCancelled;
        default:
            return hekTransfer;
    }
}

std::string ReasonOf(const std::string& statusLine, long code) {
    const auto first = statusLine.find(' ');
    if (first == std::string::npos || code == 0) return {};
    const auto second = statusLine.find(' ', first + 1);
    if (statusLine.substr(first + 1, second == std::string::npos ? second : second - first - 1) !=
        std::to_string(code)) {
        return {};
    }
    if (second == std::string::npos) return {};
    std::string reason = statusLine.substr(second + 1);
    while (!reason.empty() && (reason.back() == ' ' || reason.back() == '\t')) reason.pop_back();
    return skPrintable(reason);
}

}  // namespace qv::http
