#include "workflow/modMiscFolder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ata::modMisc {

namespace {

// Permissions are checked for the effective user, as the writes will be.
bool MayAccess(const std::string& strPath, int intMode) {
    return ::faccessat(AT_FDCWD, strPath.c_str(), intMode, AT_EACCESS) == 0;
}

// An existing regular file (links followed) that can be read and rewritten in place.
bool CanRewrite(const std::string& strPath) {
    struct stat objStat {};
    return ::stat(strPath.c_str(), &objStat) == 0 && S_ISREG(objStat.st_mode) &&
           MayAccess(strPath, R_OK | W_OK);
}

std::string WithSlash(const std::string& strFolder) {
    return strFolder.empty() || strFolder.back() != '/' ? strFolder + '/' : strFolder;
}

} // namespace

bool FolderKeepsNothing(const std::string& strFolder) {
    const std::string strDir = WithSlash(strFolder);
    // Only a folder that is there and refuses this user counts; the executable's folder always
    // exists, so any other failure is not the case this reports.
    if (MayAccess(strDir, W_OK | X_OK) || (errno != EACCES && errno != EROFS))
        return false;
    return !CanRewrite(strDir + "settings.ini") && !CanRewrite(strDir + "sys-log.txt");
}

std::string FolderKeepsNothingMessage(const std::string& strFolder) {
    std::string strName = WithSlash(strFolder);
    if (strName.size() > 1)
        strName.pop_back();
    return "The program folder " + strName +
           " cannot be written. Your settings, the log history and configuration backups "
           "will not be kept there. The tool works as usual otherwise; to keep them, install "
           "it into a folder you own, for example with the prefix ~/.local.";
}

std::string UserStateFolder() {
    // Relative values are to be ignored, as the base-directory convention says.
    const char* strState = std::getenv("XDG_STATE_HOME");
    if (strState != nullptr && strState[0] == '/')
        return WithSlash(strState) + "atatool/";
    const char* strHome = std::getenv("HOME");
    if (strHome == nullptr || strHome[0] != '/') {
        const struct passwd* pUser = ::getpwuid(::getuid());
        strHome = pUser != nullptr ? pUser->pw_dir : nullptr;
    }
    if (strHome == nullptr || strHome[0] != '/')
        return {};
    return WithSlash(strHome) + ".local/state/atatool/";
}

} // namespace ata::modMisc
