#pragma once

#include "app/cli/CliOptions.h"
#include "app/cli/ConsoleWindow.h"
#include "app/cli/EchoRecorder.h"
#include "app/platform/PlatformServices.h"
#include "app/platform/SdBusNotices.h"
#include "app/platform/TerminationSignals.h"
#include "script/ZelTelnet.h"
#include "workflow/frmMain.h"

#include <cstdio>
#include <memory>
#include <string>

namespace ata::cli {

// Builds the process without a window: the reactor and the socket service it serves, the
// platform back ends, a console in place of the window and the same window logic behind it.
// Members are destroyed in reverse order, so the logic goes first and the reactor last.
class CliApp {
public:
    // strProgramFolder is where settings.ini, sys-log.txt and the backups are.
    CliApp(std::string strProgramFolder, std::FILE* pOut, std::FILE* pErr);
    ~CliApp();
    CliApp(const CliApp&) = delete;
    CliApp& operator=(const CliApp&) = delete;

    // Runs one command (not --help or --version) and returns the exit status.
    int Run(const CliOptions& objOptions);
    // The output stream was closed when the process started.
    void SetOutUnusable() { m_window.SetOutUnusable(); }

    // The lock file that lets only one run work at a time.
    static std::string RunLockFile(const std::string& strProgramFolder);

private:
    // Runs the event loop for lngMilliseconds (one pass without waiting for 0).
    void RunEvents(int32_t lngMilliseconds);
    // Everything but a check: under the run lock.
    int RunLocked(const CliOptions& objOptions);
    int RunCommand(EnmCliCommand enmCommand);
    // After a run: its cause on standard error when it failed, then its metrics and notice.
    int Report(const CliOptions& objOptions, int intStatus);
    // Why the command failed, from what its steps met; empty when the messages said it all.
    std::string FailureCause(EnmCliCommand enmCommand);
    // Updates the metrics of --save-log or --backup; false when the file was not written.
    bool WriteMetrics(const CliOptions& objOptions, bool blnSucceeded);
    // Empty when the files this command reads can be read; otherwise why not.
    std::string CheckFiles(EnmCliCommand enmCommand) const;
    // A signal asks the run to end: the backup is abandoned (its partial file removed) and a
    // fetch given up, so the command returns at its next step.
    void AbandonWork();
    // --paths: the files and folders in use, one "name: path" line each. Building the app has
    // already rolled back a write that a killed run left half done, as every start does.
    void WritePaths();
    // The exit status of a run that ended normally with intStatus, or 128 + the signal.
    int Ending(int intStatus) const;

    PlatformServices m_platform;
    TerminationSignals m_signals;
    ConsoleWindow m_window;
    EchoRecorder m_echo{m_platform.icmp};
    SdBusNotices m_notices{"org.atatool.atatool"};
    std::unique_ptr<script::ZelTelnet> m_engine;
    std::unique_ptr<frmMain> m_logic;
};

} // namespace ata::cli
