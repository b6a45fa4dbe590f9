// Every way the device, the network or the disk can fail, each against the whole tool: the
// command must end with a clear outcome, every control enabled again and no file lost or
// left half-written. The fake ATA listens on ports 80 and 21 of a loopback address of its own.
#include "WholeTool.h"
#include "script/tests/ServerProcess.h"
#include "workflow/ConfigBackup.h"
#include "workflow/tests/FakeAtaHttpServer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <random>
#include <sys/resource.h>
#include <unistd.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using script::test::ServerProcess;
using test::ReadWholeFile;
using test::WriteWholeFile;
using Route = test::FakeAtaHttpServer::Route;

constexpr const char* kAtaAddress = "127.0.0.3";

const std::string kRegisteredPage = "<html><!--SIP Registration Information!--><table><tr><td> "
                                    "Registered </td></tr></table></html>";

// Lowers the file size limit for the life of the object, so that a write past it fails as on a
// full disk (the signal such a write raises is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t lngBytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_prevHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_old;
        small.rlim_cur = lngBytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_prevHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_prevHandler)(int) = nullptr;
};

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
        WriteWholeFile(m_root / "payload", m_strConfig);
    }
    void TearDown() override {
        m_tool.reset();
        m_ftp.reset();
        if (m_blnMounted)
            std::system(("umount " + m_app.string()).c_str());
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
    // Makes the program folder a read-only file system holding the given history.
    void ReadOnlyFolderWith(const std::string& strHistory) {
        m_blnMounted =
            std::system(("mount -t tmpfs -o size=1m tmpfs " + m_app.string()).c_str()) == 0;
        ASSERT_TRUE(m_blnMounted) << "cannot mount a tmpfs";
        WriteWholeFile(m_app / "sys-log.txt", strHistory);
        ASSERT_EQ(std::system(("mount -o remount,ro " + m_app.string()).c_str()), 0);
    }

    // Save, summary and backup each fail with their warning; the history stays as it was and
    // no other file appears.
    void SaveSummariseAndBackUpAllFail(test::WholeTool& tool, const std::string& strHistory) {
        tool.frm->cmdSaveLog_Click();
        EXPECT_EQ(tool.window.strStatus, "Could not save system log.");
        EXPECT_TRUE(tool.window.AllGatedEnabled());
        tool.frm->cmdSummarise_Click();
        EXPECT_EQ(tool.window.strStatus, "Could not save system log summary.");
        EXPECT_TRUE(tool.window.AllGatedEnabled());
        tool.frm->cmdBackup_Click();
        const auto warnings = tool.window.OpsStartingWith("Warning(");
        ASSERT_EQ(warnings.size(), 3u);
        EXPECT_NE(warnings[2].find("could not be written"), std::string::npos);
        EXPECT_TRUE(tool.window.AllGatedEnabled());
        EXPECT_EQ(ReadWholeFile(m_app / "sys-log.txt"), strHistory);
        EXPECT_EQ(OtherFiles({"sys-log.txt"}), std::vector<std::string>{});
    }

    fs::path m_root = fs::temp_directory_path() / ("ata-faults-" + std::to_string(::getpid()));
    fs::path m_app = m_root / "app";
    std::string m_strConfig;
    bool m_blnMounted = false;
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
    WriteWholeFile(m_app / "sys-log.txt", strHistory);
    test::FakeAtaHttpServer server(kAtaAddress, 80);
    server.SetRoute("/cgi/syslog.txt",
                    {200, "05/12/2026 09:30:00.500 Power on\r\n" + std::string(8000, 'x'), 0, false,
                     false, true});
    auto& tool = Tool();
    tool.frm->cmdLog_Click();
    EXPECT_EQ(tool.window.strLog, "");
    EXPECT_TRUE(tool.window.blnLogVisible);
    EXPECT_TRUE(tool.window.AllGatedEnabled());
    EXPECT_EQ(ReadWholeFile(m_app / "sys-log.txt"), strHistory);
}

TEST_F(FaultMatrixTest, EveryFtpFailureEndsTheBackupWithOneWarningAndNoFile) {
    // Modes of the fake server; "refused" starts none.
    for (const std::string strMode : {"refused", "nogreeting", "badlogin", "norfa", "no227",
                                      "refuse", "datareset", "closemid"}) {
        SCOPED_TRACE(strMode);
        if (strMode != "refused")
            StartFtp(strMode);
        auto& tool = Tool();
        tool.frm->cmdBackup_Click();
        EXPECT_EQ(tool.window.OpsStartingWith("Warning(").size(), 1u);
        EXPECT_TRUE(tool.window.OpsStartingWith("Information(").empty());
        EXPECT_FALSE(tool.frm->Backup().IsBusy());
        EXPECT_TRUE(tool.window.AllGatedEnabled());
        EXPECT_EQ(OtherFiles({}), std::vector<std::string>{});
        m_ftp.reset();
    }
}

TEST_F(FaultMatrixTest, A226BeforeTheLastDataChunkStillSavesTheWholeFile) {
    StartFtp("early226");
    auto& tool = Tool();
    tool.frm->cmdBackup_Click();
    EXPECT_EQ(tool.window.OpsStartingWith("Information(Current config backed up.)").size(), 1u);
    ASSERT_FALSE(tool.frm->Backup().SavedFileName().empty());
    EXPECT_TRUE(ReadWholeFile(tool.frm->Backup().SavedFileName()) == m_strConfig);
    EXPECT_TRUE(tool.window.AllGatedEnabled());
}

TEST_F(FaultMatrixTest, AReadOnlyProgramFolderFailsEveryWriteAndKeepsTheHistory) {
    const std::string strHistory = History(10);
    ReadOnlyFolderWith(strHistory);
    StartFtp("normal");
    auto& tool = Tool();
    tool.window.strLog = "05/12/2026 09:30:00 Power on";

    SaveSummariseAndBackUpAllFail(tool, strHistory);
}

TEST_F(FaultMatrixTest, AFullDiskFailsEveryWriteAndKeepsTheHistory) {
    // The history and its summary are both larger than the limit; so is the configuration.
    const std::string strHistory = History(100);
    WriteWholeFile(m_app / "sys-log.txt", strHistory);
    StartFtp("normal");
    auto& tool = Tool();
    tool.window.strLog = "05/12/2026 09:30:00 Power on";
    // Checks read files only, which the limit does not stop.
    FileSizeLimit limit(4096);
    SaveSummariseAndBackUpAllFail(tool, strHistory);
}

} // namespace
} // namespace ata
