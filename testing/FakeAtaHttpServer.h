#pragma once

// The fake ATA's HTTP server on loopback: per path a status and body, late, never, or reset.
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <list>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace ata::test {

class FakeAtaHttpServer {
public:
    // Hang: read the request, never answer. Reset: the headers and half the body, then a reset.
    enum class Fault { None, Hang, Reset };
    struct Route {
        int intStatus = 200;
        std::string strBody{};
        Fault enmFault = Fault::None;
        int intDelayMs = 0; // wait this long before answering
    };

    explicit FakeAtaHttpServer(const std::string& strHost = "127.0.0.1", int intPort = 0) {
        sockaddr_in addr{AF_INET, htons(static_cast<uint16_t>(intPort)), {}, {}};
        // Anything but a dotted loopback address is refused, never bound as the wildcard.
        if (strHost.rfind("127.", 0) != 0 ||
            ::inet_pton(AF_INET, strHost.c_str(), &addr.sin_addr) != 1)
            throw std::invalid_argument("fake ATA: loopback addresses only");
        m_fdListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(m_fdListen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        socklen_t len = sizeof addr;
        if (m_fdListen < 0 || ::bind(m_fdListen, reinterpret_cast<sockaddr*>(&addr), len) ||
            ::listen(m_fdListen, 16) || ::pipe(m_fdStop) != 0)
            throw std::runtime_error("fake ATA: cannot listen on " + strHost);
        ::getsockname(m_fdListen, reinterpret_cast<sockaddr*>(&addr), &len);
        m_intPort = ntohs(addr.sin_port);
        m_thread = std::thread([this] { AcceptLoop(); });
    }
    ~FakeAtaHttpServer() {
        (void)!::write(m_fdStop[1], "x", 1);
        m_thread.join();
        for (auto& t : m_lstConnections)
            t.join();
        for (int fd : {m_fdListen, m_fdStop[0], m_fdStop[1]})
            ::close(fd);
    }

    void SetRoute(const std::string& strPath, Route route) {
        std::lock_guard<std::mutex> lock(m_mtx);
        m_mapRoutes[strPath] = std::move(route);
    }
    void SetPage(const std::string& strPath, const std::string& strBody) {
        SetRoute(strPath, {200, strBody});
    }
    std::string Url(const std::string& strPath) const {
        return "http://127.0.0.1:" + std::to_string(m_intPort) + strPath;
    }
    // The request lines received so far, for example "GET /doc/m_set.htm HTTP/1.1".
    std::vector<std::string> RequestLines() {
        std::lock_guard<std::mutex> lock(m_mtx);
        return m_vecRequests;
    }
    // Blocks until n requests have arrived or the time is up; true when they have.
    bool WaitForRequests(size_t n, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(m_mtx);
        return m_cvRequest.wait_for(lock, timeout, [&] { return m_vecRequests.size() >= n; });
    }

private:
    // Waits for the descriptor or the stop signal; false when stopping or timed out.
    bool WaitReadable(int fd, int intTimeoutMs) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_fdStop[0], POLLIN, 0}};
        return ::poll(fds, 2, intTimeoutMs) > 0 && !(fds[1].revents & POLLIN) &&
               (fds[0].revents & (POLLIN | POLLHUP));
    }
    void AcceptLoop() {
        while (WaitReadable(m_fdListen, -1))
            if (const int fd = ::accept4(m_fdListen, nullptr, nullptr, SOCK_CLOEXEC); fd >= 0)
                m_lstConnections.emplace_back([this, fd] {
                    Serve(fd);
                    ::close(fd);
                });
    }
    void Serve(int fd) {
        std::string strRequest;
        char buf[4096];
        while (strRequest.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = WaitReadable(fd, 10000) ? ::recv(fd, buf, sizeof buf, 0) : -1;
            if (n <= 0)
                return;
            strRequest.append(buf, static_cast<size_t>(n));
        }
        const std::string strLine = strRequest.substr(0, strRequest.find("\r\n"));
        const size_t a = strLine.find(' ') + 1;
        Route route{404, "not found"};
        {
            std::lock_guard<std::mutex> lock(m_mtx);
            m_vecRequests.push_back(strLine);
            if (auto it = m_mapRoutes.find(strLine.substr(a, strLine.find(' ', a) - a));
                it != m_mapRoutes.end())
                route = it->second;
        }
        m_cvRequest.notify_all();
        if (route.enmFault != Fault::Hang) {
            (void)WaitReadable(m_fdStop[0], route.intDelayMs);
            const std::string strReply = "HTTP/1.1 " + std::to_string(route.intStatus) +
                                         (route.intStatus < 400 ? " OK" : " Error") +
                                         "\r\nContent-Type: text/plain\r\nContent-Length: " +
                                         std::to_string(route.strBody.size()) +
                                         "\r\nConnection: close\r\n\r\n" + route.strBody;
            const bool blnReset = route.enmFault == Fault::Reset;
            // A blocking send hands over everything unless the client has gone.
            (void)!::send(fd, strReply.data(),
                          strReply.size() - (blnReset ? route.strBody.size() / 2 : 0),
                          MSG_NOSIGNAL);
            if (blnReset) {
                const linger lngr{1, 0}; // a zero linger time turns the close into a reset
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &lngr, sizeof lngr);
                return;
            }
            ::shutdown(fd, SHUT_WR);
        }
        // Until the client closes: at most two seconds after an answer, so that it reads
        // everything, and for as long as the test runs when the route hangs.
        while (WaitReadable(fd, route.enmFault == Fault::Hang ? -1 : 2000) &&
               ::recv(fd, buf, sizeof buf, 0) > 0)
            ;
    }

    int m_fdListen = -1;
    int m_fdStop[2] = {-1, -1};
    int m_intPort = 0;
    std::mutex m_mtx;
    std::condition_variable m_cvRequest;
    std::map<std::string, Route> m_mapRoutes;
    std::vector<std::string> m_vecRequests;
    std::thread m_thread;
    std::list<std::thread> m_lstConnections; // touched only by the accept thread, then joined
};

} // namespace ata::test
