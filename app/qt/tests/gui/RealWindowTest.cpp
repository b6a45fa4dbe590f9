// The five commands through the real window: drawn buttons clicked with the mouse, boxes answered
// with Enter, and the files the tool writes compared byte for byte with texts worked out by hand
// from the rules of sorting, saving and summarising. The fake ATA serves 127.0.0.4 (root).
#include "testing/RealWindow.h"

#include "testing/OtherProcessLock.h"

#include <QElapsedTimer>

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr const char* kAtaAddress = "127.0.0.4";

std::string Reg(const char* strTime) {
    return "02/12/2026 " + std::string(strTime) + ":00 SIP Registration succeeded for 200";
}
// Two runs of registrations, a bare CR, a line feed inside a line and a no-break space.
const std::string kCall = "02/12/2026 09:59:00 Call\xA0"
                          "from 0123\rdropped",
                  kNote = "02/12/2026 09:58:00 Note\nsecond part",
                  kLower = "02/12/2026 09:57:00 sip registration succeeded for 200",
                  kPowerOn = "02/12/2026 09:50:00 Power on";
const std::string kHistory = Lines({Reg("10:20"), Reg("10:06"), Reg("10:03"), Reg("10:00"), kCall,
                                    kNote, kLower, Reg("09:56"), Reg("09:55"), kPowerOn});
// 10:03 and 10:00 lie within 5 minutes of the line before (10:00 returns as its run's end), 09:56
// and 09:55 likewise.
const std::string kSummarisedHistory =
    Lines({Reg("10:20"), Reg("10:06"), Reg("10:00"), kCall, kNote, kLower, Reg("09:55"), kPowerOn});
const std::string kTyped = "02/12/2026 10:30:00 Typed by hand";

// Types a line at the top of the pane, as a user edits it.
void TypeLineOnTop(QPlainTextEdit* pane, const std::string& strLine) {
    pane->setFocus();
    const bool blnEmpty = pane->document()->isEmpty();
    QTest::keyClick(pane, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(pane, QString::fromLatin1(strLine.c_str()));
    if (!blnEmpty)
        QTest::keyClick(pane, Qt::Key_Return);
}

class RealWindowTest : public FakeAtaTest {
protected:
    RealWindowTest() : FakeAtaTest(kAtaAddress) {}
};

// Ends by closing the window while a fetch hangs: it closes at once and keeps the settings.
TEST_F(RealWindowTest, EveryCommandKeepsEveryByteOfTheHistoryAndClosingEndsAFetchAtOnce) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    auto w = std::make_unique<RealWindow>(App());
    MainWindow& win = w->Window();
    ASSERT_EQ(win.GetIpText(), kAtaAddress);

    w->Click(ControlId::cmdStatus);
    EXPECT_EQ(win.LedColour(ControlId::ledPower), kColourGreen);
    EXPECT_EQ(win.LedColour(ControlId::ledVoIP), kColourGreen);
    EXPECT_EQ(w->Status(), "ATA status read.");

    ServeLog(kDevRegA + kDevCaller + kDevPrice + kDevNul + kDevBareCr + kDevRegB);
    w->Click(ControlId::cmdLog);
    EXPECT_EQ(w->Status(), "Log sorted.");
    EXPECT_EQ(win.GetLogText(), kSorted1);
    w->Click(ControlId::cmdSaveLog);
    EXPECT_EQ(History(), kSaved1);
    ServeLog(kDevNul + kDevBareCr + kDevRegB + kDevPower + kDevReg0901);
    w->Click(ControlId::cmdLog);
    w->Click(ControlId::cmdSaveLog);
    EXPECT_EQ(History(), kSaved2);
    QCheckBox* autoSum = win.chkAutoSum();
    QTest::mouseClick(autoSum, Qt::LeftButton, {}, QPoint(5, autoSum->height() / 2));
    ASSERT_TRUE(autoSum->isChecked());
    ServeLog(kDevReg0901 + kDevReg0902 + kDevReg0903);
    w->Click(ControlId::cmdLog);
    w->Click(ControlId::cmdSaveLog);
    EXPECT_EQ(History(), kSaved3);
    EXPECT_EQ(w->Status(), "Log summarised.");

    w->Click(ControlId::cmdBackup);
    ASSERT_TRUE(w->WaitUntilIdle());
    EXPECT_EQ(w->Status(), "Backup complete.");
    const auto vecBackups = Backups(App());
    ASSERT_EQ(vecBackups.size(), 1u);
    EXPECT_TRUE(ReadBytes(vecBackups[0]) == m_strConfig);
    EXPECT_EQ(w->MessageTexts(),
              (std::vector<std::string>{
                  "System log saved, 6 line(s) added.", "System log saved, 2 line(s) added.",
                  "System log saved, 2 line(s) added.",
                  "System log summarised from 11 to 9 line(s)", "Current config backed up."}));

    m_http->SetRoute("/cgi/syslog.txt", {200, "", FakeAtaHttpServer::Fault::Hang});
    win.txtUser()->setText("changed");
    QElapsedTimer sinceClose;
    QTimer::singleShot(300, &win, [&] {
        sinceClose.start();
        win.close();
    });
    w->Click(ControlId::cmdLog);
    ASSERT_TRUE(sinceClose.isValid());
    w.reset(); // as main() does once the window is closed
    EXPECT_LT(sinceClose.elapsed(), 2000);
    const std::string strSettings = ReadBytes(App() / "settings.ini");
    EXPECT_NE(strSettings.find("Username=changed\r\nPassword=secret\r\nAuto Summarise=1\r\n"),
              std::string::npos);
}

// Another user (nobody, as root) holds the history's lock for ten minutes: the save gives up
// within its bound, the history is untouched, and the window serves its events all the while.
// Once the lock is free, a run of four is summarised and an edited pane is saved byte for byte.
TEST_F(RealWindowTest, AnotherUsersLockEndsTheSaveInTimeThenSummariseAndSaveKeepEveryByte) {
    WriteBytes(App() / "sys-log.txt", kHistory);
    const fs::path lock = App() / "sys-log.txt.lock";
    WriteBytes(lock, "");
    const uid_t lngOther = ::geteuid() == 0 ? kNobodyUid : ::geteuid();
    ASSERT_EQ(::chown(lock.c_str(), lngOther, lngOther), 0);
    OtherProcessLock objOther(lock.string(), lngOther);
    ASSERT_TRUE(objOther.Held());

    RealWindow w(App());
    TypeLineOnTop(w.Window().txtLog(), kTyped);
    int intTicks = 0;
    QTimer objTicker;
    QObject::connect(&objTicker, &QTimer::timeout, [&] { ++intTicks; });
    objTicker.start(50);
    QElapsedTimer objClock;
    objClock.start();
    w.Click(ControlId::cmdSaveLog);
    EXPECT_TRUE(w.WaitUntilIdle(60000));
    EXPECT_LT(objClock.elapsed(), 60000);
    EXPECT_EQ(w.Status(), "Could not save system log.");
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"), kHistory);
    EXPECT_GT(intTicks, 100); // every 50 ms for about 10 s

    objOther.Release();
    w.Click(ControlId::cmdSummarise);
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"), kSummarisedHistory);
    EXPECT_EQ(w.Window().GetLogText(), kSummarisedHistory);
    w.Click(ControlId::cmdSaveLog);
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"), kSummarisedHistory);
    // An edited pane gives back its lines joined by CR LF, every other byte as shown.
    TypeLineOnTop(w.Window().txtLog(), kTyped);
    w.Click(ControlId::cmdSaveLog);
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"), kTyped + "\r\n" + kSummarisedHistory);
    EXPECT_EQ(w.MessageTexts(),
              (std::vector<std::string>{
                  "Could not save system log.", "System log summarised from 10 to 8 line(s)",
                  "System log saved, 0 line(s) added.", "System log saved, 1 line(s) added."}));
}

// File faults as a user without special rights: as nobody in a child process when the tests run
// as root (RealWindowFileFaults below), directly otherwise.
class AsUser : public AsOrdinaryUserCase {
protected:
    AsUser() : AsOrdinaryUserCase("RealWindowFileFaults.AsAnOrdinaryUser") {}
    void SetUp() override {
        AsOrdinaryUserCase::SetUp();
        if (!IsSkipped() && !HasFatalFailure())
            WriteBytes(m_folder / "sys-log.txt", kHistory);
    }
    void Put(const std::string& strName, const std::string& strText, mode_t lngMode) {
        WriteBytes(m_folder / strName, strText);
        ::chmod((m_folder / strName).c_str(), lngMode);
    }
    // Starts the tool, lets fnUse work the window and closes it; the boxes shown.
    template <typename Use> std::vector<std::string> StartAndClose(Use fnUse) {
        RealWindow w(m_folder);
        fnUse(w);
        w.Window().close();
        return w.MessageTexts();
    }
    std::string SettingsNotSaved() const {
        return "Could not save the settings to " + (m_folder / "settings.ini").string();
    }
};

// A read-only history, then a full disk: each failure is reported, the history keeps every
// byte, no file is left behind, and closing says that the settings were not kept.
TEST_F(AsUser, AReadOnlyHistoryAndAFullDiskKeepTheHistoryAndLeaveNoFileBehind) {
    const bool blnFtp = std::getenv("ATA_NOBODY_FOLDER") != nullptr; // then the FTP server runs
    const std::string strSettings =
        "[Options]\r\nIP=127.0.0.4\r\nUsername=admin\r\nPassword=secret\r\n";
    Put("settings.ini", strSettings, 0444);
    ::chmod((m_folder / "sys-log.txt").c_str(), 0444);
    const auto vecTexts = StartAndClose([&](RealWindow& w) {
        TypeLineOnTop(w.Window().txtLog(), kTyped);
        w.Click(ControlId::cmdSaveLog);
        EXPECT_EQ(w.Status(), "Could not save system log.");
        w.Click(ControlId::cmdSummarise);
        EXPECT_EQ(w.Status(), "Could not save system log summary.");
        ASSERT_FALSE(w.Messages().empty());
        EXPECT_EQ(w.Messages()[0].enmIcon, QMessageBox::Warning);
        EXPECT_EQ(ModeOf(m_folder / "sys-log.txt"), 0444u);

        // Writes past the limit fail as on a full disk; the signal they raise is ignored.
        ::chmod((m_folder / "sys-log.txt").c_str(), 0644);
        const auto prevHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = kHistory.size() / 2;
        ::setrlimit(RLIMIT_FSIZE, &small);
        w.Click(ControlId::cmdSaveLog);
        w.Click(ControlId::cmdSummarise);
        if (blnFtp) {
            w.Click(ControlId::cmdBackup);
            EXPECT_TRUE(w.WaitUntilIdle());
        }
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, prevHandler);
    });
    EXPECT_EQ(ReadBytes(m_folder / "sys-log.txt"), kHistory);
    EXPECT_EQ(ReadBytes(m_folder / "settings.ini"), strSettings);
    EXPECT_TRUE(Backups(m_folder).empty());
    std::vector<std::string> vecExpected = {
        "Could not save system log.", "Could not save system log summary.",
        "Could not save system log.", "Could not save system log summary.", SettingsNotSaved()};
    if (blnFtp)
        vecExpected.insert(vecExpected.end() - 1, "");
    auto vecShown = vecTexts;
    if (blnFtp && vecShown.size() == 6 &&
        vecShown[4].find("could not be written") != std::string::npos)
        vecShown[4].clear();
    EXPECT_EQ(vecShown, vecExpected);
}

// A read-only program folder keeps the files it can rewrite in place, adding none. With nothing
// to rewrite (a system-wide install) the user's own folders take its place silently; only when
// those cannot be made either is that reported, once.
TEST_F(AsUser, AReadOnlyFolderKeepsWritableFilesInPlaceElseTheUsersOwnFoldersServe) {
    Put("settings.ini", "[Options]\r\nIP=127.0.0.9\r\nUsername=admin\r\n", 0644);
    const fs::path config = m_folder / "home/config", data = m_folder / "home/data";
    fs::create_directories(m_folder / "home");
    ::chmod(m_folder.c_str(), 0555);
    EXPECT_EQ(StartAndClose([](RealWindow& w) {
                  TypeLineOnTop(w.Window().txtLog(), kTyped);
                  w.Click(ControlId::cmdSaveLog);
                  w.Window().txtUser()->setText("operator");
              }),
              std::vector<std::string>{"System log saved, 1 line(s) added."});
    EXPECT_EQ(ReadBytes(m_folder / "sys-log.txt"), kTyped + "\r\n" + kHistory);
    EXPECT_EQ(
        ReadBytes(m_folder / "settings.ini"),
        "[Options]\r\nIP=127.0.0.9\r\nUsername=operator\r\nPassword=\r\nAuto Summarise=0\r\n");
    std::vector<std::string> vecNames;
    for (const auto& entry : fs::directory_iterator(m_folder))
        vecNames.push_back(entry.path().filename().string());
    std::sort(vecNames.begin(), vecNames.end());
    EXPECT_EQ(vecNames, (std::vector<std::string>{"home", "settings.ini", "sys-log.txt"}));

    ::chmod((m_folder / "settings.ini").c_str(), 0444);
    ::chmod((m_folder / "sys-log.txt").c_str(), 0444);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    std::string strIp;
    const auto keepIp = [&](RealWindow& w) { strIp = w.Window().GetIpText(); };
    // The program folder's file is not this user's: the fields start empty.
    EXPECT_TRUE(StartAndClose([&](RealWindow& w) {
                    keepIp(w);
                    w.Window().SetIpText("127.0.0.10");
                }).empty());
    EXPECT_EQ(strIp, "");
    EXPECT_EQ(ReadBytes(config / "atatool/settings.ini"),
              "[Options]\r\nIP=127.0.0.10\r\nUsername=\r\nPassword=\r\nAuto Summarise=0\r\n");
    EXPECT_TRUE(StartAndClose(keepIp).empty());
    EXPECT_EQ(strIp, "127.0.0.10");

    ::setenv("XDG_CONFIG_HOME", (m_folder / "config").c_str(), 1);
    const auto vecTexts = StartAndClose(keepIp);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(vecTexts, (std::vector<std::string>{
                            "The program folder " + m_folder.string() +
                                " cannot be written, and neither can your own folders " +
                                m_folder.string() + "/config/atatool/ and " + data.string() +
                                "/atatool/. Your settings, the log history and configuration "
                                "backups will not be kept. The tool works as usual otherwise.",
                            SettingsNotSaved()}));
    EXPECT_EQ(strIp, "127.0.0.9");
}

// Runs the AsUser cases as nobody in a folder of that user's, with this process's FTP server.
TEST(RealWindowFileFaults, AsAnOrdinaryUser) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "not root: the AsUser cases run directly";
    const ScratchFolder folder;
    const auto ftp = StartFtp(folder.path, kAtaAddress, std::string(64 * 1024, 'c'));
    ASSERT_EQ(ftp->Port(), 21);
    fs::create_directories(folder.path / "home");
    EXPECT_TRUE(PassAsNobody(folder.path / "home", "AsUser.*"))
        << "the AsUser cases failed as nobody";
}

} // namespace
} // namespace ata
