#pragma once

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace ata::script::test {

// A fixture server run with /usr/bin/python3; it prints its port on the first line.
class ServerProcess {
public:
    explicit ServerProcess(const std::vector<std::string>& vecArgs) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
            std::vector<char*> argv;
            static char python[] = "/usr/bin/python3";
            argv.push_back(python);
            for (const auto& a : vecArgs)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(python, argv.data());
            _exit(127);
        }
        close(fds[1]);
        std::string line;
        char ch;
        while (read(fds[0], &ch, 1) == 1 && ch != '\n')
            line += ch;
        close(fds[0]);
        if (!line.empty())
            m_lngPort = std::stoi(line);
    }
    ~ServerProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int Port() const { return m_lngPort; }

private:
    pid_t m_pid = -1;
    int m_lngPort = 0;
};

inline std::string FixturePath(const std::string& strName) {
    return std::string(ATA_SOURCE_DIR) + "/testing/fixtures/" + strName;
}

} // namespace ata::script::test
