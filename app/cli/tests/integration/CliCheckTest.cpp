// The line watch as a monitoring system and a desktop see it: --check's one line and exit
// status against the fake ATA on 127.0.0.16 (nothing listens on 127.0.0.18), the metrics file
// read by the Prometheus client's own parser, and the notices a notification service on a
// session bus of the test's own receives.
#include "testing/CliRun.h"
#include "testing/FakeAtaFixture.h"
#include "testing/UnprivilegedRun.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <sys/stat.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;
using Clock = std::chrono::steady_clock;

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
    const fs::path out = file.string() + ".parsed";
    const std::string strCommand = "/usr/bin/python3 " ATA_SOURCE_DIR
                                   "/testing/fixtures/read_metrics.py '" +
                                   file.string() + "' > '" + out.string() + "'";
    return std::system(strCommand.c_str()) == 0 ? ReadBytes(out) : "refused: " + ReadBytes(out);
}

ino_t InodeOf(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

class CliCheckTest : public FakeAtaTest {
protected:
    CliCheckTest() : FakeAtaTest(kAtaAddress) {}
};

TEST_F(CliCheckTest, EveryStateHasItsStatusAndItsOwnText) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    CliResult r = RunCli(App(), {"--check"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut.rfind("ATA OK - online, line registered | rtt=", 0), 0u) << r.strOut;
    EXPECT_TRUE(r.strOut.ends_with("s;;;0 online=1;;;0;1 registered=1;;;0;1\n")) << r.strOut;
    EXPECT_EQ(r.strErr, "");
    std::vector<std::string> vecOutputs{r.strOut};

    struct Case {
        std::vector<std::string> vecArgs;
        std::string strPage; // served as the status page, empty for the registered one
        int intExit;
        std::string strText;
    };
    const Case arrCases[] = {
        {{"--check"}, kUnregisteredPage, 2, "ATA CRITICAL - online, line not registered | rtt="},
        {{"--check", "--ip", kSilentAddress},
         {},
         2,
         "ATA CRITICAL - online, but the status page could not be read: connection refused"},
        {{"--check", "--ip=300.1.1.1"},
         {},
         2,
         "ATA CRITICAL - offline: 300.1.1.1 is not an address a ping can be sent to | "
         "online=0;;;0;1\n"},
        {{"--check", "--ip", "127.0.0"},
         {},
         3,
         "ATA UNKNOWN - the address '127.0.0' is not valid\n"},
        {{"--check", "-t", "0"},
         {},
         3,
         "ATA UNKNOWN - wrong use: --timeout takes whole seconds from 1 to 3600\n"},
        {{"--check", "--status"}, {}, 3, "ATA UNKNOWN - wrong use: give exactly one command\n"},
        {{"--status", "--timeout", "5"}, {}, 2, ""},
    };
    for (const Case& c : arrCases) {
        m_http->SetPage("/doc/m_set.htm", c.strPage.empty() ? kRegisteredPage : c.strPage);
        r = RunCli(App(), c.vecArgs);
        EXPECT_EQ(r.intExit, c.intExit) << c.vecArgs.back();
        EXPECT_EQ(r.strOut.rfind(c.strText, 0), 0u) << r.strOut;
        if (!r.strOut.empty())
            vecOutputs.push_back(r.strOut);
    }

    // An HTTP error names its code; a status page that never answers ends the check within
    // its time-out.
    m_http->SetRoute("/doc/m_set.htm", {503, "busy"});
    r = RunCli(App(), {"--check"});
    EXPECT_EQ(r.intExit, 2);
    EXPECT_NE(r.strOut.find("the status page could not be read: HTTP status 503 |"),
              std::string::npos)
        << r.strOut;
    m_http->SetRoute("/doc/m_set.htm", {200, "", FakeAtaHttpServer::Fault::Hang});
    const auto started = Clock::now();
    r = RunCli(App(), {"--check", "--timeout", "3"});
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(4));
    EXPECT_EQ(r.intExit, 2);
    EXPECT_NE(r.strOut.find("the status page could not be read: no answer within 3 s |"),
              std::string::npos)
        << r.strOut;
    vecOutputs.push_back(r.strOut);

    fs::remove(App() / "settings.ini");
    r = RunCli(App(), {"--check"});
    EXPECT_EQ(r.intExit, 3);
    EXPECT_EQ(r.strOut, "ATA UNKNOWN - there is no " + (App() / "settings.ini").string() + "\n");
    vecOutputs.push_back(r.strOut);
    for (const std::string& strOut : vecOutputs)
        EXPECT_TRUE(IsPluginOutput(strOut)) << strOut;
}

TEST_F(CliCheckTest, MetricsOfEveryCommandShareOneFile) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    if (std::system("/usr/bin/python3 -c 'import prometheus_client' 2>/dev/null") != 0)
        GTEST_SKIP() << "no reference parser: python3-prometheus-client is not installed";
    ServeLog(kDevRegA + kDevCaller + kDevPrice);
    const fs::path metrics = m_folder / "ata.prom";
    CliResult r = RunCli(App(), {"--backup", "--metrics", metrics.string()});
    EXPECT_EQ(r.intExit, 0) << r.strErr;
    r = RunCli(App(), {"--save-log", "--metrics", metrics.string()});
    EXPECT_EQ(r.intExit, 0) << r.strErr;
    const ino_t lngBefore = InodeOf(metrics);
    m_http->SetPage("/doc/m_set.htm", kUnregisteredPage);
    r = RunCli(App(), {"--check", "--metrics", metrics.string()});
    EXPECT_EQ(r.intExit, 2);

    // A new file took the old one's place, nothing is left beside it, and the reference parser
    // reads every family with the values of all three commands.
    EXPECT_NE(InodeOf(metrics), lngBefore);
    for (const auto& entry : fs::directory_iterator(m_folder))
        EXPECT_EQ(entry.path().filename().string().rfind("ata.prom.", 0), std::string::npos)
            << entry.path();
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
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to serve the fake ATA on ports 80 and 21 of " << kAtaAddress;
    if (std::getenv(kInSession) == nullptr) {
        if (::access("/usr/bin/dbus-run-session", X_OK) != 0)
            GTEST_SKIP() << "dbus-run-session is missing (tools/install-deps.sh installs it)";
        if (std::system("/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null") != 0)
            GTEST_SKIP() << "no notification service for the test: python3-dbus or python3-gi "
                            "is missing";
        // The same case again on a session bus of its own.
        EXPECT_EQ(RunCasesAgain(std::string("CliCheckTest.") +
                                    ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                                {std::string(kInSession) + "=1"},
                                {"/usr/bin/dbus-run-session", "--"})
                      .intExit,
                  0)
            << "the case failed in its session";
        return;
    }
    StartAta();
    if (HasFatalFailure())
        return;
    // The service notes each notice before it answers, so a finished run's notices are there.
    const fs::path notices = m_folder / "notices";
    script::test::ServerProcess objService(
        {script::test::FixturePath("notification_server.py"), notices.string()});
    size_t lngSeen = 0;
    const auto NewNotices = [&] {
        const std::string strAll = ReadBytes(notices);
        const auto n = static_cast<size_t>(std::count(strAll.begin(), strAll.end(), '\n'));
        return n - std::exchange(lngSeen, n);
    };
    const CliRunOptions objOptions{
        static_cast<uid_t>(-1), {"XDG_STATE_HOME=" + (m_folder / "state").string()}, {}};
    CliRunOptions objNoBus = objOptions;
    objNoBus.vecEnv.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" +
                              (m_folder / "no-bus").string());

    m_http->SetPage("/doc/m_set.htm", kUnregisteredPage);
    EXPECT_EQ(RunCli(App(), {"--check", "--notify"}, objOptions).intExit, 2);
    EXPECT_EQ(NewNotices(), 1u) << "a first check that is not OK";
    EXPECT_EQ(RunCli(App(), {"--check", "--notify"}, objOptions).intExit, 2);
    EXPECT_EQ(NewNotices(), 0u) << "still down";
    m_http->SetPage("/doc/m_set.htm", kRegisteredPage);
    EXPECT_EQ(RunCli(App(), {"--check", "--notify"}, objOptions).intExit, 0);
    EXPECT_EQ(NewNotices(), 1u) << "up again";

    // Without a bus the check still tells its state, and says once why nobody was told; the
    // next check that can reach the desktop announces the change.
    m_http->SetPage("/doc/m_set.htm", kUnregisteredPage);
    const CliResult r = RunCli(App(), {"--check", "--notify"}, objNoBus);
    EXPECT_EQ(r.intExit, 2);
    EXPECT_EQ(r.strErr.find("atatool-cli: no desktop notice could be shown: "), 0u) << r.strErr;
    EXPECT_EQ(std::count(r.strErr.begin(), r.strErr.end(), '\n'), 1) << r.strErr;
    EXPECT_EQ(NewNotices(), 0u);
    EXPECT_EQ(RunCli(App(), {"--check", "--notify"}, objOptions).intExit, 2);
    EXPECT_EQ(NewNotices(), 1u);

    // Every failed save is announced.
    m_http->SetRoute("/cgi/syslog.txt", {404, "gone"});
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(RunCli(App(), {"--save-log", "--notify"}, objOptions).intExit, 1);
        EXPECT_EQ(NewNotices(), 1u);
    }
}

} // namespace
} // namespace ata
