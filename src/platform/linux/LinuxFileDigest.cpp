#include "platform/FileDigest.h"
#include "platform/linux/CryptoLibrary.h"
#include "platform/linux/PosixErrors.h"
#include "platform/linux/PosixFd.h"
#include "platform/linux/PosixReadFile.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace quorvel::platform {

using linux_backend::PosixError;
using linux_backend::PosixFd;

Result<std::string> FileSha256(const std::string& path) {
    // Non-blocking open of regular files only: a FIFO must not hold the caller until a
    // writer comes.
    auto opened = linux_backend::OpenRegularFile(path, O_RDONLY | O_NOCTTY);
    if (!opened)
        return opened.error();
    const PosixFd& fd = opened.value();

    const auto loaded = linux_backend::crypto::Load();
    if (!loaded)
        return loaded.error();
    const linux_backend::crypto::Library& api = *loaded.value();
    std::unique_ptr<EVP_MD_CTX, decltype(api.mdCtxFree)> context(api.mdCtxNew(), api.mdCtxFree);
    if (!context || api.digestInit(context.get(), api.sha256(), nullptr) != 1)
        return MakeError(Errc::Failed, "SHA-256 is not available");
    std::array<unsigned char, 65536> buffer;
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return PosixError("cannot read", path);
        if (n == 0)
            break;
        if (api.digestUpdate(context.get(), buffer.data(), static_cast<size_t>(n)) != 1)
            return MakeError(Errc::Failed, "SHA-256 failed");
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest;
    unsigned int size = 0;
    if (api.digestFinal(context.get(), digest.data(), &size) != 1)
        return MakeError(Errc::Failed, "SHA-256 failed");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2u);
    for (unsigned int i = 0; i < size; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

} // namespace quorvel::platform
