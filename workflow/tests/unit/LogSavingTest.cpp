#include "workflow/LogSaving.h"
#include "RecordingWindow.h"
#include "workflow/modMiscFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

using namespace ata;
using ata::test::RecordingWindow;
namespace fs = std::filesystem;

namespace {

const std::string kReg = " SIP Registration succeeded for 1001@voip.example";

std::string Reg(const std::string& strTime) {
    return "01/02/2008 " + strTime + kReg;
}

std::string Summarised(const std::string& strText, size_t& lngTotal, size_t& lngKept) {
    return SummariseLogText(strText, lngTotal, lngKept);
}

// The merge as the procedure states it: each pane line against every file line.
size_t LiteralNewLines(const std::vector<std::string>& vecPane,
                       const std::vector<std::string>& vecFile) {
    auto lower = [](std::string s) {
        for (char& c : s) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return s;
    };
    for (size_t i = 0; i < vecPane.size(); ++i) {
        for (const auto& strFile : vecFile) {
            if (lower(vecPane[i]) == lower(strFile)) {
                return i;
            }
        }
    }
    return vecPane.size();
}

std::string Join(const std::vector<std::string>& vec) {
    std::string s;
    for (size_t k = 0; k < vec.size(); ++k) {
        s += (k ? "\r\n" : "") + vec[k];
    }
    return s;
}

struct LogSavingTest : ::testing::Test {
    fs::path folder;
    std::string strFile;
    RecordingWindow window;
    std::function<void(bool)> fnGate = [this](bool b) { window.SetEnabled(ControlId::cmdLog, b); };
    LogSavingTest() {
        std::string t = (fs::temp_directory_path() / "ata-save-XXXXXX").string();
        folder = ::mkdtemp(t.data());
        strFile = (folder / "sys-log.txt").string();
    }
    ~LogSavingTest() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

} // namespace

TEST(MinutesBetween, CountsMinuteBoundariesEitherWay) {
    EXPECT_EQ(MinutesBetween(Reg("10:00:59"), Reg("10:01:00")), 1.0f);
    EXPECT_EQ(MinutesBetween(Reg("10:00:00"), Reg("10:00:59")), 0.0f);
    EXPECT_EQ(MinutesBetween(Reg("10:20:00"), Reg("10:06:30")), 14.0f);
    EXPECT_EQ(MinutesBetween("02/02/2008 00:00:00 x", "01/02/2008 23:59:59 x"), 1.0f);
    EXPECT_TRUE(std::isinf(MinutesBetween("", Reg("10:00:00"))));
}

TEST(CountNewLogLines, MergeRules) {
    const std::string strFile = "02/01/2008 10:00:00 b\r\n01/01/2008 10:00:00 a";
    EXPECT_EQ(CountNewLogLines("02/01/2008 10:00:00 b\r\n01/01/2008 10:00:00 a", strFile), 0u);
    EXPECT_EQ(CountNewLogLines("03/01/2008 10:00:00 c\r\n02/01/2008 10:00:00 B", strFile), 1u);
    // Stops at the first known line even when later lines are new.
    EXPECT_EQ(CountNewLogLines("c\r\n01/01/2008 10:00:00 a\r\nnew", strFile), 1u);
    EXPECT_EQ(CountNewLogLines("x\r\ny", ""), 2u);
    // Whole lines only: a prefix of a saved line is not the saved line.
    EXPECT_EQ(CountNewLogLines("02/01/2008 10:00:00", strFile), 1u);
}

TEST(CountNewLogLines, SameAsComparingEveryPairOnRandomLogs) {
    std::mt19937 rng(42);
    const std::vector<std::string> vecWords{"a",
                                            "A",
                                            "b",
                                            "ab",
                                            "",
                                            "Line One Registered",
                                            "LINE ONE REGISTERED",
                                            "line one registereD",
                                            "@[`{ mixed 123456789",
                                            "`{@[ mixed 123456789",
                                            "\xc0\xe0 Accent",
                                            "\xc0\xe0 ACCENT",
                                            "\xe0\xe0 accent"};
    for (int intRound = 0; intRound < 500; ++intRound) {
        std::vector<std::string> vecPane(1 + rng() % 6), vecFile(1 + rng() % 6);
        for (auto& s : vecPane) {
            s = vecWords[rng() % vecWords.size()];
        }
        for (auto& s : vecFile) {
            s = vecWords[rng() % vecWords.size()];
        }
        ASSERT_EQ(CountNewLogLines(Join(vecPane), Join(vecFile)), LiteralNewLines(vecPane, vecFile))
            << Join(vecPane) << " | " << Join(vecFile);
    }
}

TEST(SummariseLogText, RunKeepsEndsAndLinesAfterLongGaps) {
    size_t t = 0, k = 0;
    const std::string strOrdinary = "01/02/2008 09:00:00 Power on";
    EXPECT_EQ(Summarised(Join({Reg("10:20:00"), Reg("10:06:00"), Reg("10:03:00"), Reg("10:00:00"),
                               strOrdinary}),
                         t, k),
              Join({Reg("10:20:00"), Reg("10:06:00"), Reg("10:00:00"), strOrdinary}));
    EXPECT_EQ(t, 5u);
    EXPECT_EQ(k, 4u);
    EXPECT_EQ(
        Summarised(Join({Reg("10:02:00"), Reg("10:01:00"), Reg("10:00:00"), strOrdinary}), t, k),
        Join({Reg("10:02:00"), Reg("10:00:00"), strOrdinary}));
    EXPECT_EQ(t, 4u);
    EXPECT_EQ(k, 3u);
    // Two registration lines: both are ends of the run, nothing drops.
    Summarised(Join({Reg("10:01:00"), Reg("10:00:00"), strOrdinary}), t, k);
    EXPECT_EQ(t, 3u);
    EXPECT_EQ(k, 3u);
}

TEST(SummariseLogText, FinalRunAndFinalLineBreak) {
    size_t t = 0, k = 0;
    const std::string strText = Join({"01/02/2008 11:00:00 Boot", Reg("10:03:00"), Reg("10:02:00"),
                                      Reg("10:01:00"), Reg("10:00:00")}) +
                                "\r\n";
    EXPECT_EQ(Summarised(strText, t, k),
              Join({"01/02/2008 11:00:00 Boot", Reg("10:03:00"), Reg("10:00:00")}));
    EXPECT_EQ(t, 6u);
    EXPECT_EQ(k, 3u);
    EXPECT_EQ(Summarised("a\r\nb\r\n", t, k), "a\r\nb");
    EXPECT_EQ(t, 3u);
    EXPECT_EQ(k, 2u);
}

TEST(SummariseLogText, FiveMinuteGapDropsSixKeepsLowerCaseCounts) {
    size_t t = 0, k = 0;
    const std::string strLower = "01/02/2008 10:00:00 sip registration succeeded for x";
    EXPECT_EQ(Summarised(Join({Reg("10:11:00"), Reg("10:05:00"), strLower, Reg("09:55:00"),
                               Reg("09:54:00")}),
                         t, k),
              Join({Reg("10:11:00"), Reg("10:05:00"), Reg("09:54:00")}));
}

TEST(SummariseLogText, EmptyLineInsideRunIsSkipped) {
    size_t t = 0, k = 0;
    EXPECT_EQ(
        Summarised(Join({Reg("10:10:00"), "", Reg("10:09:00"), Reg("10:08:00"), "", "Ord"}), t, k),
        Join({Reg("10:10:00"), Reg("10:08:00"), "Ord"}));
    EXPECT_EQ(t, 6u);
    EXPECT_EQ(k, 3u);
    // A registration line without a readable stamp is kept rather than guessed away.
    EXPECT_EQ(Summarised(Join({Reg("10:10:00"), "garbled" + kReg, Reg("10:09:00")}), t, k),
              Join({Reg("10:10:00"), "garbled" + kReg, Reg("10:09:00")}));
}

TEST_F(LogSavingTest, FailedSaveReportsAndKeepsFolder) {
    const std::string strBadFile = (folder / "missing" / "sys-log.txt").string();
    window.strLog = "x y z";
    SaveLog(window, strBadFile, fnGate);
    EXPECT_EQ(window.strStatus, "Could not save system log.");
    EXPECT_EQ(window.OpsStartingWith("Warning"),
              std::vector<std::string>{"Warning(Could not save system log.)"});
    EXPECT_EQ(window.vecOps.back(), "SetEnabled(cmdLog,1)");
    // An unreadable history (here a folder in its place) is not overwritten.
    fs::create_directory(strFile);
    SaveLog(window, strFile, fnGate);
    EXPECT_TRUE(fs::is_directory(strFile));
    EXPECT_EQ(window.strStatus, "Could not save system log.");
}

TEST_F(LogSavingTest, SummariseReportsAndWritesOnlyWhenSomethingDrops) {
    SummariseLog(window, strFile); // no file yet
    EXPECT_FALSE(fs::exists(strFile));
    EXPECT_EQ(window.strStatus, "Log did not require any summarisation.");
    const std::string strText = Join({Reg("10:01:00"), Reg("10:00:00"), "Ord"});
    ASSERT_TRUE(modMisc::WriteTextFile(strText, strFile));
    window.vecOps.clear();
    SummariseLog(window, strFile);
    EXPECT_EQ(window.vecOps,
              (std::vector<std::string>{"SetStatus(Summarising log...)", "DoEvents",
                                        "SetStatus(Log did not require any summarisation.)",
                                        "Information(Log did not require any summarisation.)"}));
    EXPECT_EQ(modMisc::ReadTextFile(strFile), strText);
    ASSERT_TRUE(modMisc::WriteTextFile(strText + "\r\n", strFile));
    SummariseLog(window, strFile);
    EXPECT_EQ(window.strStatus, "Log summarised.");
    EXPECT_EQ(window.OpsStartingWith("Information(System log"),
              std::vector<std::string>{"Information(System log summarised from 4 to 3 line(s))"});
    EXPECT_EQ(modMisc::ReadTextFile(strFile), strText);
}
