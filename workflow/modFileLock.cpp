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

CFileLock CFileLock::Take(const std::string& strLockFile, const std::string& strFallback,
                          bool blnWait) {
    CFileLock objLock;
    UniqueFd fd(OpenLockTarget(strLockFile, strFallback));
    if (!fd)
        return objLock;
    int intResult = 0;
    do {
        intResult = ::flock(fd.Get(), LOCK_EX | (blnWait ? 0 : LOCK_NB));
    } while (intResult != 0 && errno == EINTR);
    if (intResult != 0) {
        if (errno == EWOULDBLOCK)
            objLock.m_enmNotHeld = EnmLockState::Busy;
        return objLock;
    }
    objLock.m_fd = std::move(fd);
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
