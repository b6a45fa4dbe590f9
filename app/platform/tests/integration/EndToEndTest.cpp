#include "WholeTool.h"
#include "script/tests/ServerProcess.h"
#include "workflow/ConfigBackup.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using script::test::ServerProcess;
using test::ReadWholeFile;
using test::WriteWholeFile;

// The address of the fake ATA: a loopback address of its own, so that ports 80 and 21 are
// free for it whatever else runs on 127.0.0.1.
constexpr const char* kAtaAddress = "127.0.0.2";

// Every command of the whole tool against a fake ATA.
class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to serve the fake ATA on ports 80 and 21";
        fs::remove_all(m_root);
        WriteWholeFile(m_root / "web/doc/m_set.htm",
                       "<html><!--SIP Registration Information!--><table><tr><td> Registered "
                       "</td></tr></table></html>");
        WriteWholeFile(m_root / "web/cgi/syslog.txt",
                       "12/05/2026 08:00:00.120 SIP Registration succeeded for 100\r\n"
                       "12/05/2026 09:30:00.500 Power on\r\n");
        for (int i = 0; i < 4096; ++i)
            m_strConfig += static_cast<char>((i * 7) & 0xFF);
        WriteWholeFile(m_root / "ftp/RFA/CONFIG.REG", m_strConfig);
        fs::create_directories(m_root / "app");

        m_http = std::make_unique<ServerProcess>(std::vector<std::string>{
            std::string(ATA_SOURCE_DIR) + "/app/platform/tests/fixtures/fake_ata_http.py",
            (m_root / "web").string(), kAtaAddress, "80"});
        m_ftp = std::make_unique<ServerProcess>(std::vector<std::string>{
            script::test::FixturePath("pyftpd_rfa.py"), (m_root / "ftp").string(), "admin",
            "secret", "/RFA/", kAtaAddress, "21"});
        if (m_http->Port() != 80 || m_ftp->Port() != 21)
            GTEST_SKIP() << "ports 80 and 21 of " << kAtaAddress << " are not free";

        m_tool = std::make_unique<test::WholeTool>((m_root / "app").string());
        m_frm = m_tool->frm.get();
        m_tool->window.strIp = kAtaAddress;
        m_tool->window.strUser = "admin";
        m_tool->window.strPass = "secret";
    }

    void TearDown() override {
        m_tool.reset();
        m_ftp.reset();
        m_http.reset();
        fs::remove_all(m_root);
    }

    fs::path m_root = fs::temp_directory_path() / ("ata-e2e-" + std::to_string(::getpid()));
    std::string m_strConfig;
    std::unique_ptr<ServerProcess> m_http, m_ftp;
    std::unique_ptr<test::WholeTool> m_tool;
    frmMain* m_frm = nullptr;
};

TEST_F(EndToEndTest, EveryCommandWorksAgainstTheAta) {
    m_frm->cmdStatus_Click();
    EXPECT_EQ(m_tool->window.lngPowerColour, kColourGreen);
    EXPECT_EQ(m_tool->window.lngVoIPColour, kColourGreen);
    EXPECT_EQ(m_tool->window.strStatus, "ATA status read.");

    m_frm->cmdLog_Click();
    EXPECT_EQ(m_tool->window.strLog, "05/12/2026 09:30:00 Power on\r\n"
                                     "05/12/2026 08:00:00 SIP Registration succeeded for 100");
    EXPECT_EQ(m_tool->window.strStatus, "Log sorted.");

    m_frm->cmdSaveLog_Click();
    const std::string strSaved = ReadWholeFile(m_frm->SysLogFile());
    EXPECT_NE(strSaved.find("05/12/2026 09:30:00 Power on"), std::string::npos);
    EXPECT_LT(strSaved.find("Power on"), strSaved.find("SIP Registration"));

    m_frm->cmdBackup_Click();
    EXPECT_EQ(m_tool->window.strStatus, "Backup complete.");
    EXPECT_EQ(m_tool->window.OpsStartingWith("Information(Current config backed up.)").size(), 1u);
    ASSERT_FALSE(m_frm->Backup().SavedFileName().empty());
    EXPECT_EQ(ReadWholeFile(m_frm->Backup().SavedFileName()), m_strConfig);
    EXPECT_EQ(m_tool->window.vecOps.back(), "SetEnabled(txtLog,1)");
}

TEST_F(EndToEndTest, AWrongPasswordEndsTheBackupWithAWarningAndNoFile) {
    m_tool->window.strPass = "wrong";
    m_frm->cmdBackup_Click();
    EXPECT_EQ(m_tool->window.OpsStartingWith("Warning").size(), 1u);
    EXPECT_EQ(m_tool->window.vecOps.back(), "SetEnabled(txtLog,1)");
    for (const auto& entry : fs::directory_iterator(m_root / "app"))
        EXPECT_EQ(entry.path().filename().string().rfind("Config", 0), std::string::npos)
            << entry.path();
}

} // namespace
} // namespace ata
