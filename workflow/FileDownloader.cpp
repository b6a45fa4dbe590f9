#include "workflow/FileDownloader.h"

#include "base/RaisedError.h"

#include <algorithm>

namespace ata {

FileDownloader::FileDownloader(IHttpReader& objReader)
    : m_objReader(objReader), m_ptrSelf(std::make_shared<FileDownloader*>(this)) {}

FileDownloader::~FileDownloader() = default;

bool FileDownloader::BeginDownload(const std::string& strURL, const std::string& strFilename) {
    (void)strFilename; // the platform's name of the read; nothing here needs it
    m_objLastFailure = HttpReadResult{};
    m_objLastFailure.enmFailure = EnmHttpFailure::Other;
    if (m_blnShutDown) {
        m_objLastFailure.strError = "abandoned";
        return false;
    }
    m_strFileContents.clear();
    m_blnDownloadComplete = false;
    m_blnDownloadError = false;
    const uint64_t lngFetch = ++m_lngFetch;
    std::weak_ptr<FileDownloader*> ptrWeak = m_ptrSelf;
    try {
        m_objReader.BeginRead(strURL, [ptrWeak, lngFetch](HttpReadResult objResult) {
            if (auto ptr = ptrWeak.lock(); ptr && (*ptr)->m_lngFetch == lngFetch) {
                (*ptr)->AsyncReadComplete(objResult);
            }
        });
    } catch (const std::exception& e) {
        m_objLastFailure.strError = std::string("could not start: ") + e.what();
        return false;
    }
    m_objLastFailure.strError.clear();
    m_objLastFailure.enmFailure = EnmHttpFailure::None;
    return true;
}

void FileDownloader::Shutdown() {
    m_blnShutDown = true;
    ++m_lngFetch; // a completion still on its way is ignored
    if (!m_blnDownloadComplete) {
        m_blnDownloadError = true;
        m_objLastFailure.enmFailure = EnmHttpFailure::Other;
        m_objLastFailure.strError = "abandoned";
    }
    m_objReader.CancelAll();
}

void FileDownloader::AsyncReadComplete(const HttpReadResult& objResult) {
    if (!objResult.blnOk) {
        // A failed read sets only the error flag.
        m_blnDownloadError = true;
        m_objLastFailure = objResult;
        return;
    }
    if (objResult.strBody.size() >= 2) {
        std::string strText = objResult.strBody;
        std::replace(strText.begin(), strText.end(), '\0', '\n');
        m_strFileContents = std::move(strText);
    } else {
        m_blnDownloadError = true;
        m_objLastFailure.enmFailure = EnmHttpFailure::Other;
        m_objLastFailure.strError = "empty page";
    }
    m_blnDownloadComplete = true;
}

std::string BuildDeviceUrl(const std::string& strAddress, const std::string& strPage) {
    return "http://" + strAddress + "/" + strPage;
}

std::string BuildDeviceUrl(IWindowOps& objWindow, const std::string& strPage) {
    return BuildDeviceUrl(objWindow.GetIpText(), strPage);
}

std::string BrowseTo(IWindowOps& objWindow, FileDownloader& objDownloader,
                     const std::string& strURL) {
    objWindow.SetStatus("Browsing to " + strURL);
    objWindow.DoEvents();
    if (!objDownloader.BeginDownload(strURL, strURL)) {
        return {};
    }
    // The completion arrives only while the window yields, so the first poll before any
    // sleep sees nothing yet and every fetch takes at least one second.
    while (!objDownloader.blnDownloadComplete() && !objDownloader.blnDownloadError()) {
        objWindow.Sleep(1000);
        objWindow.DoEvents();
    }
    return objDownloader.strFileContents();
}

} // namespace ata
