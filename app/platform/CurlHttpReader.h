#pragma once

#include "workflow/IHttpReader.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace ata {

// HTTP GET through libcurl: one easy transfer on its own worker thread per read. The result
// is handed to the poster, which must queue it for the user-interface thread (the reactor's
// thread-safe post); the completion therefore runs only when that thread next runs its queue.
class CurlHttpReader : public IHttpReader {
public:
    using Poster = std::function<void(std::function<void()>)>;

    struct Options {
        long lngConnectTimeoutMs = 5000;
        long lngTotalTimeoutMs = 30000;
        // A device that sends more than this is treated as failing.
        size_t lngMaxBodyBytes = 4u * 1024u * 1024u;
    };

    explicit CurlHttpReader(Poster fnPost);
    CurlHttpReader(Poster fnPost, Options objOptions);
    // Aborts transfers still running and joins every worker; nothing is posted afterwards.
    ~CurlHttpReader() override;
    CurlHttpReader(const CurlHttpReader&) = delete;
    CurlHttpReader& operator=(const CurlHttpReader&) = delete;

    // Raises RaisedError when the transfer or its thread cannot be set up.
    void BeginRead(const std::string& strUrl, Completion fnDone) override;
    // Wakes every worker out of its wait; each ends its transfer at once and posts nothing.
    void CancelAll() override;

private:
    struct MultiDeleter {
        void operator()(void* pMulti) const;
    };
    // One transfer: its thread and the multi handle it waits on, which outlives the thread
    // so that a cancel from the UI thread can always wake it.
    struct Worker {
        std::unique_ptr<void, MultiDeleter> ptrMulti;
        std::thread objThread;
        std::atomic<bool> blnFinished{false};
        std::atomic<bool> blnCancelled{false};
    };

    void Run(const std::string& strUrl, const Completion& fnDone, Worker& objWorker);
    // The libcurl result code of the worker's transfer (an easy handle).
    static int Perform(Worker& objWorker, void* pvEasy);
    void ReapFinished();

    Poster m_fnPost;
    Options m_objOptions;
    std::atomic<bool> m_blnStopping{false};
    std::mutex m_mtxWorkers;
    std::list<std::unique_ptr<Worker>> m_lstWorkers;
};

} // namespace ata
