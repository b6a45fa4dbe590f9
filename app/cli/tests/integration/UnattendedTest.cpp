// The command line left alone, as timers run it: runs that meet wait for each other instead of
// dropping their work (a check goes on meanwhile), a signal ends a backup without leaving a
// partial file, backups are private, and every failure (lost output, an unreadable or odd
// settings file) has its status.
#include "testing/CliRun.h"
#include "testing/FakeAtaFixture.h"
#include "testing/OtherProcessLock.h"
#include "workflow/modFileLock.h"

#include <chrono>
#include <sys/stat.h>
#include <thread>

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr const char* kAtaAddress = "127.0.0.13";

class UnattendedTest : public FakeAtaTest {
protected:
    UnattendedTest() : FakeAtaTest(kAtaAddress) {}
};

TEST_F(UnattendedTest, RunsThatMeetWaitForEachOtherAndKeepBothResults) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    ServeLog(kDevRegA + kDevCaller + kDevPrice + kDevNul + kDevBareCr + kDevRegB);
    // The nightly backup and the hourly save fire together after a night with the machine off.
    CliRun backup(App(), {"--backup"});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    CliRun save(App(), {"--save-log"});
    const CliResult rBackup = backup.Finish();
    const CliResult rSave = save.Finish();
    EXPECT_EQ(rBackup.intExit, 0) << rBackup.strErr;
    EXPECT_EQ(rSave.intExit, 0) << rSave.strErr;
    EXPECT_NE((rBackup.strErr + rSave.strErr).find("waiting for it to end"), std::string::npos);
    EXPECT_EQ(History(), kSaved1);
    const auto vecBackups = Backups(App());
    ASSERT_EQ(vecBackups.size(), 1u);
    EXPECT_TRUE(ReadBytes(vecBackups[0]) == m_strConfig);
    // It holds the device's passwords.
    EXPECT_EQ(ModeOf(vecBackups[0]), 0600u);

    // Asked not to wait, a run refuses with a status of its own and changes nothing.
    const auto objRunning =
        modFileLock::CFileLock::TryAcquire((App() / "atatool-cli.lock").string(), false);
    ASSERT_TRUE(objRunning.IsHeld());
    const CliResult r = RunCli(App(), {"--summarise", "--no-wait"});
    EXPECT_EQ(r.intExit, 4);
    EXPECT_NE(r.strErr.find("another run is in progress"), std::string::npos);
    EXPECT_EQ(History(), kSaved1);
}

// A backup half way through its file holds the run lock: a check neither waits for it nor
// refuses, and a signal ends the backup without leaving its partial file.
TEST_F(UnattendedTest, ASignalEndsABackupWithoutAPartialFileAndACheckGoesOnMeanwhile) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to serve the fake ATA on ports 80 and 21 of " << kAtaAddress;
    WriteBytes(m_folder / "payload", std::string(200000, 'c'));
    const auto ftp = StartFakeFtp("stall", m_folder / "payload", kAtaAddress);
    ASSERT_EQ(ftp->Port(), 21);
    FakeAtaHttpServer http(kAtaAddress, 80);
    http.SetPage("/doc/m_set.htm", kRegisteredPage);
    WriteBytes(App() / "settings.ini", Settings());
    const FolderWatch objWatch(App());
    CliRun run(App(), {"--backup"});
    ASSERT_TRUE(objWatch.WaitForNew({".part"}));
    const auto vecParts = Backups(App());
    ASSERT_EQ(vecParts.size(), 1u);
    EXPECT_EQ(ModeOf(vecParts[0]), 0600u);
    EXPECT_EQ(
        modFileLock::CFileLock::TryAcquire((App() / "atatool-cli.lock").string(), false).State(),
        modFileLock::EnmLockState::Busy);
    const CliResult r = RunCli(App(), {"--check", "--no-wait"});
    EXPECT_EQ(r.intExit, 0) << r.strOut << r.strErr;
    EXPECT_EQ(r.strOut.rfind("ATA OK - online, line registered | ", 0), 0u);
    // The service manager stops the timer's run.
    run.Signal(SIGTERM);
    EXPECT_EQ(run.Finish().intExit, 143);
    EXPECT_TRUE(Backups(App()).empty());
}

TEST_F(UnattendedTest, LostOutputAndUnusableFilesHaveTheirStatus) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    ServeLog(kDevRegA + kDevCaller);
    for (const char* strOut : {"/dev/full", "-"}) {
        const CliResult r =
            RunCli(App(), {"--get-log"}, CliRunOptions{static_cast<uid_t>(-1), {}, strOut});
        EXPECT_EQ(r.intExit, 1) << strOut;
        EXPECT_NE(r.strErr.find("atatool-cli: cannot write to standard output: "),
                  std::string::npos)
            << strOut;
    }

    // Neither a FIFO nor an unreadable file is taken for an empty one, and nothing hangs.
    WriteBytes(App() / "sys-log.txt", kSaved1);
    fs::rename(App() / "settings.ini", m_folder / "settings.ini");
    ASSERT_EQ(::mkfifo((App() / "settings.ini").c_str(), 0600), 0);
    CliResult r = RunCli(App(), {"--status"});
    EXPECT_EQ(r.intExit, 3);
    EXPECT_EQ(r.strErr, "atatool-cli: " + (App() / "settings.ini").string() +
                            " is not a regular file; nothing was done.\n");
    fs::remove(App() / "settings.ini");
    fs::rename(m_folder / "settings.ini", App() / "settings.ini");
    fs::remove(App() / "sys-log.txt");
    ASSERT_EQ(::mkfifo((App() / "sys-log.txt").c_str(), 0600), 0);
    EXPECT_EQ(RunCli(App(), {"--summarise"}).intExit, 3);
    fs::remove(App() / "sys-log.txt");

    ::chmod((App() / "settings.ini").c_str(), 0);
    r = RunCli(App(), {"--status"}, CliRunOptions{kNobodyUid});
    EXPECT_EQ(r.intExit, 3);
    EXPECT_EQ(r.strErr, "atatool-cli: cannot read " + (App() / "settings.ini").string() +
                            ": Permission denied; nothing was done.\n");
}

// The program folder refuses new files and its sys-log.txt links to a history in a folder of
// the user's: the lock lives beside the history itself, so a run waits for whoever holds it
// there, then re-reads the history and keeps the other writer's line.
TEST_F(UnattendedTest, ALinkedHistoryIsLockedWhereItLives) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root for the fake ATA and to run as nobody";
    ASSERT_TRUE(EnterOwnNetwork());
    StartAta();
    if (HasFatalFailure())
        return;
    ServeLog(kDevNul + kDevBareCr + kDevRegB + kDevPower + kDevReg0901);
    const fs::path data = m_folder / "data";
    fs::create_directories(data);
    WriteBytes(data / "sys-log.txt", kSaved1);
    for (const fs::path& p : {data, data / "sys-log.txt"})
        ::chown(p.c_str(), kNobodyUid, kNobodyUid);
    fs::create_symlink(data / "sys-log.txt", App() / "sys-log.txt");
    const CliRunOptions objAsNobody = CliRunOptions{
        kNobodyUid, {"XDG_STATE_HOME=" + (data / "state").string()}, (data / "out").string()};

    // The other writer, as nobody too.
    OtherProcessLock objOther((data / "sys-log.txt.lock").string(), kNobodyUid);
    ASSERT_TRUE(objOther.Held());

    CliRun run(App(), {"--save-log"}, objAsNobody);
    ASSERT_TRUE(run.WaitForErr("Saving log...\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ReadBytes(data / "sys-log.txt"), kSaved1); // still waiting
    const std::string strOther = "01/12/2026 08:30:00 Saved by the window";
    WriteBytes(data / "sys-log.txt", strOther + "\r\n" + kSaved1);
    objOther.Release();
    const CliResult& r = run.Finish();
    EXPECT_EQ(r.intExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "System log saved, 2 line(s) added.\n");
    EXPECT_EQ(ReadBytes(data / "sys-log.txt"),
              kReg0901 + "\r\n" + kPower + "\r\n" + strOther + "\r\n" + kSaved1);
}

} // namespace
} // namespace ata
