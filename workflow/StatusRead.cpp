#include "workflow/StatusRead.h"

#include "base/ByteText.h"
#include "workflow/modMiscText.h"

namespace ata {

bool IsSipRegistered(const std::string& strPage) {
    int32_t lngStart = 1;
    const std::string strSection = modMisc::TextBetween("<!--SIP Registration Information!-->",
                                                        "</table>", strPage, lngStart, false);
    lngStart = 1;
    const std::string strCell = modMisc::StripWhitespace(
        modMisc::TextBetween("<td>", "</td>", strSection, lngStart, false));
    return EqualsIgnoreCase(strCell, "REGISTERED");
}

void ReadAtaStatus(IWindowOps& objWindow, FileDownloader& objDownloader, const std::string& strIp) {
    const std::string strPage =
        BrowseTo(objWindow, objDownloader, BuildDeviceUrl(strIp, "doc/m_set.htm"));
    objWindow.SetLedColour(ControlId::ledVoIP,
                           IsSipRegistered(strPage) ? kColourGreen : kColourRed);
    objWindow.SetStatus("ATA status read.");
}

} // namespace ata
