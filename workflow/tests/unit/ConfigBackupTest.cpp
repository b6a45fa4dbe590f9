#include "workflow/ConfigBackup.h"
#include "script/ZelTelnet.h"
#include "testing/FakeScriptSocket.h"
#include "testing/FileBytes.h"
#include "testing/ManualTimerService.h"
#include "testing/RecordingWindow.h"
#include "workflow/BackupFile.h"
#include "workflow/BackupScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace ata;
using ata::script::test::FakeScriptSocket;
using ata::test::ReadBytes;
namespace fs = std::filesystem;

namespace {

const std::string kRetr = "RETR CONFIG.REG\r\n";

// The test raises the engine's events itself (servers answer in the integration tests).
class ConfigBackupTest : public ::testing::Test {
protected:
    test::ScratchFolder scratch;
    const fs::path dir = scratch.path;
    test::RecordingWindow window;
    test::ManualTimerService timers;
    FakeScriptSocket* main = nullptr;
    std::unique_ptr<script::ZelTelnet> engine;
    std::unique_ptr<ConfigBackup> backup;
    bool blnEnabled = true;

    void SetUp() override {
        auto m = std::make_unique<FakeScriptSocket>();
        main = m.get();
        engine = std::make_unique<script::ZelTelnet>(
            std::move(m), std::make_unique<FakeScriptSocket>(),
            script::ScriptHost{&timers, {}, [this] { return timers.Seconds(); }});
        backup = MakeBackup(dir.string() + "/");
        window.strIp = " 127.0.0.2 ";
        window.strUser = "admin";
        window.strPass = "secret";
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
    std::vector<std::string> Messages() {
        auto vec = window.OpsStartingWith("Warning(");
        const auto vecInformation = window.OpsStartingWith("Information(");
        vec.insert(vec.end(), vecInformation.begin(), vecInformation.end());
        return vec;
    }
};

} // namespace

// Each run: one message, back to idle, nothing left running, only a success's file kept.
TEST_F(ConfigBackupTest, ClickReturnsAtOnceEachEndShowsOneMessageAndOnlyASuccessLeavesAFile) {
    backup->ReceivedData("x", kRetr); // not busy: ignored
    const std::string strMissing = (dir / "missing").string() + "/";
    // A piece of the file, then the engine's error event.
    auto Error = [](bool blnUnrecognised, bool blnLoginFailed) {
        return [=](ConfigBackup& b) mutable {
            b.ReceivedData("AB", kRetr);
            b.ScriptError(blnUnrecognised, blnLoginFailed);
        };
    };
    struct Case {
        std::string strMessage;
        std::function<void(ConfigBackup&)> Events; // none: refused before anything is sent
        std::string strIp = " 127.0.0.2 ", strPass = "secret", strFolder = "";
    };
    const std::string W = "Warning(";
    const Case cases[] = {
        {W + "The IP address is not valid. Please enter a valid IP address in the form x.x.x.x)",
         {},
         " 127.0.0.2 x "},
        {W + kBadCredentialsMessage + ")", {}, " 127.0.0.2 ", "a\\nDELE CONFIG.REG"},
        {"Information(Current config backed up.)",
         [](ConfigBackup& b) {
             b.ReceivedData("AB", kRetr);
             b.ReceivedData("x", "LIST\r\n"); // another command's data
             b.ReceivedData(std::string("C\0D", 3), "retr config.reg\r\n");
             b.ScriptComplete();
         }},
        {W + kLoginErrorMessage + ")", Error(false, true)},
        {W + kScriptErrorMessage + ")", Error(true, false)},
        {W + kUnknownScriptErrorMessage + ")", Error(false, false)},
        {W + kNoDataMessage + ")",
         [](ConfigBackup& b) {
             b.ReceivedData("x", "LIST\r\n");
             b.ScriptComplete();
         }},
        {W + "The backup failed: the file " + strMissing +
             "Config20081231-235959.reg.part could not be written (No such file or directory).)",
         [](ConfigBackup& b) { b.ReceivedData("AB", kRetr); }, " 127.0.0.2 ", "secret",
         strMissing}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strMessage);
        const bool blnRefused = !c.Events;
        window.strIp = c.strIp;
        window.strPass = c.strPass;
        window.vecOps.clear();
        auto objBackup = MakeBackup(c.strFolder.empty() ? dir.string() + "/" : c.strFolder);
        objBackup->cmdBackup_Click();
        EXPECT_EQ(objBackup->IsBusy(), !blnRefused);
        EXPECT_EQ(blnEnabled, blnRefused);
        EXPECT_EQ(main->vecCalls.empty(), blnRefused);
        if (c.Events)
            c.Events(*objBackup);
        EXPECT_EQ(window.strIp, c.strIp.substr(1, c.strIp.size() - 2));
        EXPECT_EQ(Messages(), std::vector<std::string>{c.strMessage});
        EXPECT_FALSE(objBackup->IsBusy());
        EXPECT_TRUE(blnEnabled);
        EXPECT_EQ(timers.ArmedCount(), 0u);
        engine->AbortScript();
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    EXPECT_EQ(ReadBytes(dir / "Config20081231-235959.reg"), std::string("ABC\0D", 5));
}

// Progress is any message of the engine; a run given up or closed hears nothing more.
TEST_F(ConfigBackupTest, TimeLimitCountsFromTheLastProgressAndClosingEndsTheRun) {
    backup->cmdBackup_Click();
    timers.Advance(20000);
    backup->LogUpdate("00:20:000 150 still looking\r\n");
    timers.Advance(29000);
    EXPECT_TRUE(backup->IsBusy());
    timers.Advance(1000);
    EXPECT_FALSE(backup->IsBusy());
    const std::vector<std::string> vecWarning{
        "Warning(The backup did not finish: nothing happened for 30 seconds. Last reply of the "
        "server: 150 still looking)"};
    EXPECT_EQ(Messages(), vecWarning);
    EXPECT_TRUE(blnEnabled);
    EXPECT_EQ(main->lngState, sckClosed);
    backup->cmdBackup_Click();
    backup->ReceivedData("AB", kRetr);
    ASSERT_EQ(ReadBytes(backup->PartFileName()), "AB");
    backup->Form_Unload();
    EXPECT_FALSE(backup->IsBusy());
    EXPECT_EQ(main->lngState, sckClosed);
    EXPECT_EQ(timers.ArmedCount(), 0u);
    backup->ReceivedData("late", kRetr);
    backup->ScriptComplete();
    timers.Advance(60000);
    EXPECT_EQ(Messages(), vecWarning);
    EXPECT_TRUE(fs::is_empty(dir));
}

// The script's other lines run against a real server through the window's tests.
TEST(BackupScript, EmptyPasswordSentEmptyAndInputsThatWouldChangeTheCommandsRefused) {
    EXPECT_NE(BuildBackupScriptText("127.0.0.2", "admin", "").find("\r\nSEND \"PASS \\n\"\r\n"),
              std::string::npos);
    for (const char* strIp : {"127.0.0.2 ", "127.0. 0.2", "127.0.0.2\r\n", "\"127.0.0.2"})
        EXPECT_FALSE(IsUsableBackupAddress(strIp)) << strIp;
    EXPECT_TRUE(IsUsableBackupAddress("127.0.0.2"));
    const std::pair<const char*, const char*> unsafe[] = {
        {"ad\\nmin", ""}, {"admin", "a\\N"}, {"admin", "a\\\""}, {"admin", "a\rb"}, {"a\tb", ""}};
    for (const auto& [strUser, strPass] : unsafe)
        EXPECT_EQ(CheckBackupCredentials(strUser, strPass), kBadCredentialsMessage)
            << strUser << strPass;
    EXPECT_EQ(CheckBackupCredentials("admin", "pa\"ss\\x"), "");
}

TEST(BackupFile, PrivateFromTheFirstByteNeverAnotherFileAndNeverReplacing) {
    test::ScratchFolder scratch;
    const std::string strName = scratch.File("Config20081231-235959.reg");
    // A link planted at the first name is neither followed nor replaced.
    fs::create_symlink(scratch.File("elsewhere"), strName + ".part");
    BackupFile objFirst(strName);
    ASSERT_TRUE(objFirst.Append("AB"));
    EXPECT_EQ(objFirst.PartFileName(), scratch.File("Config20081231-235959-2.reg.part"));
    EXPECT_EQ(fs::status(objFirst.PartFileName()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(objFirst.Append(std::string("C\0D", 3)));
    fs::remove(strName + ".part");
    // Another backup of the same second while the first is still being written.
    BackupFile objSecond(strName);
    ASSERT_TRUE(objSecond.Append("new"));
    EXPECT_EQ(objSecond.PartFileName(), strName + ".part");
    std::string strFinal, strReason;
    ASSERT_TRUE(objSecond.Save(strFinal, strReason)) << strReason;
    EXPECT_EQ(strFinal, strName);
    ASSERT_TRUE(objFirst.Save(strFinal, strReason)) << strReason;
    {
        BackupFile objDropped(scratch.File("Config20081231-235958.reg"));
        ASSERT_TRUE(objDropped.Append("unsaved")); // removed when it goes
    }
    EXPECT_EQ(strFinal, strName.substr(0, strName.size() - 4) + "-2.reg");
    EXPECT_EQ(ReadBytes(strName), "new");
    EXPECT_EQ(ReadBytes(strFinal), std::string("ABC\0D", 5));
    EXPECT_FALSE(fs::exists(scratch.path / "elsewhere"));
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path), fs::directory_iterator()), 2);
}
