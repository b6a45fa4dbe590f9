// Backup Config on port 21 of a loopback address: against an independent FTP server, and
// against servers whose replies end in LF alone or whose greeting is the bare code.
#include "FileBytes.h"
#include "RecordingWindow.h"
#include "app/platform/LinuxSocketService.h"
#include "app/platform/Reactor.h"
#include "app/platform/ReactorTimerService.h"
#include "net/modNetSocket.h"
#include "script/NetScriptSocket.h"
#include "script/tests/ServerProcess.h"
#include "workflow/ConfigBackup.h"
#include "workflow/ScriptHostTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <unistd.h>

using namespace ata;
namespace fs = std::filesystem;

namespace {

// The configuration file the servers hold, and a scratch folder for them and the program.
struct BackupSetUp {
    const fs::path root = fs::temp_directory_path() / ("cfgftp_" + std::to_string(::getpid()));
    std::string strConfig = std::string(12264, '\0');
    BackupSetUp() {
        std::mt19937 gen(5);
        for (auto& ch : strConfig)
            ch = static_cast<char>(gen() & 0xFF);
        test::WriteBytes(root / "ftp/RFA/CONFIG.REG", strConfig);
        fs::create_directories(root / "app");
    }
    ~BackupSetUp() { fs::remove_all(root); }
};

// Runs Backup Config against the server on port 21 of strAddress; checks the saved file.
void BackupFrom(const char* szAddress, const BackupSetUp& set) {
    Reactor reactor;
    ReactorTimerService timers{reactor};
    LinuxSocketService service{reactor};
    modNetSocket::InstallPlatform(&service);
    script::ScriptHost host;
    host.DoEvents = [&] { reactor.RunOnce(0); };
    UseTimersForScript(host, timers);
    auto engine = script::MakeNetZelTelnet(host);
    engine->Mode = 2;
    test::RecordingWindow window;
    window.strIp = szAddress;
    window.strUser = "admin";
    window.strPass = "s3cret";
    window.OnYield = [&] { reactor.RunOnce(5); };
    ConfigBackup::Options o;
    o.strAppFolder = (set.root / "app").string() + "/";
    ConfigBackup backup(
        window, *engine, &timers, [](bool) {}, o);
    engine->SetEvents(&backup);

    backup.cmdBackup_Click();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (backup.IsBusy() && std::chrono::steady_clock::now() < deadline)
        reactor.RunOnce(100);
    EXPECT_FALSE(backup.IsBusy());
    EXPECT_EQ(window.OpsStartingWith("Information"),
              (std::vector<std::string>{"Information(Current config backed up.)"}));
    EXPECT_EQ(fs::path(backup.SavedFileName()).filename().string().size(),
              std::string("Config20081231-235959.reg").size());
    EXPECT_TRUE(test::ReadBytes(backup.SavedFileName()) == set.strConfig);
    EXPECT_EQ(timers.ArmedCount(), 0u);
    fs::remove(backup.SavedFileName());

    engine->SetEvents(nullptr);
    engine.reset();
    reactor.RunUntilIdle();
    modNetSocket::InstallPlatform(nullptr);
}

} // namespace

TEST(ConfigBackupFtp, FetchesTheConfigurationFromRfaByteForByte) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to listen on port 21";
    BackupSetUp set;
    script::test::ServerProcess server({script::test::FixturePath("pyftpd_rfa.py"),
                                        (set.root / "ftp").string(), "admin", "s3cret", "/RFA/",
                                        "127.0.43.1", "21"});
    ASSERT_EQ(server.Port(), 21);
    BackupFrom("127.0.43.1", set);
}

TEST(ConfigBackupFtp, LineEndsInLfAloneAndABareGreetingCode) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to listen on port 21";
    BackupSetUp set;
    for (const std::string strMode : {"lf", "bare220"}) {
        SCOPED_TRACE(strMode);
        const std::string strAddress = strMode == "lf" ? "127.0.43.2" : "127.0.43.3";
        script::test::ServerProcess server({script::test::FixturePath("fake_ftp.py"), strMode,
                                            (set.root / "ftp/RFA/CONFIG.REG").string(), strAddress,
                                            "21"});
        ASSERT_EQ(server.Port(), 21);
        BackupFrom(strAddress.c_str(), set);
    }
}
