#pragma once

#include "workflow/IHttpReader.h"
#include "workflow/IWindowOps.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ata {

// Fetches one page at a time through the platform's asynchronous read and exposes the
// outcome as three flags that its owner polls.
class FileDownloader {
public:
    explicit FileDownloader(IHttpReader& objReader);
    ~FileDownloader();
    FileDownloader(const FileDownloader&) = delete;
    FileDownloader& operator=(const FileDownloader&) = delete;

    // Resets the flags and starts fetching strURL; strFilename only names the read. Returns
    // at once: true when the read is under way, false when it could not be started (then no
    // completion will come and the flags stay as reset).
    bool BeginDownload(const std::string& strURL, const std::string& strFilename);
    // The window is closing: abandons the fetch in flight (it ends as failed, so a waiting
    // BrowseTo returns at its next poll) and refuses every later one.
    void Shutdown();

    bool blnDownloadComplete() const { return m_blnDownloadComplete; }
    bool blnDownloadError() const { return m_blnDownloadError; }
    const std::string& strFileContents() const { return m_strFileContents; }
    // Why the last fetch brought no page (blnOk false), as the read reported it; strError
    // also says when it could not start, was abandoned or brought an empty page. Nothing
    // here changes what the flags say.
    const HttpReadResult& LastFailure() const { return m_objLastFailure; }

private:
    void AsyncReadComplete(const HttpReadResult& objResult);

    IHttpReader& m_objReader;
    bool m_blnDownloadComplete = false;
    bool m_blnDownloadError = false;
    std::string m_strFileContents;
    HttpReadResult m_objLastFailure;
    bool m_blnShutDown = false;
    // Each fetch has its own number, so a late completion of an earlier fetch is ignored.
    uint64_t m_lngFetch = 0;
    // Completions hold a weak reference: one that arrives after the downloader is gone does
    // nothing.
    std::shared_ptr<FileDownloader*> m_ptrSelf;
};

// "http://" + address + "/" + page, unchanged otherwise.
std::string BuildDeviceUrl(const std::string& strAddress, const std::string& strPage);
// The same with the address taken from the IP field.
std::string BuildDeviceUrl(IWindowOps& objWindow, const std::string& strPage);

// Shows "Browsing to " + URL, fetches it and waits, sleeping one second and yielding between
// polls. Returns the page text, or empty text when the fetch failed or could not start.
std::string BrowseTo(IWindowOps& objWindow, FileDownloader& objDownloader,
                     const std::string& strURL);

} // namespace ata
