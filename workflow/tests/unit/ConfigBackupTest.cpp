#include "workflow/ConfigBackup.h"
#include "RecordingWindow.h"
#include "script/ZelTelnet.h"
#include "script/tests/FakeScriptSocket.h"

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

// Plays an FTP server on the connection doubles whenever the window yields.
class ConfigBackupTest : public ::testing::Test {
protected:
    test::RecordingWindow window;
    FakeScriptSocket* main = nullptr;
    FakeScriptSocket* data = nullptr;
    std::unique_ptr<script::ZelTelnet> engine;
    std::unique_ptr<ConfigBackup> backup;
    fs::path dir;
    double dblClock = 0;
    size_t handled = 0;
    std::map<std::string, std::string> replies;
    std::vector<std::string> chunks{"AB", std::string("C\0D", 3)};
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
        host.Sleep = [](int32_t) {};
        host.Clock = [this] { return dblClock; };
        engine = std::make_unique<script::ZelTelnet>(std::move(m), std::move(d), host);
        engine->Mode = 2;
        ConfigBackup::Options o;
        o.strAppFolder = dir.string() + "/";
        o.Clock = [this] { return dblClock; };
        o.TimeStamp = [] { return std::string("20081231-235959"); };
        backup = std::make_unique<ConfigBackup>(
            window, *engine, [this](bool b) { blnEnabled = b; }, o);
        engine->SetEvents(backup.get());
        window.strIp = " 127.0.0.2 ";
        window.strUser = "admin";
        window.strPass = "secret";
        replies = {{"USER admin\r\n", "331 pw\r\n"},        {"PASS secret\r\n", "230 ok\r\n"},
                   {"PWD\r\n", "257 \"/RFA/\"\r\n"},        {"TYPE I\r\n", "200 ok\r\n"},
                   {"PASV\r\n", "227 (127,0,0,2,4,1)\r\n"}, {"QUIT\r\n", "221 bye\r\n"}};
        window.OnYield = [this] { Serve(); };
    }
    void TearDown() override {
        engine->SetEvents(nullptr);
        fs::remove_all(dir);
    }

    void Serve() {
        dblClock += 1;
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
                main->Receive("226 done\r\n"); // before the data connection's close
                data->PeerClose();
            } else if (replies.count(cmd)) {
                main->Receive(replies[cmd]);
            }
        }
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

    // The same stamp again: a suffix, the first backup untouched.
    handled = 0;
    main->vecSent.clear();
    chunks = {"new"};
    backup->cmdBackup_Click();
    EXPECT_EQ(Read(Final()), std::string("ABC\0D", 5));
    EXPECT_EQ(Read(dir / "Config20081231-235959-2.reg"), "new");
}

TEST_F(ConfigBackupTest, DataForOtherCommandsIsIgnoredAndNoDataIsNoBackup) {
    backup->ZelTelnet_ReceivedData("x", "RETR OTHER.TXT\r\n"); // not busy: ignored
    chunks.clear();
    backup->cmdBackup_Click();
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{std::string("Warning(") + kNoDataMessage + ")"}));
    EXPECT_TRUE(window.OpsStartingWith("Information").empty());
    EXPECT_FALSE(fs::exists(Final()));
    EXPECT_TRUE(blnEnabled);
}

TEST_F(ConfigBackupTest, RejectedLoginWarns) {
    replies["PASS secret\r\n"] = "530 Login incorrect.\r\n";
    backup->cmdBackup_Click();
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{std::string("Warning(") + kLoginErrorMessage + ")"}));
    EXPECT_TRUE(blnEnabled);
    EXPECT_FALSE(fs::exists(Final()));
}

TEST_F(ConfigBackupTest, SilentServerEndsInTheTimeLimitWarning) {
    replies.erase("PWD\r\n");
    backup->cmdBackup_Click();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("did not finish"), std::string::npos);
    EXPECT_NE(Messages()[0].find("230 ok"), std::string::npos);
    EXPECT_TRUE(blnEnabled);
    EXPECT_EQ(main->lngState, script::sckClosed);
    // A late trigger of the aborted run reports nothing.
    main->lngState = script::sckConnected;
    main->Receive("257 \"/RFA/\"\r\n");
    EXPECT_TRUE(window.OpsStartingWith("Information").empty());
}

TEST_F(ConfigBackupTest, UnwritableFolderIsAFailedBackup) {
    ConfigBackup::Options o;
    o.strAppFolder = (dir / "missing").string() + "/";
    o.TimeStamp = [] { return std::string("20081231-235959"); };
    o.Clock = [this] { return dblClock; };
    ConfigBackup broken(
        window, *engine, [this](bool b) { blnEnabled = b; }, o);
    engine->SetEvents(&broken);
    broken.cmdBackup_Click();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("Config20081231-235959.reg.part"), std::string::npos);
    EXPECT_TRUE(window.OpsStartingWith("Information").empty());
    EXPECT_TRUE(blnEnabled);
    EXPECT_EQ(main->lngState, script::sckClosed);
    engine->SetEvents(backup.get());
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
}
