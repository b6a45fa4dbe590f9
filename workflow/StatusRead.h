#pragma once

#include "workflow/FileDownloader.h"
#include "workflow/IWindowOps.h"

#include <string>

namespace ata {

// True when the first "<td>" cell after the SIP registration comment of the status page,
// with white space removed, reads REGISTERED (letter case aside).
bool IsSipRegistered(const std::string& strPage);

// Get Status, step 4: fetches "doc/m_set.htm" from the address, sets ledVoIP green when the
// line is registered and red otherwise (also when the fetch failed), then shows
// "ATA status read.".
void ReadAtaStatus(IWindowOps& objWindow, FileDownloader& objDownloader, const std::string& strIp);

} // namespace ata
