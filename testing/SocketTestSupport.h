#pragma once

#include "base/RaisedError.h"
#include "net/CNetSocket.h"
#include "net/modNetSocket.h"
#include "testing/PlatformHarness.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <filesystem>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace ata::test {

// One platform per test, installed for the socket objects it creates.
class SocketTest : public ::testing::Test {
protected:
    PlatformHarness platform;
    Reactor& reactor = platform.reactor;
    LinuxSocketService& service = platform.sockets;

    bool PumpUntil(const std::function<bool()>& done, int lngMs = 5000) {
        return platform.RunUntil(done, std::chrono::milliseconds(lngMs));
    }
};

// Records the events and trace lines of one socket object.
struct SocketLog {
    std::vector<std::string> vecEvents;
    std::vector<std::string> vecTrace;
    std::string strReceived;
    bool blnReadAll = true;

    void Attach(CNetSocket& ws) {
        ws.Events.Connect = [this] { vecEvents.push_back("Connect"); };
        ws.Events.CloseSck = [this] { vecEvents.push_back("Close"); };
        ws.Events.SendComplete = [this] { vecEvents.push_back("SendComplete"); };
        ws.Events.StatusUpdate = [this](const std::string& s) { vecTrace.push_back(s); };
        ws.Events.Error = [this](int32_t n, std::string& d, int32_t, const std::string& src,
                                 const std::string&, int32_t, bool&) {
            vecEvents.push_back("Error " + std::to_string(n) + " " + d + " " + src);
        };
        ws.Events.DataArrival = [this, &ws](int32_t n) {
            vecEvents.push_back("Data " + std::to_string(n));
            if (blnReadAll) {
                std::string s;
                ws.GetData(s);
                strReceived += s;
            }
        };
    }
    int Count(const std::string& s) const {
        return static_cast<int>(std::count(vecEvents.begin(), vecEvents.end(), s));
    }
    bool Traced(const std::string& s) const {
        return std::find(vecTrace.begin(), vecTrace.end(), s) != vecTrace.end();
    }
};

// "number source" of the error a call raises, or "none"; the description goes to pDescription.
inline std::string Raised(const std::function<void()>& call, std::string* pDescription = nullptr) {
    try {
        call();
    } catch (const RaisedError& e) {
        if (pDescription)
            *pDescription = e.Description();
        return std::to_string(e.Number()) + " " + e.Source();
    }
    return "none";
}

inline size_t OpenDescriptors() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

// 127.0.0.1 and the port.
inline sockaddr_in Loopback(int lngPort = 0) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(lngPort));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A plain listener on 127.0.0.1 (an ephemeral port), and the connection it accepts.
struct PlainPeer {
    int fdListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int fd = -1;
    int lngPort = 0;
    PlainPeer() {
        sockaddr_in a = Loopback();
        socklen_t len = sizeof a;
        ::bind(fdListen, reinterpret_cast<sockaddr*>(&a), len);
        ::listen(fdListen, 1);
        ::getsockname(fdListen, reinterpret_cast<sockaddr*>(&a), &len);
        lngPort = ntohs(a.sin_port);
    }
    ~PlainPeer() {
        ::close(fd);
        ::close(fdListen);
    }
    void Accept() { fd = ::accept4(fdListen, nullptr, nullptr, SOCK_CLOEXEC); }
};

// A port on 127.0.0.1 that refuses connections while the object lives: bound, never listening.
// (A number released at once could come back as a client's own port, which then connects to
// itself.)
struct RefusingPort {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int lngPort = 0;
    RefusingPort() {
        sockaddr_in a = Loopback();
        socklen_t len = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), len);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        lngPort = ntohs(a.sin_port);
    }
    ~RefusingPort() { ::close(fd); }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
};

// A plain blocking client on 127.0.0.1.
inline int PlainConnect(int lngPort) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = Loopback(lngPort);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace ata::test
