#include "workflow/LogSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace ata;

TEST(NormaliseLogDates, RewritesStampKeepsMessage) {
    const std::pair<const char*, const char*> cases[] = {
        {"1/2/8 3:04:05 hello  world ", "01/02/2008 03:04:05 hello  world "},
        {"01/02/2008 10:00:00.123 first", "02/01/2008 10:00:00 first"},
        {"05/06/2008 07:08:09 already", "05/06/2008 07:08:09 already"},
        {"05/06/2008 07:08:09", "05/06/2008 07:08:09"},
        {"not a log line", "not a log line"}};
    for (const auto& [szLine, szExpected] : cases) {
        std::vector<LogEntry> vec{{ParseLogDate(szLine), szLine}};
        NormaliseLogDates(vec);
        EXPECT_EQ(vec[0].Text, szExpected);
    }
}

// Device lines newest first are covered through the real window.
TEST(SortLog, ToolFormUnchangedEmptyLinesGoUndatedLinesLastEqualStampsAsTheExchangeSort) {
    const std::string strLog = "03/01/2008 09:00:00 b\r\n02/01/2008 10:00:00 a\r\n"
                               "02/01/2008 09:59:59 c";
    const std::pair<std::string, std::string> cases[] = {
        {strLog, strLog},
        {"", ""},
        {"\r\n\r\n", ""},
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
                << objShape.lngLines << " lines, " << objShape.lngDistinct << " stamps, at " << k;
    }
}
