#pragma once

// A file's lock held by another process, as another program or user would hold it.

#include "testing/UnprivilegedRun.h"

#include <csignal>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ata::test {

// Holds an exclusive flock on strLockFile (created when missing) from a process of its own
// that runs as lngUser (root only may change user), until Release() or the object's end, so
// that no holder outlives a failed test.
class OtherProcessLock {
public:
    OtherProcessLock(const std::string& strLockFile, uid_t lngUser) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(fds[1], 1);
            if (BecomeUser(lngUser))
                ::execl("/usr/bin/flock", "flock", "--no-fork", strLockFile.c_str(), "/bin/sh",
                        "-c", "echo held; exec sleep 600", nullptr);
            ::_exit(127);
        }
        ::close(fds[1]);
        char buf[5] = {};
        m_blnHeld = m_pid > 0 && ::read(fds[0], buf, 4) == 4;
        ::close(fds[0]);
    }
    ~OtherProcessLock() { Release(); }
    OtherProcessLock(const OtherProcessLock&) = delete;
    OtherProcessLock& operator=(const OtherProcessLock&) = delete;

    bool Held() const { return m_blnHeld; }
    // The holder ends, and the lock is free.
    void Release() {
        if (m_pid > 0 && ::kill(m_pid, SIGKILL) == 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    bool m_blnHeld = false;
};

} // namespace ata::test
