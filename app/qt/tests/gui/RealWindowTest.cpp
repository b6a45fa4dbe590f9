// The real window against the fake ATA (127.0.0.4, root), its files compared byte for byte.
#include "testing/RealWindow.h"

#include "testing/OtherProcessLock.h"

#include "app/qt/DesignFonts.h"
#include "app/qt/ZelSimpleButtonWidget.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QProcess>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr const char* kAtaAddress = "127.0.0.4";
constexpr const char* kInSession = "ATA_AT_SPI_SESSION";

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
// 10:03 and 10:00 (10:00 its run's end) lie within 5 minutes of the line before; 09:56, 09:55 too.
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

// The reader's report, written out from the window's design.
constexpr const char* kExpectedReport = R"json({"found": true, "timed_out": false,
  "frame": "ATA Maintenance Tool",
  "buttons": ["Get Status: Press Alt+S", "Get System Log: Press Alt+L", "Save System Log: Press",
              "Summarise Log: Press", "Backup Config: Press Alt+B"],
  "fields": ["combo box 127.0.0.4 <- IP address:", "text Username: <- Username:",
             "password text Password: <- Password:", "text System log <-"],
  "lamps_before": ["Online: unknown (ATA online status)",
                   "Registered: unknown (ATA registration status)"],
  "status_texts": ["Validatin IP address...", "Checking ATA is powered on...",
                   "Browsing to http://127.0.0.4/doc/m_set.htm", "ATA status read."],
  "status_name_events": 4, "status_after": "ATA status read.", "lamp_name_events": 2,
  "lamps_after": ["Online: yes", "Registered: yes"],
  "sensitivity_of_pressed": [0, 1], "pressed_states": ["focusable", "focused", "sensitive"]})json";

class RealWindowTest : public FakeAtaTest {
protected:
    RealWindowTest() : FakeAtaTest(kAtaAddress) {}
    // Runs this case again inside a new X server and D-Bus session; skipped where none starts.
    void RunInSession() {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to serve the fake ATA on ports 80 and 21";
        for (const char* strTool : {"/usr/bin/xvfb-run", "/usr/bin/Xvfb", "/usr/bin/xauth",
                                    "/usr/bin/dbus-run-session", "/usr/bin/python3"})
            if (::access(strTool, X_OK) != 0)
                GTEST_SKIP() << "no AT-SPI bus can start here: " << strTool
                             << " is missing (tools/install-deps.sh installs it)";
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const CaseRun run =
            RunCasesAgain(std::string(info->test_suite_name()) + "." + info->name(),
                          {std::string(kInSession) + "=1", "QT_QPA_PLATFORM=xcb",
                           "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1", "QT_SCALE_FACTOR",
                           "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS"},
                          {"/usr/bin/xvfb-run", "-a", "-s", "-screen 0 1024x768x24 -nolisten tcp",
                           "/usr/bin/dbus-run-session", "--"});
        const auto at = run.strOut.find("SKIPPED: ");
        if (at != std::string::npos)
            GTEST_SKIP() << run.strOut.substr(at, run.strOut.find('\n', at) - at);
        EXPECT_EQ(run.intExit, 0) << "the case failed in the session (output above)";
    }
};

// Keyboard, mouse, another user's lock, an edited pane, and closing while a fetch hangs.
TEST_F(RealWindowTest, KeyboardMouseAnotherUsersLockAndClosingMidFetchKeepEveryByte) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    auto w = std::make_unique<RealWindow>(App());
    MainWindow& win = w->Window();
    const QImage boxUnfocused = Grab(win.chkAutoSum());
    ASSERT_TRUE(win.cboIp()->hasFocus());
    // An invalid address keeps the focus whether the user tabs away, clicks another field or a
    // screen reader presses a button (a key press on it); a disabled one ignores the press.
    QAccessibleActionInterface* action =
        QAccessible::queryAccessibleInterface(win.Control(ControlId::cmdSaveLog))
            ->actionInterface();
    ASSERT_NE(action, nullptr);
    const auto press = [&] {
        action->doAction(QAccessibleActionInterface::pressAction());
        QApplication::processEvents();
        w->Answered();
    };
    win.cboIp()->setEditText("127.0.0");
    w->Key(Qt::Key_Tab);
    // The click goes to the window, as the window system delivers it.
    QTest::mouseClick(win.windowHandle(), Qt::LeftButton, {},
                      win.txtUser()->mapTo(&win, QPoint(5, 5)));
    w->Answered();
    press();
    EXPECT_TRUE(win.cboIp()->hasFocus());
    win.cboIp()->setEditText(" 127.0.0.4 ");
    w->Key(Qt::Key_Tab);
    EXPECT_EQ(win.cboIp()->currentText(), "127.0.0.4");
    EXPECT_TRUE(win.txtUser()->hasFocus());
    win.SetEnabled(ControlId::cmdSaveLog, false);
    press();
    win.SetEnabled(ControlId::cmdSaveLog, true);
    press();
    win.cboIp()->setFocus();
    // While the backup runs, the disabled controls hand the focus on to the check box, the one
    // live control, which shows it; the focus returns to the button when the backup ends.
    w->Key(Qt::Key_B, Qt::AltModifier);
    ASSERT_TRUE(win.chkAutoSum()->hasFocus());
    const QImage boxFocused = Grab(win.chkAutoSum());
    SaveScreenshot(boxFocused, "check-box-focused.png");
    // The mark frames the caption, right of the 13-pixel box.
    int intMarked = 0;
    for (int y = 0; y < boxFocused.height(); ++y)
        for (int x = 16; x < boxFocused.width(); ++x)
            intMarked += boxFocused.pixel(x, y) != boxUnfocused.pixel(x, y);
    EXPECT_GT(intMarked, 40);
    ASSERT_TRUE(w->WaitUntilIdle());
    w->Answered();
    EXPECT_EQ(w->Status(), "Backup complete.");
    EXPECT_TRUE(win.Control(ControlId::cmdBackup)->hasFocus());
    EXPECT_FALSE(win.chkAutoSum()->isChecked());
    // Tab passes through the pane, typing nothing, round to the IP field and on.
    const auto step = [&](Qt::Key enmKey, ControlId enmFocus, Qt::KeyboardModifiers mods = {}) {
        w->Key(enmKey, mods);
        EXPECT_TRUE(win.Control(enmFocus)->hasFocus()) << static_cast<int>(enmFocus);
    };
    step(Qt::Key_Tab, ControlId::txtLog);
    for (ControlId id :
         {ControlId::cboIp, ControlId::txtUser, ControlId::txtPass, ControlId::cmdStatus})
        step(Qt::Key_Tab, id);
    EXPECT_EQ(win.GetLogText(), "");
    step(Qt::Key_Space, ControlId::cmdStatus);
    EXPECT_EQ(w->Status(), "ATA status read.");
    ServeLog(kDevRegA + kDevCaller + kDevPrice + kDevNul + kDevBareCr + kDevRegB);
    step(Qt::Key_L, ControlId::cmdLog, Qt::AltModifier);
    EXPECT_EQ(w->Status(), "Log sorted.");
    EXPECT_EQ(win.GetLogText(), kSorted1);
    step(Qt::Key_Tab, ControlId::cmdSaveLog);
    step(Qt::Key_Enter, ControlId::cmdSaveLog); // the Enter answering its box saves no more
    EXPECT_EQ(History(), kSaved1);
    step(Qt::Key_Tab, ControlId::cmdSummarise);
    step(Qt::Key_Space, ControlId::cmdSummarise);
    EXPECT_EQ(History(), kSorted1); // only the empty line after the last one goes
    // The Enter that answers "No log to save." does not press again.
    ASSERT_EQ(w->MessageTexts(),
              (std::vector<std::string>{kInvalidIpMessage, kInvalidIpMessage, kInvalidIpMessage,
                                        "No log to save.", "Current config backed up.",
                                        "System log saved, 6 line(s) added.",
                                        "System log summarised from 7 to 6 line(s)"}));
    // The mouse, from an empty history.
    fs::remove(App() / "sys-log.txt");
    const size_t lngByKeyboard = w->MessageTexts().size();
    w->Click(ControlId::cmdStatus);
    EXPECT_EQ(win.LedColour(ControlId::ledPower), kColourGreen);
    EXPECT_EQ(win.LedColour(ControlId::ledVoIP), kColourGreen);
    w->Click(ControlId::cmdLog); // the page of the keyboard's fetch
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
    ASSERT_EQ(Backups(App()).size(), 2u);
    for (const fs::path& backup : Backups(App()))
        EXPECT_TRUE(ReadBytes(backup) == m_strConfig);
    autoSum->setChecked(false); // until the close, which keeps it
    // Another user holds the history's lock for ten minutes: the save gives up in time, the window
    // responsive.
    const fs::path lock = App() / "sys-log.txt.lock";
    WriteBytes(lock, "");
    ASSERT_EQ(::chown(lock.c_str(), kNobodyUid, kNobodyUid), 0);
    OtherProcessLock objOther(lock.string(), kNobodyUid);
    ASSERT_TRUE(objOther.Held());
    WriteBytes(App() / "sys-log.txt", kHistory);
    TypeLineOnTop(win.txtLog(), kTyped);
    int intTicks = 0;
    QTimer objTicker;
    QObject::connect(&objTicker, &QTimer::timeout, [&] { ++intTicks; });
    objTicker.start(50);
    w->Click(ControlId::cmdSaveLog);
    EXPECT_TRUE(w->WaitUntilIdle(60000)); // within its bound
    EXPECT_EQ(w->Status(), "Could not save system log.");
    EXPECT_EQ(History(), kHistory);
    EXPECT_GT(intTicks, 100); // every 50 ms for about 10 s
    objOther.Release();
    w->Click(ControlId::cmdSummarise);
    EXPECT_EQ(History(), kSummarisedHistory);
    EXPECT_EQ(win.GetLogText(), kSummarisedHistory);
    w->Click(ControlId::cmdSaveLog);
    EXPECT_EQ(History(), kSummarisedHistory);
    // An edited pane gives back its lines joined by CR LF, every other byte as shown.
    TypeLineOnTop(win.txtLog(), kTyped);
    w->Click(ControlId::cmdSaveLog);
    EXPECT_EQ(History(), kTyped + "\r\n" + kSummarisedHistory);
    EXPECT_EQ(std::vector<std::string>(w->MessageTexts().begin() + lngByKeyboard,
                                       w->MessageTexts().end()),
              (std::vector<std::string>{
                  "System log saved, 6 line(s) added.", "System log saved, 2 line(s) added.",
                  "System log saved, 2 line(s) added.",
                  "System log summarised from 11 to 9 line(s)", "Current config backed up.",
                  "Could not save system log.", "System log summarised from 10 to 8 line(s)",
                  "System log saved, 0 line(s) added.", "System log saved, 1 line(s) added."}));
    // Closing while a fetch hangs closes at once and keeps the settings.
    m_http->SetRoute("/cgi/syslog.txt", {200, "", FakeAtaHttpServer::Fault::Hang});
    win.txtUser()->setText("changed");
    autoSum->setChecked(true);
    QElapsedTimer sinceClose;
    QTimer::singleShot(300, &win, [&] {
        sinceClose.start();
        win.close();
    });
    w->Click(ControlId::cmdLog);
    ASSERT_TRUE(sinceClose.isValid());
    w.reset(); // as main() does once the window is closed
    EXPECT_LT(sinceClose.elapsed(), 2000);
    EXPECT_NE(ReadBytes(App() / "settings.ini")
                  .find("Username=changed\r\nPassword=secret\r\nAuto Summarise=1\r\n"),
              std::string::npos);
}

TEST_F(RealWindowTest, AScreenReaderPressingGetStatusHearsEveryStepAndBothLamps) {
    if (!qEnvironmentVariableIsSet(kInSession)) {
        RunInSession();
        return;
    }
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    RealWindow w(App());
    QProcess reader;
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reader.start("/usr/bin/python3",
                 {QStringLiteral(ATA_SOURCE_DIR "/testing/fixtures/screen_reader.py"),
                  QString::number(::getpid()), "60"});
    // The window answers the reader's questions while the loop runs.
    ASSERT_TRUE(RunEventsUntil([&] { return reader.state() == QProcess::NotRunning; }, 90000));
    if (reader.exitCode() == 77)
        GTEST_SKIP() << "SKIPPED: /usr/bin/python3 cannot import pyatspi (python3-pyatspi)";
    ASSERT_EQ(reader.exitCode(), 0) << "the screen reader fixture failed";
    const QJsonObject r = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
    if (!r["found"].toBool())
        GTEST_SKIP() << "SKIPPED: no AT-SPI bus could start: the window never appeared on it";
    EXPECT_EQ(QJsonDocument(r).toJson().toStdString(),
              QJsonDocument::fromJson(kExpectedReport).toJson().toStdString());
    EXPECT_TRUE(w.Messages().empty());
}

// File faults as an ordinary user: as nobody in a child process when root runs the tests.
class AsUser : public AsOrdinaryUserCase {
protected:
    AsUser() : AsOrdinaryUserCase("RealWindowFileFaults.AsAnOrdinaryUser") {}
    // Starts the tool, lets fnUse work the window and closes it; the boxes shown.
    template <typename Use> std::vector<std::string> StartAndClose(Use fnUse) {
        RealWindow w(m_folder);
        fnUse(w);
        w.Window().close();
        return w.MessageTexts();
    }
};

// A read-only program folder, then the user's own folders, then neither; every byte kept.
TEST_F(AsUser, AReadOnlyFolderHistoryOrFullDiskKeepsEveryFileAsItWas) {
    WriteBytes(m_folder / "sys-log.txt", kHistory);
    const std::string strNotSaved =
        "Could not save the settings to " + (m_folder / "settings.ini").string();
    WriteBytes(m_folder / "settings.ini",
               "[Options]\r\nIP=127.0.0.9\r\nUsername=admin\r\nPassword=secret\r\n");
    const fs::path config = m_folder / "home/config", data = m_folder / "home/data";
    fs::create_directories(m_folder / "home");
    ::chmod(m_folder.c_str(), 0555);
    EXPECT_EQ(StartAndClose([](RealWindow& w) {
                  TypeLineOnTop(w.Window().txtLog(), kTyped);
                  w.Click(ControlId::cmdSaveLog);
                  w.Window().SetIpText(kAtaAddress);
              }),
              std::vector<std::string>{"System log saved, 1 line(s) added."});
    const std::string strHistory = kTyped + "\r\n" + kHistory;
    EXPECT_EQ(ReadBytes(m_folder / "sys-log.txt"), strHistory);
    const std::string strSettings =
        "[Options]\r\nIP=127.0.0.4\r\nUsername=admin\r\nPassword=secret\r\nAuto Summarise=0\r\n";
    EXPECT_EQ(ReadBytes(m_folder / "settings.ini"), strSettings);
    std::set<std::string> setNames;
    for (const auto& entry : fs::directory_iterator(m_folder))
        setNames.insert(entry.path().filename().string());
    EXPECT_EQ(setNames, (std::set<std::string>{"home", "settings.ini", "sys-log.txt"}));

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
    const auto vecWarned = StartAndClose(keepIp);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(vecWarned, (std::vector<std::string>{
                             "The program folder " + m_folder.string() +
                                 " cannot be written, and neither can your own folders " +
                                 m_folder.string() + "/config/atatool/ and " + data.string() +
                                 "/atatool/. Your settings, the log history and configuration "
                                 "backups will not be kept. The tool works as usual otherwise.",
                             strNotSaved}));
    EXPECT_EQ(strIp, kAtaAddress);

    ::chmod(m_folder.c_str(), 0755);
    const bool blnFtp = std::getenv("ATA_NOBODY_FOLDER") != nullptr; // then the FTP server runs
    auto vecTexts = StartAndClose([&](RealWindow& w) {
        TypeLineOnTop(w.Window().txtLog(), kTyped);
        w.Click(ControlId::cmdSaveLog);
        EXPECT_EQ(w.Status(), "Could not save system log.");
        w.Click(ControlId::cmdSummarise);
        EXPECT_EQ(w.Status(), "Could not save system log summary.");
        ASSERT_FALSE(w.Messages().empty());
        EXPECT_EQ(w.Messages()[0].enmIcon, QMessageBox::Warning);
        // Writes past the limit fail as on a full disk; the signal they raise is ignored.
        ::chmod((m_folder / "sys-log.txt").c_str(), 0644);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const rlimit small{kHistory.size() / 2, old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
        w.Click(ControlId::cmdSaveLog);
        w.Click(ControlId::cmdSummarise);
        if (blnFtp) {
            w.Click(ControlId::cmdBackup);
            EXPECT_TRUE(w.WaitUntilIdle());
        }
        ::setrlimit(RLIMIT_FSIZE, &old);
    });
    EXPECT_EQ(ReadBytes(m_folder / "sys-log.txt"), strHistory);
    EXPECT_EQ(ReadBytes(m_folder / "settings.ini"), strSettings);
    EXPECT_TRUE(Backups(m_folder).empty());
    if (blnFtp) {
        ASSERT_EQ(vecTexts.size(), 6u);
        EXPECT_NE(vecTexts[4].find("could not be written"), std::string::npos);
        vecTexts.erase(vecTexts.begin() + 4);
    }
    EXPECT_EQ(vecTexts, (std::vector<std::string>{
                            "Could not save system log.", "Could not save system log summary.",
                            "Could not save system log.", "Could not save system log summary.",
                            strNotSaved}));
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

// The smallest rectangle around the pixels of rows y0 to y1 that match.
template <typename Match>
QRect Where(const QImage& image, Match match, int y0 = 0, int y1 = INT_MAX) {
    QRect box;
    for (int y = y0; y < std::min(y1, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixelColor(x, y), x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

// The black caption and its smoothed edges on any light look; the border (0x743C00) is no ink.
QRect InkBox(const QImage& image, int y0 = 0, int y1 = INT_MAX) {
    const auto ink = [](QColor c, int, int) {
        return std::max({c.red(), c.green(), c.blue()}) < 0x90 &&
               std::abs(c.red() - c.blue()) < 0x30;
    };
    return Where(image, ink, y0, y1);
}

bool Shows(const QImage& image, QColor colour) {
    return !Where(image, [&](QColor c, int, int) { return c == colour; }).isNull();
}

// One pixel clear of the border (1 wide at the left and top, 2 at the right and bottom).
bool ClearOfBorder(const QRect& ink, QSize size, int s) {
    return QRect(2 * s, 2 * s, size.width() - 5 * s, size.height() - 5 * s).contains(ink);
}

// The fields as the settings fill them, and the pixels; a writable folder is not reported.
TEST(RealWindowLookTest, CaptionsColoursAndLabelsAsDesigned) {
    const ScratchFolder folder;
    WriteBytes(folder.path / "settings.ini",
               "[Options]\r\nUsername=admin\r\nPassword=secret\r\nAuto Summarise=1\r\n");
    RealWindow w(folder.path);
    MainWindow& win = w.Window();
    // The settings fill the fields; the IP field starts empty with the two default addresses.
    EXPECT_EQ(win.txtUser()->text(), "admin");
    EXPECT_EQ(win.txtPass()->displayText(), "******");
    EXPECT_TRUE(win.chkAutoSum()->isChecked());
    ASSERT_EQ(win.cboIp()->count(), 2);
    EXPECT_EQ(win.cboIp()->itemText(1), "10.0.0.99");
    EXPECT_EQ(win.cboIp()->currentText(), "");
    SaveScreenshot(win.grab().toImage(), "main-window.png");
    // The icon installed for the desktop (an icon's pixmap is premultiplied).
    for (int intSize : {16, 48, 256}) {
        const QImage installed(
            QString(ATA_SOURCE_DIR "/packaging/icons/atatool-%1.png").arg(intSize));
        ASSERT_FALSE(installed.isNull());
        EXPECT_EQ(win.windowIcon().pixmap(intSize).toImage().convertToFormat(
                      QImage::Format_ARGB32_Premultiplied),
                  installed.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << intSize;
    }
    // The design's faces resolve to installed faces of the same metrics.
    EXPECT_EQ(QFontInfo(win.font()).family().toStdString(), "Tahoma");
    EXPECT_EQ(win.font().pointSizeF(), 8.25);
    EXPECT_EQ(QFontInfo(QFont("Arial")).family().toStdString(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(win.txtLog()->font()).family().toStdString(), "Liberation Mono");
    // Labels lie beneath the fields they overlap: where "Username:" (x 216 to 280) overlaps the
    // IP field, the window shows the field as the field draws itself.
    const QImage shot = Grab(&win), ip = Grab(win.cboIp());
    const QPoint at = win.cboIp()->mapTo(&win, QPoint(0, 0));
    const auto covered = [&](QColor c, int x, int y) {
        return x >= 216 - win.cboIp()->x() && x < ip.width() - 1 &&
               shot.pixelColor(at.x() + x, at.y() + y) != c;
    };
    EXPECT_TRUE(Where(ip, covered, 2, ip.height() - 2).isNull());

    for (ControlId id : {ControlId::cmdStatus, ControlId::cmdLog, ControlId::cmdSaveLog,
                         ControlId::cmdSummarise, ControlId::cmdBackup}) {
        QWidget* button = win.Control(id);
        EXPECT_TRUE(ClearOfBorder(InkBox(Grab(button)), button->size(), 1))
            << button->objectName().toStdString();
    }
    // "Get System Log" in 65 pixels: "Get System" over "Log" (two lines of an 11-pixel face span
    // at least a capital, 8, plus a line, 10), with the L underlined.
    auto* cmdLog = static_cast<ZelSimpleButtonWidget*>(win.Control(ControlId::cmdLog));
    const QImage log = Grab(cmdLog);
    const QRect ink = InkBox(log);
    EXPECT_GE(ink.height(), 18);
    const QRect top = InkBox(log, ink.top(), ink.top() + 4), bottom = InkBox(log, ink.bottom() - 3);
    EXPECT_GT(top.width(), 41);
    EXPECT_LT(bottom.width(), 26);
    cmdLog->setCaption("Get System Log");
    const QImage plain = Grab(cmdLog);
    cmdLog->setCaption("Get System &Log");
    const QRect underline =
        Where(log, [&](QColor c, int x, int y) { return c != plain.pixelColor(x, y); });
    ASSERT_FALSE(underline.isNull());
    EXPECT_LE(underline.height(), 2);
    EXPECT_GE(underline.width(), 4);
    EXPECT_GT(underline.top(), ink.top() + 10);
    EXPECT_LE(underline.right(), bottom.left() + 8); // under the first letter of "Log"
    // cmdLog hovers cyan; the move goes to it directly (X sends none to where the pointer is).
    EXPECT_FALSE(Shows(log, Qt::cyan));
    const QPoint centre = cmdLog->rect().center();
    QMouseEvent move(QEvent::MouseMove, centre, cmdLog->mapToGlobal(centre), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(cmdLog, &move);
    EXPECT_TRUE(Shows(Grab(cmdLog), Qt::cyan));
    // Tab from the password field gives cmdStatus the focus, in green.
    win.txtPass()->setFocus();
    QTest::keyClick(win.txtPass(), Qt::Key_Tab);
    ASSERT_TRUE(win.Control(ControlId::cmdStatus)->hasFocus());
    EXPECT_TRUE(Shows(Grab(win.Control(ControlId::cmdStatus)), Qt::green));
    // The status line runs from 0xFFFFC0 towards 0x808000, its caption centred.
    win.SetStatus("Backing up current config...");
    const QImage status = Grab(win.Control(ControlId::lblStatus));
    EXPECT_EQ(status.pixelColor(3, 0), QColor(0xC0, 0xFF, 0xFF));
    const QColor shade = status.pixelColor(3, status.height() - 1);
    EXPECT_LT(shade.red(), 20);
    EXPECT_NEAR(shade.green(), 0x80, 12);
    const QRect caption = InkBox(status);
    EXPECT_TRUE(!caption.isNull() && caption.left() > 100 &&
                caption.right() < status.width() - 100);
    // As small as it goes, the top band is whole: 8220 x 2400 twips with the pane's margins.
    // Larger, the pane keeps 8 pixels (120 twips) on the left, right and bottom.
    win.resize(120, 60);
    QApplication::processEvents();
    EXPECT_EQ(win.size(), QSize(548, 160));
    SaveScreenshot(win.grab().toImage(), "smallest-window.png");
    auto* band = win.findChild<QGroupBox*>("fraOptions");
    ASSERT_NE(band, nullptr);
    QList<QWidget*> controls = band->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(controls.size(), 16);
    controls.append(band);
    for (QWidget* control : controls)
        EXPECT_TRUE(win.rect().contains(QRect(control->mapTo(&win, QPoint(0, 0)), control->size())))
            << control->objectName().toStdString();
    win.resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(win.txtLog()->geometry(), QRect(8, 152, 684, 340));
    EXPECT_TRUE(w.Messages().empty());
}

// At scale 2 (a child with QT_SCALE_FACTOR=2): exact colours, sharp captions inside buttons.
TEST(RealWindowLookTest, ScaleTwoKeepsColoursAndDrawsSharpCaptions) {
    const ScratchFolder folder;
    if (qgetenv("QT_SCALE_FACTOR") != "2") {
        EXPECT_EQ(RunCasesAgain("RealWindowLookTest.ScaleTwo*", {"QT_SCALE_FACTOR=2"}).intExit, 0);
        return;
    }
    RealWindow w(folder.path);
    MainWindow& win = w.Window();
    ASSERT_EQ(win.devicePixelRatioF(), 2.0);
    QWidget* cmdLog = win.Control(ControlId::cmdLog);
    EXPECT_EQ(cmdLog->geometry(), QRect(72, 40, 65, 33)); // 1080, 600, 975, 495 twips
    win.Control(ControlId::cmdSaveLog)->setFocus();       // so that cmdLog shows its normal look
    QApplication::processEvents();

    const QImage log = Grab(cmdLog);
    ASSERT_EQ(log.size(), QSize(130, 66));
    // Buffer rows 2 to 14 of 16, device rows 10 to 59, in the normal colour 0xEFF3F3.
    const auto abnormal = [](QColor c, int x, int) {
        return x >= 2 && x < 4 && c != QColor(0xF3, 0xF3, 0xEF);
    };
    EXPECT_TRUE(Where(log, abnormal, 10, 60).isNull());
    const QRect ink = InkBox(log);
    EXPECT_TRUE(ClearOfBorder(ink, log.size(), 2));
    // An enlarged caption repeats each pixel in a 2 x 2 block; a sharp one has many mixed blocks.
    int intMixed = 0;
    for (int y = ink.top() & ~1; y < ink.bottom(); y += 2)
        for (int x = ink.left() & ~1; x < ink.right(); x += 2) {
            const QColor c = log.pixelColor(x, y);
            intMixed += log.pixelColor(x + 1, y) != c || log.pixelColor(x, y + 1) != c ||
                        log.pixelColor(x + 1, y + 1) != c;
        }
    EXPECT_GT(intMixed, 40);
}

} // namespace
} // namespace ata

int main(int argc, char** argv) {
    ata::test::UseOffscreenUnlessChosen();
    QApplication app(argc, argv);
    ata::InstallDesignFonts();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
