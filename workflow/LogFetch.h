#pragma once

#include "workflow/FileDownloader.h"
#include "workflow/IWindowOps.h"

#include <string>

namespace ata {

// Get System Log, step 3: fetches "cgi/syslog.txt" from the address, shows "Sorting log...",
// yields, sorts, shows "Log sorted.", yields, and returns the sorted text.
std::string FetchSortedLog(IWindowOps& objWindow, FileDownloader& objDownloader,
                           const std::string& strIp);

} // namespace ata
