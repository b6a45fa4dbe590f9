#include "workflow/frmMain.h"
#include "RecordingWindow.h"
#include "script/ZelTelnet.h"
#include "script/tests/FakeScriptSocket.h"
#include "workflow/ConfigBackup.h"
#include "workflow/FileDownloader.h"
#include "workflow/IIcmpFacility.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace ata {
namespace {

using test::RecordingWindow;

// Answers every echo with the status the test sets, without touching the network.
class ScriptedIcmp : public IIcmpFacility {
public:
    int32_t lngStatus = 0;
    int intEchoes = 0;
    bool Open(std::string&) override { return true; }
    void Close() override {}
    IcmpEchoResult SendEcho(uint32_t, const std::string&, int32_t) override {
        ++intEchoes;
        IcmpEchoResult result;
        result.lngStatus = lngStatus;
        result.lngRoundTripTime = 3;
        return result;
    }
};

// These tests stop before any fetch; the real fetches run in the window's end-to-end tests.
class NoHttp : public IHttpReader {
public:
    void BeginRead(const std::string& strUrl, Completion) override {
        ADD_FAILURE() << "unexpected fetch of " << strUrl;
    }
};

class FrmMainTest : public ::testing::Test {
protected:
    static std::filesystem::path MakeFolder() {
        return std::filesystem::temp_directory_path() /
               ("ata-frm-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void SetUp() override {
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    void WriteSettings(const std::string& strContent) {
        std::ofstream(m_folder / "settings.ini", std::ios::binary) << strContent;
    }

    std::vector<std::string> Gating(bool blnEnabled) {
        std::vector<std::string> ops;
        for (const char* name : test::kGatedControls)
            ops.push_back(std::string("SetEnabled(") + name + (blnEnabled ? ",1)" : ",0)"));
        return ops;
    }

    static std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }

    std::filesystem::path m_folder = MakeFolder();
    RecordingWindow m_window;
    ScriptedIcmp m_icmp;
    NoHttp m_http;
    FileDownloader m_downloader{m_http};
    std::unique_ptr<script::test::FakeScriptSocket> m_ownedControl =
        std::make_unique<script::test::FakeScriptSocket>();
    script::test::FakeScriptSocket* m_pControl = m_ownedControl.get();
    script::ZelTelnet m_engine{
        std::move(m_ownedControl), std::make_unique<script::test::FakeScriptSocket>(), {}};
    frmMain m_frm{m_window, m_icmp, m_downloader, m_engine, m_folder.string()};
};

TEST_F(FrmMainTest, StartUpWithoutSettingsAddsTheTwoAddressesAndTouchesNothingElse) {
    frmMain frm(m_window, m_icmp, m_downloader, m_engine, m_folder.string());
    frm.Form_Load();
    EXPECT_EQ(m_window.vecOps,
              (std::vector<std::string>{"AddIpItem(192.168.0.1)", "AddIpItem(10.0.0.99)"}));
    EXPECT_EQ(frm.SettingsFile(), m_folder.string() + "/settings.ini");
    EXPECT_EQ(frm.SysLogFile(), m_folder.string() + "/sys-log.txt");
    EXPECT_EQ(m_icmp.intEchoes, 0);
}

TEST_F(FrmMainTest, StartUpReadsTheSettingsAndAMissingKeyEmptiesItsField) {
    m_window.strIp = "typed before";
    WriteSettings("[options]\r\nusername=admin\r\nPassword=pw\r\nAuto Summarise=1\r\n");
    frmMain frm(m_window, m_icmp, m_downloader, m_engine, m_folder.string() + "/");
    frm.Form_Load();
    EXPECT_EQ(m_window.strIp, "");
    EXPECT_EQ(m_window.strUser, "admin");
    EXPECT_EQ(m_window.strPass, "pw");
    EXPECT_EQ(m_window.intAutoSum, 1);
    EXPECT_EQ(frm.SettingsFile(), m_folder.string() + "/settings.ini");
}

TEST_F(FrmMainTest, StartUpPutsTheEngineInFtpModeAndHandsItTheBackup) {
    m_engine.Mode = 0;
    m_engine.WaitForReboot = true;
    m_frm.Form_Load();
    EXPECT_EQ(m_engine.Mode, 2);
    EXPECT_FALSE(m_engine.WaitForReboot);
    EXPECT_EQ(m_frm.Backup().ScriptMode(), 0);
}

TEST_F(FrmMainTest, BackupRefusesAnInvalidAddressWithoutConnecting) {
    m_frm.Form_Load();
    m_window.vecOps.clear();
    m_window.strIp = "192.168.0";
    m_frm.cmdBackup_Click();
    EXPECT_TRUE(m_pControl->vecCalls.empty());
    EXPECT_EQ(m_window.OpsStartingWith("Warning").size(), 1u);
    EXPECT_EQ(m_window.vecOps.back(), "SetEnabled(txtLog,1)");
}

TEST_F(FrmMainTest, AutoSummariseTextReadsAsACheckBoxValue) {
    EXPECT_EQ(CheckBoxValueFromText("1"), 1);
    EXPECT_EQ(CheckBoxValueFromText(" 2"), 2);
    EXPECT_EQ(CheckBoxValueFromText("1 and more"), 1);
    EXPECT_EQ(CheckBoxValueFromText(""), 0);
    EXPECT_EQ(CheckBoxValueFromText("yes"), 0);
    EXPECT_EQ(CheckBoxValueFromText("7"), 0);
    EXPECT_EQ(CheckBoxValueFromText("-1"), 0);
    EXPECT_EQ(CheckBoxValueFromText("1e999"), 0);
}

TEST_F(FrmMainTest, LeavingTheIpFieldTrimsAndRefusesAnInvalidAddress) {
    m_window.strIp = " 192.168.0.1 ";
    EXPECT_FALSE(m_frm.cboIp_Validate());
    EXPECT_EQ(m_window.strIp, "192.168.0.1");

    m_window.vecOps.clear();
    m_window.strIp = "192.168.0";
    EXPECT_TRUE(m_frm.cboIp_Validate());
    EXPECT_EQ(m_window.vecOps, (std::vector<std::string>{
                                   "SetIpText(192.168.0)",
                                   std::string("Warning(") + kInvalidIpMessage + ")", "FocusIp"}));
}

TEST_F(FrmMainTest, GetStatusWithAnInvalidAddressStopsAfterTheCheckAndLeavesThePowerLamp) {
    m_window.strIp = "1..2.3";
    m_window.lngPowerColour = kColourGreen;
    m_frm.cmdStatus_Click();
    EXPECT_EQ(m_window.vecOps,
              Concat({Gating(false),
                      {"SetLed(ledVoIP,E0E0E0)", "SetStatus(Validatin IP address...)", "DoEvents",
                       std::string("Warning(") + kInvalidIpMessage + ")", "FocusIp"},
                      Gating(true)}));
    EXPECT_EQ(m_window.lngPowerColour, kColourGreen);
    EXPECT_EQ(m_icmp.intEchoes, 0);
}

TEST_F(FrmMainTest, GetStatusWithASilentAtaReportsItPoweredOffThenTurnsTheLampRed) {
    m_window.strIp = "127.0.0.1";
    m_icmp.lngStatus = 11010;
    m_frm.cmdStatus_Click();
    EXPECT_EQ(
        m_window.vecOps,
        Concat({Gating(false),
                {"SetLed(ledVoIP,E0E0E0)", "SetStatus(Validatin IP address...)", "DoEvents",
                 "SetStatus(Checking ATA is powered on...)", "DoEvents",
                 std::string("Information(") + kPoweredOffMessage + ")", "SetLed(ledPower,0000FF)"},
                Gating(true)}));
    EXPECT_EQ(m_icmp.intEchoes, 1);
}

TEST_F(FrmMainTest, GetSystemLogWithASilentAtaKeepsThePaneAndShowsItAgain) {
    m_window.strIp = "127.0.0.1";
    m_window.strLog = "previous content";
    m_icmp.lngStatus = 11010;
    m_frm.cmdLog_Click();
    EXPECT_EQ(m_window.vecOps.at(9), "HideLog");
    EXPECT_EQ(m_window.vecOps.back(), "ShowLog");
    EXPECT_EQ(m_window.OpsStartingWith("SetEnabled(txtLog,1)").size(), 1u);
    EXPECT_EQ(m_window.strLog, "previous content");
    EXPECT_TRUE(m_window.blnLogVisible);
}

TEST_F(FrmMainTest, ResizeKeepsThePaneMarginsAndSkipsImpossibleSizes) {
    m_frm.Form_Resize();
    EXPECT_EQ(m_window.pane.lngWidth, 8220 - 240);
    EXPECT_EQ(m_window.pane.lngHeight, 5400 - 2280 - 120);

    m_window.vecOps.clear();
    m_window.lngClientWidth = 200;
    m_window.lngClientHeight = 2000;
    m_frm.Form_Resize();
    EXPECT_TRUE(m_window.vecOps.empty());
    EXPECT_EQ(m_window.pane.lngWidth, 8220 - 240);
}

} // namespace
} // namespace ata
