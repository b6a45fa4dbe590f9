// The script format and the "227" reading: no input may crash them, and their results must
// keep the properties the format promises.
#include "FuzzSupport.h"
#include "base/RaisedError.h"
#include "script/ScriptText.h"

#include <algorithm>
#include <cstdlib>

using namespace ata::script;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t lngSize) {
    const auto vec = ata::fuzz::SplitFields(pData, lngSize, 3);
    const std::string strLine = ata::fuzz::Field(vec, 0);
    const std::string strDelim = ata::fuzz::Field(vec, 1);

    const std::string strClean = CleanLine(strLine);
    ATA_FUZZ_CHECK(strClean.find('\t') == std::string::npos);
    ATA_FUZZ_CHECK(strClean.empty() || (strClean.front() != ' ' && strClean.back() != ' '));

    if (!strDelim.empty()) {
        // Joining every field with the delimiter gives the text back.
        const int32_t lngCount = CountDelimiters(strLine, strDelim);
        std::string strJoined;
        for (int32_t k = 1; k <= lngCount + 1; ++k)
            strJoined += (k > 1 ? strDelim : "") + GetField(strLine, strDelim, k);
        ATA_FUZZ_CHECK(strJoined == strLine);
        ATA_FUZZ_CHECK(GetField(strLine, strDelim, lngCount + 2).empty());
    }

    try {
        const std::string strArg = GetQuotedArgument(strLine);
        ATA_FUZZ_CHECK(strArg.size() <= 2 * strLine.size());
    } catch (const ata::RaisedError&) {
        // A single quote is refused; anything else thrown is a finding.
    }

    const PassiveReply reply = ParsePassiveReply(strLine);
    if (reply.blnValid) {
        ATA_FUZZ_CHECK(reply.lngPort >= 0 && reply.lngPort <= 65535);
        ATA_FUZZ_CHECK(std::count(reply.strHost.begin(), reply.strHost.end(), '.') == 3);
    } else {
        ATA_FUZZ_CHECK(!reply.strProblem.empty());
    }
    (void)LeadingNumber(strLine);
    (void)DelaySeconds(strLine);
    (void)EchoLength(strDelim, strLine);
    return 0;
}
