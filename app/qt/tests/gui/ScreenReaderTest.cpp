// The window as a screen reader meets it on the AT-SPI bus: a fixture walks the real window's
// tree with pyatspi, presses Get Status through its press action and records what the window
// announces, against the fake ATA on its own loopback address (root). The case runs itself again
// under Xvfb in a D-Bus session of its own, with Qt's accessibility on.
#include "testing/RealWindow.h"
#include "testing/UnprivilegedRun.h"

#include "testing/FakeAtaFixture.h"

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

class ScreenReaderTest : public FakeAtaTest {
protected:
    ScreenReaderTest() : FakeAtaTest("127.0.0.11") {}

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
    if (reader.exitCode() == 77)
        GTEST_SKIP() << "SKIPPED: /usr/bin/python3 cannot import pyatspi (python3-pyatspi)";
    ASSERT_EQ(reader.exitCode(), 0) << "the screen reader fixture failed";
    const QJsonObject r = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
    if (!r["found"].toBool())
        GTEST_SKIP() << "SKIPPED: no AT-SPI bus could start: the window never appeared on it";
    EXPECT_EQ(Indented(r), Indented(QJsonDocument::fromJson(kExpectedReport).object()));
    EXPECT_EQ(w.Window().LedColour(ControlId::ledPower), kColourGreen);
    EXPECT_EQ(w.Window().LedColour(ControlId::ledVoIP), kColourGreen);
    EXPECT_TRUE(w.Messages().empty());
}

} // namespace
} // namespace ata
