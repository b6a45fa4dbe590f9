// Every way the device or the network can fail, each against the whole tool: the command must
// end with a clear outcome, every control enabled again and no file lost or left half-written.
// The fake ATA listens on ports 80 and 21 of a loopback address of its own. The disk's faults
// run through the real window (app/qt/tests/gui/RealWindowTest.cpp).
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

namespace fs = std::filesystem;
using namespace test;
using Route = FakeAtaHttpServer::Route;
using Fault = FakeAtaHttpServer::Fault;

constexpr const char* kAtaAddress = "127.0.0.3";

// The whole window logic as the application composes it: real ICMP, HTTP through libcurl, FTP
// through the script engine on the socket layer, all on one reactor, behind a recording
// window. Form_Load has run when the constructor returns.
struct WholeTool {
    PlatformServices platform;
    RecordingWindow window;
    std::unique_ptr<script::ZelTelnet> engine;
    std::unique_ptr<frmMain> frm;

    explicit WholeTool(const std::string& strAppFolder,
                       CurlHttpReader::Options options = CurlHttpReader::Options{})
        : platform(options) {
        engine = script::MakeNetZelTelnet(
            script::ScriptHost{&platform.timers, [this] { platform.reactor.RunOnce(0); }, {}});
        window.OnYield = [this] { platform.reactor.RunOnce(5); };
        frm = std::make_unique<frmMain>(window, platform.icmp, platform.http, *engine, strAppFolder,
                                        &platform.timers);
        frm->Form_Load();
    }
    ~WholeTool() {
        frm.reset();
        engine.reset();
        platform.reactor.RunUntilIdle();
    }
    // Presses Backup Config and runs the event loop until the backup has ended; false when it
    // is still busy after a minute.
    bool RunBackup() {
        frm->cmdBackup_Click();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (frm->Backup().IsBusy() && std::chrono::steady_clock::now() < deadline)
            platform.reactor.RunOnce(100);
        return !frm->Backup().IsBusy();
    }
};

class FaultMatrixTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root for ports 80 and 21";
        fs::create_directories(m_app);
        m_strConfig = RandomBytes(12000, 11);
        WriteBytes(m_root / "payload", m_strConfig);
    }
    void TearDown() override {
        m_tool.reset();
        m_ftp.reset();
    }

    WholeTool& Tool(CurlHttpReader::Options options = {5000, 2000, 64 * 1024}) {
        m_tool.reset(); // one socket platform at a time
        m_tool = std::make_unique<WholeTool>(m_app.string(), options);
        m_tool->window.strIp = kAtaAddress;
        m_tool->window.strUser = "admin";
        m_tool->window.strPass = "secret";
        m_tool->frm->Backup().SetTimeLimit(2);
        return *m_tool;
    }
    void StartFtp(const std::string& strMode) {
        m_ftp = StartFakeFtp(strMode, m_root / "payload", kAtaAddress);
        ASSERT_EQ(m_ftp->Port(), 21) << "port 21 of " << kAtaAddress << " is taken";
    }
    // The names in the program folder, apart from the given ones.
    std::vector<std::string> OtherFiles(const std::vector<std::string>& vecKnown) const {
        std::vector<std::string> vec;
        for (const auto& entry : fs::directory_iterator(m_app)) {
            const std::string name = entry.path().filename().string();
            if (std::find(vecKnown.begin(), vecKnown.end(), name) == vecKnown.end())
                vec.push_back(name);
        }
        return vec;
    }
    ScratchFolder m_scratch;
    fs::path m_root = m_scratch.path;
    fs::path m_app = m_root / "app";
    std::string m_strConfig;
    std::unique_ptr<script::test::ServerProcess> m_ftp;
    std::unique_ptr<WholeTool> m_tool;
};

// The status read ends on every fault with the lamps showing what was found, every control
// enabled again and one request sent. NUL bytes in the page read as line breaks.
TEST_F(FaultMatrixTest, EveryHttpFaultEndsTheStatusReadWithTheLampItCalls) {
    std::string strNulPage = kRegisteredPage;
    strNulPage.insert(strNulPage.find(" Registered"), std::string("\0\0", 2));
    struct Case {
        std::string strName;
        std::optional<Route> route; // none: nobody listens on port 80 of the address
        int32_t lngVoIP;
    };
    const Case arrCases[] = {
        {"refused", std::nullopt, kColourRed},
        {"reset mid-body", Route{200, kRegisteredPage + std::string(4000, ' '), Fault::Reset},
         kColourRed},
        {"silent", Route{200, "", Fault::Hang}, kColourRed},
        {"404", Route{404, kRegisteredPage}, kColourRed},
        {"500", Route{500, kRegisteredPage}, kColourRed},
        {"1-byte body", Route{200, "R"}, kColourRed},
        {"over the cap", Route{200, kRegisteredPage + std::string(100 * 1024, ' ')}, kColourRed},
        {"NUL bytes", Route{200, strNulPage}, kColourGreen},
    };
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
        EXPECT_EQ(tool.window.lngVoIPColour, c.lngVoIP);
        EXPECT_EQ(tool.window.strStatus, "ATA status read.");
        EXPECT_TRUE(tool.window.AllGatedEnabled());
        EXPECT_EQ(server ? server->RequestLines().size() : 1u, 1u);
    }
}

TEST_F(FaultMatrixTest, ALogResetMidBodyLeavesTheSavedHistoryAlone) {
    WriteBytes(m_app / "sys-log.txt", kSaved1);
    FakeAtaHttpServer server(kAtaAddress, 80);
    server.SetRoute(
        "/cgi/syslog.txt",
        {200, "05/12/2026 09:30:00.500 Power on\r\n" + std::string(8000, 'x'), Fault::Reset});
    auto& tool = Tool();
    tool.frm->cmdLog_Click();
    EXPECT_EQ(tool.window.strLog, "");
    EXPECT_TRUE(tool.window.blnLogVisible);
    EXPECT_TRUE(tool.window.AllGatedEnabled());
    EXPECT_EQ(ReadBytes(m_app / "sys-log.txt"), kSaved1);
}

TEST_F(FaultMatrixTest, EveryFtpFailureEndsTheBackupWithOneWarningAndNoFile) {
    // Modes of the fake server; "refused" starts none.
    for (const std::string strMode : {"refused", "nogreeting", "badlogin", "norfa", "no227",
                                      "refuse", "datareset", "closemid"}) {
        SCOPED_TRACE(strMode);
        if (strMode != "refused")
            StartFtp(strMode);
        auto& tool = Tool();
        ASSERT_TRUE(tool.RunBackup());
        EXPECT_EQ(tool.window.OpsStartingWith("Warning(").size(), 1u);
        EXPECT_TRUE(tool.window.OpsStartingWith("Information(").empty());
        EXPECT_EQ(tool.platform.timers.ArmedCount(), 0u);
        EXPECT_TRUE(tool.window.AllGatedEnabled());
        EXPECT_EQ(OtherFiles({}), std::vector<std::string>{});
        m_ftp.reset();
    }
}

TEST_F(FaultMatrixTest, ClosingTheWindowDuringABackupEndsItWithoutAWord) {
    StartFtp("slow"); // logs in, then never answers PWD
    auto& tool = Tool();
    tool.frm->cmdBackup_Click();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (tool.engine->ConsoleLog.find(">PWD") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        tool.platform.reactor.RunOnce(100);
    ASSERT_TRUE(tool.frm->Backup().IsBusy());
    tool.frm->Form_QueryUnload();
    EXPECT_FALSE(tool.frm->Backup().IsBusy());
    EXPECT_EQ(tool.platform.timers.ArmedCount(), 0u);
    EXPECT_FALSE(tool.engine->IsRunning());
    tool.platform.reactor.RunOnce(100);
    EXPECT_TRUE(tool.window.OpsStartingWith("Warning(").empty());
    EXPECT_EQ(OtherFiles({"settings.ini", "settings.ini.lock"}), std::vector<std::string>{});
}

TEST_F(FaultMatrixTest, A226BeforeTheLastDataChunkStillSavesTheWholeFile) {
    StartFtp("early226");
    auto& tool = Tool();
    ASSERT_TRUE(tool.RunBackup());
    EXPECT_EQ(tool.window.OpsStartingWith("Information(Current config backed up.)").size(), 1u);
    ASSERT_FALSE(tool.frm->Backup().SavedFileName().empty());
    EXPECT_TRUE(ReadBytes(tool.frm->Backup().SavedFileName()) == m_strConfig);
    EXPECT_TRUE(tool.window.AllGatedEnabled());
}

} // namespace
} // namespace ata
