// The command-line front end: one command of the window per run, without a display.
#include "app/cli/CliApp.h"
#include "app/cli/CliCheck.h"
#include "app/cli/CliOptions.h"
#include "app/platform/VersionText.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
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

// Gives a standard stream that the caller closed a harmless descriptor, so that no file the
// run opens later takes its number and receives its output. True when the stream was closed.
bool ReserveClosedStream(int fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
        return false;
    const int fdNull = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (fdNull >= 0 && fdNull != fd) {
        ::dup2(fdNull, fd);
        ::close(fdNull);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace ata::cli;
    // Before anything else (no thread exists yet, no file is open).
    ata::TerminationSignals::Block();
    bool blnOutClosed = false;
    for (int fd : {0, 1, 2}) {
        const bool blnClosed = ReserveClosedStream(fd);
        blnOutClosed = blnOutClosed || (fd == 1 && blnClosed);
    }
    const std::vector<std::string> vecArgs(argv + 1, argv + argc);
    CliOptions objOptions;
    const std::string strWrong = ParseCliOptions(vecArgs, objOptions);
    if (!strWrong.empty()) {
        std::fprintf(stderr, "atatool-cli: %s\nTry 'atatool-cli --help'.\n", strWrong.c_str());
        return WrongUse(vecArgs, strWrong, stdout);
    }
    if (objOptions.enmCommand == EnmCliCommand::Help ||
        objOptions.enmCommand == EnmCliCommand::Version) {
        const std::string strText = objOptions.enmCommand == EnmCliCommand::Help
                                        ? CliUsage()
                                        : ata::VersionText("atatool-cli", ATA_VERSION);
        if (blnOutClosed || std::fputs(strText.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "atatool-cli: cannot write to standard output\n");
            return kExitFailed;
        }
        return kExitSucceeded;
    }
    try {
        CliApp objApp(ProgramFolder(), stdout, stderr);
        if (blnOutClosed)
            objApp.SetOutUnusable();
        return objApp.Run(objOptions);
    } catch (const std::exception& e) {
        // The reactor, the timers or the sockets could not be set up.
        std::fprintf(stderr, "atatool-cli: %s\n", e.what());
        return kExitFailed;
    }
}
