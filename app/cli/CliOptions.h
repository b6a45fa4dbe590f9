#pragma once

#include <string>
#include <vector>

namespace ata::cli {

// What one run of the command-line front end does.
enum class EnmCliCommand { None, Status, GetLog, SaveLog, Summarise, Backup, Help, Version };

struct CliOptions {
    EnmCliCommand enmCommand = EnmCliCommand::None;
    bool blnIpGiven = false;
    std::string strIp; // replaces the address of settings.ini for this run
};

// Exit statuses.
inline constexpr int kExitSucceeded = 0;
inline constexpr int kExitFailed = 1;   // the command ran and did not succeed
inline constexpr int kExitWrongUse = 2; // bad arguments; nothing was run

// Reads the arguments (without the program name): exactly one command, optionally
// "--ip ADDRESS" or "--ip=ADDRESS". Returns empty text on success, otherwise why the use is wrong.
std::string ParseCliOptions(const std::vector<std::string>& vecArgs, CliOptions& objOptions);

// The text --help prints.
std::string CliUsage();

} // namespace ata::cli
