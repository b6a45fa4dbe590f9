// Saving and summarising on arbitrary file and pane contents: no crash, and the summary
// keeps every line it does not collapse and never grows the history.
#include "FuzzSupport.h"
#include "workflow/LogSaving.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t lngSize) {
    const auto vec = ata::fuzz::SplitFields(pData, lngSize, 2);
    const std::string strText = ata::fuzz::Field(vec, 0);
    const std::string strPane = ata::fuzz::Field(vec, 1);
    size_t lngTotal = 0;
    size_t lngKept = 0;
    const std::string strSummary = ata::SummariseLogText(strText, lngTotal, lngKept);
    ATA_FUZZ_CHECK(lngKept <= lngTotal);
    ATA_FUZZ_CHECK(strSummary.size() <= strText.size() + 2 * lngTotal + 2);
    const size_t lngNew = ata::CountNewLogLines(strPane, strText);
    ATA_FUZZ_CHECK(lngNew <= strPane.size() + 1);
    if (vec.size() > 1)
        (void)ata::MinutesBetween(strText, strPane);
    return 0;
}
