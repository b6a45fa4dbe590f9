#pragma once

// Runs code as a user that file permissions apply to.
#include "testing/ChildProcess.h"
#include "testing/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ata::test {

// Runs fnCase in a child (as nobody under root) in its own folder; 0 when it returns "".
inline int
RunUnprivileged(const std::function<std::string(const std::filesystem::path&)>& fnCase,
                const std::filesystem::path& parent = std::filesystem::temp_directory_path()) {
    const ScratchFolder folder(parent, "ata-perm"), state(parent, "ata-state");
    const uid_t lngUser = ::geteuid() == 0 ? kNobodyUid : ::geteuid();
    if (lngUser != ::geteuid() && (::chown(folder.path.c_str(), lngUser, kNoGroupGid) != 0 ||
                                   ::chown(state.path.c_str(), lngUser, kNoGroupGid) != 0))
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The user's state folder (journals of in-place writes) is one of its own.
        ::setenv("XDG_STATE_HOME", state.path.c_str(), 1);
        const std::string strReason =
            BecomeUser(lngUser) ? fnCase(folder.path) : "cannot drop to nobody";
        if (!strReason.empty())
            std::fprintf(stderr, "unprivileged case: %s\n", strReason.c_str());
        ::_exit(strReason.empty() ? 0 : 1);
    }
    return ExitStatus(pid);
}

// What a run of test cases in a child process gave: its exit status and standard output.
struct CaseRun {
    int intExit = -1;
    std::string strOut{};
};

// Runs cases of this binary again in a child, under vecCommand, with vecEnv and as lngUser.
inline CaseRun RunCasesAgain(const std::string& strFilter, const std::vector<std::string>& vecEnv,
                             std::vector<std::string> vecCommand = {},
                             uid_t lngUser = static_cast<uid_t>(-1)) {
    vecCommand.push_back(std::filesystem::read_symlink("/proc/self/exe").string());
    vecCommand.push_back("--gtest_filter=" + strFilter);
    ChildProcess child(std::move(vecCommand), ChildOptions{vecEnv, lngUser});
    CaseRun run;
    run.intExit = child.Finish();
    run.strOut = child.Read(1);
    std::fwrite(run.strOut.data(), 1, run.strOut.size(), stdout);
    return run;
}

// Runs cases again as nobody, who is given the folder; true when they passed. Needs root.
inline bool PassAsNobody(const std::filesystem::path& folder, const std::string& strFilter) {
    return ::chown(folder.c_str(), kNobodyUid, kNoGroupGid) == 0 &&
           RunCasesAgain(strFilter,
                         {"ATA_NOBODY_FOLDER=" + folder.string(),
                          "XDG_STATE_HOME=" + (folder / ".state").string()},
                         {}, kNobodyUid)
                   .intExit == 0;
}

// A case for an ordinary user: as root skipped here and run as nobody by strRunner's test.
class AsOrdinaryUserCase : public ::testing::Test {
protected:
    explicit AsOrdinaryUserCase(const char* strRunner) : m_strRunner(strRunner) {}
    void SetUp() override {
        const char* strParent = std::getenv("ATA_NOBODY_FOLDER");
        if (!strParent && ::geteuid() == 0)
            GTEST_SKIP() << "runs as nobody from " << m_strRunner;
        m_scratch.emplace(strParent ? std::filesystem::path(strParent)
                                    : std::filesystem::temp_directory_path(),
                          "ata-case");
        m_folder = m_scratch->path;
    }
    void TearDown() override { m_scratch.reset(); }
    std::filesystem::path m_folder;

private:
    const char* m_strRunner;
    std::optional<ScratchFolder> m_scratch;
};

} // namespace ata::test
