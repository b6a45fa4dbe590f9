// The five commands through the real window: the drawn buttons are clicked with the mouse, the
// message boxes are answered with the Enter key, and the files the tool writes are compared
// byte for byte with texts worked out by hand from the rules of sorting, saving and
// summarising. The fake ATA serves ports 80 and 21 of a loopback address of its own (root).
#include "testing/RealWindow.h"
#include "testing/UnprivilegedRun.h"

#include "testing/FakeAtaFixture.h"
#include "testing/OtherProcessLock.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <QTimer>

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

// A saved history with two runs of registrations, a bare CR, a line feed inside a line and a
// no-break space, and what a summary makes of it: 10:03 and 10:00 lie within 5 minutes of the
// line before them (10:00 comes back as the end of its run), 09:56 and 09:55 likewise.
const std::string kHistory = Lines({"02/12/2026 10:20:00 SIP Registration succeeded for 200",
                                    "02/12/2026 10:06:00 SIP Registration succeeded for 200",
                                    "02/12/2026 10:03:00 SIP Registration succeeded for 200",
                                    "02/12/2026 10:00:00 SIP Registration succeeded for 200",
                                    "02/12/2026 09:59:00 Call\xA0"
                                    "from 0123\rdropped",
                                    "02/12/2026 09:58:00 Note\nsecond part",
                                    "02/12/2026 09:57:00 sip registration succeeded for 200",
                                    "02/12/2026 09:56:00 SIP Registration succeeded for 200",
                                    "02/12/2026 09:55:00 SIP Registration succeeded for 200",
                                    "02/12/2026 09:50:00 Power on"});
const std::string kSummarisedHistory = Lines(
    {"02/12/2026 10:20:00 SIP Registration succeeded for 200",
     "02/12/2026 10:06:00 SIP Registration succeeded for 200",
     "02/12/2026 10:00:00 SIP Registration succeeded for 200",
     "02/12/2026 09:59:00 Call\xA0"
     "from 0123\rdropped",
     "02/12/2026 09:58:00 Note\nsecond part",
     "02/12/2026 09:57:00 sip registration succeeded for 200",
     "02/12/2026 09:55:00 SIP Registration succeeded for 200", "02/12/2026 09:50:00 Power on"});
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

TEST_F(RealWindowTest, EveryCommandKeepsEveryByteOfTheHistory) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    RealWindow w(App());
    ASSERT_EQ(w.Window().GetIpText(), kAtaAddress);

    w.Click(ControlId::cmdStatus);
    EXPECT_EQ(w.Window().LedColour(ControlId::ledPower), kColourGreen);
    EXPECT_EQ(w.Window().LedColour(ControlId::ledVoIP), kColourGreen);
    EXPECT_EQ(w.Status(), "ATA status read.");

    ServeLog(kDevRegA + kDevCaller + kDevPrice + kDevNul + kDevBareCr + kDevRegB);
    w.Click(ControlId::cmdLog);
    EXPECT_EQ(w.Status(), "Log sorted.");
    EXPECT_EQ(w.Window().GetLogText(), kSorted1);
    w.Click(ControlId::cmdSaveLog);
    EXPECT_EQ(History(), kSaved1);
    ServeLog(kDevNul + kDevBareCr + kDevRegB + kDevPower + kDevReg0901);
    w.Click(ControlId::cmdLog);
    w.Click(ControlId::cmdSaveLog);
    EXPECT_EQ(History(), kSaved2);
    QCheckBox* autoSum = w.Window().chkAutoSum();
    QTest::mouseClick(autoSum, Qt::LeftButton, {}, QPoint(5, autoSum->height() / 2));
    ASSERT_TRUE(autoSum->isChecked());
    ServeLog(kDevReg0901 + kDevReg0902 + kDevReg0903);
    w.Click(ControlId::cmdLog);
    w.Click(ControlId::cmdSaveLog);
    EXPECT_EQ(History(), kSaved3);
    EXPECT_EQ(w.Status(), "Log summarised.");

    w.Click(ControlId::cmdBackup);
    ASSERT_TRUE(w.WaitUntilIdle());
    EXPECT_EQ(w.Status(), "Backup complete.");
    const auto vecBackups = Backups(App());
    ASSERT_EQ(vecBackups.size(), 1u);
    EXPECT_TRUE(ReadBytes(vecBackups[0]) == m_strConfig);

    EXPECT_EQ(w.MessageTexts(),
              (std::vector<std::string>{
                  "System log saved, 6 line(s) added.", "System log saved, 2 line(s) added.",
                  "System log saved, 2 line(s) added.",
                  "System log summarised from 11 to 9 line(s)", "Current config backed up."}));
    w.Window().close();
    EXPECT_NE(ReadBytes(App() / "settings.ini").find("Auto Summarise=1\r\n"), std::string::npos);
}

TEST_F(RealWindowTest, SummariseThenSaveAndAnEditedPaneKeepEveryByte) {
    WriteBytes(App() / "sys-log.txt", kHistory);
    RealWindow w(App());
    w.Click(ControlId::cmdSummarise);
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"), kSummarisedHistory);
    EXPECT_EQ(w.Window().GetLogText(), kSummarisedHistory);

    w.Click(ControlId::cmdSaveLog);
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"), kSummarisedHistory);

    // An edited pane gives back its lines joined by CR LF, with every other byte as shown.
    TypeLineOnTop(w.Window().txtLog(), kTyped);
    w.Click(ControlId::cmdSaveLog);
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"), kTyped + "\r\n" + kSummarisedHistory);
    EXPECT_EQ(w.MessageTexts(),
              (std::vector<std::string>{"System log summarised from 10 to 8 line(s)",
                                        "System log saved, 0 line(s) added.",
                                        "System log saved, 1 line(s) added."}));
}

// Another user (nobody, where the test runs as root) holds the history's lock for ten minutes:
// the save gives up within its bound with the usual failure, the history is untouched, and the
// window keeps serving its events the whole time.
TEST_F(RealWindowTest, AnotherUsersLockEndsTheSaveWithinItsBoundAndTheWindowStaysResponsive) {
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
    const qint64 lngTookMs = objClock.elapsed();

    EXPECT_EQ(w.MessageTexts(), std::vector<std::string>{"Could not save system log."});
    EXPECT_EQ(w.Status(), "Could not save system log.");
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"), kHistory);
    EXPECT_LT(lngTookMs, 60000);
    // A timer of the window fired all through the wait (every 50 ms for about 10 s).
    EXPECT_GT(intTicks, 100);
}

TEST_F(RealWindowTest, ClosingDuringASilentFetchEndsAtOnce) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    m_http->SetRoute("/cgi/syslog.txt", {200, "", FakeAtaHttpServer::Fault::Hang});
    QElapsedTimer sinceClose;
    {
        auto w = std::make_unique<RealWindow>(App());
        w->Window().txtUser()->setText("changed");
        QTimer::singleShot(300, &w->Window(), [&] {
            sinceClose.start();
            w->Window().close();
        });
        w->Click(ControlId::cmdLog);
        ASSERT_TRUE(sinceClose.isValid());
        w.reset(); // what main() does once the window is closed
    }
    EXPECT_LT(sinceClose.elapsed(), 2000);
    EXPECT_NE(ReadBytes(App() / "settings.ini").find("Username=changed\r\n"), std::string::npos);
}

// The settings fill the fields at start-up. Leaving the IP field trims it; an invalid address
// keeps the focus there, whether the user tabs away or clicks another field. No command runs.
TEST_F(RealWindowTest, LeavingTheIpFieldTrimsItAndAnInvalidAddressKeepsTheFocus) {
    WriteBytes(App() / "settings.ini",
               "[Options]\r\nUsername=admin\r\nPassword=secret\r\nAuto Summarise=1\r\n");
    RealWindow w(App());
    MainWindow& win = w.Window();
    EXPECT_EQ(win.txtUser()->text(), "admin");
    EXPECT_EQ(win.txtPass()->displayText(), "******");
    EXPECT_TRUE(win.chkAutoSum()->isChecked());
    // The field starts empty with the two default addresses in its list.
    ASSERT_EQ(win.cboIp()->count(), 2);
    EXPECT_EQ(win.cboIp()->itemText(1), "10.0.0.99");
    EXPECT_EQ(win.cboIp()->currentText(), "");
    // The window system gives the window its activation back once a box has gone.
    const auto answered = [&] {
        w.Settle();
        win.activateWindow();
        QApplication::processEvents();
    };
    win.cboIp()->setFocus();
    win.cboIp()->setEditText("127.0.0");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    answered();
    EXPECT_EQ(w.MessageTexts(), std::vector<std::string>{kInvalidIpMessage});
    EXPECT_TRUE(win.cboIp()->hasFocus());
    // The click is sent to the window, as the window system delivers it.
    QTest::mouseClick(win.windowHandle(), Qt::LeftButton, {},
                      win.txtUser()->mapTo(&win, QPoint(5, 5)));
    answered();
    EXPECT_EQ(w.MessageTexts().size(), 2u);
    EXPECT_TRUE(win.cboIp()->hasFocus());
    win.cboIp()->setEditText(" 127.0.0.9 ");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    answered();
    EXPECT_EQ(win.cboIp()->currentText(), "127.0.0.9");
    EXPECT_FALSE(win.cboIp()->hasFocus());
    EXPECT_EQ(w.MessageTexts().size(), 2u);
}

// File faults as a user without special rights. They run in a child process as "nobody" when
// the tests run as root (see RealWindowFileFaults below), directly otherwise.
class AsUser : public AsOrdinaryUserCase {
protected:
    AsUser() : AsOrdinaryUserCase("RealWindowFileFaults.AsAnOrdinaryUser") {}
    void SetUp() override {
        AsOrdinaryUserCase::SetUp();
        if (!IsSkipped() && !HasFatalFailure())
            WriteBytes(m_folder / "sys-log.txt", kHistory);
    }
};

TEST_F(AsUser, AReadOnlyHistoryIsLeftAsItWas) {
    ::chmod((m_folder / "sys-log.txt").c_str(), 0444);
    const std::string strSettings = "[Options]\r\nIP=127.0.0.9\r\n";
    WriteBytes(m_folder / "settings.ini", strSettings);
    ::chmod((m_folder / "settings.ini").c_str(), 0444);
    RealWindow w(m_folder);
    TypeLineOnTop(w.Window().txtLog(), kTyped);
    w.Click(ControlId::cmdSaveLog);
    EXPECT_EQ(w.Status(), "Could not save system log.");
    w.Click(ControlId::cmdSummarise);
    EXPECT_EQ(w.Status(), "Could not save system log summary.");
    EXPECT_EQ(ReadBytes(m_folder / "sys-log.txt"), kHistory);
    EXPECT_EQ(ModeOf(m_folder / "sys-log.txt"), 0444u);
    ASSERT_EQ(w.Messages().size(), 2u);
    EXPECT_EQ(w.Messages()[0].enmIcon, QMessageBox::Warning);
    // Closing still closes, and says that the settings were not kept.
    w.Window().close();
    EXPECT_EQ(ReadBytes(m_folder / "settings.ini"), strSettings);
    EXPECT_EQ(w.MessageTexts(),
              (std::vector<std::string>{
                  "Could not save system log.", "Could not save system log summary.",
                  "Could not save the settings to " + (m_folder / "settings.ini").string()}));
}

TEST_F(AsUser, AReadOnlyFolderWithWritableFilesSavesTheLogAndTheSettings) {
    WriteBytes(m_folder / "settings.ini", "[Options]\r\nIP=127.0.0.9\r\nUsername=admin\r\n");
    ::chmod(m_folder.c_str(), 0555);
    {
        RealWindow w(m_folder);
        TypeLineOnTop(w.Window().txtLog(), kTyped);
        w.Click(ControlId::cmdSaveLog);
        EXPECT_EQ(w.MessageTexts(), std::vector<std::string>{"System log saved, 1 line(s) added."});
        w.Window().txtUser()->setText("operator");
        w.Window().close();
    }
    EXPECT_EQ(ReadBytes(m_folder / "sys-log.txt"), kTyped + "\r\n" + kHistory);
    EXPECT_EQ(
        ReadBytes(m_folder / "settings.ini"),
        "[Options]\r\nIP=127.0.0.9\r\nUsername=operator\r\nPassword=\r\nAuto Summarise=0\r\n");
    std::vector<std::string> vecNames;
    for (const auto& entry : fs::directory_iterator(m_folder))
        vecNames.push_back(entry.path().filename().string());
    std::sort(vecNames.begin(), vecNames.end());
    EXPECT_EQ(vecNames, (std::vector<std::string>{"settings.ini", "sys-log.txt"}));
}

TEST_F(AsUser, AFullDiskKeepsTheHistoryAndLeavesNoFileBehind) {
    const bool blnFtp = std::getenv("ATA_NOBODY_FOLDER") != nullptr; // then the FTP server runs
    if (blnFtp)
        WriteBytes(m_folder / "settings.ini",
                   "[Options]\r\nIP=127.0.0.4\r\nUsername=admin\r\nPassword=secret\r\n");
    RealWindow w(m_folder);
    TypeLineOnTop(w.Window().txtLog(), kTyped);
    // Writes past the limit fail as on a full disk; the signal they raise is ignored.
    const auto prevHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = kHistory.size() / 2;
    ::setrlimit(RLIMIT_FSIZE, &small);
    w.Click(ControlId::cmdSaveLog);
    w.Click(ControlId::cmdSummarise);
    std::vector<std::string> vecExpected = {"Could not save system log.",
                                            "Could not save system log summary."};
    if (blnFtp) {
        w.Click(ControlId::cmdBackup);
        EXPECT_TRUE(w.WaitUntilIdle());
        vecExpected.push_back("");
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, prevHandler);

    auto vecTexts = w.MessageTexts();
    if (blnFtp && vecTexts.size() == 3 &&
        vecTexts[2].find("could not be written") != std::string::npos)
        vecTexts[2].clear();
    EXPECT_EQ(vecTexts, vecExpected);
    EXPECT_EQ(ReadBytes(m_folder / "sys-log.txt"), kHistory);
    EXPECT_TRUE(Backups(m_folder).empty());
}

// Runs the AsUser cases in a child process as "nobody", in a folder that user owns, with the
// fake ATA's FTP server of this process for the backup.
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
