// Listening, and the hand-over of accepted connections to the objects that adopt them.
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/CNetSocket.h"
#include "net/NetErrors.h"
#include "net/RaisedError.h"
#include "net/SocketAddress.h"
#include "net/modNetSocket.h"

namespace ata {

namespace {
constexpr int kBacklog = 5;
}

void CNetSocket::Listen() {
    if (m_lngState != sckClosed && m_lngState != sckOpen) {
        throw RaisedError(errInvalidOperation, "CNetSocket.Listen", kTextInvalidOperation);
    }
    if (!SocketExists() || !BindInternal(std::nullopt, std::nullopt)) {
        return;
    }
    if (::listen(m_lngSocket, kBacklog) != 0) {
        RaisePlatform(MapErrno(errno), "CNetSocket.Listen");
    }
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
        if (intErrno == EAGAIN || intErrno == EWOULDBLOCK || intErrno == ECONNABORTED) {
            return; // the client gave up before we came to it
        }
        RaisePlatform(MapErrno(intErrno), "CNetSocket.PostSocket");
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
    const bool blnAlive = RaiseEvent(Events.ConnectionRequest, fdNew);
    if (blnAlive && m_lngState == sckListening) {
        m_lngRemotePort = lngSavedPort;
        m_strRemoteHostIP = strSavedIP;
        m_strRemoteHost = strSavedHost;
    }
    if (modNetSocket::IsAcceptRegistered(fdNew)) {
        modNetSocket::UnregisterSocket(fdNew);
        ::close(fdNew);
        modNetSocket::UnregisterAccept(fdNew);
        if (blnAlive) {
            Trace("OK Closed accepted socket: " + std::to_string(fdNew));
        }
    }
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
