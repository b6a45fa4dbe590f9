#include "app/platform/CurlLibrary.h"

#include "base/RaisedError.h"

#include <dlfcn.h>

#include <string>

namespace ata {

namespace {

constexpr const char* kSource = "CurlHttpReader.BeginRead";

template <typename Fn> void Bind(void* pLibrary, const char* strName, Fn& fnTarget) {
    fnTarget = reinterpret_cast<Fn>(::dlsym(pLibrary, strName));
    if (fnTarget == nullptr)
        throw RaisedError(CURLE_FAILED_INIT, kSource, std::string("libcurl lacks ") + strName);
}

CurlLibrary Load() {
    // Kept loaded for the life of the process, like the global set-up below.
    void* pLibrary = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (pLibrary == nullptr) {
        const char* strError = ::dlerror();
        throw RaisedError(CURLE_FAILED_INIT, kSource,
                          strError != nullptr ? strError : "cannot load libcurl");
    }
    CurlLibrary objCurl;
    Bind(pLibrary, "curl_global_init", objCurl.global_init);
    Bind(pLibrary, "curl_easy_strerror", objCurl.easy_strerror);
    Bind(pLibrary, "curl_easy_init", objCurl.easy_init);
    Bind(pLibrary, "curl_easy_cleanup", objCurl.easy_cleanup);
    Bind(pLibrary, "curl_easy_setopt", objCurl.easy_setopt);
    Bind(pLibrary, "curl_easy_getinfo", objCurl.easy_getinfo);
    Bind(pLibrary, "curl_slist_append", objCurl.slist_append);
    Bind(pLibrary, "curl_slist_free_all", objCurl.slist_free_all);
    Bind(pLibrary, "curl_multi_init", objCurl.multi_init);
    Bind(pLibrary, "curl_multi_cleanup", objCurl.multi_cleanup);
    Bind(pLibrary, "curl_multi_add_handle", objCurl.multi_add_handle);
    Bind(pLibrary, "curl_multi_remove_handle", objCurl.multi_remove_handle);
    Bind(pLibrary, "curl_multi_perform", objCurl.multi_perform);
    Bind(pLibrary, "curl_multi_poll", objCurl.multi_poll);
    Bind(pLibrary, "curl_multi_info_read", objCurl.multi_info_read);
    Bind(pLibrary, "curl_multi_wakeup", objCurl.multi_wakeup);
    const CURLcode lngInit = objCurl.global_init(CURL_GLOBAL_DEFAULT);
    if (lngInit != CURLE_OK)
        throw RaisedError(static_cast<int32_t>(lngInit), kSource, objCurl.easy_strerror(lngInit));
    return objCurl;
}

} // namespace

const CurlLibrary& Curl() {
    // A failed load raises, and the next call tries again.
    static const CurlLibrary objCurl = Load();
    return objCurl;
}

} // namespace ata
