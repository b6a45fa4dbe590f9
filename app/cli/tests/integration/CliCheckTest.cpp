// The line watch as monitoring and a desktop see it, against the fake ATA on 127.0.0.16: --check's
// line and status, the metrics read by the Prometheus client's parser, the desktop's notices.
#include "testing/CliRun.h"
#include "testing/FakeAtaFixture.h"
#include "testing/UnprivilegedRun.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <regex>

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;
using Clock = std::chrono::steady_clock;
using Route = FakeAtaHttpServer::Route;
using Fault = FakeAtaHttpServer::Fault;

constexpr const char* kAtaAddress = "127.0.0.16";
constexpr const char* kSilentAddress = "127.0.0.18";
constexpr const char* kInSession = "ATA_CLI_NOTICE_SESSION";
const std::string kUnregisteredPage = "<html><!--SIP Registration Information!--><table><tr>"
                                      "<td>Not Registered</td></tr></table></html>";

// One line: service, state word, text, then perfdata label=value[UOM];warn;crit;min;max.
bool IsPluginOutput(const std::string& strOut) {
    static const std::string strItem = "[a-z]+=[0-9.]+(s|%|B|c)?;[^; ]*;[^; ]*;[0-9.]*(;[0-9.]*)?";
    static const std::regex re("ATA (OK|WARNING|CRITICAL|UNKNOWN) - [^|\n]+( \\| " + strItem +
                               "( " + strItem + ")*)?\n");
    return std::regex_match(strOut, re);
}

// What the reference parser read from a metrics file.
std::string ParsedMetrics(const fs::path& file) {
    ChildProcess objParser(
        {"/usr/bin/python3", script::test::FixturePath("read_metrics.py"), file.string()});
    objParser.Finish();
    return objParser.Read(1);
}

class CliCheckTest : public FakeAtaTest {
protected:
    CliCheckTest() : FakeAtaTest(kAtaAddress) {}
};

TEST_F(CliCheckTest, EveryStateHasItsStatusAndTextAndEveryCommandItsMetrics) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    struct Case {
        std::vector<std::string> vecArgs;
        Route objPage; // the status page
        int intExit;
        std::string strText; // how standard output begins
    };
    const Route objRegistered{200, kRegisteredPage};
    const std::string strOnline = "ATA CRITICAL - online, ";
    const std::string strUnread = strOnline + "but the status page could not be read: ";
    const Case arrCases[] = {
        {{"--check"}, objRegistered, 0, "ATA OK - online, line registered | rtt="},
        {{"--check"}, {200, kUnregisteredPage}, 2, strOnline + "line not registered | rtt="},
        {{"--check", "--ip", kSilentAddress}, objRegistered, 2, strUnread + "connection refused"},
        {{"--check"}, {503, "busy"}, 2, strUnread + "HTTP status 503 | rtt="},
        // A status page that never answers ends the check within its time-out.
        {{"--check", "-t", "3"}, {200, "", Fault::Hang}, 2, strUnread + "no answer within 3 s |"},
    };
    std::vector<std::string> vecOutputs;
    for (const Case& c : arrCases) {
        m_http->SetRoute("/doc/m_set.htm", c.objPage);
        const auto started = Clock::now();
        const CliResult r = RunCli(App(), c.vecArgs);
        EXPECT_LT(Clock::now() - started, std::chrono::seconds(4)) << c.vecArgs.back();
        EXPECT_EQ(r.intExit, c.intExit) << c.vecArgs.back();
        EXPECT_EQ(r.strOut.rfind(c.strText, 0), 0u) << r.strOut;
        EXPECT_EQ(r.strErr, "") << c.vecArgs.back();
        vecOutputs.push_back(r.strOut);
    }
    EXPECT_TRUE(vecOutputs[0].ends_with("s;;;0 online=1;;;0;1 registered=1;;;0;1\n"))
        << vecOutputs[0];
    fs::remove(App() / "settings.ini");
    CliResult r = RunCli(App(), {"--check"});
    EXPECT_EQ(r.intExit, 3);
    EXPECT_EQ(r.strOut, "ATA UNKNOWN - there is no " + (App() / "settings.ini").string() + "\n");
    vecOutputs.push_back(r.strOut);
    for (const std::string& strOut : vecOutputs)
        EXPECT_TRUE(IsPluginOutput(strOut)) << strOut;

    if (std::system("/usr/bin/python3 -c 'import prometheus_client' 2>/dev/null") != 0)
        GTEST_SKIP() << "no reference parser: python3-prometheus-client is not installed";
    WriteBytes(App() / "settings.ini", Settings());
    m_http->SetPage("/doc/m_set.htm", kRegisteredPage);
    ServeLog(kDevRegA + kDevCaller + kDevPrice);
    const fs::path metrics = m_folder / "ata.prom";
    for (const char* strCommand : {"--backup", "--save-log"})
        EXPECT_EQ(RunCli(App(), {strCommand, "--metrics", metrics.string()}).intExit, 0);
    fs::create_hard_link(metrics, m_folder / "before.prom");
    m_http->SetPage("/doc/m_set.htm", kUnregisteredPage);
    EXPECT_EQ(RunCli(App(), {"--check", "--metrics", metrics.string()}).intExit, 2);

    // A new file took the old one's place, nothing is left beside it, and the reference parser
    // reads every family with the values of all three commands.
    EXPECT_FALSE(fs::equivalent(metrics, m_folder / "before.prom"));
    for (const auto& entry : fs::directory_iterator(m_folder))
        EXPECT_FALSE(entry.path().filename().string().starts_with("ata.prom.")) << entry.path();
    const std::string strParsed = ParsedMetrics(metrics);
    const std::regex re(
        "ata_up gauge\nata_up 127\\.0\\.0\\.16 1\\.0\n"
        "ata_registered gauge\nata_registered 127\\.0\\.0\\.16 0\\.0\n"
        "ata_ping_rtt_seconds gauge\nata_ping_rtt_seconds 127\\.0\\.0\\.16 [0-9.e-]+\n"
        "ata_check_timestamp_seconds gauge\nata_check_timestamp_seconds 127\\.0\\.0\\.16 "
        "1[0-9]{9}\\.0\n"
        "ata_last_backup_timestamp_seconds gauge\n"
        "ata_last_backup_timestamp_seconds 127\\.0\\.0\\.16 1[0-9]{9}\\.0\n"
        "ata_last_backup_success gauge\nata_last_backup_success 127\\.0\\.0\\.16 1\\.0\n"
        "ata_history_lines gauge\nata_history_lines 127\\.0\\.0\\.16 3\\.0\n");
    EXPECT_TRUE(std::regex_match(strParsed, re)) << strParsed;

    // A failed backup says so and keeps the time of the last good one.
    const std::string strBackupTime =
        strParsed.substr(strParsed.find("ata_last_backup_timestamp_seconds 127"), 50);
    WriteBytes(App() / "settings.ini", "[Options]\r\nIP=127.0.0.16\r\nUsername=admin\r\n"
                                       "Password=wrong\r\n");
    r = RunCli(App(), {"--backup", "--metrics", metrics.string()});
    EXPECT_EQ(r.intExit, 1);
    EXPECT_NE(r.strErr.find("atatool-cli: the FTP server refused the login: 530 "),
              std::string::npos)
        << r.strErr;
    const std::string strAfter = ParsedMetrics(metrics);
    EXPECT_NE(strAfter.find("ata_last_backup_success 127.0.0.16 0.0\n"), std::string::npos);
    EXPECT_NE(strAfter.find(strBackupTime), std::string::npos) << strAfter;
    // Nothing listens on port 21 there.
    r = RunCli(App(), {"--backup", "--ip", kSilentAddress});
    EXPECT_EQ(r.intExit, 1);
    EXPECT_NE(r.strErr.find("atatool-cli: the FTP connection to port 21 of 127.0.0.18 was "
                            "refused (nothing listens there).\n"),
              std::string::npos)
        << r.strErr;
}

TEST_F(CliCheckTest, ALineThatStaysDownIsAnnouncedOnce) {
    if (std::getenv(kInSession) == nullptr) {
        if (::geteuid() != 0 || ::access("/usr/bin/dbus-run-session", X_OK) != 0 ||
            std::system("/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null") != 0)
            GTEST_SKIP() << "needs root for the fake ATA, dbus-run-session, python3-dbus and "
                            "python3-gi (tools/install-deps.sh installs them)";
        // The same case again on a session bus of its own.
        EXPECT_EQ(RunCasesAgain("CliCheckTest.ALineThatStaysDownIsAnnouncedOnce",
                                {std::string(kInSession) + "=1"},
                                {"/usr/bin/dbus-run-session", "--"})
                      .intExit,
                  0);
        return;
    }
    StartAta();
    if (HasFatalFailure())
        return;
    // The service notes each notice before it answers, so a finished run's notices are there.
    const fs::path notices = m_folder / "notices";
    script::test::ServerProcess objService(
        {script::test::FixturePath("notification_server.py"), notices.string()});
    m_http->SetRoute("/cgi/syslog.txt", {404, "gone"});
    const std::string strState = "XDG_STATE_HOME=" + (m_folder / "state").string();
    const std::string strNoBus =
        "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (m_folder / "no-bus").string();
    struct Step {
        const char* strCommand;
        bool blnRegistered, blnBus;
        int intExit;
        long lngNotices; // all so far
    };
    const Step arrSteps[] = {
        {"--check", false, true, 2, 1}, // a first check that is not OK
        {"--check", false, true, 2, 1}, // still down
        {"--check", true, true, 0, 2},  // up again
        // Without a bus the check still tells its state, and the next check that can reach the
        // desktop announces the change.
        {"--check", false, false, 2, 2},
        {"--check", false, true, 2, 3},
        // Every failed save is announced.
        {"--save-log", false, true, 1, 4},
        {"--save-log", false, true, 1, 5},
    };
    for (const Step& s : arrSteps) {
        m_http->SetPage("/doc/m_set.htm", s.blnRegistered ? kRegisteredPage : kUnregisteredPage);
        const CliResult r = RunCli(App(), {s.strCommand, "--notify"},
                                   {.vecEnv = {strState, s.blnBus ? std::string() : strNoBus}});
        EXPECT_EQ(r.intExit, s.intExit) << s.strCommand;
        const std::string strAll = ReadBytes(notices);
        EXPECT_EQ(std::count(strAll.begin(), strAll.end(), '\n'), s.lngNotices) << s.strCommand;
        // Without a bus it says once why nobody was told.
        EXPECT_TRUE(s.blnBus ||
                    (r.strErr.starts_with("atatool-cli: no desktop notice could be shown: ") &&
                     std::count(r.strErr.begin(), r.strErr.end(), '\n') == 1))
            << r.strErr;
    }
}

} // namespace
} // namespace ata
