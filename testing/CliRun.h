#pragma once

// Runs of the command-line executable as a user or a timer makes them.
#include "testing/ChildProcess.h"

#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <sched.h>
#include <sys/inotify.h>

namespace ata::test {

struct CliResult {
    int intExit = -1;
    std::string strOut, strErr;
};

// The executable copied into a program folder, run without a display; output through pipes.
class CliRun : public ChildProcess {
public:
    CliRun(const std::filesystem::path& app, std::vector<std::string> vecArgs,
           ChildOptions objOptions = {})
        : ChildProcess(Command(app, std::move(vecArgs)), Options(std::move(objOptions))) {}

    bool WaitForErr(const std::string& strText) { return ReadUntil(2, strText); }
    CliResult Result() {
        const int intExit = Finish();
        return {intExit, Read(1), Read(2)};
    }

private:
    static std::vector<std::string> Command(const std::filesystem::path& app,
                                            std::vector<std::string> vecArgs) {
        const std::filesystem::path exe = app / "atatool-cli";
        if (!std::filesystem::exists(exe))
            std::filesystem::copy_file(ATA_CLI_PATH, exe);
        vecArgs.insert(vecArgs.begin(), exe.string());
        return vecArgs;
    }
    static ChildOptions Options(ChildOptions objOptions) {
        for (const char* strName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            objOptions.vecEnv.emplace_back(strName);
        objOptions.blnReadErr = true;
        return objOptions;
    }
};

inline CliResult RunCli(const std::filesystem::path& app, std::vector<std::string> vecArgs,
                        ChildOptions objOptions = {}) {
    return CliRun(app, std::move(vecArgs), std::move(objOptions)).Result();
}

// A network namespace for the calling thread and what it starts, loopback up, ping open to all.
inline bool EnterOwnNetwork() {
    return ::unshare(CLONE_NEWNET) == 0 && std::system("ip link set lo up") == 0 &&
           std::system("echo 0 2147483647 > /proc/sys/net/ipv4/ping_group_range") == 0;
}

// Tells when a file with one of the endings is created (a write begins) or goes (it ended).
class FolderWatch {
public:
    explicit FolderWatch(const std::filesystem::path& folder)
        : m_fd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
        ::inotify_add_watch(m_fd, folder.c_str(), IN_CREATE | IN_MOVED_FROM | IN_DELETE);
    }
    ~FolderWatch() { ::close(m_fd); }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    bool WaitFor(uint32_t lngEvents, const std::vector<std::string>& vecEndings) const {
        alignas(inotify_event) char buf[4096];
        pollfd objPoll{m_fd, POLLIN, 0};
        while (::poll(&objPoll, 1, 15000) == 1) { // false when none came within 15 s
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

private:
    int m_fd;
};

} // namespace ata::test
