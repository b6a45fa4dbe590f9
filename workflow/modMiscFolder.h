#pragma once

#include <string>

namespace ata::modMisc {

// True when the tool can keep nothing in its program folder: the folder exists but the process
// may not create files there (so no backup and no new settings or log file), and neither
// settings.ini nor sys-log.txt is an existing file it may read and rewrite in place. A read-only
// folder whose files are writable still keeps the settings and the log, so it does not count;
// each command that cannot write reports that itself.
bool FolderKeepsNothing(const std::string& strFolder);

// The start-up warning for such a folder: names it and says what will not be kept.
std::string FolderKeepsNothingMessage(const std::string& strFolder);

} // namespace ata::modMisc

namespace ata::modMisc {

// The user's own folder for what the tool remembers between runs (the journals of unfinished
// writes): $XDG_STATE_HOME/atatool/, by default ~/.local/state/atatool/, ending in "/". Empty
// when no home folder is known. The folder is not created here.
std::string UserStateFolder();

} // namespace ata::modMisc
