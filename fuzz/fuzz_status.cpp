// The status read: TextBetween against a reference built on plain searches (on lower-cased
// copies when letter case is ignored), and IsSipRegistered against the three steps it is made
// of, on any page.
//
// Input fields: page, start marker, end marker; the first byte of the page also picks the
// start position and the case flag.
#include "FuzzSupport.h"
#include "workflow/StatusRead.h"
#include "workflow/modMiscText.h"

namespace {

std::string ReferenceBetween(const std::string& strStart, const std::string& strEnd,
                             const std::string& strText, int32_t lngStart, bool blnCase) {
    const std::string strHay = blnCase ? strText : ata::fuzz::LowerText(strText);
    const std::string strA = blnCase ? strStart : ata::fuzz::LowerText(strStart);
    const std::string strB = blnCase ? strEnd : ata::fuzz::LowerText(strEnd);
    const size_t lngFrom = lngStart <= 1 ? 0 : static_cast<size_t>(lngStart - 1);
    if (lngFrom > strHay.size())
        return {};
    const size_t a = strHay.find(strA, lngFrom);
    if (a == std::string::npos)
        return {};
    const size_t b = strHay.find(strB, a + strA.size());
    if (b == std::string::npos)
        return {};
    return strText.substr(a + strA.size(), b - a - strA.size());
}

bool ReferenceRegistered(const std::string& strPage) {
    const std::string strSection =
        ReferenceBetween("<!--SIP Registration Information!-->", "</table>", strPage, 1, false);
    std::string strCell;
    for (char c : ReferenceBetween("<td>", "</td>", strSection, 1, false))
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            strCell.push_back(c);
    return ata::fuzz::LowerText(strCell) == "registered";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t lngSize) {
    if (lngSize > 65536)
        return 0;
    const auto vec = ata::fuzz::SplitFields(pData, lngSize, 3);
    const std::string strPage = ata::fuzz::Field(vec, 0);
    const std::string strStart = ata::fuzz::Field(vec, 1);
    const std::string strEnd = ata::fuzz::Field(vec, 2);
    const uint8_t chrPick = lngSize > 0 ? pData[0] : 0;
    const bool blnCase = (chrPick & 0x80) != 0;
    // Start positions from before the text to past its end.
    const int32_t lngPick = static_cast<int32_t>(chrPick & 0x7F) - 8;

    int32_t lngStart = lngPick;
    const std::string strGot =
        ata::modMisc::TextBetween(strStart, strEnd, strPage, lngStart, blnCase);
    ATA_FUZZ_CHECK(strGot == ReferenceBetween(strStart, strEnd, strPage, lngPick, blnCase));
    ATA_FUZZ_CHECK(lngStart == (lngPick == 0 ? 1 : lngPick));

    ATA_FUZZ_CHECK(ata::IsSipRegistered(strPage) == ReferenceRegistered(strPage));
    return 0;
}
