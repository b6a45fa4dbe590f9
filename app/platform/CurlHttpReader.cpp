#include "app/platform/CurlHttpReader.h"

#include "app/platform/CurlLibrary.h"
#include "base/RaisedError.h"

#include <cerrno>
#include <utility>

namespace ata {

namespace {

struct Transfer {
    std::string strBody;
    size_t lngMaxBody = 0;
    bool blnTooLarge = false;
};

size_t OnBody(char* ptr, size_t lngSize, size_t lngCount, void* pvTransfer) {
    auto& objTransfer = *static_cast<Transfer*>(pvTransfer);
    const size_t lngBytes = lngSize * lngCount;
    if (objTransfer.strBody.size() + lngBytes > objTransfer.lngMaxBody) {
        objTransfer.blnTooLarge = true;
        return 0; // ends the transfer with a write error
    }
    objTransfer.strBody.append(ptr, lngBytes);
    return lngBytes;
}

struct EasyDeleter {
    void operator()(CURL* p) const { Curl().easy_cleanup(p); }
};
struct SlistDeleter {
    void operator()(curl_slist* p) const { Curl().slist_free_all(p); }
};

} // namespace

void CurlHttpReader::MultiDeleter::operator()(void* pMulti) const {
    Curl().multi_cleanup(static_cast<CURLM*>(pMulti));
}

CurlHttpReader::CurlHttpReader(Poster fnPost) : CurlHttpReader(std::move(fnPost), Options{}) {}

CurlHttpReader::CurlHttpReader(Poster fnPost, Options objOptions)
    : m_fnPost(std::move(fnPost)), m_objOptions(objOptions) {}

CurlHttpReader::~CurlHttpReader() {
    m_blnStopping = true;
    CancelAll();
    std::list<std::unique_ptr<Worker>> lstWorkers;
    {
        std::lock_guard<std::mutex> objLock(m_mtxWorkers);
        lstWorkers.swap(m_lstWorkers);
    }
    for (auto& ptrWorker : lstWorkers) {
        ptrWorker->objThread.join();
    }
}

void CurlHttpReader::ReapFinished() {
    std::list<std::unique_ptr<Worker>> lstDone;
    {
        std::lock_guard<std::mutex> objLock(m_mtxWorkers);
        for (auto it = m_lstWorkers.begin(); it != m_lstWorkers.end();) {
            auto itNext = std::next(it);
            if ((*it)->blnFinished.load()) {
                lstDone.splice(lstDone.end(), m_lstWorkers, it);
            }
            it = itNext;
        }
    }
    for (auto& ptrWorker : lstDone) {
        ptrWorker->objThread.join();
    }
}

void CurlHttpReader::CancelAll() {
    std::lock_guard<std::mutex> objLock(m_mtxWorkers);
    for (auto& ptrWorker : m_lstWorkers) {
        ptrWorker->blnCancelled = true;
        Curl().multi_wakeup(ptrWorker->ptrMulti.get());
    }
}

void CurlHttpReader::BeginRead(const std::string& strUrl, Completion fnDone) {
    Curl();
    ReapFinished();
    auto ptrWorker = std::make_unique<Worker>();
    ptrWorker->ptrMulti.reset(Curl().multi_init());
    if (!ptrWorker->ptrMulti) {
        throw RaisedError(CURLE_OUT_OF_MEMORY, "CurlHttpReader.BeginRead",
                          "could not create a transfer");
    }
    Worker& objWorker = *ptrWorker;
    std::lock_guard<std::mutex> objLock(m_mtxWorkers);
    try {
        objWorker.objThread =
            std::thread([this, strUrl, fnDone = std::move(fnDone), &objWorker]() mutable {
                Run(strUrl, fnDone, objWorker);
            });
    } catch (const std::system_error& e) {
        throw RaisedError(e.code().value(), "CurlHttpReader.BeginRead", e.what());
    }
    m_lstWorkers.push_back(std::move(ptrWorker));
}

// Runs the transfer on the worker's multi handle, waiting in curl_multi_poll so that a cancel
// wakes it at once instead of at the next time-out.
int CurlHttpReader::Perform(Worker& objWorker, void* pvEasy) {
    auto* pMulti = static_cast<CURLM*>(objWorker.ptrMulti.get());
    auto* pEasy = static_cast<CURL*>(pvEasy);
    if (Curl().multi_add_handle(pMulti, pEasy) != CURLM_OK) {
        return CURLE_FAILED_INIT;
    }
    CURLcode lngCode = CURLE_ABORTED_BY_CALLBACK;
    while (!objWorker.blnCancelled.load()) {
        int intRunning = 0;
        if (Curl().multi_perform(pMulti, &intRunning) != CURLM_OK) {
            lngCode = CURLE_FAILED_INIT;
            break;
        }
        if (intRunning == 0) {
            int intQueued = 0;
            lngCode = CURLE_FAILED_INIT;
            while (CURLMsg* pMsg = Curl().multi_info_read(pMulti, &intQueued)) {
                if (pMsg->msg == CURLMSG_DONE && pMsg->easy_handle == pEasy) {
                    lngCode = pMsg->data.result;
                }
            }
            break;
        }
        if (Curl().multi_poll(pMulti, nullptr, 0, 1000, nullptr) != CURLM_OK) {
            lngCode = CURLE_FAILED_INIT;
            break;
        }
    }
    Curl().multi_remove_handle(pMulti, pEasy);
    return lngCode;
}

void CurlHttpReader::Run(const std::string& strUrl, const Completion& fnDone, Worker& objWorker) {
    HttpReadResult objResult;
    Transfer objTransfer;
    objTransfer.lngMaxBody = m_objOptions.lngMaxBodyBytes;

    std::unique_ptr<CURL, EasyDeleter> ptrEasy(Curl().easy_init());
    if (!ptrEasy) {
        objResult.strError = "could not create a transfer";
    } else {
        CURL* pEasy = ptrEasy.get();
        char strErrorBuffer[CURL_ERROR_SIZE] = {};
        // Always fetch anew: no cache between us and the device.
        std::unique_ptr<curl_slist, SlistDeleter> ptrHeaders(
            Curl().slist_append(nullptr, "Cache-Control: no-cache"));
        if (ptrHeaders) {
            curl_slist* pMore = Curl().slist_append(ptrHeaders.get(), "Pragma: no-cache");
            (void)pMore;
        }
        Curl().easy_setopt(pEasy, CURLOPT_URL, strUrl.c_str());
        Curl().easy_setopt(pEasy, CURLOPT_HTTPGET, 1L);
#if LIBCURL_VERSION_NUM >= 0x075500
        Curl().easy_setopt(pEasy, CURLOPT_PROTOCOLS_STR, "http,https");
#endif
        Curl().easy_setopt(pEasy, CURLOPT_NOPROXY, "*");
        Curl().easy_setopt(pEasy, CURLOPT_PROXY, "");
        Curl().easy_setopt(pEasy, CURLOPT_CONNECTTIMEOUT_MS, m_objOptions.lngConnectTimeoutMs);
        Curl().easy_setopt(pEasy, CURLOPT_TIMEOUT_MS, m_objOptions.lngTotalTimeoutMs);
        Curl().easy_setopt(pEasy, CURLOPT_FAILONERROR, 1L);
        Curl().easy_setopt(pEasy, CURLOPT_NOSIGNAL, 1L);
        Curl().easy_setopt(pEasy, CURLOPT_FOLLOWLOCATION, 0L);
        Curl().easy_setopt(pEasy, CURLOPT_HTTPHEADER, ptrHeaders.get());
        Curl().easy_setopt(pEasy, CURLOPT_ERRORBUFFER, strErrorBuffer);
        Curl().easy_setopt(pEasy, CURLOPT_WRITEFUNCTION, &OnBody);
        Curl().easy_setopt(pEasy, CURLOPT_WRITEDATA, &objTransfer);
        if (m_objOptions.lngMaxBodyBytes > 0) {
            Curl().easy_setopt(pEasy, CURLOPT_MAXFILESIZE_LARGE,
                               static_cast<curl_off_t>(m_objOptions.lngMaxBodyBytes));
        }

        const auto lngCode = static_cast<CURLcode>(Perform(objWorker, pEasy));
        long lngStatus = 0;
        Curl().easy_getinfo(pEasy, CURLINFO_RESPONSE_CODE, &lngStatus);
        long lngOsError = 0;
        Curl().easy_getinfo(pEasy, CURLINFO_OS_ERRNO, &lngOsError);
        objResult.lngHttpStatus = static_cast<int32_t>(lngStatus);
        objResult.enmFailure = EnmHttpFailure::Other;
        if (lngCode == CURLE_OK && lngStatus >= 200 && lngStatus < 300) {
            objResult.blnOk = true;
            objResult.enmFailure = EnmHttpFailure::None;
            objResult.strBody = std::move(objTransfer.strBody);
        } else if (objTransfer.blnTooLarge || lngCode == CURLE_FILESIZE_EXCEEDED) {
            objResult.strError =
                "body larger than " + std::to_string(m_objOptions.lngMaxBodyBytes) + " bytes";
        } else if (lngCode == CURLE_OK || lngCode == CURLE_HTTP_RETURNED_ERROR) {
            objResult.enmFailure = EnmHttpFailure::HttpStatus;
            objResult.strError = "HTTP status " + std::to_string(lngStatus);
        } else {
            if (lngCode == CURLE_OPERATION_TIMEDOUT)
                objResult.enmFailure = EnmHttpFailure::TimedOut;
            else if (lngCode == CURLE_COULDNT_CONNECT && lngOsError == ECONNREFUSED)
                objResult.enmFailure = EnmHttpFailure::Refused;
            objResult.strError =
                strErrorBuffer[0] != '\0' ? strErrorBuffer : Curl().easy_strerror(lngCode);
        }
    }

    if (!m_blnStopping.load() && !objWorker.blnCancelled.load()) {
        m_fnPost(
            [fnDone, objResult = std::move(objResult)]() mutable { fnDone(std::move(objResult)); });
    }
    objWorker.blnFinished = true;
}

} // namespace ata
