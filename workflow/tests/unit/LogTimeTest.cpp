#include "workflow/LogTime.h"

#include <gtest/gtest.h>

using namespace ata;

TEST(LogTime, DeviceFormMonthFirstToolFormDayFirstRollOverAndTwoDigitYears) {
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
}

TEST(LogTime, LinesWithoutDateAndTimeOrBeyondFourDigitYearsGetEarliestStamp) {
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
