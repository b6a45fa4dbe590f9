#include "app/platform/LinuxSocketService.h"

#include <arpa/inet.h>
#include <cerrno>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <set>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <thread>

#include "net/NetErrors.h"

namespace ata {

// Per-descriptor notification state. Each flag is one notification that may be posted; a
// posted notification clears its flag until the socket's next call re-enables it, so epoll
// interest exists only while something may be posted and an idle socket costs nothing.
struct LinuxSocketService::Entry {
    int32_t fd = -1;
    uint64_t lngRoute = 0;
    uint64_t lngWatch = 0; // 0 while the descriptor is out of the poll set
    int32_t lngMask = 0;
    bool blnStream = true;
    bool blnReadArmed = false;
    bool blnWriteWanted = false;
    bool blnConnectPending = false;
    bool blnAcceptArmed = false;
    bool blnDone = false; // close or error reported: out of the poll set until cancelled
};

// Shared with lookup workers, which may outlive a cancel; the service pointer is cleared when
// the service goes away.
struct LinuxSocketService::LookupState {
    std::mutex mutex;
    Reactor* pReactor = nullptr;
    LinuxSocketService* pService = nullptr;
    std::set<int32_t> live; // started and neither answered nor cancelled
};

LinuxSocketService::LinuxSocketService(Reactor& reactor)
    : m_reactor(reactor), m_lookups(std::make_shared<LookupState>()) {
    m_lookups->pReactor = &reactor;
    m_lookups->pService = this;
}

LinuxSocketService::~LinuxSocketService() {
    {
        std::lock_guard<std::mutex> lock(m_lookups->mutex);
        m_lookups->pReactor = nullptr;
        m_lookups->pService = nullptr;
        m_lookups->live.clear();
    }
    for (auto& [fd, entry] : m_sockets) {
        if (entry->lngWatch != 0) {
            m_reactor.Remove(entry->lngWatch);
        }
    }
}

int32_t LinuxSocketService::Startup() { return 0; }
int32_t LinuxSocketService::Cleanup() { return 0; }

void LinuxSocketService::SetMessageSink(MessageSink sink) { m_sink = std::move(sink); }

int32_t LinuxSocketService::SelectEvents(int32_t lngSocket, uint64_t lngRoute,
                                         int32_t lngEventMask) {
    int intType = 0;
    socklen_t lngLen = sizeof intType;
    if (::getsockopt(lngSocket, SOL_SOCKET, SO_TYPE, &intType, &lngLen) != 0) {
        return MapErrno(errno);
    }
    auto entry = std::make_unique<Entry>();
    entry->fd = lngSocket;
    entry->lngRoute = lngRoute;
    entry->lngMask = lngEventMask;
    entry->blnStream = intType == SOCK_STREAM;
    if (!entry->blnStream) {
        entry->blnReadArmed = true;
    } else {
        sockaddr_in peer{};
        socklen_t lngPeer = sizeof peer;
        if (::getpeername(lngSocket, reinterpret_cast<sockaddr*>(&peer), &lngPeer) == 0) {
            // An accepted connection: readable data and sending are reported at once.
            entry->blnReadArmed = true;
            if (lngEventMask & FD_WRITE) {
                Post(lngRoute, lngSocket, FD_WRITE, 0);
            }
        }
    }
    Entry& ref = *entry;
    m_sockets[lngSocket] = std::move(entry);
    UpdateInterest(ref);
    return 0;
}

void LinuxSocketService::Reenable(int32_t lngSocket, int32_t lngEvent) {
    auto it = m_sockets.find(lngSocket);
    if (it == m_sockets.end() || it->second->blnDone) {
        return;
    }
    Entry& entry = *it->second;
    switch (lngEvent) {
    case FD_READ: entry.blnReadArmed = true; break;
    case FD_WRITE: entry.blnWriteWanted = true; break;
    case FD_ACCEPT: entry.blnAcceptArmed = true; break;
    case FD_CONNECT: entry.blnConnectPending = true; break;
    default: return;
    }
    UpdateInterest(entry);
}

void LinuxSocketService::CancelEvents(int32_t lngSocket) {
    auto it = m_sockets.find(lngSocket);
    if (it == m_sockets.end()) {
        return;
    }
    if (it->second->lngWatch != 0) {
        m_reactor.Remove(it->second->lngWatch);
    }
    m_sockets.erase(it);
}

void LinuxSocketService::UpdateInterest(Entry& entry) {
    uint32_t lngEvents = 0;
    if (!entry.blnDone) {
        if (entry.blnReadArmed || entry.blnAcceptArmed) {
            lngEvents |= EPOLLIN;
        }
        if (entry.blnConnectPending || entry.blnWriteWanted) {
            lngEvents |= EPOLLOUT;
        }
    }
    if (lngEvents == 0) {
        // Out of the poll set entirely: a hung-up descriptor would otherwise report EPOLLHUP
        // on every pass.
        if (entry.lngWatch != 0) {
            m_reactor.Remove(entry.lngWatch);
            entry.lngWatch = 0;
        }
        return;
    }
    if (entry.lngWatch == 0) {
        const int32_t fd = entry.fd;
        const uint64_t lngRoute = entry.lngRoute;
        entry.lngWatch = m_reactor.Add(fd, lngEvents, [this, fd, lngRoute](uint32_t lngEpoll) {
            OnReady(fd, lngRoute, lngEpoll);
        });
    } else {
        m_reactor.Modify(entry.lngWatch, lngEvents);
    }
}

void LinuxSocketService::OnReady(int32_t lngSocket, uint64_t lngRoute, uint32_t lngEpoll) {
    auto it = m_sockets.find(lngSocket);
    if (it == m_sockets.end() || it->second->lngRoute != lngRoute) {
        return;
    }
    Entry& entry = *it->second;

    if (entry.blnConnectPending && (lngEpoll & (EPOLLOUT | EPOLLERR | EPOLLHUP))) {
        int intErr = 0;
        socklen_t lngLen = sizeof intErr;
        if (::getsockopt(lngSocket, SOL_SOCKET, SO_ERROR, &intErr, &lngLen) != 0) {
            intErr = errno;
        }
        entry.blnConnectPending = false;
        if (intErr != 0) {
            entry.blnDone = true;
            Post(lngRoute, lngSocket, FD_CONNECT, MapErrno(intErr));
        } else {
            entry.blnReadArmed = true;
            Post(lngRoute, lngSocket, FD_CONNECT, 0);
            if (entry.lngMask & FD_WRITE) {
                Post(lngRoute, lngSocket, FD_WRITE, 0);
            }
        }
        UpdateInterest(entry);
        return;
    }

    if (entry.blnAcceptArmed && (lngEpoll & EPOLLIN)) {
        entry.blnAcceptArmed = false;
        Post(lngRoute, lngSocket, FD_ACCEPT, 0);
    }

    if (entry.blnReadArmed && (lngEpoll & (EPOLLIN | EPOLLERR | EPOLLHUP))) {
        if (!entry.blnStream) {
            int intErr = 0;
            socklen_t lngLen = sizeof intErr;
            if (lngEpoll & EPOLLERR) {
                // An ICMP error on a datagram socket: clear it; datagrams keep flowing.
                ::getsockopt(lngSocket, SOL_SOCKET, SO_ERROR, &intErr, &lngLen);
            }
            if (lngEpoll & EPOLLIN) {
                entry.blnReadArmed = false;
                Post(lngRoute, lngSocket, FD_READ, 0);
            }
        } else {
            char chByte = 0;
            const ssize_t n = ::recv(lngSocket, &chByte, 1, MSG_PEEK | MSG_DONTWAIT);
            if (n > 0) {
                entry.blnReadArmed = false;
                Post(lngRoute, lngSocket, FD_READ, 0);
            } else if (n == 0) {
                // Orderly close, reported only now that every byte has been read.
                entry.blnReadArmed = false;
                entry.blnDone = true;
                Post(lngRoute, lngSocket, FD_CLOSE, 0);
            } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                entry.blnReadArmed = false;
                entry.blnDone = true;
                Post(lngRoute, lngSocket, FD_CLOSE, MapErrno(errno));
            }
        }
    }

    if (!entry.blnDone && entry.blnWriteWanted && (lngEpoll & (EPOLLOUT | EPOLLERR | EPOLLHUP))) {
        entry.blnWriteWanted = false;
        Post(lngRoute, lngSocket, FD_WRITE, 0);
    }

    UpdateInterest(entry);
}

void LinuxSocketService::Post(uint64_t lngRoute, int32_t lngSocket, int32_t lngEvent,
                              int32_t lngError) {
    NetMessage message;
    message.lngRoute = lngRoute;
    message.uMsg = WM_SOCKET_NOTIFY;
    message.wParam = lngSocket;
    message.lParam = MakeSelectReply(lngEvent, lngError);
    std::weak_ptr<LookupState> state = m_lookups;
    m_reactor.Post([state, message] {
        auto pState = state.lock();
        if (pState && pState->pService && pState->pService->m_sink) {
            pState->pService->m_sink(message);
        }
    });
}

int32_t LinuxSocketService::StartLookup(const std::string& strHost, int32_t& lngError) {
    lngError = 0;
    if (strHost.empty()) {
        lngError = wsaHOST_NOT_FOUND;
        return 0;
    }
    const int32_t lngHandle = m_lngNextLookup++;
    if (m_lngNextLookup <= 0) {
        m_lngNextLookup = 1;
    }
    {
        std::lock_guard<std::mutex> lock(m_lookups->mutex);
        m_lookups->live.insert(lngHandle);
    }
    std::shared_ptr<LookupState> state = m_lookups;
    try {
        std::thread([state, strHost, lngHandle] {
            addrinfo hints{};
            hints.ai_family = AF_INET;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* pResult = nullptr;
            const int intRc = ::getaddrinfo(strHost.c_str(), nullptr, &hints, &pResult);
            NetMessage message;
            message.uMsg = WM_LOOKUP_REPLY;
            message.wParam = lngHandle;
            int32_t lngErr = MapResolverError(intRc);
            if (intRc == 0) {
                lngErr = wsaHOST_NOT_FOUND; // no IPv4 address in the answer
                for (addrinfo* p = pResult; p; p = p->ai_next) {
                    if (p->ai_family == AF_INET && p->ai_addr) {
                        message.lngAddress =
                            reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr.s_addr;
                        lngErr = 0;
                        break;
                    }
                }
                ::freeaddrinfo(pResult);
            }
            message.lParam = MakeSelectReply(0, lngErr);
            std::lock_guard<std::mutex> lock(state->mutex);
            if (!state->pReactor || !state->live.count(lngHandle)) {
                return;
            }
            state->pReactor->Post([state, message] {
                {
                    std::lock_guard<std::mutex> inner(state->mutex);
                    if (!state->pService || state->live.erase(message.wParam) == 0) {
                        return; // cancelled after the reply was queued
                    }
                }
                if (state->pService->m_sink) {
                    state->pService->m_sink(message);
                }
            });
        }).detach();
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(m_lookups->mutex);
        m_lookups->live.erase(lngHandle);
        lngError = 10067; // no thread for the lookup
        return 0;
    }
    return lngHandle;
}

void LinuxSocketService::CancelLookup(int32_t lngHandle) {
    std::lock_guard<std::mutex> lock(m_lookups->mutex);
    m_lookups->live.erase(lngHandle);
}

} // namespace ata
