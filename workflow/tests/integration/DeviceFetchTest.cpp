#include "FakeAtaHttpServer.h"
#include "PostQueue.h"
#include "RecordingWindow.h"
#include "app/platform/CurlHttpReader.h"
#include "workflow/FileDownloader.h"
#include "workflow/LogSaving.h"
#include "workflow/LogSort.h"
#include "workflow/StatusRead.h"
#include "workflow/modMiscFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace ata;
using namespace ata::test;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// The recording window whose Sleep really blocks, as the real window's does.
class SleepingWindow : public RecordingWindow {
public:
    void Sleep(int32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        RecordingWindow::Sleep(ms);
    }
};

const std::string kStatusPage = "<html><body><!--SIP Registration Information!-->\r\n"
                                "<table border=1><tr><th>Line 1</th>\r\n"
                                "<td>\r\n    Registered\r\n</td></tr></table></body></html>";

struct DeviceFetchTest : ::testing::Test {
    FakeAtaHttpServer server;
    PostQueue queue;
    CurlHttpReader reader{[this](std::function<void()> fn) { queue.Post(std::move(fn)); },
                          CurlHttpReader::Options{5000, 2000, 4u * 1024u * 1024u}};
    FileDownloader downloader{reader};
    SleepingWindow window;
    fs::path folder;
    std::string strSysLog;

    DeviceFetchTest() {
        window.OnYield = [this] { queue.Drain(); };
        window.strIp = server.Address();
        std::string t = (fs::temp_directory_path() / "ata-device-XXXXXX").string();
        folder = ::mkdtemp(t.data());
        strSysLog = (folder / "sys-log.txt").string();
    }
    ~DeviceFetchTest() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string Browse(const std::string& strPage) {
        return BrowseTo(window, downloader, BuildDeviceUrl(window, strPage));
    }
    void Gate(bool b) { window.SetEnabled(ControlId::cmdSaveLog, b); }
};

} // namespace

TEST_F(DeviceFetchTest, StatusPageLightsRegisteredLamp) {
    server.SetPage("/doc/m_set.htm", kStatusPage);
    const auto start = Clock::now();
    ReadAtaStatus(window, downloader, window.strIp);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(window.lngVoIPColour, kColourGreen);
    EXPECT_EQ(window.OpsStartingWith("SetStatus"),
              (std::vector<std::string>{"SetStatus(Browsing to http://" + server.Address() +
                                            "/doc/m_set.htm)",
                                        "SetStatus(ATA status read.)"}));
}

TEST_F(DeviceFetchTest, MissingStatusPageGivesRedLamp) {
    ReadAtaStatus(window, downloader, window.strIp);
    EXPECT_EQ(window.lngVoIPColour, kColourRed);
    EXPECT_EQ(window.strStatus, "ATA status read.");
}

TEST_F(DeviceFetchTest, FlagsAndTextForEachKindOfAnswer) {
    server.SetPage("/nul", std::string("ab\0cd", 5));
    server.SetPage("/one", "x");
    server.SetRoute("/err", {500, "oops", 0, false, false, false});
    EXPECT_EQ(Browse("nul"), "ab\ncd");
    EXPECT_TRUE(downloader.blnDownloadComplete());
    EXPECT_FALSE(downloader.blnDownloadError());
    EXPECT_EQ(Browse("one"), "");
    EXPECT_TRUE(downloader.blnDownloadComplete());
    EXPECT_TRUE(downloader.blnDownloadError());
    EXPECT_EQ(Browse("err"), "");
    EXPECT_FALSE(downloader.blnDownloadComplete());
    EXPECT_TRUE(downloader.blnDownloadError());
    // The next fetch starts clean and succeeds.
    EXPECT_EQ(Browse("nul"), "ab\ncd");
    EXPECT_FALSE(downloader.blnDownloadError());
}

TEST_F(DeviceFetchTest, AnswerDuringFirstSleepReturnsAfterThatSleep) {
    server.SetRoute("/cgi/syslog.txt", {200, "01/02/2008 10:00:00 x", 300, false, false, false});
    EXPECT_EQ(Browse("cgi/syslog.txt"), "01/02/2008 10:00:00 x");
    EXPECT_EQ(window.OpsStartingWith("Sleep"), std::vector<std::string>{"Sleep(1000)"});
}

TEST_F(DeviceFetchTest, SilentOrAbsentDeviceEndsAsFailure) {
    server.SetRoute("/cgi/syslog.txt", {200, "", 0, true, false, false});
    const auto start = Clock::now();
    EXPECT_EQ(Browse("cgi/syslog.txt"), "");
    EXPECT_TRUE(downloader.blnDownloadError());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(15));
    window.strIp = "127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    EXPECT_EQ(Browse("cgi/syslog.txt"), "");
    EXPECT_TRUE(downloader.blnDownloadError());
}

TEST_F(DeviceFetchTest, LogFetchSaveAndSummariseEndToEnd) {
    const std::string strReg = " SIP Registration succeeded for 1001@voip";
    server.SetPage("/cgi/syslog.txt", "12/31/2008 10:00:00.100" + strReg + "\r\n" +
                                          "12/31/2008 10:01:00.200" + strReg + "\r\n\r\n" +
                                          "12/31/2008 10:02:00.300" + strReg + "\r\n" +
                                          "12/31/2008 09:00:00.000 Power on\r\n");
    window.strLog = FetchSortedLog(window, downloader, window.strIp);
    const std::string strSorted = "31/12/2008 10:02:00" + strReg + "\r\n" + "31/12/2008 10:01:00" +
                                  strReg + "\r\n" + "31/12/2008 10:00:00" + strReg + "\r\n" +
                                  "31/12/2008 09:00:00 Power on";
    EXPECT_EQ(window.strLog, strSorted);

    window.intAutoSum = 1;
    SaveLog(window, strSysLog, [this](bool b) { Gate(b); });
    EXPECT_EQ(modMisc::ReadTextFile(strSysLog), "31/12/2008 10:02:00" + strReg + "\r\n" +
                                                    "31/12/2008 10:00:00" + strReg + "\r\n" +
                                                    "31/12/2008 09:00:00 Power on");
    EXPECT_EQ(window.OpsStartingWith("Information"),
              (std::vector<std::string>{"Information(System log saved, 4 line(s) added.)",
                                        "Information(System log summarised from 5 to 3 line(s))"}));

    // The device's log moves on: only the lines above the newest saved one are added.
    server.SetPage("/cgi/syslog.txt", "12/31/2008 10:02:00.300" + strReg + "\r\n" +
                                          "01/01/2009 00:00:05.000 Happy new year\r\n");
    window.strLog = FetchSortedLog(window, downloader, window.strIp);
    window.intAutoSum = 0;
    window.vecOps.clear();
    SaveLog(window, strSysLog, [this](bool b) { Gate(b); });
    EXPECT_EQ(window.OpsStartingWith("Information"),
              std::vector<std::string>{"Information(System log saved, 1 line(s) added.)"});
    EXPECT_EQ(modMisc::ReadTextFile(strSysLog),
              "01/01/2009 00:00:05 Happy new year\r\n31/12/2008 10:02:00" + strReg + "\r\n" +
                  "31/12/2008 10:00:00" + strReg + "\r\n" + "31/12/2008 09:00:00 Power on");
}
