#pragma once

#include "base/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <string>

namespace ata::modFileLock {

// How an attempt to take a lock ended.
enum class EnmLockState {
    Held,        // this object holds the lock
    Busy,        // another process held it for the whole time allowed
    Unavailable, // no lock could be had at all (or the file it guards could not be made whole)
};

// Lets events run for up to the given number of milliseconds while a lock is waited for, so
// the window stays responsive; false abandons the wait (the window is closing, the run is
// asked to end).
using WaitFn = std::function<bool(int32_t lngMilliseconds)>;

// An exclusive advisory lock (flock) on a lock file, held for the object's life and given back
// when it is destroyed or when the process ends in any way. The lock file is a stable file of its
// own, never the file it guards, since the guarded file is replaced by a rename. It is created
// private to the user and never through a symbolic link. Where it cannot be created (a folder
// the process may not write) its folder is locked instead.
class CFileLock {
public:
    CFileLock() = default;

    // Takes the lock only when it is free at once.
    static CFileLock TryAcquire(const std::string& strLockFile, bool blnFolderInstead = true);
    // Waits for the lock for at most lngMilliseconds. The kernel tells nobody when a lock is
    // given back, so it is tried again at growing intervals while fnWait lets events run.
    // Without blnFolderInstead a lock file that cannot be created leaves the lock Unavailable
    // (for a lock that is held around others that lock the folder).
    static CFileLock Acquire(const std::string& strLockFile, int32_t lngMilliseconds,
                             const WaitFn& fnWait, bool blnFolderInstead = true);

    EnmLockState State() const { return m_fd ? EnmLockState::Held : m_enmNotHeld; }
    bool IsHeld() const { return static_cast<bool>(m_fd); }

private:
    // The locked descriptor; closing the only one gives the lock back.
    UniqueFd m_fd;
    EnmLockState m_enmNotHeld = EnmLockState::Unavailable; // why nothing is held
};

// Holds the lock of a file that is read, merged and rewritten (the log history, the settings)
// for a read-merge-write: the lock file is the file's name with ".lock" added, beside the file
// that its links lead to. Waits as Acquire does while another
// process (the window or a timer run) is in its own. Once held, a rewrite that a killed process
// left half done is rolled back first, so the file read is whole; when that fails, nothing is
// held and the state is Unavailable.
CFileLock LockForRewrite(const std::string& strFile, int32_t lngMilliseconds, const WaitFn& fnWait);

// At start-up: where a killed process left a half-done rewrite of the file, takes the file's
// lock if it is free and rolls the rewrite back. A file whose lock another process holds is
// that process's to finish; a file without a journal is not touched (nor its lock file made).
void RollBackUnfinishedWrite(const std::string& strFile);

} // namespace ata::modFileLock
