#pragma once

#include "platform/Result.h"
#include "platform/win32/InternetHandle.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace quorvel::platform::win32_backend {

// One GET through WinInet that always goes to the server (INTERNET_FLAG_RELOAD). The
// request handle is declared after the session, so it is closed first.
struct HttpRequest {
    InternetHandle session;
    InternetHandle request;
    uint64_t contentLength = 0; // 0 when the server sent none

    // Fails when the server cannot be reached or answers with other than 2xx, so a missing
    // file reads as nothing rather than as the server's error page.
    // connect bounds reaching the server, total each wait for its answer (0: WinInet's own).
    static Result<HttpRequest> Open(const std::string& url, const std::string& agent,
                                    std::chrono::seconds connect = {},
                                    std::chrono::seconds total = {});
};

} // namespace quorvel::platform::win32_backend
