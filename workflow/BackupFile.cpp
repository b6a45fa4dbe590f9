#include "workflow/BackupFile.h"

#include "base/FileIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace ata {

namespace {

// Renames without ever replacing: false with EEXIST when the new name is taken. File systems
// that cannot do that in one step get a link and an unlink, which cannot replace either.
bool RenameNoReplace(const std::string& strFrom, const std::string& strTo) {
    if (::renameat2(AT_FDCWD, strFrom.c_str(), AT_FDCWD, strTo.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(strFrom.c_str(), strTo.c_str()) != 0)
        return false;
    ::unlink(strFrom.c_str());
    return true;
}

} // namespace

BackupFile::BackupFile(std::string strFinalName)
    : m_strFinalName(std::move(strFinalName)), m_strPartFileName(m_strFinalName + ".part") {}

std::string BackupFile::CopyName(int intCopy) const {
    if (intCopy == 1)
        return m_strFinalName;
    return m_strFinalName.substr(0, m_strFinalName.size() - 4) + "-" + std::to_string(intCopy) +
           ".reg";
}

bool BackupFile::Create() {
    for (int intCopy = 1; intCopy < kMaxCopiesPerSecond; ++intCopy) {
        m_strPartFileName = CopyName(intCopy) + ".part";
        m_objFile = UniqueFd(::open(m_strPartFileName.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (m_objFile) {
            m_blnCreated = true;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool BackupFile::Append(std::string_view strData) {
    if (!m_blnCreated && !Create())
        return false;
    if (!modFileIo::WriteAt(m_objFile.Get(), strData, static_cast<off_t>(m_lngBytesWritten)))
        return false;
    m_lngBytesWritten += static_cast<int64_t>(strData.size());
    return true;
}

bool BackupFile::Save(std::string& strFinal, std::string& strReason) {
    if (::fsync(m_objFile.Get()) != 0 || !m_objFile.Close()) {
        strReason = std::strerror(errno);
        return false;
    }
    for (int intCopy = 1; intCopy < kMaxCopiesPerSecond; ++intCopy) {
        strFinal = CopyName(intCopy);
        if (RenameNoReplace(m_strPartFileName, strFinal)) {
            m_blnCreated = false;
            // Saved only once the new name is on disk too.
            if (!modFileIo::SyncFolder(modFileIo::FolderOf(strFinal))) {
                strReason = std::strerror(errno);
                return false;
            }
            return true;
        }
        if (errno != EEXIST) {
            strReason = std::strerror(errno);
            return false;
        }
    }
    strReason = std::strerror(EEXIST);
    return false;
}

void BackupFile::Discard() {
    m_objFile.Reset();
    if (!m_blnCreated)
        return;
    ::unlink(m_strPartFileName.c_str());
    m_blnCreated = false;
}

} // namespace ata
