#include "workflow/LogSaving.h"
#include "testing/FileBytes.h"
#include "testing/RecordingWindow.h"
#include "workflow/modMiscFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sys/stat.h>

using namespace ata;
namespace fs = std::filesystem;

namespace {

const std::string kReg = " SIP Registration succeeded for 1001@voip.example";

std::string Reg(const std::string& strTime) {
    return "01/02/2008 " + strTime + kReg;
}

std::string Join(const std::vector<std::string>& vec) {
    std::string s;
    for (size_t k = 0; k < vec.size(); ++k)
        s += (k ? "\r\n" : "") + vec[k];
    return s;
}

} // namespace

TEST(MinutesBetween, CountsMinuteBoundariesEitherWay) {
    EXPECT_EQ(MinutesBetween(Reg("10:00:59"), Reg("10:01:00")), 1.0f);
    EXPECT_EQ(MinutesBetween(Reg("10:00:00"), Reg("10:00:59")), 0.0f);
    EXPECT_EQ(MinutesBetween(Reg("10:20:00"), Reg("10:06:30")), 14.0f);
    EXPECT_EQ(MinutesBetween("02/02/2008 00:00:00 x", "01/02/2008 23:59:59 x"), 1.0f);
    EXPECT_TRUE(std::isinf(MinutesBetween("", Reg("10:00:00"))));
}

// The first pane line the history holds ends the new ones; only ASCII letters fold.
TEST(CountNewLogLines, TheFirstKnownPaneLineEndsTheNewOnes) {
    const struct {
        const char *szPane, *szFile;
        size_t lngNew;
    } cases[] = {
        {"c\r\nb\r\na", "a\r\nb", 1},
        {"new\r\nAZaz @[`{ Line One Registered az", "azAZ @[`{ LINE ONE REGISTERED AZ", 1},
        {"`{ mixed 123456789\r\nb", "@[ mixed 123456789", 2},
        {"\xC0\xE0 Accent\r\nb", "\xE0\xE0 ACCENT", 2},
        {"ab\r\na", "abc\r\nb", 2},
        {"a\r\n\r\nb", "x\r\n\r\ny", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CountNewLogLines(c.szPane, c.szFile), c.lngNew) << c.szPane;
}

// Runs of three and four are covered through the real window.
TEST(SummariseLogText, RunsKeepTheirEndsEmptyLinesGoUnreadableStampsStay) {
    const auto expect = [](const std::string& strText, const std::string& strExpected,
                           size_t lngTotal, size_t lngKept) {
        size_t t = 0, k = 0;
        EXPECT_EQ(SummariseLogText(strText, t, k), strExpected);
        EXPECT_EQ(t, lngTotal);
        EXPECT_EQ(k, lngKept);
    };
    // Two registration lines: both are ends of the run, nothing drops.
    const std::string strOrdinary = "01/02/2008 09:00:00 Power on";
    const std::string strTwo = Join({Reg("10:01:00"), Reg("10:00:00"), strOrdinary});
    expect(strTwo, strTwo, 3, 3);
    // A gap of five minutes drops the line, six keep it; lower case counts as a registration.
    const std::string strLower = "01/02/2008 10:00:00 sip registration succeeded for x";
    expect(Join({Reg("10:11:00"), Reg("10:05:00"), strLower, Reg("09:55:00"), Reg("09:54:00")}),
           Join({Reg("10:11:00"), Reg("10:05:00"), Reg("09:54:00")}), 5, 3);
    expect(Join({"01/02/2008 11:00:00 Boot", Reg("10:03:00"), Reg("10:02:00"), Reg("10:01:00"),
                 Reg("10:00:00")}) +
               "\r\n",
           Join({"01/02/2008 11:00:00 Boot", Reg("10:03:00"), Reg("10:00:00")}), 6, 3);
    expect("a\r\nb\r\n", "a\r\nb", 3, 2);
    expect(Join({Reg("10:10:00"), "", Reg("10:09:00"), Reg("10:08:00"), "", "Ord"}),
           Join({Reg("10:10:00"), Reg("10:08:00"), "Ord"}), 6, 3);
    // A registration line without a readable stamp is kept rather than guessed away.
    const std::string strGarbled = Join({Reg("10:10:00"), "garbled" + kReg, Reg("10:09:00")});
    expect(strGarbled, strGarbled, 3, 3);
}

TEST(LogFile, AnUnreadableHistoryIsNotOverwrittenAndNothingToDropWritesNothing) {
    test::ScratchFolder folder;
    const std::string strFile = folder.File("sys-log.txt");
    fs::create_directories(strFile); // a folder where the history should be
    test::RecordingWindow window;
    window.strLog = "x y z";
    SaveLog(window, strFile, [&](bool b) { window.SetEnabled(ControlId::cmdLog, b); });
    EXPECT_TRUE(fs::is_directory(strFile));
    EXPECT_EQ(window.OpsStartingWith("Warning"),
              std::vector<std::string>{"Warning(Could not save system log.)"});
    EXPECT_EQ(window.vecOps.back(), "SetEnabled(cmdLog,1)");

    fs::remove(strFile);
    SummariseLog(window, strFile); // no file yet
    EXPECT_FALSE(fs::exists(strFile));
    const std::string strText = Join({Reg("10:01:00"), Reg("10:00:00"), "Ord"});
    ASSERT_TRUE(modMisc::WriteTextFile(strText, strFile));
    struct stat before {
    }, after{};
    ::stat(strFile.c_str(), &before);
    SummariseLog(window, strFile); // what it says runs through the command line
    EXPECT_EQ(modMisc::ReadTextFile(strFile), strText);
    ::stat(strFile.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino); // not replaced
}

// New lines on top with CR LF, then the history as it was; a trailing break adds an empty line.
TEST(LogFile, TheNewLinesGoOnTopOfTheHistoryAsItWas) {
    test::ScratchFolder folder;
    const std::string strFile = folder.File("sys-log.txt");
    test::RecordingWindow window;
    const auto save = [&](const std::string& strPane) {
        window.strLog = strPane;
        SaveLog(window, strFile, [](bool) {});
        return modMisc::ReadTextFile(strFile);
    };
    EXPECT_EQ(save("b\r\na"), "b\r\na\r\n");
    ASSERT_TRUE(modMisc::WriteTextFile("b\r\na", strFile));
    EXPECT_EQ(save("c\r\n"), "c\r\n\r\nb\r\na");
    EXPECT_EQ(save("d\r\nC\r\nx"), "d\r\nc\r\n\r\nb\r\na");
    EXPECT_EQ(save("D"), "d\r\nc\r\n\r\nb\r\na");
}
