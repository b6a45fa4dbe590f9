// Log sorting: SortLog against the literal procedure (collapse, split, trim, parse, the
// exchange sort over all pairs swapping whole entries, normalise, join), and the time stamps
// written by FormatLogTime read back as the same time.
#include "FuzzSupport.h"
#include "workflow/LogSort.h"
#include "workflow/LogTime.h"
#include "workflow/modMiscText.h"

#include <utility>

namespace {

std::string TrimSpaces(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string ReferenceSortLog(const std::string& strText) {
    const std::string strCollapsed = ata::modMisc::CollapseDelimiters(strText, "\r\n", true);
    if (strCollapsed.empty())
        return {};
    std::vector<ata::LogEntry> vec;
    for (const auto& strLine : ata::fuzz::SplitAll(strCollapsed, "\r\n")) {
        ata::LogEntry e;
        e.Text = TrimSpaces(strLine);
        e.When = ata::ParseLogDate(e.Text);
        vec.push_back(std::move(e));
    }
    for (size_t i = 0; i + 1 < vec.size(); ++i)
        for (size_t j = i + 1; j < vec.size(); ++j)
            if (vec[i].When < vec[j].When)
                std::swap(vec[i], vec[j]);
    ata::NormaliseLogDates(vec);
    std::string strOut;
    for (size_t k = 0; k < vec.size(); ++k)
        strOut += (k ? "\r\n" : "") + vec[k].Text;
    return strOut;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t lngSize) {
    // The reference is quadratic; a few hundred lines are plenty to find order faults.
    if (lngSize > 8192)
        return 0;
    const std::string strText(reinterpret_cast<const char*>(pData), lngSize);
    const std::string strSorted = ata::SortLog(strText);
    ATA_FUZZ_CHECK(strSorted == ReferenceSortLog(strText));

    for (const auto& strLine : ata::fuzz::SplitAll(strText, "\r\n")) {
        const auto optWhen = ata::TryParseLogDate(strLine);
        if (!optWhen)
            continue;
        const std::string strStamp = ata::FormatLogTime(*optWhen);
        ATA_FUZZ_CHECK(strStamp.size() == 19);
        ATA_FUZZ_CHECK(ata::TryParseLogDate(strStamp + " x") == optWhen);
    }
    return 0;
}
