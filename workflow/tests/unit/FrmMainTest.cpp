#include "workflow/frmMain.h"
#include "script/ZelTelnet.h"
#include "testing/FakeScriptSocket.h"
#include "testing/FileBytes.h"
#include "testing/ManualTimerService.h"
#include "testing/RecordingWindow.h"
#include "workflow/FileDownloader.h"
#include "workflow/IIcmpFacility.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ata {
namespace {

namespace fs = std::filesystem;

// Answers every echo with the status the test sets.
class ScriptedIcmp : public IIcmpFacility {
public:
    int32_t lngStatus = 0;
    int intEchoes = 0;
    bool Open(std::string&) override { return true; }
    void Close() override {}
    IcmpEchoResult SendEcho(uint32_t, const std::string&, int32_t) override {
        ++intEchoes;
        return {lngStatus, 3};
    }
};

// These tests stop before any fetch.
class NoHttp : public IHttpReader {
public:
    void BeginRead(const std::string& strUrl, Completion) override {
        ADD_FAILURE() << "unexpected fetch of " << strUrl;
    }
};

class FrmMainTest : public ::testing::Test {
protected:
    test::ScratchFolder m_dir;
    fs::path m_folder = m_dir.path;
    test::RecordingWindow m_window;
    ScriptedIcmp m_icmp;
    NoHttp m_http;
    test::ManualTimerService m_timers;
    script::ZelTelnet m_engine{std::make_unique<script::test::FakeScriptSocket>(),
                               std::make_unique<script::test::FakeScriptSocket>(),
                               {&m_timers, {}, {}}};
    frmMain m_frm{m_window, m_icmp, m_http, m_engine, m_folder.string()};
};

// Names in any letter case, a missing key emptying its field, a folder without its "/".
TEST_F(FrmMainTest, StartUpReadsTheSettings) {
    m_window.strIp = "typed before";
    test::WriteBytes(m_folder / "settings.ini",
                     "[options]\r\nusername=admin\r\nPassword=pw\r\nAuto Summarise=1\r\n");
    m_frm.Form_Load();
    EXPECT_EQ(m_window.vecOps.front(), "AddIpItem(192.168.0.1)");
    EXPECT_EQ(m_window.strIp, "");
    EXPECT_EQ(m_window.strUser, "admin");
    EXPECT_EQ(m_window.strPass, "pw");
    EXPECT_EQ(m_window.intAutoSum, 1);
    EXPECT_EQ(m_frm.SettingsFile(), m_folder.string() + "/settings.ini");
    EXPECT_EQ(m_icmp.intEchoes, 0);
}

TEST_F(FrmMainTest, AutoSummariseTextReadsAsACheckBoxValue) {
    const std::pair<const char*, int32_t> cases[] = {{"1", 1},  {" 2", 2},   {"1 and more", 1},
                                                     {"", 0},   {"yes", 0},  {"7", 0},
                                                     {"-1", 0}, {"1e999", 0}};
    for (const auto& [strText, intValue] : cases)
        EXPECT_EQ(CheckBoxValueFromText(strText), intValue) << strText;
}

// Nothing goes to an invalid address; a silent ATA stops the command, keeping the pane.
TEST_F(FrmMainTest, AnInvalidAddressOrASilentAtaStopsTheCommand) {
    m_window.strIp = "1..2.3";
    m_window.lngPowerColour = kColourGreen;
    m_window.lngVoIPColour = kColourRed;
    m_frm.cmdStatus_Click();
    EXPECT_EQ(m_window.OpsStartingWith("Warning"),
              std::vector<std::string>{std::string("Warning(") + kInvalidIpMessage + ")"});
    EXPECT_EQ(m_window.lngPowerColour, kColourGreen);
    EXPECT_EQ(m_window.lngVoIPColour, kColourLightGrey);
    EXPECT_EQ(m_icmp.intEchoes, 0);
    EXPECT_TRUE(m_window.AllGatedEnabled());

    m_window.vecOps.clear();
    m_window.strIp = "127.0.0.1";
    m_window.strLog = "previous content";
    m_icmp.lngStatus = 11010;
    m_frm.cmdStatus_Click();
    EXPECT_EQ(m_window.OpsStartingWith("Information"),
              std::vector<std::string>{std::string("Information(") + kPoweredOffMessage + ")"});
    EXPECT_EQ(m_window.lngPowerColour, kColourRed);
    EXPECT_TRUE(m_window.AllGatedEnabled());
    m_window.vecOps.clear();
    m_frm.cmdLog_Click();
    EXPECT_EQ(m_window.OpsStartingWith("HideLog").size(), 1u);
    EXPECT_EQ(m_window.vecOps.back(), "ShowLog");
    EXPECT_EQ(m_window.strLog, "previous content");
    EXPECT_EQ(m_icmp.intEchoes, 2);
    EXPECT_TRUE(m_window.AllGatedEnabled());
}

// A size that cannot be set is skipped.
TEST_F(FrmMainTest, ResizeSkipsImpossibleSizes) {
    m_window.lngClientWidth = 200;
    m_window.lngClientHeight = 2000;
    m_frm.Form_Resize();
    EXPECT_TRUE(m_window.vecOps.empty());
    EXPECT_EQ(m_window.pane.lngWidth, 8055);
}

} // namespace
} // namespace ata
