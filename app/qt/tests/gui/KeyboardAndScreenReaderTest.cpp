// The window as a user without a mouse meets it, against the fake ATA on a loopback address of its
// own (root): with the keyboard alone, and as a screen reader on the AT-SPI bus. The reader's case
// runs itself again under Xvfb in a D-Bus session of its own, with Qt's accessibility on, where
// a fixture walks the window's tree with pyatspi, presses Get Status through its press action and
// records what the window announces.
#include "testing/RealWindow.h"

#include <QAccessible>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <unistd.h>

namespace ata {
namespace {

using namespace test;

// Set in the child process that runs inside the session.
constexpr const char* kInSession = "ATA_AT_SPI_SESSION";

// The reader's report, hand-written: each button's name, first action and its key; each field
// with its role, name and labels; the lamps before and after; every status text as it appeared,
// each with a change of the name; the pressed button unavailable while its command ran, then
// focused again.
constexpr const char* kExpectedReport = R"json({"found": true, "timed_out": false,
  "frame": "ATA Maintenance Tool",
  "buttons": ["Get Status: Press Alt+S", "Get System Log: Press Alt+L", "Save System Log: Press",
              "Summarise Log: Press", "Backup Config: Press Alt+B"],
  "fields": ["combo box 127.0.0.11 <- IP address:", "text Username: <- Username:",
             "password text Password: <- Password:", "text System log <-"],
  "lamps_before": ["Online: unknown (ATA online status)",
                   "Registered: unknown (ATA registration status)"],
  "status_texts": ["Validatin IP address...", "Checking ATA is powered on...",
                   "Browsing to http://127.0.0.11/doc/m_set.htm", "ATA status read."],
  "status_name_events": 4, "status_after": "ATA status read.",
  "lamp_name_events": 2, "lamps_after": ["Online: yes", "Registered: yes"],
  "sensitivity_of_pressed": [0, 1], "pressed_states": ["focusable", "focused", "sensitive"]})json";

std::string Indented(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

class WithoutMouseTest : public FakeAtaTest {
protected:
    WithoutMouseTest() : FakeAtaTest("127.0.0.11") {}

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

// Then the five commands with Tab, Enter, Space and the access keys, each giving the focus back.
TEST_F(WithoutMouseTest, KeyboardAloneChecksTheIpFieldThenRunsEveryCommand) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    RealWindow w(App());
    MainWindow& win = w.Window();
    const auto focused = [&](ControlId id) { return win.Control(id)->hasFocus(); };
    const QImage boxUnfocused = Grab(win.chkAutoSum());
    ASSERT_TRUE(win.cboIp()->hasFocus());

    // An invalid address keeps the focus in the IP field whether the user tabs away, clicks
    // another field or a screen reader presses a button (its press action is a key press on the
    // button); a valid one is trimmed. A disabled button ignores the press action.
    QAccessibleActionInterface* action =
        QAccessible::queryAccessibleInterface(win.Control(ControlId::cmdSaveLog))
            ->actionInterface();
    ASSERT_NE(action, nullptr);
    const auto press = [&] {
        action->doAction(QAccessibleActionInterface::pressAction());
        QApplication::processEvents();
        w.Answered();
    };
    win.cboIp()->setEditText("127.0.0");
    w.Key(Qt::Key_Tab);
    EXPECT_TRUE(win.cboIp()->hasFocus());
    // The click goes to the window, as the window system delivers it.
    QTest::mouseClick(win.windowHandle(), Qt::LeftButton, {},
                      win.txtUser()->mapTo(&win, QPoint(5, 5)));
    w.Answered();
    EXPECT_TRUE(win.cboIp()->hasFocus());
    press();
    EXPECT_TRUE(win.cboIp()->hasFocus());
    win.cboIp()->setEditText(" 127.0.0.11 ");
    w.Key(Qt::Key_Tab);
    EXPECT_EQ(win.cboIp()->currentText(), "127.0.0.11");
    EXPECT_TRUE(win.txtUser()->hasFocus());
    win.SetEnabled(ControlId::cmdSaveLog, false);
    press();
    win.SetEnabled(ControlId::cmdSaveLog, true);
    press();
    win.cboIp()->setFocus();

    // While the backup runs, the disabled controls hand the focus on to the check box, the one
    // live control, which shows it; the focus returns to the button when the backup ends.
    w.Key(Qt::Key_B, Qt::AltModifier);
    ASSERT_TRUE(win.chkAutoSum()->hasFocus());
    const QImage boxFocused = Grab(win.chkAutoSum());
    SaveScreenshot(boxFocused, "check-box-focused.png");
    // The mark frames the caption, right of the 13-pixel box.
    int intMarked = 0;
    for (int y = 0; y < boxFocused.height(); ++y)
        for (int x = 16; x < boxFocused.width(); ++x)
            intMarked += boxFocused.pixel(x, y) != boxUnfocused.pixel(x, y);
    EXPECT_GT(intMarked, 40);
    ASSERT_TRUE(w.WaitUntilIdle());
    w.Answered();
    EXPECT_EQ(w.Status(), "Backup complete.");
    EXPECT_TRUE(focused(ControlId::cmdBackup));
    EXPECT_FALSE(win.chkAutoSum()->isChecked());

    // Tab passes through the pane, typing nothing, round to the IP field and on.
    const auto step = [&](Qt::Key enmKey, ControlId enmFocus, Qt::KeyboardModifiers mods = {}) {
        w.Key(enmKey, mods);
        EXPECT_TRUE(focused(enmFocus)) << static_cast<int>(enmFocus);
    };
    step(Qt::Key_Tab, ControlId::txtLog);
    for (ControlId id :
         {ControlId::cboIp, ControlId::txtUser, ControlId::txtPass, ControlId::cmdStatus})
        step(Qt::Key_Tab, id);
    EXPECT_EQ(win.GetLogText(), "");
    step(Qt::Key_Space, ControlId::cmdStatus);
    EXPECT_EQ(w.Status(), "ATA status read.");
    ServeLog(kDevRegA + kDevCaller + kDevPrice + kDevNul + kDevBareCr + kDevRegB);
    step(Qt::Key_L, ControlId::cmdLog, Qt::AltModifier);
    EXPECT_EQ(win.GetLogText(), kSorted1);
    step(Qt::Key_Tab, ControlId::cmdSaveLog);
    step(Qt::Key_Enter, ControlId::cmdSaveLog); // the Enter answering its box saves no more
    EXPECT_EQ(History(), kSaved1);
    step(Qt::Key_Tab, ControlId::cmdSummarise);
    step(Qt::Key_Space, ControlId::cmdSummarise);
    EXPECT_EQ(History(), kSorted1); // only the empty line after the last one goes
    // The Enter that answers "No log to save." does not press again.
    EXPECT_EQ(w.MessageTexts(),
              (std::vector<std::string>{kInvalidIpMessage, kInvalidIpMessage, kInvalidIpMessage,
                                        "No log to save.", "Current config backed up.",
                                        "System log saved, 6 line(s) added.",
                                        "System log summarised from 7 to 6 line(s)"}));
}

TEST_F(WithoutMouseTest, AScreenReaderPressingGetStatusHearsEveryStepAndBothLamps) {
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
    EXPECT_EQ(Indented(r), Indented(QJsonDocument::fromJson(kExpectedReport).object()));
    EXPECT_TRUE(w.Messages().empty());
}

} // namespace
} // namespace ata
