#pragma once

#include <string>

namespace ata::modMisc {

// True when the tool can keep nothing in its program folder: the folder exists but the process
// may not create files there (so no backup and no new settings or log file), and neither
// settings.ini nor sys-log.txt is an existing file it may read and rewrite in place. A read-only
// folder whose files are writable still keeps the settings and the log, so it does not count;
// each command that cannot write reports that itself.
bool FolderKeepsNothing(const std::string& strFolder);

// Where one user's files are kept. Both folders end in "/".
struct FileFolders {
    std::string strSettingsFolder; // settings.ini
    std::string strDataFolder;     // sys-log.txt and the configuration backups
    // Neither the program folder nor the user's own folders can keep anything; the folders are
    // then the program folder.
    bool blnKeepsNothing = false;
};

// The one decision, for the window and the command line alike: the program folder wherever it
// can keep the files (a prefix the user owns, the build folder, a portable copy); otherwise
// the user's own folders UserConfigFolder() and UserDataFolder(), created private (0700) here.
FileFolders ChooseFileFolders(const std::string& strProgramFolder);

// The start-up warning when nothing can be kept: names the folders and says what is lost.
std::string FolderKeepsNothingMessage(const std::string& strFolder);

} // namespace ata::modMisc

namespace ata::modMisc {

// The user's own folder for what the tool remembers between runs (the journals of unfinished
// writes): $XDG_STATE_HOME/atatool/, by default ~/.local/state/atatool/, ending in "/". Empty
// when no home folder is known. The folder is not created here.
std::string UserStateFolder();

// A file of the state folder that belongs to one thing (a file, a program folder, an address):
// strPrefix, "-", a hash of strKey that stays the same from one version to the next, and
// strEnding. Empty when there is no state folder.
std::string UserStateFile(const std::string& strPrefix, const std::string& strKey,
                          const std::string& strEnding);

// $XDG_CONFIG_HOME/atatool/ (default ~/.config/atatool/) and $XDG_DATA_HOME/atatool/ (default
// ~/.local/share/atatool/), ending in "/"; empty when no home folder is known. Not created here.
std::string UserConfigFolder();
std::string UserDataFolder();

} // namespace ata::modMisc
