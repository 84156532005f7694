#include "platform/win32/HttpRequest.h"

#include "platform/win32/AnsiText.h"
#include "platform/win32/Win32Error.h"

#include <charconv>

namespace quorvel::platform::win32_backend {

namespace {

// A numeric header as text, since Content-Length may pass 32 bits. 0 when absent.
uint64_t NumericHeader(HINTERNET request, DWORD query) {
    char text[32] = {};
    DWORD size = sizeof(text) - 1;
    if (!HttpQueryInfoA(request, query, text, &size, nullptr))
        return 0;
    uint64_t value = 0;
    std::from_chars(text, text + size, value);
    return value;
}

} // namespace

Result<HttpRequest> HttpRequest::Open(const std::string& url, const std::string& agent,
                                      std::chrono::seconds connect, std::chrono::seconds total) {
    auto ansiUrl = Utf8ToAnsi(url);
    if (!ansiUrl)
        return ansiUrl.error();
    auto ansiAgent = Utf8ToAnsi(agent);
    if (!ansiAgent)
        return ansiAgent.error();

    HttpRequest http;
    http.session = InternetHandle(
        InternetOpenA(ansiAgent.value().c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!http.session)
        return LastError("InternetOpenA");
    const auto setTimeout = [&](DWORD option, std::chrono::seconds limit) {
        DWORD ms = static_cast<DWORD>(std::chrono::milliseconds(limit).count());
        if (ms != 0)
            InternetSetOptionA(http.session.get(), option, &ms, sizeof(ms));
    };
    setTimeout(INTERNET_OPTION_CONNECT_TIMEOUT, connect);
    setTimeout(INTERNET_OPTION_SEND_TIMEOUT, total);
    setTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT, total);
    http.request = InternetHandle(InternetOpenUrlA(http.session.get(), ansiUrl.value().c_str(),
                                                   nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    if (!http.request)
        return LastError("InternetOpenUrlA");

    // Other schemes than HTTP have no status line; they pass. An HTTP server that hangs
    // up without a status line gave no answer.
    const uint64_t status = NumericHeader(http.request.get(), HTTP_QUERY_STATUS_CODE);
    if (status == 0 && (url.starts_with("http:") || url.starts_with("https:")))
        return MakeError(Errc::Failed, "no answer from the server (no status line)");
    if (status == 404 || status == 410)
        return MakeError(Errc::NotFound, "HTTP " + std::to_string(status));
    if (status == 401 || status == 403)
        return MakeError(Errc::AccessDenied, "HTTP " + std::to_string(status));
    if (status != 0 && (status < 200 || status > 299))
        return MakeError(Errc::Failed, "HTTP " + std::to_string(status));
    http.contentLength = NumericHeader(http.request.get(), HTTP_QUERY_CONTENT_LENGTH);
    return http;
}

} // namespace quorvel::platform::win32_backend
