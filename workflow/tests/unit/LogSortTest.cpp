#include "workflow/LogSort.h"
#include "workflow/LogTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace ata;

// Device lines newest first are covered through the real window.
TEST(SortLog, ToolFormUnchangedEmptyLinesGoUndatedLinesLastEqualStampsAsTheExchangeSort) {
    const std::string strLog = "03/01/2008 09:00:00 b\r\n02/01/2008 10:00:00 a\r\n"
                               "02/01/2008 09:59:59 c";
    const std::pair<std::string, std::string> cases[] = {
        {strLog, strLog},
        {"", ""},
        {"\r\n\r\n", ""},
        // Stamps padded, the message kept as it stands; a line of a stamp alone stays whole.
        {"1/2/8 3:04:05 hello  world\r\n1/2/8 3:04:04",
         "01/02/2008 03:04:05 hello  world\r\n01/02/2008 03:04:04"},
        {"\r\n\r\n  02/01/2008 10:00:00 a\t \r\n\r\n\r\n01/01/2008 10:00:00 b\nc\r\n",
         "02/01/2008 10:00:00 a\t\r\n01/01/2008 10:00:00 b\nc"},
        {"garbage line\r\n01/01/2008 10:00:00 old\r\n02/01/2008 10:00:00 new",
         "02/01/2008 10:00:00 new\r\n01/01/2008 10:00:00 old\r\ngarbage line"},
        // t, t, t+1: the first and third swap, the equal ones never do.
        {"01/01/2008 10:00:00 one\r\n01/01/2008 10:00:00 two\r\n01/01/2008 10:00:01 three",
         "01/01/2008 10:00:01 three\r\n01/01/2008 10:00:00 two\r\n01/01/2008 10:00:00 one"}};
    for (const auto& [strIn, strExpected] : cases)
        EXPECT_EQ(SortLog(strIn), strExpected) << strIn;
}

// Short logs, and long ones: few stamps, common among unique and undated ones, oldest first.
TEST(SortLogEntries, SameOrderAsLiteralProcedure) {
    std::mt19937 rng(20081231);
    const size_t arrLongDistinct[] = {1, 2, 3, 5, 0, 0, 40}; // 0: common, unique and undated
    for (int intLog = 0; intLog < 407; ++intLog) {
        const bool blnLong = intLog >= 400;
        const size_t lngLines = blnLong ? 2000 + 1000 * (intLog >= 405) : rng() % 40;
        const size_t lngDistinct = blnLong ? arrLongDistinct[intLog - 400] : rng() % 7;
        std::vector<LogEntry> vec;
        for (size_t k = 0; k < lngLines; ++k) {
            LogTime lngWhen = rng() % std::max<size_t>(lngDistinct, 3);
            if (intLog >= 405)
                lngWhen += static_cast<LogTime>(k / 16) * 10;
            if (lngDistinct == 0 && rng() % 3 == 0)
                lngWhen = rng() % 10 == 0 ? kEarliestLogTime : 1000 + rng() % 1'000'000;
            vec.push_back({lngWhen, std::to_string(k)});
        }
        // The sort exactly as the procedure states it: every pair i < j, whole entries swapped.
        std::vector<LogEntry> vecExpected = vec;
        for (size_t i = 0; i + 1 < vecExpected.size(); ++i)
            for (size_t j = i + 1; j < vecExpected.size(); ++j)
                if (vecExpected[i].When < vecExpected[j].When)
                    std::swap(vecExpected[i], vecExpected[j]);
        SortLogEntries(vec);
        ASSERT_EQ(vec.size(), vecExpected.size());
        for (size_t k = 0; k < vec.size(); ++k)
            ASSERT_TRUE(vec[k].Text == vecExpected[k].Text && vec[k].When == vecExpected[k].When)
                << "log " << intLog << ", at " << k;
    }
}

TEST(LogTime, BothFormsRollOverTwoDigitYearsAndLinesWithoutAStamp) {
    const std::pair<const char*, const char*> cases[] = {
        {"01/02/2008 10:00:00.123 first", "02/01/2008 10:00:00"},
        {"01/02/2008 10:00:00 first", "01/02/2008 10:00:00"},
        {"01/13/2008 00:00:00 x", "01/01/2009 00:00:00"},
        {"32/01/2008 00:00:00 x", "01/02/2008 00:00:00"},
        {"00/03/2008 00:00:00 x", "29/02/2008 00:00:00"},
        {"01/00/2008 00:00:00 x", "01/12/2007 00:00:00"},
        {"31/12/2008 25:00:00 x", "01/01/2009 01:00:00"},
        {"01/01/2008 10:59:60 x", "01/01/2008 11:00:00"},
        {"01/01/2008 10:60:00 x", "01/01/2008 11:00:00"},
        {"00/01/10000 00:00:00 x", "31/12/9999 00:00:00"},
        {"01/01/100 00:00:00 x", "01/01/0100 00:00:00"},
        {"01/02/08 10:00:00 x", "01/02/2008 10:00:00"},
        {"01/02/0 10:00:00 x", "01/02/2000 10:00:00"},
        {"01/02/29 10:00:00 x", "01/02/2029 10:00:00"},
        {"01/02/30 10:00:00 x", "01/02/1930 10:00:00"},
        {"01/02/99 10:00:00 x", "01/02/1999 10:00:00"}};
    for (const auto& [szLine, szExpected] : cases)
        EXPECT_EQ(FormatLogTime(ParseLogDate(szLine)), szExpected) << szLine;
    EXPECT_EQ(ParseLogDate("01/02/2008 10:00:01 x") - ParseLogDate("01/02/2008 10:00:00 x"), 1);
    EXPECT_EQ(ParseLogDate("01/01/1970 00:00:00 x"), 0);
    // Lines without date and time, or beyond four-digit years, get the earliest stamp.
    for (const char* strLine :
         {"", "continuation of the line before", "01/02/2008", "01/02/2008 x",
          "01/02/2008  10:00:00 x", "aa/02/2008 10:00:00 x", "01/02/2008 10:00 x",
          "01/02/99999 10:00:00 x", "31/12/9999 24:00:00 x", "01/13/9999 00:00:00 x",
          "999999999/999999999/999999999 999999999:0:0 x"}) {
        EXPECT_FALSE(TryParseLogDate(strLine).has_value()) << strLine;
        EXPECT_EQ(ParseLogDate(strLine), kEarliestLogTime) << strLine;
    }
    EXPECT_EQ(FormatLogTime(kEarliestLogTime), "");
}
