#pragma once

#include "app/cli/ConsoleWindow.h"

#include <string>
#include <vector>

namespace ata::cli {

// Exit statuses of --diff, as comparison programs give them.
inline constexpr int kExitDiffSame = 0;
inline constexpr int kExitDiffDifferent = 1;
inline constexpr int kExitDiffTrouble = 2;

// --diff [OLD [NEW]]: the unified diff (three lines of context) of two configuration backups on
// the output stream, with their names and modification times in the header. A name without a
// "/" is a file in strFolder (ending in "/"); without names the two newest backups are
// compared, with one name that file and the newest backup. Returns one of the statuses above;
// trouble is said on the error stream.
int RunDiff(const std::string& strFolder, const std::vector<std::string>& vecNames,
            ConsoleWindow& window);

// After a successful --backup (strSavedFile is the new file): one line on the output stream
// that says whether the configuration changed since the backup before it; with blnIfChanged an
// identical new file is removed again, and that is said too. False, said on the error stream,
// when the comparison or the removal failed; the new file is then kept.
bool ReportConfigChange(const std::string& strSavedFile, bool blnIfChanged, ConsoleWindow& window);

} // namespace ata::cli
