// The command-line front end: one command of the window per run, without a display.
#include "app/cli/CliApp.h"
#include "app/cli/CliOptions.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifndef ATA_VERSION
#define ATA_VERSION "unknown"
#endif

namespace {

// The folder of the executable (links resolved), ending in "/", as the window uses it.
std::string ProgramFolder() {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "./";
    return path.parent_path().string() + "/";
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace ata::cli;
    const std::vector<std::string> vecArgs(argv + 1, argv + argc);
    CliOptions objOptions;
    const std::string strWrong = ParseCliOptions(vecArgs, objOptions);
    if (!strWrong.empty()) {
        std::fprintf(stderr, "atatool-cli: %s\nTry 'atatool-cli --help'.\n", strWrong.c_str());
        return kExitWrongUse;
    }
    if (objOptions.enmCommand == EnmCliCommand::Help) {
        std::fputs(CliUsage().c_str(), stdout);
        return kExitSucceeded;
    }
    if (objOptions.enmCommand == EnmCliCommand::Version) {
        std::puts("atatool-cli " ATA_VERSION);
        return kExitSucceeded;
    }
    try {
        CliApp objApp(ProgramFolder(), stdout, stderr);
        return objApp.Run(objOptions);
    } catch (const std::exception& e) {
        // The reactor, the timers or the sockets could not be set up.
        std::fprintf(stderr, "atatool-cli: %s\n", e.what());
        return kExitFailed;
    }
}
