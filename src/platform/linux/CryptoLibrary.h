#pragma once

#include "platform/Result.h"

#include <openssl/evp.h>

// libcrypto is loaded on first use: only the audit log and the self check hash files,
// and most commands do neither.
namespace quorvel::platform::linux_backend::crypto {

struct Library {
    decltype(&::EVP_MD_CTX_new) mdCtxNew;
    decltype(&::EVP_MD_CTX_free) mdCtxFree;
    decltype(&::EVP_sha256) sha256;
    decltype(&::EVP_DigestInit_ex) digestInit;
    decltype(&::EVP_DigestUpdate) digestUpdate;
    decltype(&::EVP_DigestFinal_ex) digestFinal;
};

// Loads the library once; the reason when it is not installed.
Result<const Library*> Load();

} // namespace quorvel::platform::linux_backend::crypto
