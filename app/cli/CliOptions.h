#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ata::cli {

// What one run of the command-line front end does.
enum class EnmCliCommand {
    None,
    Status,
    GetLog,
    SaveLog,
    Summarise,
    Backup,
    Diff,
    Help,
    Version,
    Paths,
    Check
};

struct CliOptions {
    EnmCliCommand enmCommand = EnmCliCommand::None;
    bool blnIpGiven = false;
    bool blnNoWait = false;    // refuse at once when another run is working, instead of waiting
    std::string strIp;         // replaces the address of settings.ini for this run
    bool blnIfChanged = false; // --backup keeps the new file only when it differs
    std::vector<std::string> vecDiffNames; // --diff: the backups named, at most two
    int32_t lngTimeoutSeconds = 10;        // --check ends within this
    std::string strMetricsFile;            // --metrics: the Prometheus text file to update
    bool blnNotify = false;                // --notify: desktop notices of changes and failures
};

// Exit statuses.
inline constexpr int kExitSucceeded = 0;
inline constexpr int kExitFailed = 1;   // the command ran and did not succeed
inline constexpr int kExitWrongUse = 2; // bad arguments; nothing was run
inline constexpr int kExitConfig = 3;   // settings.ini or sys-log.txt unreadable or no file
inline constexpr int kExitBusy = 4;     // another run kept working past the wait (or --no-wait)
// A run ended by a signal exits with 128 + the signal's number, as a shell reports it.

// The longest time-out --check accepts, in seconds.
inline constexpr int32_t kMaxCheckTimeoutSeconds = 3600;

// How long a run waits for another one to finish before it gives up.
inline constexpr int kRunLockWaitMinutes = 10;

// Reads the arguments (without the program name): exactly one command, optionally
// "--ip ADDRESS" or "--ip=ADDRESS". Returns empty text on success, otherwise why the use is wrong.
std::string ParseCliOptions(const std::vector<std::string>& vecArgs, CliOptions& objOptions);

// The text --help prints.
std::string CliUsage();

} // namespace ata::cli
