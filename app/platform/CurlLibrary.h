#pragma once

#include <curl/curl.h>

namespace ata {

// libcurl's calls, from the library loaded when the first HTTP read begins. Linked in, the
// library and the two dozen it brings (TLS, Kerberos, LDAP...) would be loaded, relocated and
// set up at every start of the window, which reads nothing over HTTP until a command asks.
struct CurlLibrary {
    decltype(&curl_global_init) global_init = nullptr;
    decltype(&curl_easy_strerror) easy_strerror = nullptr;
    decltype(&curl_easy_init) easy_init = nullptr;
    decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&curl_easy_setopt) easy_setopt = nullptr;
    decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&curl_slist_append) slist_append = nullptr;
    decltype(&curl_slist_free_all) slist_free_all = nullptr;
    decltype(&curl_multi_init) multi_init = nullptr;
    decltype(&curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&curl_multi_perform) multi_perform = nullptr;
    decltype(&curl_multi_poll) multi_poll = nullptr;
    decltype(&curl_multi_info_read) multi_info_read = nullptr;
    decltype(&curl_multi_wakeup) multi_wakeup = nullptr;
};

// The library, loaded and set up once for the process (its global set-up is not thread-safe,
// and is never undone: other users in the process may still need it). Raises RaisedError when
// the library cannot be loaded or set up.
const CurlLibrary& Curl();

} // namespace ata
