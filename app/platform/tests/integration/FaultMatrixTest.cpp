// Every device or network fault against the whole tool: a clear outcome, no file harmed.
#include "app/platform/PlatformServices.h"
#include "script/NetScriptSocket.h"
#include "testing/FakeAtaFixture.h"
#include "testing/RecordingWindow.h"
#include "workflow/ConfigBackup.h"
#include "workflow/frmMain.h"

#include <chrono>
#include <optional>

namespace ata {
namespace {

using namespace test;
using Route = FakeAtaHttpServer::Route;
using Fault = FakeAtaHttpServer::Fault;

constexpr const char* kAtaAddress = "127.0.0.3";

// The window logic composed as the application does, on one reactor, behind a recording window.
struct WholeTool {
    PlatformServices platform{{5000, 2000, 64 * 1024}}; // connect 5 s, read 2 s, 64 KiB at most
    RecordingWindow window;
    std::unique_ptr<script::ZelTelnet> engine;
    std::unique_ptr<frmMain> frm;

    explicit WholeTool(const std::string& strAppFolder) {
        engine = script::MakeNetZelTelnet(
            script::ScriptHost{&platform.timers, [this] { platform.reactor.RunOnce(0); }, {}});
        window.OnYield = [this] { platform.reactor.RunOnce(5); };
        frm = std::make_unique<frmMain>(window, platform.icmp, platform.http, *engine, strAppFolder,
                                        &platform.timers);
        frm->Form_Load();
        window.strIp = kAtaAddress;
        window.strUser = "admin";
        window.strPass = "secret";
        frm->Backup().SetTimeLimit(2);
    }
    ~WholeTool() {
        frm.reset();
        engine.reset();
        platform.reactor.RunUntilIdle();
    }
    // Runs the event loop until the condition holds; false when it still fails after a minute.
    bool RunUntil(const std::function<bool()>& fnDone) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!fnDone() && std::chrono::steady_clock::now() < deadline)
            platform.reactor.RunOnce(100);
        return fnDone();
    }
};

class FaultMatrixTest : public FakeAtaTest {
protected:
    FaultMatrixTest() : FakeAtaTest(kAtaAddress) {}
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root for ports 80 and 21";
        m_strConfig = RandomBytes(12000, 11);
        WriteBytes(m_folder / "payload", m_strConfig);
    }
    WholeTool& Tool() {
        m_tool.reset(); // one socket platform at a time
        m_tool = std::make_unique<WholeTool>(App().string());
        return *m_tool;
    }
    void StartFtp(const std::string& strMode) {
        m_ftp = StartFakeFtp(strMode, m_folder / "payload", kAtaAddress);
        ASSERT_EQ(m_ftp->Port(), 21) << "port 21 of " << kAtaAddress << " is taken";
    }
    std::unique_ptr<WholeTool> m_tool; // goes before the servers
};

// Every fault ends the status read with the lamp it calls, controls enabled, one request sent.
TEST_F(FaultMatrixTest, EveryHttpFaultEndsTheStatusReadWithTheLampItCalls) {
    std::string strNulPage = kRegisteredPage;
    strNulPage.insert(strNulPage.find(" Registered"), std::string("\0\0", 2));
    struct Case {
        std::string strName;
        std::optional<Route> route; // none: nobody listens on port 80 of the address
    };
    const Case arrCases[] = {
        {"refused", std::nullopt},
        {"reset mid-body", Route{200, kRegisteredPage + std::string(4000, ' '), Fault::Reset}},
        {"silent", Route{200, "", Fault::Hang}},
        {"404", Route{404, kRegisteredPage}},
        {"500", Route{500, kRegisteredPage}},
        {"1-byte body", Route{200, "R"}},
        {"over the cap", Route{200, kRegisteredPage + std::string(100 * 1024, ' ')}},
        {"NUL bytes", Route{200, strNulPage}}}; // the only one that reads as registered
    for (const Case& c : arrCases) {
        SCOPED_TRACE(c.strName);
        std::optional<FakeAtaHttpServer> server;
        if (c.route) {
            server.emplace(kAtaAddress, 80);
            server->SetRoute("/doc/m_set.htm", *c.route);
        }
        auto& tool = Tool();
        tool.frm->cmdStatus_Click();
        EXPECT_EQ(tool.window.lngPowerColour, kColourGreen);
        EXPECT_EQ(tool.window.lngVoIPColour, c.strName == "NUL bytes" ? kColourGreen : kColourRed);
        EXPECT_EQ(tool.window.strStatus, "ATA status read.");
        EXPECT_TRUE(tool.window.AllGatedEnabled());
        EXPECT_EQ(server ? server->RequestLines().size() : 1u, 1u);
    }
}

TEST_F(FaultMatrixTest, ALogResetMidBodyLeavesTheSavedHistoryAlone) {
    WriteBytes(App() / "sys-log.txt", kSaved1);
    FakeAtaHttpServer server(kAtaAddress, 80);
    server.SetRoute(
        "/cgi/syslog.txt",
        {200, "05/12/2026 09:30:00.500 Power on\r\n" + std::string(8000, 'x'), Fault::Reset});
    auto& tool = Tool();
    tool.frm->cmdLog_Click();
    EXPECT_EQ(tool.window.strLog, "");
    EXPECT_TRUE(tool.window.blnLogVisible);
    EXPECT_TRUE(tool.window.AllGatedEnabled());
    EXPECT_EQ(History(), kSaved1);
}

// A failure leaves one warning and an empty folder; an early 226 still saves the whole file.
TEST_F(FaultMatrixTest, EveryFtpModeEndsTheBackupWithOneMessage) {
    // Modes of the fake server; "refused" starts none.
    for (const std::string strMode : {"refused", "nogreeting", "badlogin", "norfa", "no227",
                                      "refuse", "datareset", "closemid", "early226"}) {
        SCOPED_TRACE(strMode);
        const bool blnSaves = strMode == "early226";
        if (strMode != "refused")
            StartFtp(strMode);
        auto& tool = Tool();
        tool.frm->cmdBackup_Click();
        ASSERT_TRUE(tool.RunUntil([&] { return !tool.frm->Backup().IsBusy(); }));
        const std::vector<std::string> vecNone, vecSaved{"Information(Current config backed up.)"};
        EXPECT_EQ(tool.window.OpsStartingWith("Warning(").size(), blnSaves ? 0u : 1u);
        EXPECT_EQ(tool.window.OpsStartingWith("Information("), blnSaves ? vecSaved : vecNone);
        EXPECT_EQ(tool.platform.timers.ArmedCount(), 0u);
        EXPECT_TRUE(tool.window.AllGatedEnabled());
        const auto itFiles = std::filesystem::directory_iterator(App());
        ASSERT_EQ(std::distance(itFiles, {}), blnSaves ? 1 : 0);
        EXPECT_TRUE(!blnSaves || ReadBytes(Backups(App()).at(0)) == m_strConfig);
        m_ftp.reset();
    }
}

TEST_F(FaultMatrixTest, ClosingTheWindowDuringABackupEndsItWithoutAWord) {
    StartFtp("slow"); // logs in, then never answers PWD
    auto& tool = Tool();
    tool.frm->cmdBackup_Click();
    ASSERT_TRUE(
        tool.RunUntil([&] { return tool.engine->ConsoleLog.find(">PWD") != std::string::npos; }));
    ASSERT_TRUE(tool.frm->Backup().IsBusy());
    tool.frm->Form_QueryUnload();
    EXPECT_FALSE(tool.frm->Backup().IsBusy());
    EXPECT_EQ(tool.platform.timers.ArmedCount(), 0u);
    EXPECT_FALSE(tool.engine->IsRunning());
    tool.platform.reactor.RunOnce(100);
    EXPECT_TRUE(tool.window.OpsStartingWith("Warning(").empty());
    EXPECT_TRUE(Backups(App()).empty()); // no .part left either
}

} // namespace
} // namespace ata
