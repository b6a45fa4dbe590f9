#include "workflow/modMiscFolder.h"

#include "base/FileIo.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
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

// The tool's folder below one of the user's base folders: $strVariable when it is absolute
// (relative values are to be ignored, as the base-directory convention says), otherwise
// strDefault below the home folder.
std::string UserFolder(const char* strVariable, const char* strDefault) {
    const char* strBase = std::getenv(strVariable);
    if (strBase != nullptr && strBase[0] == '/')
        return WithSlash(strBase) + "atatool/";
    const char* strHome = std::getenv("HOME");
    if (strHome == nullptr || strHome[0] != '/') {
        const struct passwd* pUser = ::getpwuid(::getuid());
        strHome = pUser != nullptr ? pUser->pw_dir : nullptr;
    }
    if (strHome == nullptr || strHome[0] != '/')
        return {};
    return WithSlash(strHome) + strDefault + "atatool/";
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

FileFolders ChooseFileFolders(const std::string& strProgramFolder) {
    const std::string strProgram = WithSlash(strProgramFolder);
    if (!FolderKeepsNothing(strProgram))
        return {strProgram, strProgram, false};
    const std::string strConfig = UserConfigFolder();
    const std::string strData = UserDataFolder();
    if (strConfig.empty() || strData.empty() || !modFileIo::MakePrivateFolders(strConfig) ||
        !modFileIo::MakePrivateFolders(strData) || !MayAccess(strConfig, W_OK | X_OK) ||
        !MayAccess(strData, W_OK | X_OK))
        return {strProgram, strProgram, true};
    return {strConfig, strData, false};
}

std::string FolderKeepsNothingMessage(const std::string& strFolder) {
    std::string strName = WithSlash(strFolder);
    if (strName.size() > 1)
        strName.pop_back();
    const std::string strConfig = UserConfigFolder();
    const std::string strOwn = strConfig.empty() ? ", and there is no home folder for your own"
                                                 : ", and neither can your own folders " +
                                                       strConfig + " and " + UserDataFolder();
    return "The program folder " + strName + " cannot be written" + strOwn +
           ". Your settings, the log history and configuration backups will not be kept. The "
           "tool works as usual otherwise.";
}

std::string UserStateFolder() {
    return UserFolder("XDG_STATE_HOME", ".local/state/");
}
std::string UserStateFile(const std::string& strPrefix, const std::string& strKey,
                          const std::string& strEnding) {
    const std::string strFolder = UserStateFolder();
    if (strFolder.empty())
        return {};
    // FNV-1a: a name written by one version must be found by the next (a journal left by a
    // killed run), which std::hash does not promise.
    uint64_t lngHash = 0xCBF29CE484222325ull;
    for (const char ch : strKey)
        lngHash = (lngHash ^ static_cast<unsigned char>(ch)) * 0x100000001B3ull;
    char strHash[17];
    std::snprintf(strHash, sizeof strHash, "%016llx", static_cast<unsigned long long>(lngHash));
    return strFolder + strPrefix + "-" + strHash + strEnding;
}

std::string UserConfigFolder() {
    return UserFolder("XDG_CONFIG_HOME", ".config/");
}
std::string UserDataFolder() {
    return UserFolder("XDG_DATA_HOME", ".local/share/");
}

} // namespace ata::modMisc
