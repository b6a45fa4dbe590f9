#pragma once

#include "app/cli/CliOptions.h"
#include "app/cli/ConsoleWindow.h"
#include "app/cli/EchoRecorder.h"
#include "app/cli/IDesktopNotices.h"
#include "workflow/FileDownloader.h"
#include "workflow/frmMain.h"

#include <string>
#include <vector>

namespace ata::cli {

// Statuses of a check, as monitoring systems read them.
inline constexpr int kCheckOk = 0;
inline constexpr int kCheckCritical = 2;
inline constexpr int kCheckUnknown = 3;

// What a check works with: the window logic as the run built it (settings read) and the
// recorders of its steps.
struct CheckParts {
    frmMain& objLogic;
    ConsoleWindow& objWindow;
    const EchoRecorder& objEcho;
    FileDownloader& objDownloader;
    IDesktopNotices& objNotices;
};

// --check: Get Status as a monitoring plugin, ending within the time-out. Writes one line
// "ATA <STATE> - <text> | <perfdata>" and returns the plugin status. strSettingsTrouble says
// why settings.ini cannot be read (empty when it can). It takes no run lock and writes nothing
// but the metrics file and the remembered line state.
int RunCheck(const CliOptions& objOptions, const std::string& strSettingsTrouble,
             CheckParts objParts);

// The status of wrong use: UNKNOWN when the arguments ask for a check (then its line goes to
// pOut), otherwise the command line's own.
int WrongUse(const std::vector<std::string>& vecArgs, const std::string& strWrong, std::FILE* pOut);

} // namespace ata::cli
