// Backup Config against a real FTP server on port 21 of a loopback address.
#include "RecordingWindow.h"
#include "app/platform/LinuxSocketService.h"
#include "app/platform/Reactor.h"
#include "app/platform/ReactorTimerService.h"
#include "net/modNetSocket.h"
#include "script/NetScriptSocket.h"
#include "script/tests/PosixScriptSocket.h"
#include "script/tests/ServerProcess.h"
#include "workflow/ConfigBackup.h"
#include "workflow/ScriptHostTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

using namespace ata;
namespace fs = std::filesystem;

namespace {

constexpr const char* kAddress = "127.0.43.1";

class ConfigBackupFtp : public ::testing::Test {
protected:
    Reactor reactor;
    ReactorTimerService timers{reactor};
    LinuxSocketService service{reactor};
    test::RecordingWindow window;
    std::unique_ptr<script::ZelTelnet> engine;
    fs::path root, folder;
    std::string content;

    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "needs root to listen on port 21";
        modNetSocket::InstallPlatform(&service);
        script::ScriptHost host;
        host.DoEvents = [this] { reactor.RunOnce(0); };
        UseTimersForScript(host, timers);
#ifdef ATA_ENGINE_ON_POSIX_SOCKETS
        engine = std::make_unique<script::ZelTelnet>(
            std::make_unique<script::test::PosixScriptSocket>(reactor),
            std::make_unique<script::test::PosixScriptSocket>(reactor), host);
#else
        engine = script::MakeNetZelTelnet(host);
#endif
        engine->Mode = 2;
        const std::string id = std::to_string(getpid());
        root = fs::temp_directory_path() / ("cfgftp_root_" + id);
        folder = fs::temp_directory_path() / ("cfgftp_app_" + id);
        fs::create_directories(root / "RFA");
        fs::create_directories(folder);
        std::mt19937 gen(5);
        content.resize(12264);
        for (auto& ch : content)
            ch = static_cast<char>(gen() & 0xFF);
        std::ofstream(root / "RFA" / "CONFIG.REG", std::ios::binary) << content;
        window.strIp = kAddress;
        window.strUser = "admin";
        window.strPass = "s3cret";
        window.OnYield = [this] { reactor.RunOnce(5); };
    }
    void TearDown() override {
        if (engine) {
            engine->SetEvents(nullptr);
            engine.reset();
            reactor.RunUntilIdle();
            modNetSocket::InstallPlatform(nullptr);
        }
        fs::remove_all(root);
        fs::remove_all(folder);
    }
    std::unique_ptr<ConfigBackup> MakeBackup(double dblLimit) {
        ConfigBackup::Options o;
        o.strAppFolder = folder.string() + "/";
        o.dblTimeLimitSeconds = dblLimit;
        auto b = std::make_unique<ConfigBackup>(
            window, *engine, &timers, [](bool) {}, o);
        engine->SetEvents(b.get());
        return b;
    }
    // Presses the button and runs the event loop until the backup has ended.
    bool RunBackup(ConfigBackup& backup) {
        backup.cmdBackup_Click();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (backup.IsBusy() && std::chrono::steady_clock::now() < deadline)
            reactor.RunOnce(100);
        return !backup.IsBusy();
    }
};

} // namespace

TEST_F(ConfigBackupFtp, FetchesTheConfigurationFromRfa) {
    script::test::ServerProcess server({script::test::FixturePath("pyftpd_rfa.py"), root.string(),
                                        "admin", "s3cret", "/RFA/", kAddress, "21"});
    ASSERT_EQ(server.Port(), 21);
    auto backup = MakeBackup(30);
    ASSERT_TRUE(RunBackup(*backup));
    EXPECT_EQ(window.OpsStartingWith("Information"),
              (std::vector<std::string>{"Information(Current config backed up.)"}));
    ASSERT_FALSE(backup->SavedFileName().empty());
    std::ifstream in(backup->SavedFileName(), std::ios::binary);
    const std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(got == content);
    EXPECT_EQ(fs::path(backup->SavedFileName()).filename().string().size(),
              std::string("Config20081231-235959.reg").size());
}

TEST_F(ConfigBackupFtp, DirectoryWithoutRfaEndsInTheTimeLimitWarning) {
    script::test::ServerProcess server({script::test::FixturePath("pyftpd_rfa.py"), root.string(),
                                        "admin", "s3cret", "/", kAddress, "21"});
    ASSERT_EQ(server.Port(), 21);
    auto backup = MakeBackup(3);
    ASSERT_TRUE(RunBackup(*backup));
    const auto warnings = window.OpsStartingWith("Warning");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("did not finish"), std::string::npos);
    EXPECT_NE(warnings[0].find("257"), std::string::npos); // the PWD reply is quoted
    EXPECT_TRUE(window.OpsStartingWith("Information").empty());
    EXPECT_EQ(timers.ArmedCount(), 0u);
}
