#include "workflow/modMiscFiles.h"

#include "base/FileIo.h"
#include "base/RaisedError.h"
#include "base/UniqueFd.h"
#include "workflow/modJournal.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

namespace ata::modMisc {

namespace {

using modFileIo::FolderOf;

// Removes a temporary file unless it was renamed into place.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string strPath) : m_strPath(std::move(strPath)) {}
    ~TempFileGuard() {
        if (!m_blnKept) {
            ::unlink(m_strPath.c_str());
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Keep() { m_blnKept = true; }

private:
    std::string m_strPath;
    bool m_blnKept = false;
};

// How an attempt to replace a file through a temporary file ended.
enum class EnmRenameResult { Replaced, Failed, FolderRefused };

// Temporary files are named "<file>.<pid>.tmp": the process that made one is named in it, so a
// later write can tell a leftover of a killed process from one that is still being written.
constexpr std::string_view kTempEnding = ".tmp";

std::string TempFileFor(const std::string& strTarget, pid_t lngPid) {
    return strTarget + "." + std::to_string(lngPid) + std::string(kTempEnding);
}

// The process id in a leftover's name, or 0 when the name is not one of ours for this file.
pid_t TempOwner(std::string_view strName, std::string_view strBase) {
    if (strName.size() <= strBase.size() + 1 + kTempEnding.size() ||
        strName.substr(0, strBase.size()) != strBase || strName[strBase.size()] != '.' ||
        strName.substr(strName.size() - kTempEnding.size()) != kTempEnding)
        return 0;
    const std::string_view strDigits = strName.substr(
        strBase.size() + 1, strName.size() - strBase.size() - 1 - kTempEnding.size());
    pid_t lngPid = 0;
    for (char ch : strDigits) {
        if (ch < '0' || ch > '9' || lngPid > 100000000)
            return 0;
        lngPid = lngPid * 10 + (ch - '0');
    }
    return lngPid;
}

// Deletes the temporary files that killed writers of this file left behind. A file whose writer
// still runs is left alone, so this is safe beside a writer without the file's lock.
void RemoveLeftovers(const std::string& strTarget) {
    const std::string strFolder = FolderOf(strTarget);
    const std::string strBase = strTarget.substr(strTarget.find_last_of('/') + 1);
    const std::unique_ptr<DIR, int (*)(DIR*)> pDir(::opendir(strFolder.c_str()), ::closedir);
    if (!pDir)
        return;
    while (const dirent* pEntry = ::readdir(pDir.get())) {
        const pid_t lngPid = TempOwner(pEntry->d_name, strBase);
        if (lngPid <= 0)
            continue;
        if (lngPid == ::getpid() || (::kill(lngPid, 0) != 0 && errno == ESRCH))
            ::unlinkat(::dirfd(pDir.get()), pEntry->d_name, 0);
    }
}

[[noreturn]] void RaiseFileError(int intErrno, const std::string& strPath) {
    throw RaisedError(intErrno, "modMisc.ReadTextFile", strPath + ": " + std::strerror(intErrno));
}

// The process's file mode mask, read without changing it (umask() itself would, for a moment,
// for every thread).
mode_t CurrentUmask() {
    UniqueFd objStatus(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    char buf[4096];
    const ssize_t lngRead = objStatus.Get() < 0 ? -1 : ::read(objStatus.Get(), buf, sizeof buf - 1);
    if (lngRead > 0) {
        buf[lngRead] = '\0';
        if (const char* strLine = std::strstr(buf, "Umask:")) {
            return static_cast<mode_t>(std::strtoul(strLine + 6, nullptr, 8));
        }
    }
    return 022;
}

// Gives the new file the extended attributes of the one it replaces (access control lists
// among them). Attributes the process may not set are skipped; a file system without them is
// no error.
void CopyAttributes(const std::string& strFrom, int fdTo) {
    const ssize_t lngSize = ::listxattr(strFrom.c_str(), nullptr, 0);
    if (lngSize <= 0)
        return;
    std::string strNames(static_cast<size_t>(lngSize), '\0');
    const ssize_t lngGot = ::listxattr(strFrom.c_str(), strNames.data(), strNames.size());
    if (lngGot <= 0)
        return;
    strNames.resize(static_cast<size_t>(lngGot));
    for (size_t lngPos = 0; lngPos < strNames.size();) {
        const std::string strName = strNames.c_str() + lngPos;
        lngPos += strName.size() + 1;
        const ssize_t lngValue = ::getxattr(strFrom.c_str(), strName.c_str(), nullptr, 0);
        if (lngValue < 0)
            continue;
        std::string strValue(static_cast<size_t>(lngValue), '\0');
        const ssize_t lngRead =
            ::getxattr(strFrom.c_str(), strName.c_str(), strValue.data(), strValue.size());
        if (lngRead >= 0)
            ::fsetxattr(fdTo, strName.c_str(), strValue.data(), static_cast<size_t>(lngRead), 0);
    }
}

bool IsRefusal(int intErrno) {
    return intErrno == EACCES || intErrno == EPERM || intErrno == EROFS;
}

// Writes the text to a temporary file beside the target, flushes it and renames it over the
// target, then flushes the folder so that the rename survives a crash. pOld describes the file
// being replaced, or is null for a new file. FolderRefused means the folder does not let this
// process create or rename files, and nothing was changed. The temporary file is private
// from its first byte and gets its final mode only once it is whole.
EnmRenameResult ReplaceByRename(const std::string& strTarget, const std::string& strText,
                                const struct stat* pOld, mode_t lngNewFileMode) {
    // Also a leftover of an earlier process that had this process's id.
    RemoveLeftovers(strTarget);
    const std::string strTemp = TempFileFor(strTarget, ::getpid());
    UniqueFd objFile(
        ::open(strTemp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!objFile) {
        return IsRefusal(errno) ? EnmRenameResult::FolderRefused : EnmRenameResult::Failed;
    }
    TempFileGuard objGuard(strTemp);
    // Only root may give a file away; otherwise the new file keeps at least the old group
    // where it can (a group the user is not in leaves the user's own), and belongs to this
    // process's user.
    if (pOld != nullptr && ::fchown(objFile.Get(), pOld->st_uid, pOld->st_gid) != 0 &&
        ::fchown(objFile.Get(), static_cast<uid_t>(-1), pOld->st_gid) != 0) {
        errno = 0;
    }
    // The mode is set after the owner, since a change of owner clears the set-id bits; the
    // attributes after the mode, since an access list carries the mode bits too.
    const mode_t lngMode = pOld != nullptr ? pOld->st_mode & 07777 : lngNewFileMode;
    bool blnOk = modFileIo::WriteAt(objFile.Get(), strText, 0) && ::fsync(objFile.Get()) == 0 &&
                 ::fchmod(objFile.Get(), lngMode) == 0;
    if (blnOk && pOld != nullptr) {
        CopyAttributes(strTarget, objFile.Get());
    }
    blnOk = blnOk && ::fsync(objFile.Get()) == 0;
    blnOk = objFile.Close() && blnOk;
    if (!blnOk) {
        return EnmRenameResult::Failed;
    }
    if (::rename(strTemp.c_str(), strTarget.c_str()) != 0) {
        // A sticky folder lets only the file's owner replace it.
        return IsRefusal(errno) ? EnmRenameResult::FolderRefused : EnmRenameResult::Failed;
    }
    objGuard.Keep();
    // The new content is in place either way; a folder that cannot be flushed is not an error.
    modFileIo::SyncFolder(FolderOf(strTarget));
    return EnmRenameResult::Replaced;
}

// Rewrites an existing file through its own descriptor, for a folder that allows no temporary
// file. A journal of the old content is flushed before any byte changes, so that a process
// killed halfway leaves a file that the next holder of its lock puts back; without a journal
// nothing is written. The space for the new content is reserved first, and when a write, the
// truncation or the flush fails, the old bytes and length are put back at once.
bool RewriteInPlace(const std::string& strTarget, const std::string& strText) {
    if (!modJournal::RollBack(strTarget)) {
        return false;
    }
    UniqueFd objFile(modFileIo::OpenRegular(strTarget, O_RDWR | O_NOFOLLOW));
    struct stat objStat {};
    std::string strOld;
    if (!objFile || ::fstat(objFile.Get(), &objStat) != 0 ||
        !modFileIo::ReadToEnd(objFile.Get(), static_cast<size_t>(objStat.st_size), strOld)) {
        return false;
    }
    const int fd = objFile.Get();
    const auto lngNewSize = static_cast<off_t>(strText.size());
    if (lngNewSize > 0 && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, lngNewSize) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS) {
        return false;
    }
    if (!modJournal::Begin(strTarget, objStat, strOld)) {
        return false;
    }
    size_t lngDone = 0;
    const bool blnWritten = modFileIo::WriteAt(fd, strText, 0, lngDone);
    if (blnWritten && ::ftruncate(fd, lngNewSize) == 0 && ::fsync(fd) == 0) {
        // Without its journal gone the write would be undone later, so it counts as failed;
        // the old content is what the next holder of the lock will find.
        return modJournal::Commit(strTarget) || (modJournal::RollBack(strTarget), false);
    }
    // Once the length was set, any old byte may be gone; before, only those overwritten are.
    const size_t lngChanged = blnWritten ? strOld.size() : std::min(lngDone, strOld.size());
    if (modFileIo::WriteAt(fd, std::string_view(strOld).substr(0, lngChanged), 0) &&
        ::ftruncate(fd, static_cast<off_t>(strOld.size())) == 0 && ::fsync(fd) == 0) {
        modJournal::Commit(strTarget);
    }
    return false;
}

} // namespace

std::string ReadTextFile(const std::string& strPath) {
    std::string strText;
    AppendTextFile(strPath, strText);
    return strText;
}

void AppendTextFile(const std::string& strPath, std::string& strText) {
    if (!modFileIo::AppendWholeFile(strPath, strText) && errno != ENOENT) {
        RaiseFileError(errno, strPath);
    }
}

bool ReplaceFileContent(const std::string& strPath, const std::string& strText,
                        mode_t lngNewFileMode) {
    std::string strTarget;
    if (!modFileIo::ResolveLinks(strPath, strTarget)) {
        return false;
    }
    struct stat objOld {};
    const bool blnExists = ::stat(strTarget.c_str(), &objOld) == 0;
    if (!blnExists && errno != ENOENT) {
        return false;
    }
    if (blnExists) {
        // A file this process may not write is left as it is, even where the folder would let a
        // rename replace it.
        if (!S_ISREG(objOld.st_mode) ||
            ::faccessat(AT_FDCWD, strTarget.c_str(), W_OK, AT_EACCESS) != 0) {
            return false;
        }
    }
    switch (ReplaceByRename(strTarget, strText, blnExists ? &objOld : nullptr, lngNewFileMode)) {
    case EnmRenameResult::Replaced:
        return true;
    case EnmRenameResult::FolderRefused:
        return blnExists && RewriteInPlace(strTarget, strText);
    case EnmRenameResult::Failed:
        break;
    }
    return false;
}

bool WriteTextFile(const std::string& strText, const std::string& strPath) {
    return ReplaceFileContent(strPath, strText, 0666 & ~CurrentUmask());
}

} // namespace ata::modMisc
