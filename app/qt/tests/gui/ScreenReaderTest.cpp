// The window as a screen reader meets it on the AT-SPI bus: a fixture walks the real window's
// tree with pyatspi, presses Get Status through the button's press action and listens to what
// the window announces, against the fake ATA on its own loopback address (root). The test runs
// itself again in a child process under Xvfb in a D-Bus session of its own, with Qt's
// accessibility on.
#include "testing/RealWindow.h"
#include "testing/UnprivilegedRun.h"

#include "testing/FakeAtaFixture.h"

#include <QAccessible>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <unistd.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr const char* kAtaAddress = "127.0.0.11";
// Set in the child process that runs inside the session.
constexpr const char* kInSession = "ATA_AT_SPI_SESSION";

std::vector<std::string> Strings(const QJsonValue& value) {
    std::vector<std::string> vec;
    for (const QJsonValue& item : value.toArray())
        vec.push_back(item.isString() ? item.toString().toStdString()
                                      : std::to_string(item.toInt()));
    return vec;
}

class ScreenReaderTest : public FakeAtaTest {
protected:
    ScreenReaderTest() : FakeAtaTest(kAtaAddress) {}

    // Runs this case again inside a new X server and D-Bus session; skipped where none can
    // start.
    void RunInSession() {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to serve the fake ATA on ports 80 and 21 of "
                         << kAtaAddress;
        for (const char* strTool : {"/usr/bin/xvfb-run", "/usr/bin/Xvfb", "/usr/bin/xauth",
                                    "/usr/bin/dbus-run-session", "/usr/bin/python3"})
            if (::access(strTool, X_OK) != 0)
                GTEST_SKIP() << "no AT-SPI bus can start here: " << strTool
                             << " is missing (tools/install-deps.sh installs it)";
        QProcess probe;
        probe.start("/usr/bin/python3", {"-c", "import pyatspi"});
        if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
            GTEST_SKIP() << "no AT-SPI client here: /usr/bin/python3 cannot import pyatspi "
                            "(Debian package python3-pyatspi)";

        const CaseRun run = RunCasesAgain(
            std::string(::testing::UnitTest::GetInstance()->current_test_suite()->name()) + "." +
                ::testing::UnitTest::GetInstance()->current_test_info()->name(),
            {std::string(kInSession) + "=1", "QT_QPA_PLATFORM=xcb",
             "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1", "QT_SCALE_FACTOR", "DBUS_SESSION_BUS_ADDRESS",
             "AT_SPI_BUS_ADDRESS"},
            {"/usr/bin/xvfb-run", "-a", "-s", "-screen 0 1024x768x24 -nolisten tcp",
             "/usr/bin/dbus-run-session", "--"});
        const std::string& strOutput = run.strOut;
        const auto at = strOutput.find("SKIPPED: ");
        if (at != std::string::npos)
            GTEST_SKIP() << strOutput.substr(at, strOutput.find('\n', at) - at);
        EXPECT_EQ(run.intExit, 0) << "the case failed in the session (output above)";
    }
};

TEST_F(ScreenReaderTest, PressingGetStatusAnnouncesEveryStepAndBothLamps) {
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
    ASSERT_EQ(reader.exitCode(), 0) << "the screen reader fixture failed";
    const QJsonObject r = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
    if (!r["found"].toBool())
        GTEST_SKIP() << "SKIPPED: no AT-SPI bus could start: the window never appeared on it";
    EXPECT_FALSE(r["timed_out"].toBool()) << "the run's last announcements never came";

    EXPECT_EQ(r["frame"].toString(), "ATA Maintenance Tool");
    // Each button's name, its first action and that action's key.
    EXPECT_EQ(Strings(r["buttons"]),
              (std::vector<std::string>{"Get Status: Press Alt+S", "Get System Log: Press Alt+L",
                                        "Save System Log: Press", "Summarise Log: Press",
                                        "Backup Config: Press Alt+B"}));
    // The IP field is named by its address, as a drop-down list is; its label names the field.
    EXPECT_EQ(Strings(r["fields"]), (std::vector<std::string>{
                                        "combo box 127.0.0.11 <- IP address:",
                                        "text Username: <- Username:",
                                        "password text Password: <- Password:",
                                        "text System log <-",
                                    }));
    EXPECT_EQ(Strings(r["lamps_before"]),
              (std::vector<std::string>{"Online: unknown (ATA online status)",
                                        "Registered: unknown (ATA registration status)"}));

    // Every status text reached the reader as it appeared, each with a change of the name.
    EXPECT_EQ(Strings(r["status_texts"]),
              (std::vector<std::string>{"Validatin IP address...", "Checking ATA is powered on...",
                                        "Browsing to http://127.0.0.11/doc/m_set.htm",
                                        "ATA status read."}));
    EXPECT_EQ(r["status_name_events"].toInt(), 4);
    EXPECT_EQ(r["status_after"].toString(), "ATA status read.");
    // Both lamps turned green, and their names say so.
    EXPECT_EQ(r["lamp_name_events"].toInt(), 2);
    EXPECT_EQ(Strings(r["lamps_after"]),
              (std::vector<std::string>{"Online: yes", "Registered: yes"}));
    EXPECT_EQ(w.Window().LedColour(ControlId::ledPower), kColourGreen);
    EXPECT_EQ(w.Window().LedColour(ControlId::ledVoIP), kColourGreen);
    // The pressed button was unavailable while its command ran and has the focus again.
    EXPECT_EQ(Strings(r["sensitivity_of_pressed"]), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(Strings(r["pressed_states"]),
              (std::vector<std::string>{"focusable", "focused", "sensitive"}));
    EXPECT_TRUE(w.Messages().empty());
}

// The press action as the bus hands it over, on the offscreen platform: a key press on the
// button, so that it leaves the IP field as the keyboard does (an invalid address refuses it)
// and a disabled button ignores it.
TEST(PressAction, ActsAsAKeyPressOnTheButton) {
    const ScratchFolder folder;
    RealWindow w(folder.path);
    MainWindow& win = w.Window();
    QWidget* cmdSaveLog = win.Control(ControlId::cmdSaveLog);
    QAccessibleActionInterface* action =
        QAccessible::queryAccessibleInterface(cmdSaveLog)->actionInterface();
    ASSERT_NE(action, nullptr);
    const auto press = [&] {
        action->doAction(QAccessibleActionInterface::pressAction());
        QApplication::processEvents();
        w.Settle();
        win.activateWindow();
        QApplication::processEvents();
    };
    win.cboIp()->setFocus();
    win.cboIp()->setEditText("127.0.0");
    press();
    EXPECT_TRUE(win.cboIp()->hasFocus());
    win.cboIp()->setEditText("127.0.0.9");
    win.SetEnabled(ControlId::cmdSaveLog, false);
    press();
    win.SetEnabled(ControlId::cmdSaveLog, true);
    press();
    // The Enter that answers the message does not press the button again.
    EXPECT_EQ(w.MessageTexts(), (std::vector<std::string>{"The IP address is not valid. Please "
                                                          "enter a valid IP address in the form "
                                                          "x.x.x.x",
                                                          "No log to save."}));
    EXPECT_FALSE(fs::exists(folder.path / "sys-log.txt"));
}

} // namespace
} // namespace ata
