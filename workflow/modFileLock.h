#pragma once

#include "net/UniqueFd.h"

#include <string>

namespace ata::modFileLock {

// How an attempt to take a lock ended.
enum class EnmLockState {
    Held,        // this object holds the lock
    Busy,        // another process holds it (only a try reports this)
    Unavailable, // neither the lock file nor the fallback could be opened; nothing is held
};

// An exclusive advisory lock (flock) on a lock file, held for the object's life and given back
// when it is destroyed or when the process ends in any way. The lock file is a stable file of its
// own, never the file it guards, since the guarded file is replaced by a rename. Where the lock
// file cannot be created (a folder the process may not write) the fallback path is locked
// instead: a file there can only be rewritten in place, so its inode stays.
class CFileLock {
public:
    CFileLock() = default;

    // Waits in the kernel until the lock is free.
    static CFileLock Acquire(const std::string& strLockFile, const std::string& strFallback);
    // Takes the lock only when it is free at once.
    static CFileLock TryAcquire(const std::string& strLockFile, const std::string& strFallback);

    EnmLockState State() const { return m_fd ? EnmLockState::Held : m_enmNotHeld; }
    bool IsHeld() const { return static_cast<bool>(m_fd); }

private:
    static CFileLock Take(const std::string& strLockFile, const std::string& strFallback,
                          bool blnWait);

    // The locked descriptor; closing the only one gives the lock back.
    UniqueFd m_fd;
    EnmLockState m_enmNotHeld = EnmLockState::Unavailable; // why nothing is held
};

// The lock file that every reader-merger-writer of the log history takes: the history file's
// name with ".lock" added, in the same folder.
std::string HistoryLockFile(const std::string& strSysLogFile);

// Holds the history's lock for a read-merge-write of strSysLogFile; waits while another process
// (the window or a timer run) is in its own read-merge-write.
CFileLock LockHistory(const std::string& strSysLogFile);

} // namespace ata::modFileLock
