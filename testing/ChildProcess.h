#pragma once

// A program a test starts: fork, environment, user, and what it writes.
#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace ata::test {

// The user and group root's child becomes: nobody and nogroup.
inline constexpr uid_t kNobodyUid = 65534;
inline constexpr gid_t kNoGroupGid = 65534;

// Becomes lngUser and its group alone; system calls only, safe after a fork with threads.
inline bool BecomeUser(uid_t lngUser) {
    return ::geteuid() == lngUser ||
           (::setgroups(0, nullptr) == 0 && ::setgid(lngUser) == 0 && ::setuid(lngUser) == 0);
}

// The exit status of a finished child as a shell reports it (128 + the signal when killed).
inline int ExitStatus(pid_t pid) {
    int intStatus = 0;
    if (pid <= 0 || ::waitpid(pid, &intStatus, 0) != pid)
        return -1;
    return WIFEXITED(intStatus) ? WEXITSTATUS(intStatus) : 128 + WTERMSIG(intStatus);
}

struct ChildOptions {
    std::vector<std::string> vecEnv{};      // "NAME=value" sets, "NAME" removes
    uid_t lngUser = static_cast<uid_t>(-1); // run as this user (and its group), root only
    std::string strStdout{};                // a file; empty: a pipe the test reads; "-": closed
    bool blnReadErr = false;                // standard error through a pipe the test reads
    int intEndSignal = 0; // sent at the end to a program still running; 0: it is waited for
};

class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> vecArgs, const ChildOptions& objOptions = {})
        : m_intEndSignal(objOptions.intEndSignal) {
        std::vector<std::string> vecEnv = objOptions.vecEnv;
        for (char** p = environ; *p; ++p) {
            const std::string strVar = *p;
            bool blnChanged = false;
            for (const std::string& strChange : objOptions.vecEnv)
                blnChanged |=
                    strChange.substr(0, strChange.find('=')) == strVar.substr(0, strVar.find('='));
            if (!blnChanged)
                vecEnv.push_back(strVar);
        }
        // Built before the fork: the child of a process with threads only calls what is safe.
        std::vector<char*> argv, envp;
        for (std::string& strArg : vecArgs)
            argv.push_back(strArg.data());
        for (std::string& strVar : vecEnv)
            if (strVar.find('=') != std::string::npos)
                envp.push_back(strVar.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        int fdsOut[2] = {-1, -1}, fdsErr[2] = {-1, -1};
        if ((objOptions.strStdout.empty() && ::pipe2(fdsOut, O_CLOEXEC) != 0) ||
            (objOptions.blnReadErr && ::pipe2(fdsErr, O_CLOEXEC) != 0))
            return;
        const std::string& strStdout = objOptions.strStdout;
        const uid_t lngUser = objOptions.lngUser;
        m_pid = ::fork();
        if (m_pid == 0) {
            if (lngUser != static_cast<uid_t>(-1) && !BecomeUser(lngUser))
                ::_exit(126);
            const int fdOut =
                strStdout.empty() ? fdsOut[1]
                : strStdout == "-"
                    ? -1
                    : ::open(strStdout.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fdOut < 0 || ::dup2(fdOut, 1) < 0)
                ::close(1);
            if (fdsErr[1] >= 0)
                ::dup2(fdsErr[1], 2);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        for (int fd : {fdsOut[1], fdsErr[1]})
            if (fd >= 0)
                ::close(fd);
        m_fd[1] = fdsOut[0];
        m_fd[2] = fdsErr[0];
    }
    ~ChildProcess() {
        if (m_intEndSignal != 0)
            Signal(m_intEndSignal);
        Finish();
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int intSignal) const {
        if (m_pid > 0)
            ::kill(m_pid, intSignal);
    }
    // Reads standard output (1) or error (2) until it holds strText or ends; true when it
    // holds it. What was read stays in Read(stream).
    bool ReadUntil(int intStream, const std::string& strText) {
        std::string& strRead = m_strRead[intStream];
        char buf[4096];
        ssize_t n = 1;
        while (strRead.find(strText) == std::string::npos && n > 0 && m_fd[intStream] >= 0)
            if ((n = ::read(m_fd[intStream], buf, sizeof buf)) > 0)
                strRead.append(buf, static_cast<size_t>(n));
        return strRead.find(strText) != std::string::npos;
    }
    const std::string& Read(int intStream) const { return m_strRead[intStream]; }
    // Reads both pipes to their end and waits for the program; its exit status.
    int Finish() {
        if (m_pid > 0) {
            for (int intStream : {1, 2}) {
                ReadUntil(intStream, std::string(1, '\0'));
                if (m_fd[intStream] >= 0)
                    ::close(std::exchange(m_fd[intStream], -1));
            }
            m_intExit = ExitStatus(std::exchange(m_pid, -1));
        }
        return m_intExit;
    }

private:
    pid_t m_pid = -1;
    int m_intEndSignal;
    int m_fd[3] = {-1, -1, -1};
    std::string m_strRead[3];
    int m_intExit = -1;
};

} // namespace ata::test
