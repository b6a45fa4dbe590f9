// Listening, and the hand-over of accepted connections to the objects that adopt them.
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/RaisedError.h"
#include "net/CNetSocket.h"
#include "net/NetErrors.h"
#include "net/SocketAddress.h"
#include "net/modNetSocket.h"

namespace ata {

namespace {

constexpr int kBacklog = 5;

// Closes an accepted connection that nobody adopted, and its holder; false when there was none.
bool CloseParked(int32_t lngSocket) {
    if (!modNetSocket::IsAcceptRegistered(lngSocket)) {
        return false;
    }
    modNetSocket::UnregisterSocket(lngSocket);
    ::close(lngSocket);
    modNetSocket::UnregisterAccept(lngSocket);
    return true;
}

} // namespace

void CNetSocket::Listen() {
    if (m_lngState != sckClosed && m_lngState != sckOpen) {
        throw RaisedError(errInvalidOperation, "CNetSocket.Listen", kTextInvalidOperation);
    }
    if (!SocketExists() || !BindInternal(std::nullopt, std::nullopt)) {
        return;
    }
    UniqueFd fdReserve(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!fdReserve) {
        RaisePlatform(MapErrno(errno), "CNetSocket.Listen");
    }
    if (::listen(m_lngSocket, kBacklog) != 0) {
        RaisePlatform(MapErrno(errno), "CNetSocket.Listen");
    }
    m_fdReserve = std::move(fdReserve);
    SetState(sckListening);
    modNetSocket::Reenable(m_lngSocket, FD_ACCEPT);
}

bool CNetSocket::GetRemoteInfo(int32_t lngSocket) {
    sockaddr_in peer{};
    socklen_t lngLen = sizeof peer;
    if (::getpeername(lngSocket, reinterpret_cast<sockaddr*>(&peer), &lngLen) != 0) {
        m_lngRemotePort = 0;
        m_strRemoteHostIP.clear();
        m_strRemoteHost.clear();
        return false;
    }
    GetRemoteInfoFromAddress(peer.sin_addr.s_addr, ntohs(peer.sin_port));
    return true;
}

void CNetSocket::OnAccept() {
    if (m_lngState != sckListening) {
        Trace("Buffer Status: Omitting FD_ACCEPT");
        return;
    }
    sockaddr_in peer{};
    socklen_t lngLen = sizeof peer;
    const int fdNew = ::accept4(m_lngSocket, reinterpret_cast<sockaddr*>(&peer), &lngLen,
                                SOCK_NONBLOCK | SOCK_CLOEXEC);
    const int intErrno = errno;
    // Accepting re-arms the notification for the next waiting connection.
    modNetSocket::Reenable(m_lngSocket, FD_ACCEPT);
    if (fdNew < 0) {
        switch (intErrno) {
        case EAGAIN:
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK:
#endif
        case EINTR:
        case ECONNABORTED:
        case EPROTO:
        case ENETDOWN:
        case ENOPROTOOPT:
        case EHOSTDOWN:
        case ENONET:
        case EHOSTUNREACH:
        case EOPNOTSUPP:
        case ENETUNREACH:
            return; // the connection failed before we came to it: wait for the next one
        case EMFILE:
        case ENFILE:
            // The connections would stay queued and FD_ACCEPT would come again at once:
            // they are taken off the queue and closed.
            DropPendingConnections();
            break;
        default:
            break;
        }
        RaiseErrorEvent(MapErrno(intErrno), "CNetSocket.PostSocket");
        return;
    }
    try {
        modNetSocket::RegisterAccept(fdNew);
    } catch (...) {
        modNetSocket::UnregisterAccept(fdNew);
        modNetSocket::UnregisterSocket(fdNew);
        ::close(fdNew);
        throw;
    }

    const int32_t lngSavedPort = m_lngRemotePort;
    const std::string strSavedIP = m_strRemoteHostIP;
    const std::string strSavedHost = m_strRemoteHost;
    GetRemoteInfo(fdNew);
    Trace("OK Accepted socket: " + std::to_string(fdNew));
    const std::weak_ptr<char> life = m_life;
    const auto restore = [&] {
        if (Alive(life) && m_lngState == sckListening) {
            m_lngRemotePort = lngSavedPort;
            m_strRemoteHostIP = strSavedIP;
            m_strRemoteHost = strSavedHost;
        }
    };
    try {
        RaiseEvent(Events.ConnectionRequest, fdNew);
    } catch (...) {
        // A handler that raised leaves nothing parked behind.
        restore();
        CloseParked(fdNew);
        throw;
    }
    restore();
    if (CloseParked(fdNew) && Alive(life)) {
        Trace("OK Closed accepted socket: " + std::to_string(fdNew));
    }
}

// With no descriptor left, the spare one is given up for a moment to take every waiting
// connection off the queue and close it; the spare is taken again afterwards.
void CNetSocket::DropPendingConnections() {
    if (!m_fdReserve) {
        return;
    }
    m_fdReserve.Reset();
    for (;;) {
        const int fd = ::accept4(m_lngSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            break;
        }
        ::close(fd);
    }
    m_fdReserve.Reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
}

void CNetSocket::Accept(int32_t requestID) {
    if (m_lngState != sckClosed) {
        throw RaisedError(errInvalidOperation, "CNetSocket.Accept", kTextInvalidOperation);
    }
    const int32_t lngPreviousSocket = m_lngSocket;
    m_lngProtocol = sckProtocolTCP;
    m_lngSocket = requestID;
    try {
        ProcessOptions();
    } catch (const RaisedError&) {
        m_lngSocket = lngPreviousSocket;
        throw;
    }

    if (!modNetSocket::IsAcceptRegistered(requestID)) {
        if (modNetSocket::IsSocketRegistered(requestID)) {
            // The handle belongs to another object: give it back untouched, so that closing
            // this object later cannot close a socket it does not own.
            m_lngSocket = lngPreviousSocket;
            throw RaisedError(errWrongProtocolOrState, "CNetSocket.Accept",
                              kTextWrongProtocolOrState);
        }
        // A temporary holder taking a freshly accepted connection; its notifications start
        // at once so that data and a close arriving before adoption are kept.
        m_blnAcceptHolder = true;
        SetState(sckConnected);
        modNetSocket::RegisterSocket(requestID, this, false);
        return;
    }

    std::shared_ptr<CNetSocket> holder = modNetSocket::GetAcceptedSocket(requestID);
    modNetSocket::UnregisterAccept(requestID);

    sockaddr_in local{};
    socklen_t lngLen = sizeof local;
    if (::getsockname(requestID, reinterpret_cast<sockaddr*>(&local), &lngLen) != 0) {
        RaisePlatform(MapErrno(errno), "CNetSocket.Accept");
    }
    m_lngAssignedLocalPort = ntohs(local.sin_port);
    m_strLocalIP = DottedText(local.sin_addr.s_addr);
    GetRemoteInfo(requestID);
    SetState(sckConnected);
    if (holder && holder->BytesReceived() > 0) {
        std::string strParked;
        holder->GetData(strParked);
        m_recvBuffer.Clear();
        m_recvBuffer.Append(strParked);
    }
    modNetSocket::ChangeSocketRouteOwner(requestID, this);

    if (!m_recvBuffer.Empty()) {
        if (!RaiseEvent(Events.DataArrival, static_cast<int32_t>(m_recvBuffer.Size()))) {
            return;
        }
    }
    if (holder && holder->State() == sckClosing && m_lngState == sckConnected) {
        SetState(sckClosing);
        RaiseEvent(Events.CloseSck);
    }
}

} // namespace ata
