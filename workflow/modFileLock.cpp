#include "workflow/modFileLock.h"

#include "base/FileIo.h"
#include "workflow/modJournal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ata::modFileLock {

namespace {

// The lock file, created private when missing; an existing one this process may only read still
// locks. When it is missing and cannot be created, the folder it would be in. -1 otherwise (a
// symbolic link at its name, a file of another user, no such folder).
int OpenLockTarget(const std::string& strLockFile, bool blnFolderInstead) {
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(strLockFile.c_str(), O_RDWR | O_CREAT | kFlags, 0600);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        fd = ::open(strLockFile.c_str(), O_RDONLY | kFlags);
        if (fd < 0 && errno == ENOENT && blnFolderInstead)
            fd = ::open(modFileIo::FolderOf(strLockFile).c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    struct stat objStat {};
    if (fd >= 0 &&
        (::fstat(fd, &objStat) != 0 || !(S_ISREG(objStat.st_mode) || S_ISDIR(objStat.st_mode)))) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}

// True when the lock was taken; false with errno EWOULDBLOCK when another holds it.
bool TryLock(int fd) {
    int intResult = 0;
    do {
        intResult = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (intResult != 0 && errno == EINTR);
    return intResult == 0;
}

} // namespace

CFileLock CFileLock::TryAcquire(const std::string& strLockFile, bool blnFolderInstead) {
    return Acquire(strLockFile, 0, {}, blnFolderInstead);
}

CFileLock CFileLock::Acquire(const std::string& strLockFile, int32_t lngMilliseconds,
                             const WaitFn& fnWait, bool blnFolderInstead) {
    using Clock = std::chrono::steady_clock;
    CFileLock objLock;
    UniqueFd fd(OpenLockTarget(strLockFile, blnFolderInstead));
    if (!fd)
        return objLock;
    const auto due = Clock::now() + std::chrono::milliseconds(lngMilliseconds);
    int32_t lngInterval = 5;
    while (!TryLock(fd.Get())) {
        if (errno != EWOULDBLOCK)
            return objLock;
        objLock.m_enmNotHeld = EnmLockState::Busy;
        const auto lngLeft =
            std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
        if (lngLeft <= 0 || !fnWait)
            return objLock;
        lngInterval = std::min(lngInterval * 2, 200);
        if (!fnWait(static_cast<int32_t>(std::min<int64_t>(lngInterval, lngLeft))))
            return objLock;
    }
    objLock.m_fd = std::move(fd);
    return objLock;
}

CFileLock LockForRewrite(const std::string& strFile, int32_t lngMilliseconds,
                         const WaitFn& fnWait) {
    std::string strTarget;
    if (!modFileIo::ResolveLinks(strFile, strTarget))
        return {};
    CFileLock objLock = CFileLock::Acquire(strTarget + ".lock", lngMilliseconds, fnWait);
    if (objLock.IsHeld() && !modJournal::RollBack(strTarget))
        return {};
    return objLock;
}

void RollBackUnfinishedWrite(const std::string& strFile) {
    std::string strTarget;
    struct stat objStat {};
    const std::string strJournal =
        modFileIo::ResolveLinks(strFile, strTarget) ? modJournal::JournalFile(strTarget) : "";
    if (!strJournal.empty() && ::lstat(strJournal.c_str(), &objStat) == 0)
        (void)LockForRewrite(strFile, 0, {});
}

} // namespace ata::modFileLock
