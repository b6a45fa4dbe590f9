// The data path of CNetSocket: sending in chunks, receiving into the buffer, and reading it
// out converted to the kind the caller asks for.
#include <cerrno>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include "base/RaisedError.h"
#include "net/CNetSocket.h"
#include "net/NetErrors.h"
#include "net/SocketAddress.h"
#include "net/modNetSocket.h"

namespace ata {

namespace {

// Largest UDP payload over IPv4; Linux has no query for it.
constexpr int32_t kLargestDatagram = 65507;
// Used when the platform reports no buffer size, so that a loop can never stall on 0.
constexpr int32_t kFallbackChunk = 64 * 1024;

int32_t QueryBufferSize(int fd, int intOption) {
    int intSize = 0;
    socklen_t lngLen = sizeof intSize;
    if (::getsockopt(fd, SOL_SOCKET, intOption, &intSize, &lngLen) != 0) {
        const int32_t lngCode = MapErrno(errno);
        throw RaisedError(lngCode, "CNetSocket.ProcessOptions", GetErrorDescription(lngCode));
    }
    return intSize;
}

} // namespace

void CNetSocket::ProcessOptions() {
    if (m_lngProtocol != sckProtocolUDP) {
        m_lngRecvChunk = QueryBufferSize(m_lngSocket, SO_RCVBUF);
        m_lngSendChunk = QueryBufferSize(m_lngSocket, SO_SNDBUF);
    } else {
        const int intOn = 1;
        ::setsockopt(m_lngSocket, SOL_SOCKET, SO_BROADCAST, &intOn, sizeof intOn);
        m_lngSendChunk = kLargestDatagram;
        m_lngRecvChunk = kLargestDatagram;
    }
    Trace("Winsock buffer size for sends: " + std::to_string(m_lngSendChunk));
    Trace("Winsock buffer size for receives: " + std::to_string(m_lngRecvChunk));
}

int32_t CNetSocket::BytesReceived() const {
    if (m_lngProtocol == sckProtocolUDP) {
        return GetPendingDatagramSize();
    }
    return static_cast<int32_t>(m_recvBuffer.Size());
}

// ---- sending ----

void CNetSocket::SendData(NetValue data) {
    if (m_lngProtocol == sckProtocolUDP) {
        if (!SocketExists() || !BindInternal(std::nullopt, std::nullopt)) {
            return;
        }
        SetState(sckOpen);
    } else if (m_lngState != sckConnected) {
        throw RaisedError(errWrongProtocolOrState, "CNetSocket.SendData",
                          kTextWrongProtocolOrState);
    }
    std::string strBytes;
    if (auto* pText = std::get_if<std::string>(&data)) {
        strBytes = std::move(*pText); // one byte per character already
    } else if (!ValueToBytes(data, strBytes)) {
        throw RaisedError(errUnsupportedVariant, "CNetSocket.SendData", kTextUnsupportedVariant);
    }
    if (strBytes.empty()) {
        return;
    }
    const bool blnWasEmpty = m_sendBuffer.Empty();
    m_sendBuffer.Adopt(std::move(strBytes));
    if (blnWasEmpty) {
        SendBufferedData();
    }
}

void CNetSocket::SendBufferedData() {
    if (m_lngProtocol == sckProtocolUDP) {
        SendBufferedDataUDP();
    } else {
        SendBufferedDataTCP();
    }
}

void CNetSocket::SendBufferedDataTCP() {
    int32_t lngSent = 0;
    ssize_t lngResult = 0;
    while (!m_sendBuffer.Empty() && lngResult != -1) {
        const std::size_t lngChunk = std::min<std::size_t>(
            m_sendBuffer.Size(),
            static_cast<std::size_t>(m_lngSendChunk > 0 ? m_lngSendChunk : kFallbackChunk));
        lngResult = ::send(m_lngSocket, m_sendBuffer.Data(), lngChunk, MSG_NOSIGNAL);
        if (lngResult >= 0) {
            Trace("OK Bytes sent: " + std::to_string(lngResult));
            lngSent += static_cast<int32_t>(lngResult);
            if (static_cast<std::size_t>(lngResult) >= m_sendBuffer.Size()) {
                Trace("OK Finished SENDING");
                m_sendBuffer.Clear();
                if (!RaiseEvent(Events.SendProgress, lngSent, 0)) {
                    return;
                }
                lngSent = 0;
                if (!RaiseEvent(Events.SendComplete)) {
                    return;
                }
            } else {
                m_sendBuffer.Consume(static_cast<std::size_t>(lngResult));
            }
            continue;
        }
        if (errno == EINTR) {
            lngResult = 0;
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            Trace("Buffer Status: Send buffer full, waiting...");
            modNetSocket::Reenable(m_lngSocket, FD_WRITE);
            if (lngSent > 0) {
                RaiseEvent(Events.SendProgress, lngSent, static_cast<int32_t>(m_sendBuffer.Size()));
            }
            return;
        }
        Report(MapErrno(errno), "CNetSocket.SendBufferedData");
        return;
    }
}

void CNetSocket::SendBufferedDataUDP() {
    const ResolvedHost host = ResolveHostNow(m_strRemoteHost);
    if (host.lngError != 0) {
        m_sendBuffer.Clear();
        if (host.lngError == wsaEAFNOSUPPORT) {
            RaisePlatform(wsaEAFNOSUPPORT, "CNetSocket.SendBufferedDataUDP");
        }
        throw RaisedError(errInvalidArgument, "CNetSocket.SendBufferedDataUDP",
                          kTextInvalidArgument);
    }
    const std::string strDatagram = m_sendBuffer.Take(m_sendBuffer.Size());
    m_sendBuffer.Clear();
    const sockaddr_in peer = MakeSocketAddress(host.lngAddress, m_lngRemotePort);
    if (::sendto(m_lngSocket, strDatagram.data(), strDatagram.size(), MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&peer), sizeof peer) < 0) {
        Report(MapErrno(errno), "CNetSocket.SendBufferedDataUDP");
    }
}

// ---- receiving ----

void CNetSocket::RecvDataToBuffer() {
    const std::size_t lngChunk =
        static_cast<std::size_t>(m_lngRecvChunk > 0 ? m_lngRecvChunk : kFallbackChunk);
    char* pRoom = m_recvBuffer.Reserve(lngChunk);
    ssize_t lngRead = 0;
    do {
        lngRead = ::recv(m_lngSocket, pRoom, lngChunk, 0);
    } while (lngRead < 0 && errno == EINTR);
    const int intErrno = errno;
    m_recvBuffer.Commit(lngRead > 0 ? static_cast<std::size_t>(lngRead) : 0);
    if (lngRead < 0 && (intErrno == EAGAIN || intErrno == EWOULDBLOCK)) {
        modNetSocket::Reenable(m_lngSocket, FD_READ); // readiness went away: wait again
        return;
    }
    if (lngRead < 0) {
        // A reset between the readiness and this read: the socket has failed.
        Report(MapErrno(intErrno), "CNetSocket.RecvDataToBuffer");
        return;
    }
    // Re-armed before the event: its handler may close the descriptor or destroy this object.
    modNetSocket::Reenable(m_lngSocket, FD_READ);
    if (lngRead == 0) {
        return; // the peer's orderly close; FD_CLOSE follows
    }
    RaiseEvent(Events.DataArrival, static_cast<int32_t>(m_recvBuffer.Size()));
}

int32_t CNetSocket::GetPendingDatagramSize() const {
    if (m_lngSocket == -1) {
        return 0;
    }
    int intPending = 0;
    // On a datagram socket FIONREAD gives the size of the next datagram.
    if (::ioctl(m_lngSocket, FIONREAD, &intPending) != 0) {
        return 0;
    }
    return intPending;
}

void CNetSocket::DiscardDatagram() {
    char chByte = 0;
    (void)::recv(m_lngSocket, &chByte, 1, MSG_DONTWAIT);
}

void CNetSocket::ReceiveDatagram() {
    const int32_t fd = m_lngSocket;
    const std::weak_ptr<char> life = m_life;
    m_blnDatagramTaken = false;
    // Only a datagram that nobody read is dropped; discarding unconditionally would throw
    // away the next datagram, unseen, after every one a handler did read. The socket listens
    // again also when the handler raised.
    const auto finish = [&] {
        if (Alive(life) && m_lngSocket == fd && fd != -1) {
            if (!m_blnDatagramTaken) {
                DiscardDatagram();
            }
            modNetSocket::Reenable(fd, FD_READ);
        }
    };
    const int32_t lngSize = GetPendingDatagramSize();
    if (lngSize > 0) {
        try {
            if (!RaiseEvent(Events.DataArrival, lngSize)) {
                return;
            }
        } catch (...) {
            finish();
            throw;
        }
    }
    finish();
}

void CNetSocket::GetData(NetValue& data, int32_t* varType, NetValue* maxLen) {
    ReadOrPeek(data, varType, maxLen, false);
}

void CNetSocket::PeekData(NetValue& data, int32_t* varType, NetValue* maxLen) {
    ReadOrPeek(data, varType, maxLen, true);
}

void CNetSocket::GetData(std::string& strData) {
    NetValue value = std::string();
    ReadOrPeek(value, nullptr, nullptr, false);
    strData = std::move(std::get<std::string>(value));
}

void CNetSocket::PeekData(std::string& strData) {
    NetValue value = std::string();
    ReadOrPeek(value, nullptr, nullptr, true);
    strData = std::move(std::get<std::string>(value));
}

void CNetSocket::ReadOrPeek(NetValue& data, int32_t* varType, NetValue* maxLen, bool blnPeek) {
    const char* szSource = blnPeek ? "CNetSocket.PeekData" : "CNetSocket.GetData";
    int32_t lngAvailable = 0;
    if (m_lngProtocol != sckProtocolUDP) {
        const bool blnAllowed = m_lngState == sckConnected || (!blnPeek && m_blnAcceptHolder);
        if (!blnAllowed) {
            throw RaisedError(errWrongProtocolOrState, szSource, kTextWrongProtocolOrState);
        }
        lngAvailable = static_cast<int32_t>(m_recvBuffer.Size());
    } else {
        if (m_lngState != sckOpen) {
            throw RaisedError(errWrongProtocolOrState, szSource, kTextWrongProtocolOrState);
        }
        lngAvailable = GetPendingDatagramSize();
        if (lngAvailable == 0) {
            return;
        }
    }
    if (maxLen) {
        const auto limit = NumberOf(*maxLen);
        if (!limit) {
            *maxLen = lngAvailable;
        } else if (*limit < 0) {
            throw RaisedError(errInvalidArgument, szSource, kTextArgumentRange);
        }
    }
    const int32_t lngCount = RecvData(data, blnPeek, varType, maxLen);
    Trace("OK Bytes obtained from buffer: " + std::to_string(lngCount));
}

int32_t CNetSocket::RecvData(NetValue& data, bool blnPeek, int32_t* varType, NetValue* maxLen) {
    const bool blnUdp = m_lngProtocol == sckProtocolUDP;
    const int32_t lngAvailable =
        blnUdp ? GetPendingDatagramSize() : static_cast<int32_t>(m_recvBuffer.Size());
    int32_t lngKind = KindOf(data);
    if (lngKind != vbEmpty) {
        if (varType) {
            *varType = lngKind;
        }
    } else {
        lngKind = varType ? *varType : vbByteArray;
    }

    int32_t lngError = 0;
    int32_t lngCount = 0;
    if (lngKind == vbString || lngKind == vbByteArray) {
        std::string strBytes;
        bool blnTake = lngAvailable > 0;
        lngCount = lngAvailable;
        if (maxLen) {
            const int32_t lngLimit = static_cast<int32_t>(NumberOf(*maxLen).value_or(0));
            if (lngLimit == 0 || lngAvailable == 0) {
                blnTake = false;
                if (blnUdp) {
                    data = lngKind == vbString ? NetValue{std::string()} : NetValue{NetBytes{}};
                    DiscardDatagram();
                    m_blnDatagramTaken = true;
                    RaisePlatform(wsaEMSGSIZE, "CNetSocket.RecvData");
                }
            } else if (lngLimit < lngAvailable) {
                lngCount = lngLimit;
            }
        }
        if (!blnTake) {
            lngCount = 0;
        } else {
            strBytes = TakeFromBuffer(lngCount, blnPeek, lngError);
        }
        if (lngKind == vbString) {
            data = std::move(strBytes);
        } else {
            data = NetBytes(strBytes.begin(), strBytes.end());
        }
    } else if (const int32_t lngSize = FixedKindSize(lngKind); lngSize > 0) {
        if (lngAvailable < lngSize) {
            return 0;
        }
        const std::string strBytes = TakeFromBuffer(lngSize, blnPeek, lngError);
        data = FixedValueFromBytes(lngKind, strBytes.data());
        lngCount = lngSize;
    } else {
        throw RaisedError(errUnsupportedVariant, "CNetSocket.RecvData", kTextUnsupportedVariant);
    }
    if (lngError != 0) {
        RaisePlatform(lngError, "CNetSocket.RecvData");
    }
    return lngCount;
}

std::string CNetSocket::TakeFromBuffer(int32_t lngCount, bool blnPeek, int32_t& lngError) {
    lngError = 0;
    if (m_lngProtocol != sckProtocolUDP) {
        return m_recvBuffer.Take(static_cast<std::size_t>(lngCount), blnPeek);
    }
    std::string strBytes(static_cast<std::size_t>(lngCount), '\0');
    sockaddr_in source{};
    iovec area{strBytes.data(), strBytes.size()};
    msghdr header{};
    header.msg_name = &source;
    header.msg_namelen = sizeof source;
    header.msg_iov = &area;
    header.msg_iovlen = 1;
    const ssize_t lngRead = ::recvmsg(m_lngSocket, &header, blnPeek ? MSG_PEEK : 0);
    if (lngRead < 0) {
        lngError = MapErrno(errno);
    } else if (header.msg_flags & MSG_TRUNC) {
        lngError = wsaEMSGSIZE; // the rest of a longer datagram is lost, as the area is full
    }
    if (!blnPeek) {
        m_blnDatagramTaken = true;
    }
    GetRemoteInfoFromAddress(source.sin_addr.s_addr, ntohs(source.sin_port));
    return strBytes;
}

} // namespace ata
