#include "base/FileIo.h"

#include "base/UniqueFd.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace ata::modFileIo {

namespace {

// The most symbolic links followed in a row before the path counts as a loop.
constexpr int kMaxLinks = 40;

} // namespace

std::string FolderOf(const std::string& strPath) {
    std::string strFolder = std::filesystem::path(strPath).parent_path().string();
    return strFolder.empty() ? std::string(".") : strFolder;
}

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

int OpenRegular(const std::string& strPath, int intFlags) {
    UniqueFd objFile(::open(strPath.c_str(), intFlags | O_NONBLOCK | O_CLOEXEC));
    struct stat objStat {};
    if (!objFile || ::fstat(objFile.Get(), &objStat) != 0) {
        return -1;
    }
    if (!S_ISREG(objStat.st_mode)) {
        errno = S_ISDIR(objStat.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    const int intStatus = ::fcntl(objFile.Get(), F_GETFL);
    if (intStatus < 0 || ::fcntl(objFile.Get(), F_SETFL, intStatus & ~O_NONBLOCK) != 0) {
        return -1;
    }
    return objFile.Release();
}

bool WriteAt(int fd, std::string_view strBytes, off_t lngOffset, size_t& lngDone) {
    lngDone = 0;
    while (lngDone < strBytes.size()) {
        const ssize_t lngWritten =
            ::pwrite(fd, strBytes.data() + lngDone, strBytes.size() - lngDone,
                     lngOffset + static_cast<off_t>(lngDone));
        if (lngWritten < 0 && errno == EINTR) {
            continue;
        }
        if (lngWritten <= 0) {
            if (lngWritten == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        lngDone += static_cast<size_t>(lngWritten);
    }
    return true;
}

bool WriteAt(int fd, std::string_view strBytes, off_t lngOffset) {
    size_t lngDone = 0;
    return WriteAt(fd, strBytes, lngOffset, lngDone);
}

bool ReadToEnd(int fd, size_t lngSizeHint, std::string& strText) {
    // One byte beyond the hint finds the end without growing the text: growing it would
    // briefly hold a second copy of a file of any size.
    size_t lngDone = strText.size();
    strText.resize(lngDone + lngSizeHint + 1);
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

bool AppendWholeFile(const std::string& strPath, std::string& strText) {
    UniqueFd objFile(OpenRegular(strPath, O_RDONLY));
    struct stat objStat {};
    if (!objFile || ::fstat(objFile.Get(), &objStat) != 0) {
        return false;
    }
    const size_t lngKept = strText.size();
    if (!ReadToEnd(objFile.Get(), static_cast<size_t>(objStat.st_size), strText)) {
        const int intErrno = errno;
        strText.resize(lngKept);
        errno = intErrno;
        return false;
    }
    return true;
}

bool SyncFolder(const std::string& strFolder) {
    UniqueFd objFolder(::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return objFolder && ::fsync(objFolder.Get()) == 0;
}

bool MakePrivateFolders(const std::string& strFolder) {
    struct stat objStat {};
    if (::stat(strFolder.c_str(), &objStat) == 0) {
        return S_ISDIR(objStat.st_mode);
    }
    if (errno != ENOENT) {
        return false;
    }
    std::string strParent = strFolder;
    while (!strParent.empty() && strParent.back() == '/') {
        strParent.pop_back();
    }
    strParent = FolderOf(strParent);
    if (strParent != strFolder && strParent != "." && strParent != "/" &&
        !MakePrivateFolders(strParent)) {
        return false;
    }
    return (::mkdir(strFolder.c_str(), 0700) == 0 || errno == EEXIST) &&
           ::stat(strFolder.c_str(), &objStat) == 0 && S_ISDIR(objStat.st_mode);
}

} // namespace ata::modFileIo
