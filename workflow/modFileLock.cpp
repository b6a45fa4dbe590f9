#include "workflow/modFileLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace ata::modFileLock {

namespace {

// The lock file, created when missing; an existing one this process may only read still locks.
// Otherwise the fallback (a file or a folder), read-only. -1 when neither opens.
int OpenLockTarget(const std::string& strLockFile, const std::string& strFallback) {
    int fd = ::open(strLockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        fd = ::open(strLockFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && !strFallback.empty())
        fd = ::open(strFallback.c_str(), O_RDONLY | O_CLOEXEC);
    return fd;
}

} // namespace

CFileLock::~CFileLock() {
    if (m_fd >= 0)
        ::close(m_fd); // closing the only descriptor gives the lock back
}

CFileLock::CFileLock(CFileLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_enmState(std::exchange(other.m_enmState, EnmLockState::Unavailable)) {}

CFileLock& CFileLock::operator=(CFileLock&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_enmState = std::exchange(other.m_enmState, EnmLockState::Unavailable);
    }
    return *this;
}

CFileLock CFileLock::Take(const std::string& strLockFile, const std::string& strFallback,
                          bool blnWait) {
    CFileLock objLock;
    const int fd = OpenLockTarget(strLockFile, strFallback);
    if (fd < 0)
        return objLock;
    int intResult = 0;
    do {
        intResult = ::flock(fd, LOCK_EX | (blnWait ? 0 : LOCK_NB));
    } while (intResult != 0 && errno == EINTR);
    if (intResult != 0) {
        const bool blnBusy = errno == EWOULDBLOCK;
        ::close(fd);
        objLock.m_enmState = blnBusy ? EnmLockState::Busy : EnmLockState::Unavailable;
        return objLock;
    }
    objLock.m_fd = fd;
    objLock.m_enmState = EnmLockState::Held;
    return objLock;
}

CFileLock CFileLock::Acquire(const std::string& strLockFile, const std::string& strFallback) {
    return Take(strLockFile, strFallback, true);
}

CFileLock CFileLock::TryAcquire(const std::string& strLockFile, const std::string& strFallback) {
    return Take(strLockFile, strFallback, false);
}

std::string HistoryLockFile(const std::string& strSysLogFile) {
    return strSysLogFile + ".lock";
}

CFileLock LockHistory(const std::string& strSysLogFile) {
    return CFileLock::Acquire(HistoryLockFile(strSysLogFile), strSysLogFile);
}

} // namespace ata::modFileLock
