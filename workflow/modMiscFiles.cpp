#include "workflow/modMiscFiles.h"

#include "net/RaisedError.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ata::modMisc {

namespace {

// Closes a descriptor when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Get() const { return m_fd; }
    // Closes now and reports whether the close succeeded.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

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
    FileHandle objStatus(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
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

} // namespace

std::string ReadTextFile(const std::string& strPath) {
    FileHandle objFile(::open(strPath.c_str(), O_RDONLY | O_CLOEXEC));
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
    strText.resize(static_cast<size_t>(objStat.st_size));
    size_t lngDone = 0;
    while (true) {
        if (lngDone == strText.size()) {
            // The file may have grown since it was measured; read until the end.
            strText.resize(strText.size() + 65536);
        }
        const ssize_t lngRead =
            ::read(objFile.Get(), strText.data() + lngDone, strText.size() - lngDone);
        if (lngRead < 0) {
            if (errno == EINTR) {
                continue;
            }
            RaiseFileError(errno, strPath);
        }
        if (lngRead == 0) {
            break;
        }
        lngDone += static_cast<size_t>(lngRead);
    }
    strText.resize(lngDone);
    return strText;
}

bool WriteTextFile(const std::string& strText, const std::string& strPath) {
    // Replace the file a symbolic link points to, not the link itself.
    std::string strTarget = strPath;
    struct stat objLink {};
    if (::lstat(strPath.c_str(), &objLink) == 0 && S_ISLNK(objLink.st_mode)) {
        char buf[PATH_MAX];
        if (::realpath(strPath.c_str(), buf) == nullptr) {
            return false;
        }
        strTarget = buf;
    }
    const std::string strFolder = FolderOf(strTarget);
    std::string strTemp = strTarget + ".XXXXXX";
    FileHandle objFile(::mkstemp(strTemp.data()));
    if (objFile.Get() < 0) {
        return false;
    }
    bool blnOk = true;
    // An existing file keeps its permissions; a new one gets the usual ones.
    struct stat objOld {};
    if (::stat(strTarget.c_str(), &objOld) == 0) {
        blnOk = ::fchmod(objFile.Get(), objOld.st_mode & 07777) == 0;
    } else {
        blnOk = ::fchmod(objFile.Get(), 0666 & ~CurrentUmask()) == 0;
    }
    size_t lngDone = 0;
    while (blnOk && lngDone < strText.size()) {
        const ssize_t lngWritten =
            ::write(objFile.Get(), strText.data() + lngDone, strText.size() - lngDone);
        if (lngWritten < 0) {
            if (errno == EINTR) {
                continue;
            }
            blnOk = false;
        } else {
            lngDone += static_cast<size_t>(lngWritten);
        }
    }
    blnOk = blnOk && ::fsync(objFile.Get()) == 0;
    blnOk = objFile.Close() && blnOk;
    blnOk = blnOk && ::rename(strTemp.c_str(), strTarget.c_str()) == 0;
    if (!blnOk) {
        ::unlink(strTemp.c_str());
        return false;
    }
    // Make the rename itself durable; the new content is in place either way.
    FileHandle objFolder(::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (objFolder.Get() >= 0) {
        ::fsync(objFolder.Get());
    }
    return true;
}

} // namespace ata::modMisc
