#include "workflow/modMiscFiles.h"

#include "net/RaisedError.h"
#include "net/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ata::modMisc {

namespace {

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

// The most symbolic links followed in a row before the path counts as a loop.
constexpr int kMaxLinks = 40;

[[noreturn]] void RaiseFileError(int intErrno, const std::string& strPath) {
    throw RaisedError(intErrno, "modMisc.ReadTextFile", strPath + ": " + std::strerror(intErrno));
}

std::string FolderOf(const std::string& strPath) {
    const size_t lngSlash = strPath.find_last_of('/');
    if (lngSlash == std::string::npos) {
        return ".";
    }
    return lngSlash == 0 ? "/" : strPath.substr(0, lngSlash);
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

// The file a path names once every symbolic link on its last component is followed. Unlike
// realpath() this works when the last link dangles: the result is then the missing file the
// link names. Relative link texts count from the link's own folder. False on a read error or a
// loop.
bool ResolveLinks(const std::string& strPath, std::string& strTarget) {
    strTarget = strPath;
    for (int intLinks = 0; intLinks <= kMaxLinks; ++intLinks) {
        struct stat objStat {};
        if (::lstat(strTarget.c_str(), &objStat) != 0) {
            return errno == ENOENT;
        }
        if (!S_ISLNK(objStat.st_mode)) {
            return true;
        }
        std::string strLink(PATH_MAX, '\0');
        const ssize_t lngLength = ::readlink(strTarget.c_str(), strLink.data(), strLink.size());
        if (lngLength <= 0 || static_cast<size_t>(lngLength) >= strLink.size()) {
            return false;
        }
        strLink.resize(static_cast<size_t>(lngLength));
        strTarget = strLink.front() == '/' ? strLink : FolderOf(strTarget) + "/" + strLink;
    }
    errno = ELOOP;
    return false;
}

// Writes the whole text from offset 0; lngDone tells how many bytes reached the file.
bool WriteFromStart(int fd, const std::string& strText, size_t& lngDone) {
    lngDone = 0;
    while (lngDone < strText.size()) {
        const ssize_t lngWritten = ::pwrite(fd, strText.data() + lngDone, strText.size() - lngDone,
                                            static_cast<off_t>(lngDone));
        if (lngWritten < 0 && errno == EINTR) {
            continue;
        }
        if (lngWritten <= 0) {
            return false;
        }
        lngDone += static_cast<size_t>(lngWritten);
    }
    return true;
}

// Reads from the descriptor's offset to the end of the file. lngSizeHint (the size fstat gave)
// saves growing the text; a file that grew since is still read to its end.
bool ReadToEnd(int fd, size_t lngSizeHint, std::string& strText) {
    strText.resize(lngSizeHint);
    size_t lngDone = 0;
    while (true) {
        if (lngDone == strText.size()) {
            strText.resize(strText.size() + 65536);
        }
        const ssize_t lngRead = ::read(fd, strText.data() + lngDone, strText.size() - lngDone);
        if (lngRead < 0 && errno == EINTR) {
            continue;
        }
        if (lngRead < 0) {
            return false;
        }
        if (lngRead == 0) {
            strText.resize(lngDone);
            return true;
        }
        lngDone += static_cast<size_t>(lngRead);
    }
}

bool IsRefusal(int intErrno) {
    return intErrno == EACCES || intErrno == EPERM;
}

// Writes the text to a temporary file beside the target, flushes it and renames it over the
// target, then flushes the folder so that the rename survives a crash. pOld describes the file
// being replaced, or is null for a new file. FolderRefused means the folder does not let this
// process create or rename files, and nothing was changed.
EnmRenameResult ReplaceByRename(const std::string& strTarget, const std::string& strText,
                                const struct stat* pOld, mode_t lngNewFileMode) {
    std::string strTemp = strTarget + ".XXXXXX";
    UniqueFd objFile(::mkostemp(strTemp.data(), O_CLOEXEC));
    if (objFile.Get() < 0) {
        return IsRefusal(errno) ? EnmRenameResult::FolderRefused : EnmRenameResult::Failed;
    }
    TempFileGuard objGuard(strTemp);
    // Only root may give a file away; otherwise the new file keeps at least the old group
    // where it can, and belongs to this process's user.
    if (pOld != nullptr && ::fchown(objFile.Get(), pOld->st_uid, pOld->st_gid) != 0) {
        (void)::fchown(objFile.Get(), static_cast<uid_t>(-1), pOld->st_gid);
    }
    // The mode is set after the owner, since a change of owner clears the set-id bits.
    const mode_t lngMode = pOld != nullptr ? pOld->st_mode & 07777 : lngNewFileMode;
    size_t lngDone = 0;
    bool blnOk = ::fchmod(objFile.Get(), lngMode) == 0 &&
                 WriteFromStart(objFile.Get(), strText, lngDone) && ::fsync(objFile.Get()) == 0;
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
    UniqueFd objFolder(::open(FolderOf(strTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (objFolder.Get() >= 0) {
        ::fsync(objFolder.Get());
    }
    return EnmRenameResult::Replaced;
}

// Rewrites an existing file through its own descriptor, for a folder that allows no temporary
// file. The old content is read first; the space for the new one is reserved before any byte
// changes, and when a write, the truncation or the flush fails, the old bytes and length are
// put back.
bool RewriteInPlace(const std::string& strTarget, const std::string& strText) {
    UniqueFd objFile(::open(strTarget.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    struct stat objStat {};
    std::string strOld;
    if (objFile.Get() < 0 || ::fstat(objFile.Get(), &objStat) != 0 || !S_ISREG(objStat.st_mode) ||
        !ReadToEnd(objFile.Get(), static_cast<size_t>(objStat.st_size), strOld)) {
        return false;
    }
    const int fd = objFile.Get();
    const auto lngNewSize = static_cast<off_t>(strText.size());
    if (lngNewSize > 0 && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, lngNewSize) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS) {
        return false;
    }
    size_t lngDone = 0;
    const bool blnWritten = WriteFromStart(fd, strText, lngDone);
    if (blnWritten && ::ftruncate(fd, lngNewSize) == 0 && ::fsync(fd) == 0) {
        return true;
    }
    // Once the length was set, any old byte may be gone; before, only those overwritten are.
    const size_t lngChanged = blnWritten ? strOld.size() : std::min(lngDone, strOld.size());
    size_t lngRestored = 0;
    if (WriteFromStart(fd, strOld.substr(0, lngChanged), lngRestored) &&
        ::ftruncate(fd, static_cast<off_t>(strOld.size())) == 0) {
        ::fsync(fd);
    }
    return false;
}

} // namespace

std::string ReadTextFile(const std::string& strPath) {
    UniqueFd objFile(::open(strPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (objFile.Get() < 0) {
        if (errno == ENOENT) {
            return {};
        }
        RaiseFileError(errno, strPath);
    }
    struct stat objStat {};
    if (::fstat(objFile.Get(), &objStat) != 0) {
        RaiseFileError(errno, strPath);
    }
    if (!S_ISREG(objStat.st_mode)) {
        RaiseFileError(EISDIR, strPath);
    }
    std::string strText;
    if (!ReadToEnd(objFile.Get(), static_cast<size_t>(objStat.st_size), strText)) {
        RaiseFileError(errno, strPath);
    }
    return strText;
}

bool ReplaceFileContent(const std::string& strPath, const std::string& strText,
                        mode_t lngNewFileMode) {
    std::string strTarget;
    if (!ResolveLinks(strPath, strTarget)) {
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
