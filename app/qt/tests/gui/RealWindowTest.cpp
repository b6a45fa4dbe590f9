// The five commands through the real window: the drawn buttons are clicked with the mouse, the
// message boxes are answered with the Enter key, and the files the tool writes are compared
// byte for byte with texts worked out by hand from the rules of sorting, saving and
// summarising. The fake ATA serves ports 80 and 21 of a loopback address of its own (root).
#include "RealWindow.h"

#include "script/tests/ServerProcess.h"
#include "workflow/tests/FakeAtaHttpServer.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <csignal>
#include <cstdlib>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::RealWindow;
using test::WriteBytes;

constexpr const char* kAtaAddress = "127.0.0.4";
const std::string kRegisteredPage = "<html><!--SIP Registration Information!--><table><tr><td> "
                                    "Registered </td></tr></table></html>";

// Device lines (month first, fractions of a second) and the same lines as the tool writes them.
// Among them Latin-1 letters, no-break spaces, a NUL byte (the fetch turns it into a line feed)
// and a bare carriage return.
const std::string kDevRegA = "12/01/2026 08:00:00.100 SIP Registration succeeded for 100@pbx\r\n";
const std::string kDevCaller = "12/01/2026 08:03:00.200 Caller \xC9mile \xE0 l'appareil\r\n";
const std::string kDevPrice = "12/01/2026 08:04:00.300 Price\xA0"
                              "10\xA0\x85\xFF\r\n";
const std::string kDevNul = std::string("12/01/2026 08:05:00.400 Line\0two\r\n", 34);
const std::string kDevBareCr = "12/01/2026 08:06:00.500 Bare\rCR\r\n";
const std::string kDevRegB = "12/01/2026 08:07:00.600 SIP Registration succeeded for 100@pbx\r\n";
const std::string kDevPower = "12/01/2026 09:00:00.000 Power on\r\n";
const std::string kDevReg0901 =
    "12/01/2026 09:01:00.000 SIP Registration succeeded for 100@pbx\r\n";
const std::string kDevReg0902 =
    "12/01/2026 09:02:00.000 SIP Registration succeeded for 100@pbx\r\n";
const std::string kDevReg0903 =
    "12/01/2026 09:03:00.000 SIP Registration succeeded for 100@pbx\r\n";

const std::string kRegA = "01/12/2026 08:00:00 SIP Registration succeeded for 100@pbx";
const std::string kCaller = "01/12/2026 08:03:00 Caller \xC9mile \xE0 l'appareil";
const std::string kPrice = "01/12/2026 08:04:00 Price\xA0"
                           "10\xA0\x85\xFF";
const std::string kLf = "01/12/2026 08:05:00 Line\ntwo";
const std::string kBareCr = "01/12/2026 08:06:00 Bare\rCR";
const std::string kRegB = "01/12/2026 08:07:00 SIP Registration succeeded for 100@pbx";
const std::string kPower = "01/12/2026 09:00:00 Power on";
const std::string kReg0901 = "01/12/2026 09:01:00 SIP Registration succeeded for 100@pbx";
const std::string kReg0902 = "01/12/2026 09:02:00 SIP Registration succeeded for 100@pbx";
const std::string kReg0903 = "01/12/2026 09:03:00 SIP Registration succeeded for 100@pbx";

std::string Lines(std::initializer_list<std::string> lines) {
    std::string s;
    for (const auto& line : lines)
        s += (s.empty() ? "" : "\r\n") + line;
    return s;
}

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

fs::path TestFolder(const std::string& strName) {
    const fs::path folder =
        fs::temp_directory_path() / ("ata-window-" + std::to_string(::getpid()) + "-" + strName);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// Types a line at the top of the pane, as a user edits it.
void TypeLineOnTop(QPlainTextEdit* pane, const std::string& strLine) {
    pane->setFocus();
    const bool blnEmpty = pane->document()->isEmpty();
    QTest::keyClick(pane, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(pane, QString::fromLatin1(strLine.c_str()));
    if (!blnEmpty)
        QTest::keyClick(pane, Qt::Key_Return);
}

class RealWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = TestFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override {
        m_ftp.reset();
        m_http.reset();
        fs::remove_all(m_folder);
    }
    // The fake ATA on ports 80 and 21, and settings that point the tool at it.
    void StartAta() {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to serve the fake ATA on ports 80 and 21";
        m_http = std::make_unique<test::FakeAtaHttpServer>(kAtaAddress, 80);
        m_http->SetPage("/doc/m_set.htm", kRegisteredPage);
        for (int i = 0; i < 20000; ++i)
            m_strConfig += static_cast<char>((i * 131 + i / 256) & 0xFF);
        WriteBytes(m_folder / "ftp/RFA/CONFIG.REG", m_strConfig);
        m_ftp = std::make_unique<script::test::ServerProcess>(std::vector<std::string>{
            script::test::FixturePath("pyftpd_rfa.py"), (m_folder / "ftp").string(), "admin",
            "secret", "/RFA/", kAtaAddress, "21"});
        ASSERT_EQ(m_ftp->Port(), 21) << "port 21 of " << kAtaAddress << " is taken";
        WriteBytes(m_folder / "app/settings.ini",
                   "[Options]\r\nIP=127.0.0.4\r\nUsername=admin\r\nPassword=secret\r\n");
    }
    void ServeLog(const std::string& strLog) { m_http->SetPage("/cgi/syslog.txt", strLog); }
    fs::path App() const { return m_folder / "app"; }

    fs::path m_folder;
    std::string m_strConfig;
    std::unique_ptr<test::FakeAtaHttpServer> m_http;
    std::unique_ptr<script::test::ServerProcess> m_ftp;
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
    const std::string strFirst = Lines({kRegB, kBareCr, kLf, kPrice, kCaller, kRegA});
    EXPECT_EQ(w.Window().GetLogText(), strFirst);
    w.Click(ControlId::cmdSaveLog);
    const std::string strSaved1 = strFirst + "\r\n";
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"), strSaved1);

    // The device has moved on: only the two lines above the newest saved one are new.
    ServeLog(kDevNul + kDevBareCr + kDevRegB + kDevPower + kDevReg0901);
    w.Click(ControlId::cmdLog);
    w.Click(ControlId::cmdSaveLog);
    const std::string strSaved2 = kReg0901 + "\r\n" + kPower + "\r\n" + strSaved1;
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"), strSaved2);

    // With summarising on save: 09:02 and 09:01 lie within 5 minutes of the line before them,
    // and 09:01 comes back as the end of its run; the final empty line goes.
    QCheckBox* autoSum = w.Window().chkAutoSum();
    QTest::mouseClick(autoSum, Qt::LeftButton, {}, QPoint(5, autoSum->height() / 2));
    ASSERT_TRUE(autoSum->isChecked());
    ServeLog(kDevReg0901 + kDevReg0902 + kDevReg0903);
    w.Click(ControlId::cmdLog);
    w.Click(ControlId::cmdSaveLog);
    EXPECT_EQ(ReadBytes(App() / "sys-log.txt"),
              Lines({kReg0903, kReg0901, kPower, kRegB, kBareCr, kLf, kPrice, kCaller, kRegA}));
    EXPECT_EQ(w.Status(), "Log summarised.");

    w.Click(ControlId::cmdBackup);
    ASSERT_TRUE(w.WaitUntilIdle());
    EXPECT_EQ(w.Status(), "Backup complete.");
    std::vector<fs::path> vecBackups;
    for (const auto& entry : fs::directory_iterator(App()))
        if (entry.path().filename().string().rfind("Config", 0) == 0)
            vecBackups.push_back(entry.path());
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

TEST_F(RealWindowTest, EnterOnNoLogToSaveClosesItOnce) {
    RealWindow w(App());
    w.Click(ControlId::cmdSaveLog);
    // The Enter that closes the box comes up on the Save button, which has the focus.
    EXPECT_EQ(w.Window().focusWidget(), w.Window().Control(ControlId::cmdSaveLog));
    EXPECT_EQ(w.MessageTexts(), std::vector<std::string>{"No log to save."});
    EXPECT_FALSE(fs::exists(App() / "sys-log.txt"));
}

TEST_F(RealWindowTest, ClosingDuringASilentFetchEndsAtOnce) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    m_http->SetRoute("/cgi/syslog.txt", {200, "", 0, true, false, false});
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

// File faults as a user without special rights. They run in a child process as "nobody" when
// the tests run as root (see RealWindowFileFaults below), directly otherwise.
class AsUser : public ::testing::Test {
protected:
    void SetUp() override {
        const char* strFolder = std::getenv("ATA_USER_FOLDER");
        if (!strFolder && ::geteuid() == 0)
            GTEST_SKIP() << "runs as nobody from RealWindowFileFaults.AsAnOrdinaryUser";
        const std::string strName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_folder = strFolder ? fs::path(strFolder) / strName : TestFolder(strName);
        fs::create_directories(m_folder);
        WriteBytes(m_folder / "sys-log.txt", kHistory);
    }
    void TearDown() override {
        if (!m_folder.empty()) {
            fs::permissions(m_folder, fs::perms::owner_all);
            fs::remove_all(m_folder);
        }
    }
    fs::path m_folder;
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
    struct stat st {};
    ::stat((m_folder / "sys-log.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
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
    const bool blnFtp = std::getenv("ATA_USER_FTP") != nullptr;
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
    for (const auto& entry : fs::directory_iterator(m_folder))
        EXPECT_EQ(entry.path().filename().string().rfind("Config", 0), std::string::npos);
}

// Runs the AsUser cases in a child process as "nobody", in a folder that user owns, with the
// fake ATA's FTP server of this process for the backup.
TEST(RealWindowFileFaults, AsAnOrdinaryUser) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "not root: the AsUser cases run directly";
    const fs::path folder = TestFolder("as-user");
    WriteBytes(folder / "ftp/RFA/CONFIG.REG", std::string(64 * 1024, 'c'));
    script::test::ServerProcess ftp({script::test::FixturePath("pyftpd_rfa.py"),
                                     (folder / "ftp").string(), "admin", "secret", "/RFA/",
                                     kAtaAddress, "21"});
    ASSERT_EQ(ftp.Port(), 21);
    const fs::path home = folder / "home";
    fs::create_directories(home);
    ASSERT_EQ(::chown(home.c_str(), 65534, 65534), 0);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("ATA_USER_FOLDER", home.c_str(), 1);
        ::setenv("ATA_USER_FTP", "1", 1);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        char strSelf[] = "/proc/self/exe";
        char strFilter[] = "--gtest_filter=AsUser.*";
        char* argv[] = {strSelf, strFilter, nullptr};
        ::execv(strSelf, argv);
        ::_exit(4);
    }
    int intStatus = 0;
    ASSERT_EQ(::waitpid(pid, &intStatus, 0), pid);
    EXPECT_TRUE(WIFEXITED(intStatus) && WEXITSTATUS(intStatus) == 0)
        << "the AsUser cases failed as nobody (status " << intStatus << ")";
    fs::remove_all(folder);
}

} // namespace
} // namespace ata
