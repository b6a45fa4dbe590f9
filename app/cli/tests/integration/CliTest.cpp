// The command-line front end as a user or a timer runs it: the installed-style executable in a
// folder of its own with settings.ini beside it, no display, against the fake ATA on ports 80
// and 21 of its own loopback address (root). Output, exit status and the files written are
// checked against texts worked out by hand from the rules of sorting, saving and summarising.
#include "testing/CliRun.h"
#include "testing/FakeAtaFixture.h"
#include "workflow/modFileLock.h"
#include "workflow/modMiscFiles.h"

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr const char* kAtaAddress = "127.0.0.6";

class CliTest : public FakeAtaTest {
protected:
    CliTest() : FakeAtaTest(kAtaAddress) {}
};

TEST_F(CliTest, EveryCommandAgainstTheFakeAta) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    CliResult r = RunCli(App(), {"--status"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "Online: yes\nRegistered: yes\n");
    EXPECT_EQ(r.strErr, "Validatin IP address...\nChecking ATA is powered on...\n"
                        "Browsing to http://127.0.0.6/doc/m_set.htm\nATA status read.\n");
    // Another address for one run: it answers the ping, but no web server is there.
    r = RunCli(App(), {"--ip", " 127.0.0.7 ", "--status"});
    EXPECT_EQ(r.intExit, 1);
    EXPECT_EQ(r.strOut, "Online: yes\nRegistered: no\n");
    EXPECT_NE(r.strErr.find("Browsing to http://127.0.0.7/doc/m_set.htm\n"), std::string::npos);

    ServeLog(kDevRegA + kDevCaller + kDevPrice + kDevNul + kDevBareCr + kDevRegB);
    r = RunCli(App(), {"--get-log"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, kSaved1);
    EXPECT_EQ(r.strErr, "Validatin IP address...\nChecking ATA is powered on...\n"
                        "Browsing to http://127.0.0.6/cgi/syslog.txt\nSorting log...\n"
                        "Log sorted.\n");
    EXPECT_FALSE(fs::exists(App() / "sys-log.txt"));

    // Two saves give what two saves in the window give.
    r = RunCli(App(), {"--save-log"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "System log saved, 6 line(s) added.\n");
    EXPECT_NE(r.strErr.find("Log sorted.\nSaving log...\nSystem log saved.\n"), std::string::npos);
    EXPECT_EQ(History(), kSaved1);
    ServeLog(kDevNul + kDevBareCr + kDevRegB + kDevPower + kDevReg0901);
    r = RunCli(App(), {"--save-log"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "System log saved, 2 line(s) added.\n");
    EXPECT_EQ(History(), kSaved2);

    // Summarising on save as settings.ini says.
    WriteBytes(App() / "settings.ini", Settings() + "Auto Summarise=1\r\n");
    ServeLog(kDevReg0901 + kDevReg0902 + kDevReg0903);
    r = RunCli(App(), {"--save-log"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut,
              "System log saved, 2 line(s) added.\nSystem log summarised from 11 to 9 line(s)\n");
    EXPECT_EQ(History(), kSaved3);
    r = RunCli(App(), {"--summarise"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "Log did not require any summarisation.\n");
    EXPECT_EQ(r.strErr, "Summarising log...\nLog did not require any summarisation.\n");
    EXPECT_EQ(History(), kSaved3);

    // Nothing fetched: nothing to save, and the history stays.
    m_http->SetRoute("/cgi/syslog.txt", {404, "gone"});
    r = RunCli(App(), {"--save-log"});
    EXPECT_EQ(r.intExit, 1);
    EXPECT_EQ(r.strOut, "No log to save.\n");
    EXPECT_EQ(History(), kSaved3);

    r = RunCli(App(), {"--backup"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "Current config backed up.\nFirst backup.\n");
    EXPECT_EQ(r.strErr.rfind("Backing up current config...\nBackup complete.\nSaved as ", 0), 0u);
    const auto vecBackups = Backups(App());
    ASSERT_EQ(vecBackups.size(), 1u);
    EXPECT_NE(r.strErr.find(vecBackups[0].string()), std::string::npos);
    EXPECT_TRUE(ReadBytes(vecBackups[0]) == m_strConfig);
    // The command line never writes the settings (the --ip above was for one run).
    EXPECT_EQ(ReadBytes(App() / "settings.ini"), Settings() + "Auto Summarise=1\r\n");
}

TEST_F(CliTest, WrongUseAndRefusedRunsChangeNothing) {
    // No network: every case stops before anything is sent.
    WriteBytes(App() / "settings.ini", "[Options]\r\nIP=127.0.0.1\r\nUsername=ad\tmin\r\n");
    const std::string strHistory = "02/12/2026 10:03:00 SIP Registration succeeded for 200\r\n"
                                   "02/12/2026 10:02:00 SIP Registration succeeded for 200\r\n"
                                   "02/12/2026 10:01:00 SIP Registration succeeded for 200";
    WriteBytes(App() / "sys-log.txt", strHistory);
    const std::string strTryHelp = "Try 'atatool-cli --help'.\n";
    struct Case {
        std::vector<std::string> vecArgs;
        int intExit;
        std::string strOut, strErr;
    };
    const Case arrCases[] = {
        {{}, 2, "", "atatool-cli: no command given\n" + strTryHelp},
        {{"--status", "--backup"}, 2, "", "atatool-cli: give exactly one command\n" + strTryHelp},
        {{"--status", "--ip"}, 2, "", "atatool-cli: --ip needs an address\n" + strTryHelp},
        {{"--password", "secret", "--backup"},
         2,
         "",
         "atatool-cli: the password is read from settings.ini only, never from the command "
         "line\n" +
             strTryHelp},
        {{"--ip=127.0.0", "--status"},
         2,
         "The IP address is not valid. Please enter a valid IP address in the form x.x.x.x\n",
         ""},
        // GNU style: name and version, copyright, licence.
        {{"-V"},
         0,
         "atatool-cli 1.0\nCopyright (C) 2026 The ATA Maintenance Tool authors\nLicense MIT: "
         "<https://opensource.org/licenses/MIT>\nThis is free software: you are free to change "
         "and redistribute it.\nThere is NO WARRANTY, to the extent permitted by law.\n",
         ""},
        // A tab in the user name would change the commands sent: the backup is refused.
        {{"--backup"},
         1,
         "The user name or password contains a line break, a tab, or a backslash followed by n "
         "or a double quote, which would change the commands sent to the ATA. Nothing was "
         "sent.\n",
         ""},
    };
    for (const Case& c : arrCases) {
        const CliResult r = RunCli(App(), c.vecArgs);
        EXPECT_EQ(r.intExit, c.intExit) << c.vecArgs.size();
        EXPECT_EQ(r.strOut, c.strOut);
        EXPECT_EQ(r.strErr, c.strErr);
    }
    for (const char* strHelp : {"--help", "-h"})
        EXPECT_EQ(
            RunCli(App(), {strHelp}).strOut.rfind("Usage: atatool-cli COMMAND [--ip ADDRESS]\n", 0),
            0u);

    // None of the refused runs touched the history.
    const CliResult r = RunCli(App(), {"--summarise"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "System log summarised from 3 to 2 line(s)\n");
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"),
              "02/12/2026 10:03:00 SIP Registration succeeded for 200\r\n"
              "02/12/2026 10:01:00 SIP Registration succeeded for 200");
}

} // namespace
} // namespace ata
