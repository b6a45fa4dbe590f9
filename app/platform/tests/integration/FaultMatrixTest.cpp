// Every way the device or the network can fail, each against the whole tool: the command must
// end with a clear outcome, every control enabled again and no file lost or left half-written.
// The fake ATA listens on ports 80 and 21 of a loopback address of its own. The disk's faults
// run through the real window (app/qt/tests/gui/RealWindowTest.cpp).
#include "WholeTool.h"
#include "script/tests/ServerProcess.h"
#include "workflow/ConfigBackup.h"
#include "workflow/tests/FakeAtaHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <unistd.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using script::test::ServerProcess;
using test::ReadBytes;
using test::WriteBytes;
using Route = test::FakeAtaHttpServer::Route;

constexpr const char* kAtaAddress = "127.0.0.3";

const std::string kRegisteredPage = "<html><!--SIP Registration Information!--><table><tr><td> "
                                    "Registered </td></tr></table></html>";

class FaultMatrixTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root for ports 80 and 21 and a read-only mount";
        fs::remove_all(m_root);
        fs::create_directories(m_app);
        std::mt19937 gen(11);
        m_strConfig.resize(12000);
        for (auto& ch : m_strConfig)
            ch = static_cast<char>(gen() & 0xFF);
        WriteBytes(m_root / "payload", m_strConfig);
    }
    void TearDown() override {
        m_tool.reset();
        m_ftp.reset();
        fs::remove_all(m_root);
    }

    test::WholeTool& Tool(CurlHttpReader::Options options = {5000, 2000, 64 * 1024}) {
        m_tool.reset(); // one socket platform at a time
        m_tool = std::make_unique<test::WholeTool>(m_app.string(), options);
        m_tool->window.strIp = kAtaAddress;
        m_tool->window.strUser = "admin";
        m_tool->window.strPass = "secret";
        m_tool->frm->Backup().SetTimeLimit(2);
        return *m_tool;
    }
    void StartFtp(const std::string& strMode) {
        m_ftp = std::make_unique<ServerProcess>(
            std::vector<std::string>{script::test::FixturePath("fake_ftp.py"), strMode,
                                     (m_root / "payload").string(), kAtaAddress, "21"});
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
    fs::path m_root = fs::temp_directory_path() / ("ata-faults-" + std::to_string(::getpid()));
    fs::path m_app = m_root / "app";
    std::string m_strConfig;
    std::unique_ptr<ServerProcess> m_ftp;
    std::unique_ptr<test::WholeTool> m_tool;
};

// A history of groups of three registrations and one other line; a summary drops the middle
// registration of each group, so it keeps three lines in four.
std::string History(int lngGroups) {
    std::string s;
    for (int i = 0; i < lngGroups; ++i)
        s += "01/01/2025 10:00:00 SIP Registration succeeded for 100\r\n"
             "01/01/2025 10:00:00 SIP Registration succeeded for 100\r\n"
             "01/01/2025 10:00:00 SIP Registration succeeded for 100\r\n"
             "01/01/2025 10:00:00 Power on\r\n";
    return s + "01/01/2025 09:00:00 Power on";
}

TEST_F(FaultMatrixTest, EveryHttpFailureEndsTheStatusReadWithARedLamp) {
    const std::vector<std::pair<std::string, Route>> cases = {
        {"reset mid-body", {200, kRegisteredPage + std::string(4000, ' '), 0, false, false, true}},
        {"silent", {200, "", 0, true, false, false}},
        {"404", {404, kRegisteredPage, 0, false, false, false}},
        {"500", {500, kRegisteredPage, 0, false, false, false}},
        {"1-byte body", {200, "R", 0, false, false, false}},
        {"over the cap",
         {200, kRegisteredPage + std::string(100 * 1024, ' '), 0, false, false, false}},
    };
    for (const auto& [strName, route] : cases) {
        SCOPED_TRACE(strName);
        test::FakeAtaHttpServer server(kAtaAddress, 80);
        server.SetRoute("/doc/m_set.htm", route);
        auto& tool = Tool();
        tool.frm->cmdStatus_Click();
        EXPECT_EQ(tool.window.lngPowerColour, kColourGreen);
        EXPECT_EQ(tool.window.lngVoIPColour, kColourRed);
        EXPECT_EQ(tool.window.strStatus, "ATA status read.");
        EXPECT_TRUE(tool.window.AllGatedEnabled());
        EXPECT_EQ(server.RequestLines().size(), 1u);
    }
}

TEST_F(FaultMatrixTest, RefusedHttpEndsTheStatusReadWithARedLamp) {
    auto& tool = Tool(); // nobody listens on port 80 of the address
    tool.frm->cmdStatus_Click();
    EXPECT_EQ(tool.window.lngVoIPColour, kColourRed);
    EXPECT_EQ(tool.window.strStatus, "ATA status read.");
    EXPECT_TRUE(tool.window.AllGatedEnabled());
}

TEST_F(FaultMatrixTest, NulBytesInTheStatusPageAreReadAsLineBreaks) {
    test::FakeAtaHttpServer server(kAtaAddress, 80);
    std::string strPage = kRegisteredPage;
    strPage.insert(strPage.find(" Registered"), std::string("\0\0", 2));
    server.SetPage("/doc/m_set.htm", strPage);
    auto& tool = Tool();
    tool.frm->cmdStatus_Click();
    EXPECT_EQ(tool.window.lngVoIPColour, kColourGreen);
    EXPECT_TRUE(tool.window.AllGatedEnabled());
}

TEST_F(FaultMatrixTest, ALogResetMidBodyLeavesTheSavedHistoryAlone) {
    const std::string strHistory = History(3);
    WriteBytes(m_app / "sys-log.txt", strHistory);
    test::FakeAtaHttpServer server(kAtaAddress, 80);
    server.SetRoute("/cgi/syslog.txt",
                    {200, "05/12/2026 09:30:00.500 Power on\r\n" + std::string(8000, 'x'), 0, false,
                     false, true});
    auto& tool = Tool();
    tool.frm->cmdLog_Click();
    EXPECT_EQ(tool.window.strLog, "");
    EXPECT_TRUE(tool.window.blnLogVisible);
    EXPECT_TRUE(tool.window.AllGatedEnabled());
    EXPECT_EQ(ReadBytes(m_app / "sys-log.txt"), strHistory);
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
        EXPECT_EQ(tool.timers.ArmedCount(), 0u);
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
        tool.reactor.RunOnce(100);
    ASSERT_TRUE(tool.frm->Backup().IsBusy());
    tool.frm->Form_QueryUnload();
    EXPECT_FALSE(tool.frm->Backup().IsBusy());
    EXPECT_EQ(tool.timers.ArmedCount(), 0u);
    EXPECT_FALSE(tool.engine->IsRunning());
    tool.reactor.RunOnce(100);
    EXPECT_TRUE(tool.window.OpsStartingWith("Warning(").empty());
    EXPECT_EQ(OtherFiles({"settings.ini"}), std::vector<std::string>{});
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
