#pragma once

// Runs of the command-line executable as a user or a timer makes them: copied into a program
// folder, without a display.
#include "testing/ChildProcess.h"
#include "testing/FileBytes.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace ata::test {

struct CliResult {
    int intExit = -1;
    std::string strOut, strErr;
};

// How a run is started, beyond its arguments.
struct CliRunOptions {
    uid_t lngUser = static_cast<uid_t>(-1); // run as this user (and its group), root only
    std::vector<std::string> vecEnv{};      // added to the environment ("NAME=value")
    std::string strStdout{};                // a file for standard output; "-" closes it
};

// One run of the executable copied into a program folder, with DISPLAY, WAYLAND_DISPLAY and
// the Qt platform unset. Standard output goes to a file, standard error through a pipe that the
// test can read while the run goes on.
class CliRun {
public:
    CliRun(const std::filesystem::path& app, const std::vector<std::string>& vecArgs,
           const CliRunOptions& objOptions = {})
        : m_out(objOptions.strStdout.empty() ? app / "../out"
                                             : std::filesystem::path(objOptions.strStdout)),
          m_child(Command(app, vecArgs), Options(objOptions, m_out)) {}
    ~CliRun() { Finish(); }

    void Signal(int intSignal) const { m_child.Signal(intSignal); }
    // Reads standard error until it holds strText (or ends); true when it does.
    bool WaitForErr(const std::string& strText) { return m_child.ReadUntil(2, strText); }
    const CliResult& Finish() {
        if (m_result.intExit == -1) {
            m_result.intExit = m_child.Finish();
            m_result.strErr = m_child.Read(2);
            if (std::filesystem::is_regular_file(m_out))
                m_result.strOut = ReadBytes(m_out);
        }
        return m_result;
    }

private:
    static std::vector<std::string> Command(const std::filesystem::path& app,
                                            const std::vector<std::string>& vecArgs) {
        const std::filesystem::path exe = app / "atatool-cli";
        if (!std::filesystem::exists(exe))
            std::filesystem::copy_file(ATA_CLI_PATH, exe);
        std::vector<std::string> vecCommand{exe.string()};
        vecCommand.insert(vecCommand.end(), vecArgs.begin(), vecArgs.end());
        return vecCommand;
    }
    static ChildOptions Options(const CliRunOptions& objOptions, const std::filesystem::path& out) {
        ChildOptions objChild{objOptions.vecEnv, objOptions.lngUser};
        for (const char* strName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            objChild.vecEnv.emplace_back(strName);
        objChild.strStdout = objOptions.strStdout == "-" ? "-" : out.string();
        objChild.blnReadErr = true;
        return objChild;
    }

    std::filesystem::path m_out;
    ChildProcess m_child;
    CliResult m_result;
};

inline CliResult RunCli(const std::filesystem::path& app, const std::vector<std::string>& vecArgs,
                        const CliRunOptions& objOptions = {}) {
    return CliRun(app, vecArgs, objOptions).Finish();
}

// A network namespace of the test's own, with its loopback up and ping sockets open to every
// group (as the system's defaults usually have it), so that nobody's runs can ping the fake ATA.
// Threads and processes started afterwards live in it; the process ends with the test.
inline bool EnterOwnNetwork() {
    if (::unshare(CLONE_NEWNET) != 0)
        return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq objLoopback{};
    std::snprintf(objLoopback.ifr_name, sizeof objLoopback.ifr_name, "lo");
    objLoopback.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING;
    const bool blnUp = fd >= 0 && ::ioctl(fd, SIOCSIFFLAGS, &objLoopback) == 0;
    if (fd >= 0)
        ::close(fd);
    std::FILE* pRange = std::fopen("/proc/sys/net/ipv4/ping_group_range", "w");
    const bool blnPing = pRange && std::fputs("0 2147483647\n", pRange) >= 0;
    return blnUp && pRange && std::fclose(pRange) == 0 && blnPing;
}

// Tells when a file whose name ends in one of the given endings is created in a folder (the
// moment a run's write begins: its temporary file, its journal, its ".part" file) and when it
// goes again (renamed into place or deleted: the write is done).
class FolderWatch {
public:
    explicit FolderWatch(const std::filesystem::path& folder)
        : m_fd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
        ::inotify_add_watch(m_fd, folder.c_str(), IN_CREATE | IN_MOVED_FROM | IN_DELETE);
    }
    ~FolderWatch() { ::close(m_fd); }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // False when none came within 15 seconds.
    bool WaitForNew(const std::vector<std::string>& vecEndings) const {
        return WaitFor(IN_CREATE, vecEndings);
    }
    bool WaitForGone(const std::vector<std::string>& vecEndings) const {
        return WaitFor(IN_MOVED_FROM | IN_DELETE, vecEndings);
    }

private:
    bool WaitFor(uint32_t lngEvents, const std::vector<std::string>& vecEndings) const {
        alignas(inotify_event) char buf[4096];
        pollfd objPoll{m_fd, POLLIN, 0};
        while (::poll(&objPoll, 1, 15000) == 1) {
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            for (ssize_t i = 0; i < n;) {
                const auto* pEvent = reinterpret_cast<const inotify_event*>(buf + i);
                const std::string strName = pEvent->len ? pEvent->name : "";
                for (const std::string& strEnding : vecEndings)
                    if ((pEvent->mask & lngEvents) != 0 && strName.ends_with(strEnding))
                        return true;
                i += static_cast<ssize_t>(sizeof(inotify_event) + pEvent->len);
            }
        }
        return false;
    }

    int m_fd;
};

} // namespace ata::test
