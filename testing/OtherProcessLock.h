#pragma once

// A file's lock held by another process, as another program or user would hold it.
#include "testing/ChildProcess.h"

#include <csignal>
#include <string>

namespace ata::test {

// A flock on strLockFile held by a process running as lngUser, until Release() or the end.
class OtherProcessLock {
public:
    OtherProcessLock(const std::string& strLockFile, uid_t lngUser)
        : m_child({"/usr/bin/flock", "--no-fork", strLockFile, "/bin/sh", "-c",
                   "echo held; exec sleep 600"},
                  ChildOptions{{}, lngUser, {}, false, SIGKILL}),
          m_blnHeld(m_child.ReadUntil(1, "held")) {}

    bool Held() const { return m_blnHeld; }
    // The holder ends, and the lock is free.
    void Release() {
        m_child.Signal(SIGKILL);
        m_child.Finish();
    }

private:
    ChildProcess m_child;
    bool m_blnHeld;
};

} // namespace ata::test
