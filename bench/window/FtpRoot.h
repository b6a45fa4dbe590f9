#pragma once

// The files of the window benchmark: read whole, written durably, and the FTP server's root
// with the file it hands out.
#include "bench/window/Report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace ata::bench {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    Check(fd >= 0, "cannot open " + path.string());
    std::string s(static_cast<size_t>(fs::file_size(path)), '\0');
    size_t done = 0;
    for (ssize_t n; done < s.size() && (n = ::read(fd, s.data() + done, s.size() - done)) > 0;)
        done += static_cast<size_t>(n);
    ::close(fd);
    Check(done == s.size(), "short read of " + path.string());
    return s;
}

// Writes a temporary file beside the target, flushes it to the disk, renames it over the target
// and flushes the folder: the durable write that the tool's own file writes are held against.
inline void DurableWrite(const fs::path& target, const std::string& strText) {
    const fs::path temp = target.string() + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Check(fd >= 0, "cannot create " + temp.string());
    size_t done = 0;
    for (ssize_t n; done < strText.size() &&
                    (n = ::write(fd, strText.data() + done, strText.size() - done)) > 0;)
        done += static_cast<size_t>(n);
    const bool blnOk = done == strText.size() && ::fsync(fd) == 0;
    ::close(fd);
    Check(blnOk && ::rename(temp.c_str(), target.c_str()) == 0, "cannot write " + target.string());
    const int fdFolder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::fsync(fdFolder);
    ::close(fdFolder);
}

// Bytes without runs or a short period, so that nothing along the way can shortcut them.
inline std::string RandomBytes(size_t lngSize, uint64_t lngSeed) {
    std::string s(lngSize, '\0');
    for (size_t k = 0; k < lngSize; ++k) {
        lngSeed ^= lngSeed << 13;
        lngSeed ^= lngSeed >> 7;
        lngSeed ^= lngSeed << 17;
        s[k] = static_cast<char>(lngSeed >> 32);
    }
    return s;
}

// The FTP server's root, holding the login directory /RFA/.
inline fs::path FtpRoot(const fs::path& folder) {
    fs::create_directories(folder / "ftp/RFA");
    return folder / "ftp";
}

// A file the FTP server hands out as /RFA/CONFIG.REG, the login directory.
class ConfigOnServer {
public:
    explicit ConfigOnServer(fs::path ftpRoot) : m_file(std::move(ftpRoot) / "RFA/CONFIG.REG") {}
    void Serve(const std::string& strBytes) {
        DurableWrite(m_file, strBytes);
        m_strBytes = &strBytes;
    }
    const std::string& Bytes() const { return *m_strBytes; }

private:
    fs::path m_file;
    const std::string* m_strBytes = nullptr;
};

} // namespace ata::bench
