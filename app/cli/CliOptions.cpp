#include "app/cli/CliOptions.h"

#include <string>
#include <utility>

namespace ata::cli {

namespace {

struct CommandName {
    const char* strName;
    EnmCliCommand enmCommand;
};

constexpr CommandName kCommands[] = {
    {"--status", EnmCliCommand::Status},    {"--get-log", EnmCliCommand::GetLog},
    {"--save-log", EnmCliCommand::SaveLog}, {"--summarise", EnmCliCommand::Summarise},
    {"--backup", EnmCliCommand::Backup},    {"--help", EnmCliCommand::Help},
    {"--version", EnmCliCommand::Version},  {"--diff", EnmCliCommand::Diff},
    {"--paths", EnmCliCommand::Paths},
};

} // namespace

std::string ParseCliOptions(const std::vector<std::string>& vecArgs, CliOptions& objOptions) {
    CliOptions objRead;
    for (size_t k = 0; k < vecArgs.size(); ++k) {
        const std::string& strArg = vecArgs[k];
        if (strArg == "--ip" || strArg.rfind("--ip=", 0) == 0) {
            if (objRead.blnIpGiven)
                return "--ip given twice";
            if (strArg == "--ip") {
                if (k + 1 == vecArgs.size())
                    return "--ip needs an address";
                objRead.strIp = vecArgs[++k];
            } else {
                objRead.strIp = strArg.substr(5);
            }
            objRead.blnIpGiven = true;
            continue;
        }
        if (strArg == "--no-wait") {
            objRead.blnNoWait = true;
            continue;
        }
        if (strArg == "--if-changed") {
            objRead.blnIfChanged = true;
            continue;
        }
        EnmCliCommand enmFound = EnmCliCommand::None;
        for (const auto& objCommand : kCommands)
            if (strArg == objCommand.strName)
                enmFound = objCommand.enmCommand;
        if (enmFound == EnmCliCommand::None) {
            if (strArg.rfind("--pass", 0) == 0)
                return "the password is read from settings.ini only, never from the command line";
            return "unknown argument '" + strArg + "'";
        }
        if (objRead.enmCommand != EnmCliCommand::None)
            return "give exactly one command";
        objRead.enmCommand = enmFound;
        // The names after --diff are its own.
        while (enmFound == EnmCliCommand::Diff && k + 1 < vecArgs.size() &&
               vecArgs[k + 1].rfind("--", 0) != 0) {
            if (objRead.vecDiffNames.size() == 2)
                return "--diff takes at most two file names";
            objRead.vecDiffNames.push_back(vecArgs[++k]);
        }
    }
    if (objRead.enmCommand == EnmCliCommand::None)
        return "no command given";
    if (objRead.blnIfChanged && objRead.enmCommand != EnmCliCommand::Backup)
        return "--if-changed goes with --backup only";
    objOptions = std::move(objRead);
    return {};
}

std::string CliUsage() {
    return "Usage: atatool-cli COMMAND [--ip ADDRESS]\n"
           "Runs one command of the ATA maintenance tool without a window, for timers and "
           "scripts.\n"
           "The address, user name, password and the auto-summarise choice come from "
           "settings.ini\n"
           "in the program's folder, as in the window; the files are kept there too.\n"
           "\n"
           "Commands:\n"
           "  --status      check that the ATA answers and read whether its line is registered\n"
           "  --get-log     fetch the ATA's system log and write it, sorted newest first, to "
           "standard output\n"
           "  --save-log    fetch the system log and merge it into sys-log.txt (then summarise "
           "it\n"
           "                when settings.ini says Auto Summarise=1)\n"
           "  --summarise   collapse repeated registration lines in sys-log.txt\n"
           "  --backup      fetch the ATA's configuration over FTP into "
           "Config<yyyymmdd-hhnnss>.reg\n"
           "                and say whether it changed since the backup before it\n"
           "  --diff [OLD [NEW]]\n"
           "                show what changed between two backups as a unified diff: the two "
           "newest,\n"
           "                OLD and the newest, or OLD and NEW (a name without a / is a file in "
           "the\n"
           "                program's folder); exit status 0 the same, 1 different, 2 trouble\n"
           "  --paths       show the files and folders this run uses\n"
           "  --help        show this text\n"
           "  --version     show the version\n"
           "Options:\n"
           "  --ip ADDRESS  use this address instead of the one in settings.ini for this run\n"
           "  --no-wait     when another run is working, refuse at once instead of waiting\n"
           "  --if-changed  with --backup: remove the new file again when it is the same as "
           "the\n"
           "                backup before it (the nightly timer uses this)\n"
           "\n"
           "Only one run works at a time: a run that finds another one working waits up to " +
           std::to_string(kRunLockWaitMinutes) +
           " minutes\n"
           "for it to end, then does its own work.\n"
           "Progress goes to standard error, the text of every message to standard output.\n"
           "\n"
           "Exit status:\n"
           "  0    success (--status: the ATA answered and is registered)\n"
           "  1    the command ran and failed, or its output could not be written\n"
           "  2    wrong use; nothing was done\n"
           "  3    settings.ini or sys-log.txt cannot be read or is not a regular file\n"
           "  4    another run kept working for the whole wait (or --no-wait found one)\n"
           "  128+N  ended by signal N (143 for SIGTERM); partial files are removed\n";
}

} // namespace ata::cli
