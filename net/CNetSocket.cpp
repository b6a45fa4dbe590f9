#include "net/CNetSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cmath>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/RaisedError.h"
#include "net/NetErrors.h"
#include "net/SocketAddress.h"
#include "net/modNetSocket.h"

namespace ata {

const char* StateName(int32_t lngState) {
    switch (lngState) {
    case sckClosed:
        return "sckClosed";
    case sckOpen:
        return "sckOpen";
    case sckListening:
        return "sckListening";
    case sckResolvingHost:
        return "sckResolvingHost";
    case sckHostResolved:
        return "sckHostResolved";
    case sckConnecting:
        return "sckConnecting";
    case sckConnected:
        return "sckConnected";
    case sckClosing:
        return "sckClosing";
    case sckError:
        return "sckError";
    default:
        return "";
    }
}

namespace {

// A port argument: numeric and within [lngLow, 65535], else 40014; not numeric, 40018.
int32_t PortArgument(const NetValue& value, int32_t lngLow, const char* szSource) {
    const auto number = NumberOf(value);
    if (!number) {
        throw RaisedError(errUnsupportedVariant, szSource, kTextUnsupportedVariant);
    }
    const double dblPort = std::nearbyint(*number);
    if (dblPort < lngLow || dblPort > 65535) {
        throw RaisedError(errInvalidArgument, szSource, kTextArgumentRange);
    }
    return static_cast<int32_t>(dblPort);
}

void CheckPortRange(int32_t lngPort, const char* szSource) {
    if (lngPort < 0 || lngPort > 65535) {
        throw RaisedError(errInvalidArgument, szSource, kTextArgumentRange);
    }
}

std::string MachineHostName() {
    char szName[256] = {};
    if (::gethostname(szName, sizeof szName - 1) != 0) {
        const int32_t lngCode = MapErrno(errno);
        throw RaisedError(lngCode, "CNetSocket.GetLocalHostName", GetErrorDescription(lngCode));
    }
    return std::string(szName);
}

} // namespace

CNetSocket::CNetSocket() : m_life(std::make_shared<char>()) {
    modNetSocket::InitiateProcesses();
}

CNetSocket::~CNetSocket() {
    m_life.reset(); // handlers still running on the stack see the object as gone
    Events = CNetSocketEvents{};
    try {
        CancelPendingLookups();
        if (!m_blnAcceptHolder) {
            DestroySocket();
        }
    } catch (const RaisedError&) {
        // A destructor cannot report; the descriptor is released either way.
    }
    try {
        modNetSocket::FinalizeProcesses();
    } catch (const RaisedError&) {
    }
}

// ---- properties ----

void CNetSocket::RemotePort(int32_t lngPort) {
    if (m_lngProtocol != sckProtocolUDP && m_lngState != sckClosed) {
        throw RaisedError(errInvalidOperation, "CNetSocket.RemotePort", kTextInvalidOperation);
    }
    CheckPortRange(lngPort, "CNetSocket.RemotePort");
    m_lngRemotePort = lngPort;
}

void CNetSocket::RemoteHost(const std::string& strHost) {
    if (m_lngProtocol != sckProtocolUDP && m_lngState != sckClosed) {
        throw RaisedError(errInvalidOperation, "CNetSocket.RemoteHost", kTextInvalidOperation);
    }
    m_strRemoteHost = strHost;
}

int32_t CNetSocket::LocalPort() const noexcept {
    return m_lngAssignedLocalPort != 0 ? m_lngAssignedLocalPort : m_lngRequestedLocalPort;
}

void CNetSocket::LocalPort(int32_t lngPort) {
    if (m_lngState != sckClosed) {
        throw RaisedError(errInvalidOperation, "CNetSocket.LocalPort", kTextInvalidOperation);
    }
    CheckPortRange(lngPort, "CNetSocket.LocalPort");
    m_lngRequestedLocalPort = lngPort;
}

std::string CNetSocket::LocalHostName() const {
    return MachineHostName();
}

std::string CNetSocket::LocalIP() const {
    if (m_lngState == sckOpen || m_lngState == sckListening) {
        return m_strLocalIP;
    }
    const ResolvedHost host = ResolveHostNow(MachineHostName());
    if (host.lngError != 0) {
        throw RaisedError(host.lngError, "CNetSocket.GetLocalIP",
                          GetErrorDescription(host.lngError));
    }
    return host.strDotted;
}

void CNetSocket::Protocol(int32_t enmProtocol) {
    if (m_lngState != sckClosed) {
        throw RaisedError(errInvalidOperation, "CNetSocket.Protocol", kTextInvalidOperation);
    }
    m_lngProtocol = enmProtocol;
}

// ---- reporting ----

void CNetSocket::SetState(int32_t lngState) {
    m_lngState = lngState;
    Trace(std::string("STATE: ") + StateName(lngState));
}

void CNetSocket::Trace(const std::string& strLine) {
    RaiseEvent(Events.StatusUpdate, strLine);
}

void CNetSocket::Report(int32_t lngCode, const std::string& strSource) {
    SetState(sckError);
    RaiseErrorEvent(lngCode, strSource);
}

void CNetSocket::RaiseErrorEvent(int32_t lngCode, const std::string& strSource) {
    RaiseErrorEvent(lngCode, strSource, GetErrorDescription(lngCode));
}

void CNetSocket::RaiseErrorEvent(int32_t lngCode, const std::string& strSource,
                                 std::string strDescription) {
    const std::string strMessage = strDescription;
    bool blnCancelDisplay = true;
    RaiseEvent(Events.Error, lngCode, strDescription, 0, strSource, "", 0, blnCancelDisplay);
    if (!blnCancelDisplay) {
        modNetSocket::ShowMessageBox(strMessage, strSource);
    }
}

void CNetSocket::RaisePlatform(int32_t lngCode, const std::string& strSource) {
    throw RaisedError(lngCode, strSource, GetErrorDescription(lngCode));
}

// ---- platform socket ----

bool CNetSocket::SocketExists() {
    if (m_lngSocket != -1) {
        return true;
    }
    const bool blnUdp = m_lngProtocol == sckProtocolUDP;
    const int fd =
        ::socket(AF_INET, (blnUdp ? SOCK_DGRAM : SOCK_STREAM) | SOCK_NONBLOCK | SOCK_CLOEXEC,
                 blnUdp ? IPPROTO_UDP : IPPROTO_TCP);
    if (fd < 0) {
        const int32_t lngCode = MapErrno(errno);
        SetState(sckError);
        Trace("ERROR trying to create socket");
        RaiseErrorEvent(lngCode, "CNetSocket.SocketExists");
        return false;
    }
    Trace("OK Created socket: " + std::to_string(fd));
    m_lngSocket = fd;
    ProcessOptions();
    return modNetSocket::RegisterSocket(fd, this, true);
}

void CNetSocket::DestroySocket() {
    if (m_lngSocket == -1) {
        return;
    }
    const int32_t fd = m_lngSocket;
    // Notifications stop before the descriptor number can be handed out again.
    modNetSocket::UnregisterSocket(fd);
    m_fdReserve.Reset();
    // Linux releases the descriptor even when close reports an error, so the handle is
    // dropped in every case; keeping it would later close a descriptor someone else owns.
    m_lngSocket = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        const int32_t lngCode = MapErrno(errno);
        SetState(sckError);
        RaisePlatform(lngCode, "CNetSocket.DestroySocket");
    }
    Trace("OK Destroyed socket " + std::to_string(fd));
}

void CNetSocket::CloseSck() {
    if (m_lngSocket == -1) {
        // A failed socket creation leaves sckError without a socket; closing ends it too, so
        // that the object can be used again.
        if (m_lngState != sckClosed) {
            CancelPendingLookups();
            SetState(sckClosed);
        }
        return;
    }
    SetState(sckClosing);
    CancelPendingLookups();
    DestroySocket();
    m_lngAssignedLocalPort = 0;
    m_strRemoteHostIP.clear();
    m_recvBuffer.Clear();
    m_sendBuffer.Clear();
    m_lngSendChunk = 0;
    m_lngRecvChunk = 0;
    SetState(sckClosed);
}

void CNetSocket::CancelPendingLookups() {
    for (const auto& [lngHandle, lngDestination] : m_pendingLookups) {
        if (auto* pPlatform = modNetSocket::Platform()) {
            pPlatform->CancelLookup(lngHandle);
        }
        modNetSocket::UnregisterLookup(lngHandle);
    }
    m_pendingLookups.clear();
}

// ---- connecting ----

void CNetSocket::Connect(std::optional<std::string> RemoteHost,
                         std::optional<NetValue> RemotePort) {
    if (m_lngState != sckClosed) {
        throw RaisedError(errInvalidOperation, "CNetSocket.Connect", kTextInvalidOperation);
    }
    if (RemoteHost) {
        m_strRemoteHost = *RemoteHost;
    }
    if (RemotePort) {
        m_lngRemotePort = PortArgument(*RemotePort, 1, "CNetSocket.Connect");
    }
    if (!SocketExists()) {
        return;
    }
    if (m_lngProtocol != sckProtocolUDP) {
        bool blnPending = false;
        const uint32_t lngAddress = ResolveIfHostname(m_strRemoteHost, 0, blnPending);
        if (!blnPending) {
            ConnectToIP(lngAddress, 0);
        }
        return;
    }
    if (BindInternal(std::nullopt, std::nullopt)) {
        SetState(sckOpen);
    }
}

uint32_t CNetSocket::ResolveIfHostname(const std::string& strHost, int32_t lngDestination,
                                       bool& blnPending) {
    blnPending = false;
    if (auto address = ParseDotted(strHost)) {
        return *address;
    }
    blnPending = true;
    SetState(sckResolvingHost);
    int32_t lngError = 0;
    const int32_t lngHandle = modNetSocket::ResolveHostAsync(strHost, this, lngError);
    if (lngHandle != 0) {
        m_pendingLookups[lngHandle] = lngDestination;
        Trace("Resolving host " + strHost + " with handle " + std::to_string(lngHandle));
        return kNoAddress;
    }
    Report(lngError, "CNetSocket.ResolveIfHostname");
    return kNoAddress;
}

void CNetSocket::PostResolution(int32_t lngHandle, int32_t lngError, uint32_t lngAddress) {
    if (m_lngState != sckResolvingHost) {
        return;
    }
    const auto it = m_pendingLookups.find(lngHandle);
    if (it == m_pendingLookups.end()) {
        return; // a reply to a lookup this object no longer waits for
    }
    const int32_t lngDestination = it->second;
    m_pendingLookups.erase(it);
    modNetSocket::UnregisterLookup(lngHandle);
    if (lngError != 0) {
        if (lngDestination == 0) {
            ConnectToIP(INADDR_ANY, lngError);
        }
        return;
    }
    SetState(sckHostResolved);
    if (lngDestination == 0) {
        // Nobody waits for this call: its failure is the owner's Error event.
        const std::weak_ptr<char> life = m_life;
        try {
            ConnectToIP(lngAddress, 0);
        } catch (const RaisedError& error) {
            if (Alive(life)) {
                SetState(sckError);
                RaiseErrorEvent(error.Number(), error.Source(), error.Description());
            }
        }
    }
}

void CNetSocket::ConnectToIP(uint32_t lngAddress, int32_t lngError) {
    if (lngError != 0) {
        Report(lngError, "CNetSocket.ConnectToIP");
        return;
    }
    if (!BindInternal(std::nullopt, std::nullopt)) {
        return;
    }
    Trace("OK Connecting to: " + m_strRemoteHost + " " + m_strRemoteHostIP);
    SetState(sckConnecting);
    const sockaddr_in peer = MakeSocketAddress(lngAddress, m_lngRemotePort);
    int intRc = 0;
    do {
        intRc = ::connect(m_lngSocket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    } while (intRc != 0 && errno == EINTR);
    // Linux answers a non-blocking connect with EINPROGRESS: the attempt is under way, just
    // like the would-block code. Its outcome (SO_ERROR) arrives as FD_CONNECT.
    if (intRc == 0 || errno == EINPROGRESS) {
        modNetSocket::Reenable(m_lngSocket, FD_CONNECT);
        return;
    }
    // EAGAIN from a TCP connect means that no local port is free: the attempt failed, as a
    // bind without a free port does.
    const int32_t lngCode = errno == EAGAIN ? MapErrno(EADDRINUSE) : MapErrno(errno);
    if (lngCode == wsaEADDRNOTAVAIL) {
        RaisePlatform(lngCode, "CNetSocket.ConnectToIP");
    }
    Report(lngCode, "CNetSocket.ConnectToIP");
}

bool CNetSocket::BindInternal(const std::optional<NetValue>& port,
                              const std::optional<std::string>& ip) {
    if (m_lngState == sckOpen) {
        return true;
    }
    int32_t lngPort = m_lngRequestedLocalPort;
    if (port) {
        lngPort = PortArgument(*port, 0, "CNetSocket.BindInternal");
    }
    // Without a given address the socket binds to the wildcard address: the machine's own
    // name may resolve to a loopback alias or to the wrong adapter, and looking it up would
    // block the event loop at every connect.
    const std::string strAddress = ip && !ip->empty() ? *ip : std::string("0.0.0.0");
    const ResolvedHost host = ResolveHostNow(strAddress);
    if (host.lngError != 0) {
        throw RaisedError(errInvalidArgument, "CNetSocket.BindInternal", kTextInvalidArgument);
    }
    if (!SocketExists()) {
        return false;
    }
    if (lngPort != 0 && m_lngProtocol != sckProtocolUDP) {
        // A fixed port can be bound again while an old connection lingers in TIME_WAIT;
        // a port that another socket listens on is still refused.
        const int intOn = 1;
        ::setsockopt(m_lngSocket, SOL_SOCKET, SO_REUSEADDR, &intOn, sizeof intOn);
    }
    const sockaddr_in local = MakeSocketAddress(host.lngAddress, lngPort);
    if (::bind(m_lngSocket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        RaisePlatform(MapErrno(errno), "CNetSocket.BindInternal");
    }
    m_strLocalIP = host.strDotted;
    if (lngPort != 0) {
        Trace("OK Bind HOST: " + strAddress + " PORT: " + std::to_string(lngPort));
        m_lngRequestedLocalPort = lngPort;
        return true;
    }
    sockaddr_in bound{};
    socklen_t lngLen = sizeof bound;
    if (::getsockname(m_lngSocket, reinterpret_cast<sockaddr*>(&bound), &lngLen) != 0) {
        RaisePlatform(MapErrno(errno), "CNetSocket.BindInternal");
    }
    const int32_t lngChosen = ntohs(bound.sin_port);
    Trace("OK Bind HOST: " + strAddress + " PORT: " + std::to_string(lngChosen));
    m_lngAssignedLocalPort = lngChosen;
    return true;
}

void CNetSocket::Bind(std::optional<NetValue> LocalPort, std::optional<std::string> LocalIP) {
    if (m_lngState != sckClosed) {
        throw RaisedError(errInvalidOperation, "CNetSocket.Bind", kTextInvalidOperation);
    }
    if (BindInternal(LocalPort, LocalIP)) {
        SetState(sckOpen);
    }
}

void CNetSocket::GetRemoteInfoFromAddress(uint32_t lngAddress, uint16_t intPort) {
    m_lngRemotePort = intPort;
    m_strRemoteHostIP = DottedText(lngAddress);
    m_strRemoteHost.clear();
}

// ---- notifications ----

int32_t CNetSocket::WndProc(const NetMessage& message) {
    const std::weak_ptr<char> life = m_life;
    try {
        if (message.uMsg == WM_LOOKUP_REPLY) {
            PostResolution(message.wParam, SelectError(message.lParam), message.lngAddress);
        } else if (message.uMsg == WM_SOCKET_NOTIFY) {
            PostSocket(SelectEvent(message.lParam), SelectError(message.lParam));
        }
    } catch (const RaisedError& error) {
        // Nobody above the dispatcher can take a failure raised while a notification is
        // handled (a handler's own, after the layer has put itself right): it reaches the
        // owner as the Error event. A failure of the Error handler itself ends there.
        if (Alive(life)) {
            try {
                RaiseErrorEvent(error.Number(), error.Source(), error.Description());
            } catch (const RaisedError& again) {
                if (Alive(life)) {
                    Trace("ERROR " + again.Source() + " " + std::to_string(again.Number()) + ": " +
                          again.Description());
                }
            }
        }
    }
    return 0;
}

void CNetSocket::PostSocket(int32_t lngEvent, int32_t lngError) {
    if (lngError != 0) {
        Report(lngError, "CNetSocket.PostSocket");
        return;
    }
    const std::string strHandle = std::to_string(m_lngSocket);
    switch (lngEvent) {
    case FD_READ:
        Trace("FD_READ " + strHandle);
        if (m_lngProtocol != sckProtocolUDP && m_lngState == sckConnected) {
            RecvDataToBuffer();
        } else if (m_lngProtocol == sckProtocolUDP && m_lngState == sckOpen) {
            ReceiveDatagram();
        } else {
            Trace("Buffer Status: Omitting FD_READ");
        }
        break;
    case FD_WRITE:
        Trace("FD_WRITE " + strHandle);
        if (m_lngState == sckConnected) {
            if (!m_sendBuffer.Empty()) {
                SendBufferedData();
            }
        } else {
            Trace("Buffer Status: Omitting FD_WRITE");
        }
        break;
    case FD_ACCEPT:
        Trace("FD_ACCEPT " + strHandle);
        OnAccept();
        break;
    case FD_CONNECT:
        Trace("FD_CONNECT " + strHandle);
        if (m_lngState == sckConnecting) {
            sockaddr_in peer{};
            socklen_t lngLen = sizeof peer;
            if (::getpeername(m_lngSocket, reinterpret_cast<sockaddr*>(&peer), &lngLen) == 0) {
                m_lngRemotePort = ntohs(peer.sin_port);
                m_strRemoteHostIP = DottedText(peer.sin_addr.s_addr);
            }
            // The wildcard bind gets its concrete address with the connection.
            sockaddr_in local{};
            lngLen = sizeof local;
            if (::getsockname(m_lngSocket, reinterpret_cast<sockaddr*>(&local), &lngLen) == 0) {
                m_strLocalIP = DottedText(local.sin_addr.s_addr);
                m_lngAssignedLocalPort = ntohs(local.sin_port);
            }
            SetState(sckConnected);
            RaiseEvent(Events.Connect);
        } else {
            Trace("Buffer Status: Omitting FD_CONNECT");
        }
        break;
    case FD_CLOSE:
        Trace("FD_CLOSE " + strHandle);
        if (m_lngState == sckConnected) {
            SetState(sckClosing);
            RaiseEvent(Events.CloseSck);
        } else {
            Trace("Buffer Status: Omitting FD_CLOSE");
        }
        break;
    default:
        break;
    }
}

} // namespace ata
