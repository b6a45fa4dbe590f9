// The history's lock between processes: while another process holds it, a try is refused and a
// save or a summary waits, then re-reads the file, so the other writer's lines survive.
#include "workflow/modFileLock.h"
#include "FileBytes.h"
#include "RecordingWindow.h"
#include "workflow/LogSaving.h"
#include "workflow/modMiscFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace ata;

namespace {

const std::string kReg = " SIP Registration succeeded for 100";

// A child process takes the history's lock and reports it through a pipe; when told to go on,
// it puts strLine on top of the file as a save does, and ends (which frees the lock).
class LockHolder {
public:
    LockHolder(const std::string& strFile, const std::string& strLine) {
        if (::pipe(m_fdHeld) != 0 || ::pipe(m_fdGo) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            const auto objLock = modFileLock::LockForRewrite(strFile, 10000, {});
            char ch = objLock.IsHeld() ? 'h' : 'x';
            (void)!::write(m_fdHeld[1], &ch, 1);
            (void)!::read(m_fdGo[0], &ch, 1);
            const bool blnOk =
                modMisc::WriteTextFile(strLine + "\r\n" + modMisc::ReadTextFile(strFile), strFile);
            ::_exit(blnOk ? 0 : 1);
        }
        char ch = 0;
        m_blnHeld = ::read(m_fdHeld[0], &ch, 1) == 1 && ch == 'h';
    }
    ~LockHolder() {
        for (int fd : {m_fdHeld[0], m_fdHeld[1], m_fdGo[0], m_fdGo[1]})
            ::close(fd);
    }
    bool Held() const { return m_blnHeld; }
    void Go() { (void)!::write(m_fdGo[1], "g", 1); }
    // The child's exit status.
    int Wait() {
        int intStatus = -1;
        ::waitpid(m_pid, &intStatus, 0);
        return WIFEXITED(intStatus) ? WEXITSTATUS(intStatus) : -1;
    }

private:
    int m_fdHeld[2] = {-1, -1};
    int m_fdGo[2] = {-1, -1};
    pid_t m_pid = -1;
    bool m_blnHeld = false;
};

} // namespace

TEST(HistoryLock, ASaveAndASummaryWaitForAnotherWriterAndKeepItsLine) {
    test::ScratchFolder folder;
    const std::string strFile = folder.File("sys-log.txt");
    const std::string strOther = "02/12/2026 10:07:00 Other process";
    struct Case {
        std::string strHistory, strPane;
        std::function<void(test::RecordingWindow&)> fnRun;
        std::string strExpected;
    };
    const Case arrCases[] = {
        // The save puts its one new line on top of what the other process wrote.
        {"02/12/2026 10:05:00 B\r\n02/12/2026 10:00:00 A",
         "02/12/2026 10:08:00 D\r\n02/12/2026 10:05:00 B",
         [&](test::RecordingWindow& w) { SaveLog(w, strFile, [](bool) {}); },
         "02/12/2026 10:08:00 D\r\n" + strOther +
             "\r\n02/12/2026 10:05:00 B\r\n02/12/2026 10:00:00 A"},
        // The summary drops 10:02 and keeps the other process's line.
        {"02/12/2026 10:03:00" + kReg + "\r\n02/12/2026 10:02:00" + kReg +
             "\r\n02/12/2026 10:01:00" + kReg,
         "", [&](test::RecordingWindow& w) { SummariseLog(w, strFile); },
         strOther + "\r\n02/12/2026 10:03:00" + kReg + "\r\n02/12/2026 10:01:00" + kReg},
    };
    for (const Case& c : arrCases) {
        ASSERT_TRUE(modMisc::WriteTextFile(c.strHistory, strFile));
        LockHolder holder(strFile, strOther);
        ASSERT_TRUE(holder.Held());
        EXPECT_EQ(modFileLock::CFileLock::TryAcquire(modFileLock::LockFileFor(strFile)).State(),
                  modFileLock::EnmLockState::Busy);
        test::RecordingWindow window;
        window.strLog = c.strPane;
        // The other process writes once this one has announced its step and goes for the lock.
        window.OnYield = [&] { holder.Go(); };
        c.fnRun(window);
        EXPECT_EQ(holder.Wait(), 0);
        EXPECT_EQ(modMisc::ReadTextFile(strFile), c.strExpected);
        EXPECT_TRUE(window.OpsStartingWith("Warning").empty());
    }
    EXPECT_TRUE(modFileLock::CFileLock::TryAcquire(modFileLock::LockFileFor(strFile)).IsHeld());
}
