#pragma once

#include "app/platform/Reactor.h"
#include "script/IScriptSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <string>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ata::script::test {

// A plain non-blocking TCP connection on the reactor, for checking the engine against real
// servers independently of the socket layer. Loopback use only.
class PosixScriptSocket : public IScriptSocket {
public:
    explicit PosixScriptSocket(Reactor& reactor) : m_reactor(reactor) {}
    ~PosixScriptSocket() override { Close(); }

    void SetEvents(IScriptSocketEvents* p) override { m_pEvents = p; }
    void CloseSck() override { Close(); }
    void Connect(const std::string& h, int32_t p) override {
        m_strHost = h;
        m_lngPort = p;
        Connect();
    }
    void Connect() override {
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(m_lngPort));
        inet_pton(AF_INET, m_strHost.c_str(), &a.sin_addr);
        connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        m_lngState = sckConnecting;
        m_watch = m_reactor.Add(m_fd, EPOLLOUT, [this](uint32_t ev) { OnReady(ev); });
    }
    void SendData(const std::string& s) override {
        if (s.empty())
            return;
        m_strOut += s;
        Flush();
    }
    std::string GetData() override {
        std::string s;
        s.swap(m_strIn);
        return s;
    }
    int32_t State() override { return m_lngState; }
    bool HasPlatformSocket() override { return m_fd >= 0; }
    void SetRemoteHost(const std::string& h) override { m_strHost = h; }
    std::string RemoteHost() override { return m_strHost; }
    void SetRemotePort(int32_t p) override { m_lngPort = p; }
    int32_t RemotePort() override { return m_lngPort; }
    std::string RemoteHostIP() override { return m_lngState == sckConnected ? m_strHost : ""; }

private:
    void Close() {
        if (m_watch)
            m_reactor.Remove(m_watch);
        m_watch = 0;
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
        m_lngState = sckClosed;
        m_strIn.clear();
        m_strOut.clear();
    }
    void Interest() {
        if (m_watch)
            m_reactor.Modify(m_watch, EPOLLIN | (m_strOut.empty() ? 0u : uint32_t{EPOLLOUT}));
    }
    void Flush() {
        while (!m_strOut.empty() && m_lngState == sckConnected) {
            const ssize_t n = send(m_fd, m_strOut.data(), m_strOut.size(), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            m_strOut.erase(0, static_cast<size_t>(n));
        }
        Interest();
        if (m_strOut.empty() && m_lngState == sckConnected)
            m_reactor.Post([this, fd = m_fd] {
                if (fd == m_fd && m_pEvents)
                    m_pEvents->OnSendComplete();
            });
    }
    void OnReady(uint32_t ev) {
        if (m_lngState == sckConnecting) {
            int err = 0;
            socklen_t len = sizeof err;
            getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &err, &len);
            if (err != 0) {
                Close();
                m_lngState = sckError;
                if (m_pEvents)
                    m_pEvents->OnError(err == ECONNREFUSED ? 10061 : 10060, "Connection failed");
                return;
            }
            m_lngState = sckConnected;
            Interest();
            if (m_pEvents)
                m_pEvents->OnConnect();
            if (m_lngState == sckConnected && !m_strOut.empty())
                Flush();
            return;
        }
        if (ev & EPOLLOUT)
            Flush();
        if (ev & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
            char buf[65536];
            const ssize_t n = recv(m_fd, buf, sizeof buf, 0);
            if (n > 0) {
                m_strIn.append(buf, static_cast<size_t>(n));
                if (m_pEvents)
                    m_pEvents->OnDataArrival(static_cast<int32_t>(m_strIn.size()));
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                m_reactor.Modify(m_watch, 0);
                m_lngState = sckClosing;
                if (m_pEvents)
                    m_pEvents->OnClose();
            }
        }
    }

    Reactor& m_reactor;
    IScriptSocketEvents* m_pEvents = nullptr;
    int m_fd = -1;
    uint64_t m_watch = 0;
    int32_t m_lngState = sckClosed;
    std::string m_strHost;
    int32_t m_lngPort = 0;
    std::string m_strIn, m_strOut;
};

} // namespace ata::script::test
