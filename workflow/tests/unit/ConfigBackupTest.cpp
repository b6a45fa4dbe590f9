#include "workflow/ConfigBackup.h"
#include "ManualTimerService.h"
#include "RecordingWindow.h"
#include "script/ZelTelnet.h"
#include "script/tests/FakeScriptSocket.h"
#include "workflow/ScriptHostTimer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace ata;
using ata::script::test::FakeScriptSocket;
namespace fs = std::filesystem;

TEST(ConfigBackupScript, SeventeenLinesWithEmptyPassword) {
    const std::string s = BuildBackupScriptText("192.168.0.1", "admin", "");
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t pos; (pos = s.find("\r\n", start)) != std::string::npos; start = pos + 2)
        lines.push_back(s.substr(start, pos - start));
    EXPECT_EQ(start, s.size()); // CR LF after the last line, nothing after it
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[0], "HOST 192.168.0.1 21");
    EXPECT_EQ(lines[2], "SEND \"USER admin\\n\"");
    EXPECT_EQ(lines[4], "SEND \"PASS \\n\"");
    EXPECT_EQ(lines[7], "WAIT \"/RFA/\"");
    EXPECT_EQ(lines[12], "RETR \"CONFIG.REG\\n\"");
    EXPECT_EQ(lines[14], "DELAY 1");
    EXPECT_EQ(lines[16], "WAIT \"221\"");
    EXPECT_EQ(QuoteText("x"), "\"x\"");
}

TEST(ConfigBackupScript, InputChecks) {
    EXPECT_TRUE(IsUsableBackupAddress("127.0.0.2"));
    EXPECT_FALSE(IsUsableBackupAddress("127.0.0.2 "));
    EXPECT_FALSE(IsUsableBackupAddress("127.0. 0.2"));
    EXPECT_FALSE(IsUsableBackupAddress("127.0.0.2\r\n"));
    EXPECT_FALSE(IsUsableBackupAddress("\"127.0.0.2"));
    EXPECT_TRUE(CheckBackupCredentials("admin", "pa\"ss\\x").empty());
    EXPECT_FALSE(CheckBackupCredentials("ad\\nmin", "").empty());
    EXPECT_FALSE(CheckBackupCredentials("admin", "a\\N").empty());
    EXPECT_FALSE(CheckBackupCredentials("admin", "a\\\"").empty());
    EXPECT_FALSE(CheckBackupCredentials("admin", "a\rb").empty());
    EXPECT_FALSE(CheckBackupCredentials("a\tb", "").empty());
}

namespace {

// Plays an FTP server on the connection doubles; the clock and the timers only move when the
// test advances them.
class ConfigBackupTest : public ::testing::Test {
protected:
    test::RecordingWindow window;
    test::ManualTimerService timers;
    FakeScriptSocket* main = nullptr;
    FakeScriptSocket* data = nullptr;
    std::unique_ptr<script::ZelTelnet> engine;
    std::unique_ptr<ConfigBackup> backup;
    fs::path dir;
    size_t handled = 0;
    std::map<std::string, std::string> replies;
    std::vector<std::string> chunks{"AB", std::string("C\0D", 3)};
    bool blnEndTransfer = true; // false: the data stops after the chunks, with no 226
    bool blnEnabled = true;

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("cfgbackup_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        auto m = std::make_unique<FakeScriptSocket>();
        auto d = std::make_unique<FakeScriptSocket>();
        main = m.get();
        data = d.get();
        script::ScriptHost host;
        host.Clock = [this] { return timers.Seconds(); };
        UseTimersForScript(host, timers);
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
    void TearDown() override {
        engine->SetEvents(nullptr);
        fs::remove_all(dir);
    }
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
    void RunToEnd() {
        for (int i = 0; backup->IsBusy() && i < 600; ++i)
            Run(1);
    }
    std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::vector<std::string> Messages() { return window.OpsStartingWith("Warning"); }
    fs::path Final() { return dir / "Config20081231-235959.reg"; }
};

} // namespace

TEST_F(ConfigBackupTest, SuccessfulBackupKeepsTheFileByteForByte) {
    backup->cmdBackup_Click();
    // The click returns at once, the window busy until the engine ends the run.
    EXPECT_TRUE(backup->IsBusy());
    EXPECT_FALSE(blnEnabled);
    EXPECT_EQ(main->lngState, script::sckConnecting);
    RunToEnd();
    EXPECT_FALSE(backup->IsBusy());
    EXPECT_TRUE(blnEnabled);
    EXPECT_EQ(window.strIp, "127.0.0.2");
    EXPECT_EQ(window.OpsStartingWith("SetStatus"),
              (std::vector<std::string>{"SetStatus(Backing up current config...)",
                                        "SetStatus(Backup complete.)"}));
    EXPECT_EQ(window.OpsStartingWith("Information"),
              (std::vector<std::string>{"Information(Current config backed up.)"}));
    EXPECT_EQ(Read(Final()), std::string("ABC\0D", 5));
    EXPECT_FALSE(fs::exists(backup->PartFileName()));
    EXPECT_EQ(backup->ScriptMode(), 1);
    EXPECT_EQ(main->vecSent.back(), "QUIT\r\n");
    EXPECT_EQ(timers.ArmedCount(), 0u);

    // The same stamp again: a suffix, the first backup untouched.
    handled = 0;
    main->vecSent.clear();
    chunks = {"new"};
    backup->cmdBackup_Click();
    RunToEnd();
    EXPECT_EQ(Read(Final()), std::string("ABC\0D", 5));
    EXPECT_EQ(Read(dir / "Config20081231-235959-2.reg"), "new");
}

TEST_F(ConfigBackupTest, DataForOtherCommandsIsIgnoredAndNoDataIsNoBackup) {
    backup->ZelTelnet_ReceivedData("x", "RETR OTHER.TXT\r\n"); // not busy: ignored
    chunks.clear();
    backup->cmdBackup_Click();
    RunToEnd();
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{std::string("Warning(") + kNoDataMessage + ")"}));
    EXPECT_TRUE(window.OpsStartingWith("Information").empty());
    EXPECT_FALSE(fs::exists(Final()));
    EXPECT_TRUE(blnEnabled);
}

TEST_F(ConfigBackupTest, RejectedLoginWarns) {
    replies["PASS secret\r\n"] = "530 Login incorrect.\r\n";
    backup->cmdBackup_Click();
    RunToEnd();
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{std::string("Warning(") + kLoginErrorMessage + ")"}));
    EXPECT_TRUE(blnEnabled);
    EXPECT_FALSE(fs::exists(Final()));
    EXPECT_EQ(timers.ArmedCount(), 0u);
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
    ASSERT_EQ(Read(backup->PartFileName()), std::string("ABC\0D", 5));
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
    EXPECT_EQ(Read(backup->PartFileName()), std::string("ABC\0D", 5));
    EXPECT_FALSE(fs::exists(Final()));
}

TEST_F(ConfigBackupTest, UnwritableFolderIsAFailedBackup) {
    auto broken = MakeBackup((dir / "missing").string() + "/");
    broken->cmdBackup_Click();
    for (int i = 0; broken->IsBusy() && i < 100; ++i)
        Run(1);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("Config20081231-235959.reg.part"), std::string::npos);
    EXPECT_TRUE(window.OpsStartingWith("Information").empty());
    EXPECT_TRUE(blnEnabled);
    EXPECT_EQ(main->lngState, script::sckClosed);
    EXPECT_EQ(timers.ArmedCount(), 0u);
}

TEST_F(ConfigBackupTest, UnsafeInputsAreRefusedBeforeAnythingIsSent) {
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
