#include "app/cli/CliNotices.h"

#include "base/FileIo.h"
#include "workflow/modMiscFiles.h"
#include "workflow/modMiscFolder.h"

#include <exception>

namespace ata::cli {

bool NoticeSender::Send(const DesktopNotice& objNotice, int32_t lngWaitMs) {
    std::string strCause;
    if (m_objNotices.Show(objNotice, lngWaitMs, strCause))
        return true;
    if (!m_blnToldFailure)
        m_fnErrLine("atatool-cli: no desktop notice could be shown: " + strCause + ".");
    m_blnToldFailure = true;
    return false;
}

LineStateMemory::LineStateMemory(const std::string& strProgramFolder,
                                 const std::string& strAddress) {
    m_strFile = modMisc::UserStateFile("line", strProgramFolder + '\n' + strAddress, ".state");
}

std::string LineStateMemory::Recall() const {
    if (m_strFile.empty())
        return {};
    try {
        std::string strText = modMisc::ReadTextFile(m_strFile);
        return strText.substr(0, strText.find('\n'));
    } catch (const std::exception&) {
        return {};
    }
}

bool LineStateMemory::Remember(const std::string& strState, std::string& strCause) const {
    if (m_strFile.empty()) {
        strCause = "no home folder is known";
        return false;
    }
    if (!modFileIo::MakePrivateFolders(modFileIo::FolderOf(m_strFile)) ||
        !modMisc::ReplaceFileContent(m_strFile, strState + "\n", 0600)) {
        strCause = m_strFile + " could not be written";
        return false;
    }
    return true;
}

} // namespace ata::cli
