#include "app/cli/CliOptions.h"

#include <exception>
#include <string>
#include <utility>

namespace ata::cli {

namespace {

struct CommandName {
    const char* strName;
    EnmCliCommand enmCommand;
};

constexpr CommandName kCommands[] = {
    {"--status", EnmCliCommand::Status},
    {"--get-log", EnmCliCommand::GetLog},
    {"--save-log", EnmCliCommand::SaveLog},
    {"--summarise", EnmCliCommand::Summarise},
    {"--backup", EnmCliCommand::Backup},
    {"--help", EnmCliCommand::Help},
    {"--version", EnmCliCommand::Version},
    {"--diff", EnmCliCommand::Diff},
    {"--paths", EnmCliCommand::Paths},
    {"--check", EnmCliCommand::Check},
    {"-h", EnmCliCommand::Help},
    {"-V", EnmCliCommand::Version},
};

// The value of an option given as "NAME VALUE" or "--name=VALUE" at vecArgs[k]; false when
// the argument is not that option. strWrong is set when the value is missing.
bool OptionValue(const std::vector<std::string>& vecArgs, size_t& k, const char* strLong,
                 const char* strShort, std::string& strValue, std::string& strWrong) {
    const std::string& strArg = vecArgs[k];
    const std::string strPrefix = std::string(strLong) + "=";
    if (strArg.rfind(strPrefix, 0) == 0) {
        strValue = strArg.substr(strPrefix.size());
        return true;
    }
    if (strArg != strLong && (strShort == nullptr || strArg != strShort))
        return false;
    if (k + 1 == vecArgs.size())
        strWrong = strArg + " needs a value";
    else
        strValue = vecArgs[++k];
    return true;
}

bool TakesMetricsAndNotices(EnmCliCommand enmCommand) {
    return enmCommand == EnmCliCommand::Check || enmCommand == EnmCliCommand::SaveLog ||
           enmCommand == EnmCliCommand::Backup;
}

} // namespace

std::string ParseCliOptions(const std::vector<std::string>& vecArgs, CliOptions& objOptions) {
    CliOptions objRead;
    bool blnTimeoutGiven = false;
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
        std::string strValue, strWrong;
        if (OptionValue(vecArgs, k, "--timeout", "-t", strValue, strWrong)) {
            if (!strWrong.empty())
                return strWrong;
            if (blnTimeoutGiven)
                return "--timeout given twice";
            blnTimeoutGiven = true;
            size_t lngUsed = 0;
            long lngSeconds = 0;
            try {
                lngSeconds = std::stol(strValue, &lngUsed);
            } catch (const std::exception&) {
                lngUsed = 0;
            }
            if (lngUsed == 0 || lngUsed != strValue.size() || lngSeconds < 1 ||
                lngSeconds > kMaxCheckTimeoutSeconds)
                return "--timeout takes whole seconds from 1 to " +
                       std::to_string(kMaxCheckTimeoutSeconds);
            objRead.lngTimeoutSeconds = static_cast<int32_t>(lngSeconds);
            continue;
        }
        if (OptionValue(vecArgs, k, "--metrics", nullptr, strValue, strWrong)) {
            if (!strWrong.empty())
                return strWrong;
            if (strValue.empty() || !objRead.strMetricsFile.empty())
                return "--metrics takes one file name";
            objRead.strMetricsFile = strValue;
            continue;
        }
        if (strArg == "--notify") {
            objRead.blnNotify = true;
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
    if (blnTimeoutGiven && objRead.enmCommand != EnmCliCommand::Check)
        return "--timeout goes with --check only";
    if ((objRead.blnNotify || !objRead.strMetricsFile.empty()) &&
        !TakesMetricsAndNotices(objRead.enmCommand))
        return "--metrics and --notify go with --check, --save-log and --backup only";
    objOptions = std::move(objRead);
    return {};
}

std::string CliUsage() {
    return "Usage: atatool-cli COMMAND [--ip ADDRESS]\n"
           "Runs one command of the ATA maintenance tool without a window, for timers and "
           "scripts.\n"
           "The address, user name, password and the auto-summarise choice come from "
           "settings.ini,\n"
           "as in the window: in the program's folder, or where that folder cannot keep "
           "files,\n"
           "in ~/.config/atatool/ (sys-log.txt and the backups in ~/.local/share/atatool/).\n"
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
           "  --check       check the ATA for a monitoring system: one line \"ATA OK - ...\",\n"
           "                exit status 0 OK, 2 CRITICAL (no ping answer, no status page, not\n"
           "                registered), 3 UNKNOWN (wrong use, no settings); takes no run lock\n"
           "  -h, --help    show this text\n"
           "  -V, --version show the version and the licence\n"
           "Options:\n"
           "  --ip ADDRESS  use this address instead of the one in settings.ini for this run\n"
           "  --no-wait     when another run is working, refuse at once instead of waiting\n"
           "  --if-changed  with --backup: remove the new file again when it is the same as "
           "the\n"
           "                backup before it (the nightly timer uses this)\n"
           "  -t, --timeout SECONDS\n"
           "                with --check: end within this time (default 10)\n"
           "  --metrics FILE\n"
           "                with --check, --save-log or --backup: update FILE in the Prometheus\n"
           "                text format (for node_exporter's textfile collector)\n"
           "  --notify      with --check, --save-log or --backup: a desktop notice when the\n"
           "                line's state changes or the run fails\n"
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
