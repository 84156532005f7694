#include "platform/linux/CurlTransfer.h"

#include "platform/linux/CurlLibrary.h"
#include "platform/linux/PosixFd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <curl/curl.h>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <unistd.h>

namespace quorvel::platform::linux_backend {
namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl::Api().easyCleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl::Api().slistFreeAll(list); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

// A handle set up for one GET: redirects followed (the download counter answers with
// one), HTTP and HTTPS only, caches on the way told not to answer, and a transfer that
// stalls for a minute given up instead of hanging the worker.
struct Request {
    Easy easy;
    HeaderList headers;
    char errorText[CURL_ERROR_SIZE] = {};

    static Result<std::unique_ptr<Request>> Make(const std::string& url, const std::string& agent) {
        if (auto loaded = curl::Load(); !loaded)
            return loaded.error();
        auto request = std::make_unique<Request>();
        request->easy.reset(curl::Api().easyInit());
        if (!request->easy)
            return MakeError(Errc::Failed, "curl_easy_init failed");
        curl_slist* list = curl::Api().slistAppend(nullptr, "Cache-Control: no-cache");
        if (list != nullptr && curl::Api().slistAppend(list, "Pragma: no-cache") == nullptr) {
            // Without the second header the first alone still asks for a fresh answer.
        }
        request->headers.reset(list);
        CURL* h = request->easy.get();
        curl::Api().easySetopt(h, CURLOPT_URL, url.c_str());
        curl::Api().easySetopt(h, CURLOPT_USERAGENT, agent.c_str());
        curl::Api().easySetopt(h, CURLOPT_HTTPHEADER, request->headers.get());
        curl::Api().easySetopt(h, CURLOPT_FOLLOWLOCATION, 1L);
        curl::Api().easySetopt(h, CURLOPT_MAXREDIRS, 10L);
        curl::Api().easySetopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
        curl::Api().easySetopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl::Api().easySetopt(h, CURLOPT_NOSIGNAL, 1L);
        curl::Api().easySetopt(h, CURLOPT_CONNECTTIMEOUT, 30L);
        curl::Api().easySetopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl::Api().easySetopt(h, CURLOPT_LOW_SPEED_TIME, 60L);
        curl::Api().easySetopt(h, CURLOPT_ERRORBUFFER, request->errorText);
        return request;
    }

    long Status() {
        long status = 0;
        curl::Api().easyGetinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
        return status;
    }

    // The failure of a transfer, naming its cause in words a message can carry.
    Error TransferError(CURLcode code) const {
        const std::string detail =
            errorText[0] != '\0' ? errorText : curl::Api().easyStrerror(code);
        switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_GOT_NOTHING:
            return MakeError(Errc::Failed, "no answer from the server (" + detail + ")");
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
            return MakeError(Errc::Io, "the connection broke off (" + detail + ")");
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
            return MakeError(Errc::Failed, "TLS error (" + detail + ")");
        case CURLE_TOO_MANY_REDIRECTS:
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return MakeError(Errc::InvalidArgument, detail);
        default:
            return MakeError(Errc::Failed, detail);
        }
    }
};

bool IsSuccess(long status) {
    return status >= 200 && status <= 299;
}

Error StatusError(long status) {
    const std::string text = "HTTP " + std::to_string(status);
    if (status == 404 || status == 410)
        return MakeError(Errc::NotFound, text);
    if (status == 401 || status == 403)
        return MakeError(Errc::AccessDenied, text);
    return MakeError(Errc::Failed, text);
}

struct PrefixState {
    Request* request;
    std::vector<std::byte> data;
    size_t maxBytes;
    bool full = false;
    bool refused = false; // the answer was not 2xx
};

size_t OnPrefixData(char* bytes, size_t, size_t count, void* context) {
    auto& state = *static_cast<PrefixState*>(context);
    if (!IsSuccess(state.request->Status())) {
        state.refused = true;
        return 0;
    }
    const size_t take = std::min(count, state.maxBytes - state.data.size());
    const auto* first = reinterpret_cast<const std::byte*>(bytes);
    state.data.insert(state.data.end(), first, first + take);
    if (state.data.size() == state.maxBytes) {
        state.full = true;
        return 0; // enough: ends the transfer
    }
    return count;
}

int OnPrefixProgress(void* cancelled, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(cancelled)->load() ? 1 : 0;
}

} // namespace

Result<std::vector<std::byte>> CurlFetchPrefix(const std::string& url, const std::string& agent,
                                               size_t maxBytes, const TransferLimits& limits) {
    auto request = Request::Make(url, agent);
    if (!request)
        return request.error();
    PrefixState state{request.value().get(), {}, maxBytes};
    CURL* h = request.value()->easy.get();
    curl::Api().easySetopt(h, CURLOPT_WRITEFUNCTION, &OnPrefixData);
    curl::Api().easySetopt(h, CURLOPT_WRITEDATA, &state);
    curl::Api().easySetopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(limits.connect.count()));
    curl::Api().easySetopt(h, CURLOPT_TIMEOUT, static_cast<long>(limits.total.count()));
    if (limits.cancelled != nullptr) {
        curl::Api().easySetopt(h, CURLOPT_NOPROGRESS, 0L);
        curl::Api().easySetopt(h, CURLOPT_XFERINFOFUNCTION, &OnPrefixProgress);
        curl::Api().easySetopt(h, CURLOPT_XFERINFODATA, limits.cancelled);
    }
    const CURLcode code = curl::Api().easyPerform(h);
    if (code == CURLE_ABORTED_BY_CALLBACK)
        return MakeError(Errc::Failed, "cancelled");
    if (state.refused)
        return StatusError(request.value()->Status());
    if (code != CURLE_OK && !(code == CURLE_WRITE_ERROR && state.full))
        return request.value()->TransferError(code);
    if (!IsSuccess(request.value()->Status()))
        return StatusError(request.value()->Status());
    return std::move(state.data);
}

namespace {

// What one download's callbacks share with its worker.
struct DownloadState {
    DownloadState(Request* r, const std::string& path, DownloadObserver& o,
                  const std::atomic<bool>& c)
        : request(r), filePath(path), observer(o), cancelled(c) {}

    Request* request;
    const std::string& filePath;
    DownloadObserver& observer;
    const std::atomic<bool>& cancelled;
    PosixFd file;
    bool created = false;
    uint64_t written = 0;
    uint64_t total = 0;
    bool refused = false;
    std::optional<Error> writeError;

    bool Create() {
        file = PosixFd(::open(filePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (!file.valid()) {
            writeError = MakeError(
                errno == EACCES || errno == EPERM || errno == EROFS ? Errc::AccessDenied : Errc::Io,
                "cannot write " + filePath + ": " + std::strerror(errno));
            return false;
        }
        created = true;
        return true;
    }

    bool Write(const char* bytes, size_t count) {
        while (count > 0) {
            const ssize_t n = ::write(file.get(), bytes, count);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                writeError = MakeError(Errc::Io, "cannot write " + filePath + ": " +
                                                     std::strerror(n < 0 ? errno : ENOSPC));
                return false;
            }
            bytes += n;
            count -= static_cast<size_t>(n);
            written += static_cast<uint64_t>(n);
        }
        return true;
    }
};

size_t OnDownloadData(char* bytes, size_t, size_t count, void* context) {
    auto& state = *static_cast<DownloadState*>(context);
    if (!IsSuccess(state.request->Status())) {
        state.refused = true;
        return 0;
    }
    if (!state.created && !state.Create())
        return 0;
    if (!state.Write(bytes, count))
        return 0;
    curl_off_t length = -1;
    curl::Api().easyGetinfo(state.request->easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length > 0) {
        state.total = static_cast<uint64_t>(length);
        state.observer.OnProgress(state.written, state.total);
    }
    return count;
}

int OnDownloadProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<DownloadState*>(context)->cancelled ? 1 : 0;
}

} // namespace

CurlDownload::CurlDownload(std::string url, std::string agent, std::string filePath,
                           DownloadObserver& observer)
    : m_url(std::move(url)), m_agent(std::move(agent)), m_filePath(std::move(filePath)),
      m_observer(observer), m_worker([this] { Run(); }) {}

CurlDownload::~CurlDownload() {
    if (m_worker.joinable())
        m_worker.join();
}

void CurlDownload::Run() {
    auto request = Request::Make(m_url, m_agent);
    if (!request) {
        m_observer.OnFinished(request.error(), 0);
        return;
    }
    DownloadState state(request.value().get(), m_filePath, m_observer, m_cancelled);
    CURL* h = request.value()->easy.get();
    curl::Api().easySetopt(h, CURLOPT_WRITEFUNCTION, &OnDownloadData);
    curl::Api().easySetopt(h, CURLOPT_WRITEDATA, &state);
    curl::Api().easySetopt(h, CURLOPT_NOPROGRESS, 0L);
    curl::Api().easySetopt(h, CURLOPT_XFERINFOFUNCTION, &OnDownloadProgress);
    curl::Api().easySetopt(h, CURLOPT_XFERINFODATA, &state);
    const CURLcode code = curl::Api().easyPerform(h);

    std::optional<Error> failure;
    if (state.refused)
        failure = StatusError(request.value()->Status());
    else if (state.writeError)
        failure = *state.writeError;
    else if (code == CURLE_ABORTED_BY_CALLBACK)
        failure = MakeError(Errc::Failed, "the download was cancelled");
    else if (code != CURLE_OK)
        failure = request.value()->TransferError(code);
    else if (!IsSuccess(request.value()->Status()))
        failure = StatusError(request.value()->Status());
    else if (!state.created && !state.Create())
        failure = *state.writeError; // an empty body is still a file

    if (!failure && !state.file.close())
        failure = MakeError(Errc::Io, "cannot write " + m_filePath + ": " + std::strerror(errno));
    if (failure) {
        state.file.reset();
        if (state.created)
            ::unlink(m_filePath.c_str());
        m_observer.OnFinished(*failure, 0);
        return;
    }
    m_observer.OnFinished(state.written, state.total);
}

} // namespace quorvel::platform::linux_backend
