#pragma once

// Runs a file-permission case as a user that file permissions apply to.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ata::test {

// The user and group root's child becomes: nobody and nogroup.
inline constexpr uid_t kNobodyUid = 65534;
inline constexpr gid_t kNoGroupGid = 65534;

// Runs fnCase in a child process, in a new folder inside parent that the child's user owns, and
// returns the child's exit status (0 when the case passed). Root's child first drops to nobody; any
// other user runs the case as itself. The case returns empty text on success or what went wrong,
// which the child writes to stderr. Process-wide settings the case changes (limits, signal
// handling, umask) stay in the child.
inline int
RunUnprivileged(const std::function<std::string(const std::filesystem::path&)>& fnCase,
                const std::filesystem::path& parent = std::filesystem::temp_directory_path()) {
    namespace fs = std::filesystem;
    std::string strTemplate = (parent / "ata-perm-XXXXXX").string();
    std::string strState = (parent / "ata-state-XXXXXX").string();
    if (::mkdtemp(strTemplate.data()) == nullptr || ::mkdtemp(strState.data()) == nullptr)
        return -1;
    const fs::path folder = strTemplate;
    const bool blnRoot = ::geteuid() == 0;
    int intStatus = -1;
    if (!blnRoot || (::chown(folder.c_str(), kNobodyUid, kNoGroupGid) == 0 &&
                     ::chown(strState.c_str(), kNobodyUid, kNoGroupGid) == 0)) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            // The user's state folder (journals of in-place writes) is one of its own.
            ::setenv("XDG_STATE_HOME", strState.c_str(), 1);
            std::string strReason = "cannot drop to nobody";
            if (!blnRoot || (::setgroups(0, nullptr) == 0 && ::setgid(kNoGroupGid) == 0 &&
                             ::setuid(kNobodyUid) == 0))
                strReason = fnCase(folder);
            if (!strReason.empty())
                std::fprintf(stderr, "unprivileged case: %s\n", strReason.c_str());
            ::_exit(strReason.empty() ? 0 : 1);
        }
        if (pid > 0 && ::waitpid(pid, &intStatus, 0) == pid)
            intStatus = WIFEXITED(intStatus) ? WEXITSTATUS(intStatus) : 128 + WTERMSIG(intStatus);
    }
    std::error_code ec;
    fs::permissions(folder, fs::perms::owner_all, ec);
    fs::remove_all(folder, ec);
    fs::remove_all(strState, ec);
    return intStatus;
}

} // namespace ata::test
