#include "workflow/LogSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace ata;

namespace {

std::string Normalised(const std::string& strLine) {
    std::vector<LogEntry> vec{{ParseLogDate(strLine), strLine}};
    NormaliseLogDates(vec);
    return vec[0].Text;
}

// The sort exactly as the procedure states it: every pair i < j, whole entries swapped.
void LiteralExchangeSort(std::vector<LogEntry>& vec) {
    for (size_t i = 0; i + 1 < vec.size(); ++i)
        for (size_t j = i + 1; j < vec.size(); ++j)
            if (vec[i].When < vec[j].When)
                std::swap(vec[i], vec[j]);
}

} // namespace

TEST(ParseLogDate, DeviceFormMonthFirstToolFormDayFirstRollOverAndTwoDigitYears) {
    const std::pair<const char*, const char*> cases[] = {
        {"01/02/2008 10:00:00.123 first", "02/01/2008 10:00:00"},
        {"01/02/2008 10:00:00 first", "01/02/2008 10:00:00"},
        // Out-of-range parts roll over.
        {"01/13/2008 00:00:00 x", "01/01/2009 00:00:00"},
        {"32/01/2008 00:00:00 x", "01/02/2008 00:00:00"},
        {"00/03/2008 00:00:00 x", "29/02/2008 00:00:00"},
        {"01/00/2008 00:00:00 x", "01/12/2007 00:00:00"},
        {"31/12/2008 25:00:00 x", "01/01/2009 01:00:00"},
        {"01/01/2008 10:59:60 x", "01/01/2008 11:00:00"},
        {"01/01/2008 10:60:00 x", "01/01/2008 11:00:00"},
        {"01/02/08 10:00:00 x", "01/02/2008 10:00:00"},
        {"01/02/0 10:00:00 x", "01/02/2000 10:00:00"},
        {"01/02/29 10:00:00 x", "01/02/2029 10:00:00"},
        {"01/02/30 10:00:00 x", "01/02/1930 10:00:00"},
        {"01/02/99 10:00:00 x", "01/02/1999 10:00:00"}};
    for (const auto& [szLine, szExpected] : cases)
        EXPECT_EQ(FormatLogTime(ParseLogDate(szLine)), szExpected) << szLine;
    EXPECT_EQ(ParseLogDate("01/02/2008 10:00:01 x") - ParseLogDate("01/02/2008 10:00:00 x"), 1);
}

TEST(ParseLogDate, LinesWithoutDateAndTimeGetEarliestStamp) {
    for (const char* strLine : {"", "continuation of the line before", "01/02/2008", "01/02/2008 x",
                                "01/02/2008  10:00:00 x", "aa/02/2008 10:00:00 x",
                                "01/02/2008 10:00 x", "01/02/99999 10:00:00 x"}) {
        EXPECT_FALSE(TryParseLogDate(strLine).has_value()) << strLine;
        EXPECT_EQ(ParseLogDate(strLine), kEarliestLogTime) << strLine;
    }
    EXPECT_LT(kEarliestLogTime, ParseLogDate("01/01/100 00:00:00 x"));
}

TEST(NormaliseLogDates, RewritesStampKeepsMessage) {
    EXPECT_EQ(Normalised("1/2/8 3:04:05 hello  world "), "01/02/2008 03:04:05 hello  world ");
    EXPECT_EQ(Normalised("01/02/2008 10:00:00.123 first"), "02/01/2008 10:00:00 first");
    EXPECT_EQ(Normalised("05/06/2008 07:08:09 already"), "05/06/2008 07:08:09 already");
    EXPECT_EQ(Normalised("05/06/2008 07:08:09"), "05/06/2008 07:08:09");
    EXPECT_EQ(Normalised("not a log line"), "not a log line");
}

// Device lines newest first are covered through the real window.
TEST(SortLog, ToolFormUnchangedEmptyLinesGoUndatedLinesLastEqualStampsAsTheExchangeSort) {
    const std::string strLog = "03/01/2008 09:00:00 b\r\n02/01/2008 10:00:00 a\r\n"
                               "02/01/2008 09:59:59 c";
    EXPECT_EQ(SortLog(strLog), strLog);
    EXPECT_EQ(SortLog("\r\n\r\n  02/01/2008 10:00:00 a\t \r\n\r\n\r\n01/01/2008 10:00:00 b\nc\r\n"),
              "02/01/2008 10:00:00 a\t\r\n01/01/2008 10:00:00 b\nc");
    EXPECT_EQ(SortLog(""), "");
    EXPECT_EQ(SortLog("\r\n\r\n"), "");
    EXPECT_EQ(SortLog("garbage line\r\n01/01/2008 10:00:00 old\r\n02/01/2008 10:00:00 new"),
              "02/01/2008 10:00:00 new\r\n01/01/2008 10:00:00 old\r\ngarbage line");
    // t, t, t+1: the first and third swap, the equal ones never do.
    EXPECT_EQ(SortLog("01/01/2008 10:00:00 one\r\n01/01/2008 10:00:00 two\r\n"
                      "01/01/2008 10:00:01 three"),
              "01/01/2008 10:00:01 three\r\n01/01/2008 10:00:00 two\r\n01/01/2008 10:00:00 one");
}

TEST(SortLogEntries, SameOrderAsLiteralProcedure) {
    // Many short logs, then long ones: few distinct stamps over thousands of lines, a few
    // common stamps mixed with unique and undated ones, and logs that arrive oldest first.
    std::mt19937 rng(20081231);
    struct Shape {
        size_t lngLines;
        size_t lngDistinct; // 0: a few common stamps mixed with unique and undated lines
        bool blnOldestFirst;
    };
    std::vector<Shape> vecShapes;
    for (int k = 0; k < 400; ++k)
        vecShapes.push_back({rng() % 40, rng() % 7, false});
    for (size_t lngDistinct : {1, 2, 3, 5, 0})
        vecShapes.push_back({2000, lngDistinct, false});
    vecShapes.push_back({3000, 0, true});
    vecShapes.push_back({3000, 40, true});
    for (const Shape& objShape : vecShapes) {
        std::vector<LogEntry> vec;
        for (size_t k = 0; k < objShape.lngLines; ++k) {
            LogTime lngWhen = rng() % std::max<size_t>(objShape.lngDistinct, 3);
            if (objShape.blnOldestFirst)
                lngWhen += static_cast<LogTime>(k / 16) * 10;
            if (objShape.lngDistinct == 0 && rng() % 3 == 0)
                lngWhen = rng() % 10 == 0 ? kEarliestLogTime : 1000 + rng() % 1'000'000;
            vec.push_back({lngWhen, std::to_string(k)});
        }
        std::vector<LogEntry> vecExpected = vec;
        LiteralExchangeSort(vecExpected);
        SortLogEntries(vec);
        ASSERT_EQ(vec.size(), vecExpected.size());
        for (size_t k = 0; k < vec.size(); ++k) {
            ASSERT_EQ(vec[k].Text, vecExpected[k].Text)
                << objShape.lngLines << " lines, " << objShape.lngDistinct << " stamps, at " << k;
            ASSERT_EQ(vec[k].When, vecExpected[k].When);
        }
    }
}
