#pragma once

#include "platform/Result.h"

#include <curl/curl.h>

// libcurl is loaded on first use: only the update check and the download need it, and
// loading it with its chain (TLS, HTTP/2, LDAP, Kerberos...) at every start costs a short
// command several times its own work.
namespace quorvel::platform::linux_backend::curl {

// Members are not named after the functions: curl.h makes some of those names macros.
struct Library {
    decltype(&::curl_global_init) globalInit;
    decltype(&::curl_easy_init) easyInit;
    decltype(&::curl_easy_cleanup) easyCleanup;
    decltype(&::curl_easy_setopt) easySetopt;
    decltype(&::curl_easy_getinfo) easyGetinfo;
    decltype(&::curl_easy_perform) easyPerform;
    decltype(&::curl_easy_strerror) easyStrerror;
    decltype(&::curl_slist_append) slistAppend;
    decltype(&::curl_slist_free_all) slistFreeAll;
};

// Loads and initialises the library once; the reason when it is not installed.
Result<const Library*> Load();

// The loaded library; only for code that holds something Load() made.
const Library& Api();

} // namespace quorvel::platform::linux_backend::curl
