// Backup Config on port 21 of a loopback address against servers whose replies end in LF alone or
// whose greeting is the bare code (the window's tests run it against an independent server).
#include "app/platform/LinuxSocketService.h"
#include "app/platform/Reactor.h"
#include "app/platform/ReactorTimerService.h"
#include "net/modNetSocket.h"
#include "script/NetScriptSocket.h"
#include "testing/FileBytes.h"
#include "testing/RecordingWindow.h"
#include "testing/ServerProcess.h"
#include "workflow/ConfigBackup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <unistd.h>

using namespace ata;
namespace fs = std::filesystem;

TEST(ConfigBackupFtp, LineEndsInLfAloneAndABareGreetingCode) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to listen on port 21";
    test::ScratchFolder scratch;
    std::string strConfig(12264, '\0');
    std::mt19937 gen(5);
    for (auto& ch : strConfig)
        ch = static_cast<char>(gen() & 0xFF);
    test::WriteBytes(scratch.path / "ftp/RFA/CONFIG.REG", strConfig);
    fs::create_directories(scratch.path / "app");
    for (const std::string strMode : {"lf", "bare220"}) {
        SCOPED_TRACE(strMode);
        const std::string strAddress = strMode == "lf" ? "127.0.43.2" : "127.0.43.3";
        script::test::ServerProcess server({script::test::FixturePath("fake_ftp.py"), strMode,
                                            scratch.File("ftp/RFA/CONFIG.REG"), strAddress, "21"});
        ASSERT_EQ(server.Port(), 21);

        Reactor reactor;
        ReactorTimerService timers{reactor};
        LinuxSocketService service{reactor};
        modNetSocket::InstallPlatform(&service);
        auto engine =
            script::MakeNetZelTelnet(script::ScriptHost{&timers, [&] { reactor.RunOnce(0); }, {}});
        engine->Mode = 2;
        test::RecordingWindow window;
        window.strIp = strAddress;
        window.strUser = "admin";
        window.strPass = "s3cret";
        window.OnYield = [&] { reactor.RunOnce(5); };
        ConfigBackup::Options o;
        o.strAppFolder = scratch.File("app") + "/";
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
        EXPECT_TRUE(test::ReadBytes(backup.SavedFileName()) == strConfig);
        EXPECT_EQ(timers.ArmedCount(), 0u);
        fs::remove(backup.SavedFileName());

        engine->SetEvents(nullptr);
        engine.reset();
        reactor.RunUntilIdle();
        modNetSocket::InstallPlatform(nullptr);
    }
}
