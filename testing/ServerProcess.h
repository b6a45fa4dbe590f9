#pragma once

#include "testing/ChildProcess.h"

#include <csignal>
#include <string>
#include <vector>

namespace ata::script::test {

// A python fixture server that prints its port first and ends with the object.
class ServerProcess {
public:
    explicit ServerProcess(const std::vector<std::string>& vecArgs)
        : m_child(WithPython(vecArgs), Options()) {
        if (m_child.ReadUntil(1, "\n"))
            m_lngPort = std::stoi(m_child.Read(1));
    }

    int Port() const { return m_lngPort; }

private:
    static std::vector<std::string> WithPython(std::vector<std::string> vecArgs) {
        vecArgs.insert(vecArgs.begin(), "/usr/bin/python3");
        return vecArgs;
    }
    static ata::test::ChildOptions Options() {
        ata::test::ChildOptions objOptions;
        objOptions.intEndSignal = SIGTERM;
        return objOptions;
    }

    ata::test::ChildProcess m_child;
    int m_lngPort = 0;
};

inline std::string FixturePath(const std::string& strName) {
    return std::string(ATA_SOURCE_DIR) + "/testing/fixtures/" + strName;
}

} // namespace ata::script::test
