// The command line against the fake ATA on 127.0.0.6 (root), checked against hand-made texts.
#include "testing/CliRun.h"
#include "testing/FakeAtaFixture.h"
#include "testing/OtherProcessLock.h"
#include "testing/ScatteredConfig.h"
#include "testing/UnprivilegedRun.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <sys/stat.h>
#include <thread>

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;
using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;
using Route = FakeAtaHttpServer::Route;
using Fault = FakeAtaHttpServer::Fault;

// Registrations a minute apart, of which a summary keeps the first and the last.
const std::string kReg1003 = "02/12/2026 10:03:00 SIP Registration succeeded for 200";
const std::string kReg1002 = "02/12/2026 10:02:00 SIP Registration succeeded for 200";
const std::string kReg1001 = "02/12/2026 10:01:00 SIP Registration succeeded for 200";

// The diff with the time stamps of its two header lines replaced by "TIME".
std::string WithoutTimes(const std::string& strDiff) {
    static const std::regex kTime(R"(\t\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{9} [+-]\d{4}\n)");
    return std::regex_replace(strDiff, kTime, "\tTIME\n");
}

// The file name of the backup a run saved, from its "Saved as" line.
std::string SavedName(const CliResult& r) {
    std::smatch m;
    const std::regex kSaved("Saved as [^\n]*/([^/\n]+)\n");
    return std::regex_search(r.strErr, m, kSaved) ? m[1].str() : "(none)";
}

std::vector<std::string> BackupNames(const fs::path& folder) {
    std::vector<std::string> vec;
    for (const fs::path& path : Backups(folder))
        vec.push_back(path.filename().string());
    std::sort(vec.begin(), vec.end());
    return vec;
}

class CliTest : public FakeAtaTest {
protected:
    CliTest() : FakeAtaTest("127.0.0.6") {}
    void ServeConfig(const std::string& strConfig) {
        WriteBytes(m_folder / "ftp/RFA/CONFIG.REG", strConfig);
    }
    // Runs the executable and checks its exit status and standard output.
    CliResult Expect(const std::vector<std::string>& vecArgs, int intExit,
                     const std::string& strOut) {
        CliResult r = RunCli(App(), vecArgs);
        EXPECT_EQ(r.intExit, intExit) << vecArgs[0] << r.strErr;
        EXPECT_EQ(WithoutTimes(r.strOut), strOut) << vecArgs[0]; // a diff's times aside
        return r;
    }
};

TEST_F(CliTest, EveryCommandAgainstTheFakeAta) {
    // A namespace of its own, so that nobody's runs can ping the fake ATA.
    ASSERT_TRUE(::geteuid() != 0 || EnterOwnNetwork());
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    CliResult r = Expect({"--status"}, 0, "Online: yes\nRegistered: yes\n");
    EXPECT_EQ(r.strErr, "Validatin IP address...\nChecking ATA is powered on...\n"
                        "Browsing to http://127.0.0.6/doc/m_set.htm\nATA status read.\n");
    // Another address for one run: it answers the ping, but no web server is there.
    r = Expect({"--ip", " 127.0.0.7 ", "--status"}, 1, "Online: yes\nRegistered: no\n");
    EXPECT_THAT(r.strErr, HasSubstr("Browsing to http://127.0.0.7/doc/m_set.htm\n"));
    ServeLog(kDevRegA + kDevCaller + kDevPrice + kDevNul + kDevBareCr + kDevRegB);
    r = Expect({"--get-log"}, 0, kSaved1);
    EXPECT_EQ(r.strErr, "Validatin IP address...\nChecking ATA is powered on...\n"
                        "Browsing to http://127.0.0.6/cgi/syslog.txt\nSorting log...\n"
                        "Log sorted.\n");
    EXPECT_FALSE(fs::exists(App() / "sys-log.txt"));
    for (const char* strOut : {"/dev/full", "-"}) {
        r = RunCli(App(), {"--get-log"}, {.strStdout = strOut});
        EXPECT_EQ(r.intExit, 1) << strOut;
        EXPECT_THAT(r.strErr, HasSubstr("atatool-cli: cannot write to standard output: "));
    }
    // A backup and a save fire together after a night off: one waits, and both results are kept.
    CliRun backup(App(), {"--backup"});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    r = Expect({"--save-log"}, 0, "System log saved, 6 line(s) added.\n");
    EXPECT_THAT(r.strErr, HasSubstr("Log sorted.\nSaving log...\nSystem log saved.\n"));
    const CliResult rBackup = backup.Result();
    EXPECT_EQ(rBackup.intExit, 0) << rBackup.strErr;
    EXPECT_EQ(rBackup.strOut, "Current config backed up.\nFirst backup.\n");
    EXPECT_THAT((rBackup.strErr + r.strErr), HasSubstr("waiting for it to end"));
    EXPECT_EQ(History(), kSaved1);
    const auto vecBackups = Backups(App());
    ASSERT_EQ(vecBackups.size(), 1u);
    EXPECT_THAT(rBackup.strErr,
                HasSubstr("Backing up current config...\nBackup complete.\nSaved as " +
                          vecBackups[0].string() + "\n"));
    EXPECT_TRUE(ReadBytes(vecBackups[0]) == m_strConfig);
    EXPECT_EQ(ModeOf(vecBackups[0]), 0600u); // it holds the device's passwords
    fs::remove(vecBackups[0]);
    // Two saves give what two saves in the window give.
    ServeLog(kDevNul + kDevBareCr + kDevRegB + kDevPower + kDevReg0901);
    Expect({"--save-log"}, 0, "System log saved, 2 line(s) added.\n");
    EXPECT_EQ(History(), kSaved2);
    // Summarising on save as settings.ini says.
    const std::string strSettings = Settings() + "Auto Summarise=1\r\n";
    WriteBytes(App() / "settings.ini", strSettings);
    ServeLog(kDevReg0901 + kDevReg0902 + kDevReg0903);
    Expect({"--save-log"}, 0,
           "System log saved, 2 line(s) added.\nSystem log summarised from 11 to 9 line(s)\n");
    EXPECT_EQ(History(), kSaved3);
    r = Expect({"--summarise"}, 0, "Log did not require any summarisation.\n");
    EXPECT_EQ(r.strErr, "Summarising log...\nLog did not require any summarisation.\n");
    // Nothing fetched: nothing to save, and the history stays.
    m_http->SetRoute("/cgi/syslog.txt", {404, "gone"});
    Expect({"--save-log"}, 1, "No log to save.\n");
    EXPECT_EQ(History(), kSaved3);
    // The timer's backups keep only changes, and --diff shows them.
    const std::string strHead = "[Line1]\r\n\"User\"=\"100\"\r\n";
    const std::string strTail = "\"Name\"=\"\xC9mile\"\r\n\"Expires\"=\"3600\"\r\n";
    ServeConfig(strHead + "\"Codec\"=\"G711\"\r\n" + strTail);
    r = Expect({"--backup", "--if-changed"}, 0, "Current config backed up.\nFirst backup.\n");
    const std::string strFirst = SavedName(r);
    r = RunCli(App(), {"--backup", "--if-changed"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "Current config backed up.\nConfiguration unchanged since " + strFirst +
                            ".\nThe new backup " + SavedName(r) +
                            " is the same and was removed.\n");
    EXPECT_EQ(BackupNames(App()), std::vector<std::string>{strFirst});
    ServeConfig(strHead + "\"Codec\"=\"G729\"\r\n" + strTail);
    r = Expect({"--if-changed", "--backup"}, 0,
               "Current config backed up.\nConfiguration changed since " + strFirst +
                   ": 1 lines differ.\n");
    const std::string strSecond = SavedName(r);
    EXPECT_EQ(BackupNames(App()), (std::vector<std::string>{strFirst, strSecond}));
    EXPECT_EQ(ReadBytes(App() / strSecond), strHead + "\"Codec\"=\"G729\"\r\n" + strTail);
    const std::string strFolder = fs::canonical(App()).string() + "/";
    const std::string strDiff =
        "--- " + strFolder + strFirst + "\tTIME\n+++ " + strFolder + strSecond +
        "\tTIME\n@@ -1,5 +1,5 @@\n [Line1]\r\n \"User\"=\"100\"\r\n"
        "-\"Codec\"=\"G711\"\r\n+\"Codec\"=\"G729\"\r\n \"Name\"=\"\xC9mile\"\r\n"
        " \"Expires\"=\"3600\"\r\n";
    EXPECT_EQ(Expect({"--diff"}, 1, strDiff).strErr, "");
    // A plain backup keeps its file also when nothing changed; then the named forms.
    r = Expect({"--backup"}, 0,
               "Current config backed up.\nConfiguration unchanged since " + strSecond + ".\n");
    EXPECT_EQ(BackupNames(App()), (std::vector<std::string>{strFirst, strSecond, SavedName(r)}));
    Expect({"--diff", strFirst, strSecond}, 1, strDiff);
    Expect({"--diff", strSecond}, 0, "");
    // The command line never writes the settings (the --ip above was for one run).
    EXPECT_EQ(ReadBytes(App() / "settings.ini"), strSettings);
    // Neither a FIFO nor an unreadable file is taken for an empty one, and nothing hangs.
    const std::string strIni = (App() / "settings.ini").string();
    fs::remove(App() / "sys-log.txt");
    ASSERT_EQ(::mkfifo((App() / "sys-log.txt").c_str(), 0600), 0);
    EXPECT_EQ(RunCli(App(), {"--summarise"}).intExit, 3);
    fs::remove(App() / "sys-log.txt");
    ::chmod(strIni.c_str(), 0);
    r = RunCli(App(), {"--status"}, {.lngUser = kNobodyUid});
    EXPECT_EQ(r.intExit, 3);
    EXPECT_EQ(r.strErr,
              "atatool-cli: cannot read " + strIni + ": Permission denied; nothing was done.\n");
    fs::remove(strIni);
    ASSERT_EQ(::mkfifo(strIni.c_str(), 0600), 0);
    r = RunCli(App(), {"--status"});
    EXPECT_EQ(r.intExit, 3);
    EXPECT_EQ(r.strErr, "atatool-cli: " + strIni + " is not a regular file; nothing was done.\n");
    fs::remove(strIni);
    WriteBytes(strIni, Settings());
    // sys-log.txt links into a folder of nobody's, who may not write the program folder: the lock
    // lives beside the history, so a run waits for its holder and keeps the other writer's line.
    ServeLog(kDevNul + kDevBareCr + kDevRegB + kDevPower + kDevReg0901);
    const fs::path data = m_folder / "data";
    WriteBytes(data / "sys-log.txt", kSaved1);
    for (const fs::path& p : {data, data / "sys-log.txt"})
        ::chown(p.c_str(), kNobodyUid, kNobodyUid);
    fs::create_symlink(data / "sys-log.txt", App() / "sys-log.txt");
    OtherProcessLock objOther((data / "sys-log.txt.lock").string(), kNobodyUid);
    ASSERT_TRUE(objOther.Held());
    CliRun run(App(), {"--save-log"},
               {.vecEnv = {"XDG_STATE_HOME=" + (data / "state").string()}, .lngUser = kNobodyUid});
    ASSERT_TRUE(run.WaitForErr("Saving log...\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ReadBytes(data / "sys-log.txt"), kSaved1); // still waiting
    const std::string strOther = "01/12/2026 08:30:00 Saved by the window";
    WriteBytes(data / "sys-log.txt", strOther + "\r\n" + kSaved1);
    objOther.Release();
    r = run.Result();
    EXPECT_EQ(r.intExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "System log saved, 2 line(s) added.\n");
    EXPECT_EQ(ReadBytes(data / "sys-log.txt"), Lines({kReg0901, kPower, strOther, kSaved1}));
    // A backup half way through holds the run lock: a check goes on, a run asked not to wait
    // refuses with a status of its own, and a signal ends the backup without its partial file.
    for (const fs::path& p : Backups(App()))
        fs::remove(p);
    m_ftp.reset();
    WriteBytes(m_folder / "payload", std::string(200000, 'c'));
    const auto ftp = StartFakeFtp("stall", m_folder / "payload", m_strAddress);
    ASSERT_EQ(ftp->Port(), 21);
    const std::string strHistory = Lines({kReg1003, kReg1002, kReg1001}); // a summary shortens it
    WriteBytes(App() / "sys-log.txt", strHistory);
    const FolderWatch objWatch(App());
    CliRun stalled(App(), {"--backup"});
    ASSERT_TRUE(objWatch.WaitFor(IN_CREATE, {".part"}));
    const auto vecParts = Backups(App());
    ASSERT_EQ(vecParts.size(), 1u);
    EXPECT_EQ(ModeOf(vecParts[0]), 0600u);
    r = RunCli(App(), {"--check", "--no-wait"});
    EXPECT_EQ(r.intExit, 0) << r.strOut << r.strErr;
    EXPECT_TRUE(r.strOut.starts_with("ATA OK - online, line registered | ")) << r.strOut;
    r = RunCli(App(), {"--summarise", "--no-wait"});
    EXPECT_EQ(r.intExit, 4);
    EXPECT_THAT(r.strErr, HasSubstr("another run is in progress"));
    EXPECT_EQ(History(), strHistory);
    // The service manager stops the timer's run.
    stalled.Signal(SIGTERM);
    EXPECT_EQ(stalled.Finish(), 143);
    EXPECT_TRUE(Backups(App()).empty());
}

TEST_F(CliTest, WrongUseAndTroubleChangeNothingAndLargeDiffsAreTheSystemsDiffs) {
    // No network: every case stops before anything is sent.
    WriteBytes(App() / "settings.ini", "[Options]\r\nIP=127.0.0.1\r\nUsername=ad\tmin\r\n");
    WriteBytes(App() / "sys-log.txt", Lines({kReg1003, kReg1002, kReg1001}));
    WriteBytes(App() / "Config20261206-033000.reg", "[Line1]\r\n");
    const std::string strApp = fs::canonical(App()).string() + "/";
    const auto Usage = [](const std::string& s) {
        return "atatool-cli: " + s + "\nTry 'atatool-cli --help'.\n";
    };
    const auto Unknown = [](const std::string& s) { return "ATA UNKNOWN - " + s + "\n"; };
    // GNU style: name and version, copyright, licence.
    const std::string strVersion =
        "atatool-cli 1.0\nCopyright (C) 2026 The ATA Maintenance Tool authors\nLicense MIT: "
        "<https://opensource.org/licenses/MIT>\nThis is free software: you are free to change "
        "and redistribute it.\nThere is NO WARRANTY, to the extent permitted by law.\n";
    // A tab in the user name would change the commands sent: the backup is refused.
    const std::string strTab =
        "The user name or password contains a line break, a tab, or a backslash followed by n "
        "or a double quote, which would change the commands sent to the ATA. Nothing was sent.\n";
    const std::string strPassword =
        "the password is read from settings.ini only, never from the command line";
    const std::string strNoIp =
        "The IP address is not valid. Please enter a valid IP address in the form x.x.x.x\n";
    const std::string strPing =
        "ATA CRITICAL - offline: 300.1.1.1 is not an address a ping can be sent to | "
        "online=0;;;0;1\n";
    const std::string strOne = "give exactly one command";
    const std::string strTimeout = "--timeout takes whole seconds from 1 to 3600";
    struct Case {
        std::vector<std::string> vecArgs;
        int intExit;
        std::string strOut, strErr;
    };
    const Case arrCases[] = {
        {{}, 2, "", Usage("no command given")},
        {{"--status", "--backup"}, 2, "", Usage(strOne)},
        {{"--status", "--ip"}, 2, "", Usage("--ip needs an address")},
        {{"--password", "secret", "--backup"}, 2, "", Usage(strPassword)},
        {{"--status", "--if-changed"}, 2, "", Usage("--if-changed goes with --backup only")},
        {{"--status", "--timeout", "5"}, 2, "", Usage("--timeout goes with --check only")},
        {{"--ip=127.0.0", "--status"}, 2, strNoIp, ""},
        {{"-V"}, 0, strVersion, ""},
        {{"--backup"}, 1, strTab, ""},
        {{"--check", "--ip", "127.0.0"}, 3, Unknown("the address '127.0.0' is not valid"), ""},
        {{"--check", "-t", "0"}, 3, Unknown("wrong use: " + strTimeout), Usage(strTimeout)},
        {{"--check", "--status"}, 3, Unknown("wrong use: " + strOne), Usage(strOne)},
        {{"--check", "--ip=300.1.1.1"}, 2, strPing, ""},
        {{"--diff"},
         2,
         "",
         "atatool-cli: there are not two backups in " + strApp + " to compare.\n"},
        {{"--diff", "Config20261205-033000.reg"},
         2,
         "",
         "atatool-cli: " + strApp + "Config20261205-033000.reg: No such file or directory\n"},
        {{"--diff", "a", "b", "c"}, 2, "", Usage("--diff takes at most two file names")},
    };
    for (const Case& c : arrCases) {
        const CliResult r = RunCli(App(), c.vecArgs);
        EXPECT_EQ(r.intExit, c.intExit) << c.strOut << c.strErr;
        EXPECT_EQ(r.strOut, c.strOut);
        EXPECT_EQ(r.strErr, c.strErr);
    }
    for (const char* strHelp : {"--help", "-h"})
        EXPECT_TRUE(RunCli(App(), {strHelp})
                        .strOut.starts_with("Usage: atatool-cli COMMAND [--ip ADDRESS]\n"));
    // None of the refused runs touched the history.
    const CliResult r = RunCli(App(), {"--summarise"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "System log summarised from 3 to 2 line(s)\n");
    EXPECT_EQ(History(), Lines({kReg1003, kReg1001}));
    // Four MiB with a thousand scattered changes, as the system's diff program shows them.
    const fs::path old = m_folder / "old.reg", now = m_folder / "new.reg";
    const std::string strOld = MakeConfig(4 << 20);
    WriteBytes(old, strOld);
    WriteBytes(now, ChangeScattered(strOld, 1000));
    ChildProcess objSystem({"/usr/bin/diff", "-u", old.string(), now.string()});
    ASSERT_EQ(objSystem.Finish(), 1);
    const CliResult objOurs = RunCli(App(), {"--diff", old.string(), now.string()});
    EXPECT_EQ(objOurs.intExit, 1);
    EXPECT_EQ(objOurs.strErr, "");
    EXPECT_TRUE(WithoutTimes(objOurs.strOut) == WithoutTimes(objSystem.Read(1)))
        << "the outputs differ";
}

// The line watch: --check's line and status, the parsed metrics, the desktop's notices.
constexpr const char* kSilentAddress = "127.0.0.18";
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
    CliCheckTest() : FakeAtaTest("127.0.0.16") {}
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
    // A new file took the old one's place, nothing is left beside it, and it holds all three.
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
    EXPECT_THAT(r.strErr, HasSubstr("atatool-cli: the FTP server refused the login: 530 "));
    const std::string strAfter = ParsedMetrics(metrics);
    EXPECT_THAT(strAfter, HasSubstr("ata_last_backup_success 127.0.0.16 0.0\n"));
    EXPECT_THAT(strAfter, HasSubstr(strBackupTime));
    // Nothing listens on port 21 there.
    r = RunCli(App(), {"--backup", "--ip", kSilentAddress});
    EXPECT_EQ(r.intExit, 1);
    EXPECT_THAT(r.strErr, HasSubstr("atatool-cli: the FTP connection to port 21 of 127.0.0.18 was "
                                    "refused (nothing listens there).\n"));
}

TEST_F(CliCheckTest, ALineThatStaysDownIsAnnouncedOnce) {
    if (std::getenv("ATA_CLI_NOTICE_SESSION") == nullptr) {
        if (::geteuid() != 0 || ::access("/usr/bin/dbus-run-session", X_OK) != 0 ||
            std::system("/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null") != 0)
            GTEST_SKIP() << "needs root for the fake ATA, dbus-run-session, python3-dbus and "
                            "python3-gi (tools/install-deps.sh installs them)";
        // The same case again on a session bus of its own.
        const CaseRun objRun =
            RunCasesAgain("CliCheckTest.ALineThatStaysDownIsAnnouncedOnce",
                          {"ATA_CLI_NOTICE_SESSION=1"}, {"/usr/bin/dbus-run-session", "--"});
        EXPECT_EQ(objRun.intExit, 0);
        return;
    }
    StartAta();
    ASSERT_FALSE(HasFatalFailure());
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
        // Without a bus the state is still told; the next check with one announces the change.
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
