#include "app/cli/CliOptions.h"

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
    {"--version", EnmCliCommand::Version},
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
    }
    if (objRead.enmCommand == EnmCliCommand::None)
        return "no command given";
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
           "  --help        show this text\n"
           "  --version     show the version\n"
           "Option:\n"
           "  --ip ADDRESS  use this address instead of the one in settings.ini for this run\n"
           "\n"
           "Progress goes to standard error, the text of every message to standard output.\n"
           "Exit status: 0 success (--status: the ATA answered and is registered), 1 the command "
           "ran\n"
           "and failed or another run is in progress, 2 wrong use.\n";
}

} // namespace ata::cli
