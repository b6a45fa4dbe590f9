#include "workflow/ConfigBackup.h"
#include "workflow/BackupScript.h"
#include "script/ZelTelnet.h"
#include "testing/FakeScriptSocket.h"
#include "testing/FileBytes.h"
#include "testing/ManualTimerService.h"
#include "testing/RecordingWindow.h"
#include "workflow/ScriptHostTimer.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace ata;
using ata::script::test::FakeScriptSocket;
using ata::test::ReadBytes;
namespace fs = std::filesystem;

namespace {

// Plays an FTP server on the connection doubles; the clock and the timers only move when the
// test advances them.
class ConfigBackupTest : public ::testing::Test {
protected:
    test::ScratchFolder scratch;
    const fs::path dir = scratch.path;
    test::RecordingWindow window;
    test::ManualTimerService timers;
    FakeScriptSocket* main = nullptr;
    FakeScriptSocket* data = nullptr;
    std::unique_ptr<script::ZelTelnet> engine;
    std::unique_ptr<ConfigBackup> backup;
    size_t handled = 0;
    std::map<std::string, std::string> replies;
    std::vector<std::string> chunks{"AB", std::string("C\0D", 3)};
    bool blnEndTransfer = true; // false: the data stops after the chunks, with no 226
    bool blnEnabled = true;

    void SetUp() override {
        auto m = std::make_unique<FakeScriptSocket>();
        auto d = std::make_unique<FakeScriptSocket>();
        main = m.get();
        data = d.get();
        script::ScriptHost host = ScriptHostOnTimers(timers);
        host.Clock = [this] { return timers.Seconds(); };
        engine = std::make_unique<script::ZelTelnet>(std::move(m), std::move(d), host);
        engine->Mode = 2;
        backup = MakeBackup(dir.string() + "/");
        window.strIp = " 127.0.0.2 ";
        window.strUser = "admin";
        window.strPass = "secret";
        replies = {{"USER admin\r\n", "331 pw\r\n"},        {"PASS secret\r\n", "230 ok\r\n"},
                   {"PWD\r\n", "257 \"/RFA/\"\r\n"},        {"TYPE I\r\n", "200 ok\r\n"},
                   {"PASV\r\n", "227 (127,0,0,2,4,1)\r\n"}, {"QUIT\r\n", "221 bye\r\n"}};
    }
    void TearDown() override { engine->SetEvents(nullptr); }
    std::unique_ptr<ConfigBackup> MakeBackup(const std::string& strFolder) {
        ConfigBackup::Options o;
        o.strAppFolder = strFolder;
        o.Clock = [this] { return timers.Seconds(); };
        o.TimeStamp = [] { return std::string("20081231-235959"); };
        auto b = std::make_unique<ConfigBackup>(
            window, *engine, &timers, [this](bool blnOn) { blnEnabled = blnOn; }, o);
        engine->SetEvents(b.get());
        return b;
    }

    // Answers everything the engine has sent so far.
    void Serve() {
        if (main->lngState == script::sckConnecting) {
            main->Connected("127.0.0.2");
            main->Receive("220 hello\r\n");
        }
        while (handled < main->vecSent.size()) {
            const std::string cmd = main->vecSent[handled++];
            if (cmd == "RETR CONFIG.REG\r\n") {
                data->Connected("127.0.0.2");
                main->Receive("150 Opening BINARY mode data connection (4 bytes)\r\n");
                for (const auto& c : chunks)
                    data->Receive(c);
                if (!blnEndTransfer)
                    continue;
                main->Receive("226 done\r\n"); // before the data connection's close
                data->PeerClose();
            } else if (replies.count(cmd)) {
                main->Receive(replies[cmd]);
            }
        }
    }
    // The event loop of the test: the server answers, then a second passes.
    void Run(int intSeconds) {
        for (int i = 0; i < intSeconds; ++i) {
            Serve();
            timers.Advance(1000);
        }
    }
    // Presses the button and runs until the backup has ended, with a fresh record of the window.
    void Backup(ConfigBackup& b) {
        handled = 0;
        main->vecSent.clear();
        window.vecOps.clear();
        b.cmdBackup_Click();
        for (int i = 0; b.IsBusy() && i < 600; ++i)
            Run(1);
    }
    std::vector<std::string> Messages() { return window.OpsStartingWith("Warning"); }
    fs::path Final() { return dir / "Config20081231-235959.reg"; }
};

} // namespace

// The script's other lines run against a real server through the window's tests.
TEST(ConfigBackupScript, AnEmptyPasswordIsSentAsAnEmptyArgument) {
    EXPECT_NE(BuildBackupScriptText("127.0.0.2", "admin", "").find("\r\nSEND \"PASS \\n\"\r\n"),
              std::string::npos);
}

TEST_F(ConfigBackupTest, ClickReturnsAtOnceAndTheFileIsKeptByteForByteUnderAFreeName) {
    backup->cmdBackup_Click();
    EXPECT_TRUE(backup->IsBusy());
    EXPECT_FALSE(blnEnabled);
    EXPECT_EQ(main->lngState, script::sckConnecting);
    for (int i = 0; backup->IsBusy() && i < 600; ++i)
        Run(1);
    EXPECT_FALSE(backup->IsBusy());
    EXPECT_TRUE(blnEnabled);
    EXPECT_EQ(window.strIp, "127.0.0.2");
    EXPECT_EQ(window.OpsStartingWith("Information"),
              (std::vector<std::string>{"Information(Current config backed up.)"}));
    EXPECT_EQ(ReadBytes(Final()), std::string("ABC\0D", 5));
    EXPECT_FALSE(fs::exists(backup->PartFileName()));
    EXPECT_EQ(timers.ArmedCount(), 0u);

    // The same stamp again: a suffix, the first backup untouched.
    chunks = {"new"};
    Backup(*backup);
    EXPECT_EQ(ReadBytes(Final()), std::string("ABC\0D", 5));
    EXPECT_EQ(ReadBytes(dir / "Config20081231-235959-2.reg"), "new");
}

TEST_F(ConfigBackupTest, EachFailureWarnsOnceWithItsReasonAndSavesNothing) {
    backup->ReceivedData("x", "RETR OTHER.TXT\r\n"); // not busy: ignored
    replies["PASS secret\r\n"] = "530 Login incorrect.\r\n";
    Backup(*backup);
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{std::string("Warning(") + kLoginErrorMessage + ")"}));

    replies["PASS secret\r\n"] = "230 ok\r\n";
    chunks.clear();
    Backup(*backup);
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{std::string("Warning(") + kNoDataMessage + ")"}));

    chunks = {"AB"};
    auto broken = MakeBackup((dir / "missing").string() + "/");
    Backup(*broken);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("Config20081231-235959.reg.part"), std::string::npos);
    EXPECT_EQ(main->lngState, script::sckClosed);

    EXPECT_TRUE(window.OpsStartingWith("Information").empty());
    EXPECT_TRUE(blnEnabled);
    EXPECT_EQ(timers.ArmedCount(), 0u);
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(ConfigBackupTest, TimeLimitCountsFromTheLastProgressAndQuotesTheLastReply) {
    replies.erase("PWD\r\n");
    backup->cmdBackup_Click();
    Run(20);
    main->Receive("150 still looking\r\n"); // progress 20 s into the 30 s limit
    Run(29);
    EXPECT_TRUE(backup->IsBusy());
    Run(1);
    EXPECT_FALSE(backup->IsBusy());
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "Warning(The backup did not finish: nothing happened for 30 "
                              "seconds. Last reply of the server: 150 still looking)"}));
    EXPECT_TRUE(blnEnabled);
    EXPECT_EQ(main->lngState, script::sckClosed);
    // A late trigger of the aborted run reports nothing.
    main->lngState = script::sckConnected;
    main->Receive("257 \"/RFA/\"\r\n");
    Run(60);
    EXPECT_TRUE(window.OpsStartingWith("Information").empty());
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(main->vecSent.size() == handled && main->vecSent.back() == "PWD\r\n");
}

TEST_F(ConfigBackupTest, ClosingTheWindowEndsTheBackupAndNothingFollows) {
    blnEndTransfer = false;
    backup->cmdBackup_Click();
    Run(2);
    ASSERT_TRUE(backup->IsBusy());
    ASSERT_EQ(ReadBytes(backup->PartFileName()), std::string("ABC\0D", 5));
    // The device's passwords are in it: private from the first byte.
    EXPECT_EQ(fs::status(backup->PartFileName()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    backup->Form_Unload();
    EXPECT_FALSE(backup->IsBusy());
    EXPECT_EQ(main->lngState, script::sckClosed);
    EXPECT_EQ(data->lngState, script::sckClosed);
    EXPECT_EQ(timers.ArmedCount(), 0u);
    // Whatever still arrives or comes due, the closed window hears nothing more.
    data->lngState = script::sckConnected;
    data->Receive("late");
    main->lngState = script::sckConnected;
    main->Receive("226 done\r\n");
    Run(60);
    EXPECT_TRUE(window.OpsStartingWith("Warning").empty());
    EXPECT_TRUE(window.OpsStartingWith("Information").empty());
    EXPECT_FALSE(fs::exists(backup->PartFileName()));
    EXPECT_FALSE(fs::exists(Final()));
}

TEST_F(ConfigBackupTest, UnsafeInputsAreRefusedBeforeAnythingIsSent) {
    for (const char* strIp : {"127.0.0.2 ", "127.0. 0.2", "127.0.0.2\r\n", "\"127.0.0.2"})
        EXPECT_FALSE(IsUsableBackupAddress(strIp)) << strIp;
    EXPECT_TRUE(IsUsableBackupAddress("127.0.0.2"));
    const std::pair<const char*, const char*> unsafe[] = {
        {"ad\\nmin", ""}, {"admin", "a\\N"}, {"admin", "a\\\""}, {"admin", "a\rb"}, {"a\tb", ""}};
    for (const auto& [strUser, strPass] : unsafe)
        EXPECT_FALSE(CheckBackupCredentials(strUser, strPass).empty()) << strUser << strPass;
    EXPECT_TRUE(CheckBackupCredentials("admin", "pa\"ss\\x").empty());

    window.strIp = "127.0.0.2 x";
    backup->cmdBackup_Click();
    window.strIp = "127.0.0.2";
    window.strPass = "a\\nDELE CONFIG.REG";
    backup->cmdBackup_Click();
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[1].find("Nothing was sent"), std::string::npos);
    EXPECT_TRUE(main->vecCalls.empty());
    EXPECT_TRUE(blnEnabled);
    EXPECT_FALSE(backup->IsBusy());
}
