#include "workflow/LogFetch.h"

#include "workflow/LogSort.h"

namespace ata {

std::string FetchSortedLog(IWindowOps& objWindow, FileDownloader& objDownloader,
                           const std::string& strIp) {
    const std::string strLog =
        BrowseTo(objWindow, objDownloader, BuildDeviceUrl(strIp, "cgi/syslog.txt"));
    objWindow.SetStatus("Sorting log...");
    objWindow.DoEvents();
    std::string strSorted = SortLog(strLog);
    objWindow.SetStatus("Log sorted.");
    objWindow.DoEvents();
    return strSorted;
}

} // namespace ata
