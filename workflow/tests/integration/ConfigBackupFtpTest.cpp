// Backup Config against servers whose replies end in LF alone or greet with a bare code.
#include "script/NetScriptSocket.h"
#include "testing/FileBytes.h"
#include "testing/PlatformHarness.h"
#include "testing/RecordingWindow.h"
#include "testing/ServerProcess.h"
#include "workflow/ConfigBackup.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace ata;

struct ConfigBackupFtp : ::testing::Test {
    test::PlatformHarness platform;
    Reactor& reactor = platform.reactor;
    ReactorTimerService& timers = platform.timers;
};

TEST_F(ConfigBackupFtp, LineEndsInLfAloneAndABareGreetingCode) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to listen on port 21";
    test::ScratchFolder scratch;
    std::string strConfig;
    for (int k = 0; k < 12264; ++k) // every byte value, in no simple order
        strConfig += static_cast<char>(k * 97 % 251 + k / 251);
    test::WriteBytes(scratch.path / "ftp/RFA/CONFIG.REG", strConfig);
    for (const auto& [strMode, strAddress] :
         {std::pair<std::string, std::string>{"lf", "127.0.43.2"}, {"bare220", "127.0.43.3"}}) {
        SCOPED_TRACE(strMode);
        script::test::ServerProcess server({script::test::FixturePath("fake_ftp.py"), strMode,
                                            scratch.File("ftp/RFA/CONFIG.REG"), strAddress, "21"});
        ASSERT_EQ(server.Port(), 21);
        auto engine =
            script::MakeNetZelTelnet(script::ScriptHost{&timers, [&] { reactor.RunOnce(0); }, {}});
        engine->Mode = 2;
        test::RecordingWindow window;
        window.strIp = strAddress;
        window.strUser = "admin";
        window.strPass = "s3cret";
        window.OnYield = [&] { reactor.RunOnce(5); };
        ConfigBackup::Options objOptions;
        objOptions.strAppFolder = scratch.path.string() + "/";
        ConfigBackup backup(
            window, *engine, &timers, [](bool) {}, objOptions);
        engine->SetEvents(&backup);

        backup.cmdBackup_Click();
        EXPECT_TRUE(platform.RunUntil([&] { return !backup.IsBusy(); }, std::chrono::seconds(60)));
        EXPECT_EQ(window.OpsStartingWith("Information"),
                  (std::vector<std::string>{"Information(Current config backed up.)"}));
        EXPECT_EQ(std::filesystem::path(backup.SavedFileName()).filename().string().size(),
                  std::string("Config20081231-235959.reg").size());
        EXPECT_TRUE(test::ReadBytes(backup.SavedFileName()) == strConfig);
        EXPECT_EQ(timers.ArmedCount(), 0u);
        std::filesystem::remove(backup.SavedFileName());
        engine->SetEvents(nullptr);
    }
}
