// The command-line front end as a user or a timer runs it: the installed-style executable in a
// folder of its own with settings.ini beside it, no display, against the fake ATA on ports 80
// and 21 of its own loopback address (root). Output, exit status and the files written are
// checked against texts worked out by hand from the rules of sorting, saving and summarising.
#include "app/platform/tests/FakeAtaFixture.h"
#include "workflow/modFileLock.h"
#include "workflow/modMiscFiles.h"

#include <fcntl.h>
#include <sys/wait.h>

extern char** environ;

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr const char* kAtaAddress = "127.0.0.6";

struct CliResult {
    int intExit = -1;
    std::string strOut, strErr;
};

// One run of the executable copied into a program folder, with DISPLAY, WAYLAND_DISPLAY and
// the Qt platform unset. Standard output goes to a file, standard error through a pipe that the
// test can read while the run goes on.
class CliRun {
public:
    CliRun(const fs::path& app, const std::vector<std::string>& vecArgs) : m_out(app / "../out") {
        const fs::path exe = app / "atatool-cli";
        if (!fs::exists(exe))
            fs::copy_file(ATA_CLI_PATH, exe);
        std::vector<std::string> vecEnv;
        for (char** p = environ; *p; ++p) {
            const std::string s = *p;
            if (s.rfind("DISPLAY=", 0) != 0 && s.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
                s.rfind("QT_QPA_PLATFORM=", 0) != 0)
                vecEnv.push_back(s);
        }
        // Built before the fork: the child of a process with threads only calls what is safe.
        std::vector<char*> argv{const_cast<char*>(exe.c_str())}, envp;
        for (const auto& a : vecArgs)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (auto& e : vecEnv)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            const int fdOut = ::open(m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            ::dup2(fdOut, 1);
            ::dup2(fds[1], 2);
            ::execve(exe.c_str(), argv.data(), envp.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        m_fdErr = fds[0];
    }
    ~CliRun() { Finish(); }
    // Reads standard error until it holds strText (or ends); true when it does.
    bool WaitForErr(const std::string& strText) {
        char buf[512];
        ssize_t n = 1;
        while (m_result.strErr.find(strText) == std::string::npos && n > 0)
            if ((n = ::read(m_fdErr, buf, sizeof buf)) > 0)
                m_result.strErr.append(buf, static_cast<size_t>(n));
        return m_result.strErr.find(strText) != std::string::npos;
    }
    const CliResult& Finish() {
        if (m_pid > 0) {
            WaitForErr(std::string(1, '\0')); // to the end of the stream
            ::close(m_fdErr);
            int intStatus = 0;
            ::waitpid(m_pid, &intStatus, 0);
            m_result.intExit = WIFEXITED(intStatus) ? WEXITSTATUS(intStatus) : -1;
            m_result.strOut = ReadBytes(m_out);
            m_pid = -1;
        }
        return m_result;
    }

private:
    fs::path m_out;
    pid_t m_pid = -1;
    int m_fdErr = -1;
    CliResult m_result;
};

CliResult RunCli(const fs::path& app, const std::vector<std::string>& vecArgs) {
    return CliRun(app, vecArgs).Finish();
}

class CliTest : public FakeAtaTest {
protected:
    CliTest() : FakeAtaTest(kAtaAddress, "cli") { fs::create_directories(App()); }
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
    m_http->SetRoute("/cgi/syslog.txt", {404, "gone", 0, false, false, false});
    r = RunCli(App(), {"--save-log"});
    EXPECT_EQ(r.intExit, 1);
    EXPECT_EQ(r.strOut, "No log to save.\n");
    EXPECT_EQ(History(), kSaved3);

    r = RunCli(App(), {"--backup"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "Current config backed up.\n");
    EXPECT_EQ(r.strErr.rfind("Backing up current config...\nBackup complete.\nSaved as ", 0), 0u);
    const auto vecBackups = Backups(App());
    ASSERT_EQ(vecBackups.size(), 1u);
    EXPECT_NE(r.strErr.find(vecBackups[0].string()), std::string::npos);
    EXPECT_TRUE(ReadBytes(vecBackups[0]) == m_strConfig);
    // The command line never writes the settings (the --ip above was for one run).
    EXPECT_EQ(ReadBytes(App() / "settings.ini"), Settings() + "Auto Summarise=1\r\n");
}

TEST_F(CliTest, ASaveThatRunsDuringAnotherSaveKeepsBothLines) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    WriteBytes(App() / "sys-log.txt", kSaved1);
    ServeLog(kDevNul + kDevBareCr + kDevRegB + kDevPower + kDevReg0901);
    const std::string strWindowLine = "01/12/2026 08:30:00 Saved by the window";
    // The window is in the middle of its save: it has read the history under the lock.
    auto objLock = modFileLock::LockHistory((App() / "sys-log.txt").string());
    ASSERT_TRUE(objLock.IsHeld());
    const std::string strHistory = History();
    CliRun run(App(), {"--save-log"});
    ASSERT_TRUE(run.WaitForErr("Saving log...\n"));
    // The run waits for the lock now; the window writes and lets go.
    EXPECT_TRUE(modMisc::WriteTextFile(strWindowLine + "\r\n" + strHistory,
                                       (App() / "sys-log.txt").string()));
    objLock = modFileLock::CFileLock();
    const CliResult& r = run.Finish();
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "System log saved, 2 line(s) added.\n");
    EXPECT_EQ(History(), kReg0901 + "\r\n" + kPower + "\r\n" + strWindowLine + "\r\n" + kSaved1);
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
        {{"--version"}, 0, "atatool-cli 1.0\n", ""},
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
    EXPECT_EQ(
        RunCli(App(), {"--help"}).strOut.rfind("Usage: atatool-cli COMMAND [--ip ADDRESS]\n", 0),
        0u);

    // A second run while one runs is refused.
    const std::string strRunLock = (App() / "atatool-cli.lock").string();
    {
        const auto objRunning = modFileLock::CFileLock::TryAcquire(strRunLock, "");
        ASSERT_TRUE(objRunning.IsHeld());
        const CliResult r = RunCli(App(), {"--summarise"});
        EXPECT_EQ(r.intExit, 1);
        EXPECT_EQ(r.strOut, "");
        EXPECT_EQ(r.strErr, "atatool-cli: another run is in progress (it holds " + strRunLock +
                                "); nothing was done.\n");
        EXPECT_EQ(ReadBytes(App() / "sys-log.txt"), strHistory);
    }
    const CliResult r = RunCli(App(), {"--summarise"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "System log summarised from 3 to 2 line(s)\n");
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"),
              "02/12/2026 10:03:00 SIP Registration succeeded for 200\r\n"
              "02/12/2026 10:01:00 SIP Registration succeeded for 200");
}

} // namespace
} // namespace ata
