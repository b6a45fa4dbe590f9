#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "base/UniqueFd.h"
#include "net/ByteQueue.h"
#include "net/ISocketPlatform.h"
#include "net/NetValue.h"
#include "net/SocketState.h"

namespace ata {

enum SocketProtocol : int32_t {
    sckProtocolTCP = 0,
    sckProtocolUDP = 1,
};

// Name of a state as written in the "STATE: " trace line ("sckConnected"); "" for 3 and others.
const char* StateName(int32_t lngState);

// Events of a socket object, in declaration order. They are plain callbacks: assign the ones
// you handle, leave the others empty. They are raised synchronously on the UI thread, also
// from inside a method (SendData may raise SendProgress/SendComplete before it returns), and a
// handler may call back into the object, close it or destroy it.
struct CNetSocketEvents {
    std::function<void()> CloseSck;
    std::function<void()> Connect;
    std::function<void(int32_t requestID)> ConnectionRequest;
    std::function<void(int32_t bytesTotal)> DataArrival;
    // CancelDisplay starts True; a handler that sets it False asks for a message box.
    std::function<void(int32_t Number, std::string& Description, int32_t sCode,
                       const std::string& Source, const std::string& HelpFile, int32_t HelpContext,
                       bool& CancelDisplay)>
        Error;
    std::function<void()> SendComplete;
    std::function<void(int32_t bytesSent, int32_t bytesRemaining)> SendProgress;
    std::function<void(const std::string& strLine)> StatusUpdate;
};

// An asynchronous IPv4 TCP or UDP socket with a state machine. Methods return at once;
// outcomes arrive as Events while the event loop runs. Synchronous failures are thrown as
// ata::RaisedError (number, "CNetSocket.Procedure", description).
class CNetSocket {
public:
    CNetSocket(); // raises the service's usage count; throws RaisedError if the start fails
    ~CNetSocket();
    CNetSocket(const CNetSocket&) = delete;
    CNetSocket& operator=(const CNetSocket&) = delete;

    CNetSocketEvents Events;

    // Properties.
    int32_t RemotePort() const noexcept { return m_lngRemotePort; }
    void RemotePort(int32_t lngPort);
    const std::string& RemoteHost() const noexcept { return m_strRemoteHost; }
    void RemoteHost(const std::string& strHost);
    const std::string& RemoteHostIP() const noexcept { return m_strRemoteHostIP; }
    int32_t LocalPort() const noexcept;
    void LocalPort(int32_t lngPort);
    int32_t State() const noexcept { return m_lngState; }
    std::string LocalHostName() const;
    std::string LocalIP() const;
    int32_t BytesReceived() const;
    int32_t SocketHandle() const noexcept { return m_lngSocket; }
    const std::string& Tag() const noexcept { return m_strTag; }
    void Tag(const std::string& strTag) { m_strTag = strTag; }
    int32_t Protocol() const noexcept { return m_lngProtocol; }
    void Protocol(int32_t enmProtocol);

    // Methods.
    void CloseSck();
    // RemoteHost: any text; RemotePort: a numeric value 1..65535 (else 40014 / 40018).
    void Connect(std::optional<std::string> RemoteHost = std::nullopt,
                 std::optional<NetValue> RemotePort = std::nullopt);
    void Bind(std::optional<NetValue> LocalPort = std::nullopt,
              std::optional<std::string> LocalIP = std::nullopt);
    void Listen();
    void Accept(int32_t requestID);

    // Takes the value by value: a text moved in becomes the send queue without a copy.
    void SendData(NetValue data);
    // data: receives the value; its current kind, else *varType, else array of bytes, decides
    // the conversion. varType (optional, written back). maxLen (optional): a numeric limit; a
    // non-numeric value is replaced by the count available.
    void GetData(NetValue& data, int32_t* varType = nullptr, NetValue* maxLen = nullptr);
    void PeekData(NetValue& data, int32_t* varType = nullptr, NetValue* maxLen = nullptr);
    // Convenience forms: all available bytes as text.
    void GetData(std::string& strData);
    void PeekData(std::string& strData);

    // Called only by the service's dispatcher.
    int32_t WndProc(const NetMessage& message);

    // True while this object is a temporary holder of an accepted connection.
    bool IsAcceptHolder() const noexcept { return m_blnAcceptHolder; }

private:
    void SetState(int32_t lngState);
    void Trace(const std::string& strLine);
    void Report(int32_t lngCode, const std::string& strSource);
    void RaiseErrorEvent(int32_t lngCode, const std::string& strSource);
    void RaiseErrorEvent(int32_t lngCode, const std::string& strSource, std::string strDescription);
    [[noreturn]] void RaisePlatform(int32_t lngCode, const std::string& strSource);
    bool Alive(const std::weak_ptr<char>& life) const { return !life.expired(); }
    // Raises an event through a copy of its handler, so that a handler that reassigns Events
    // or destroys this object does not destroy the function while it runs. False when the
    // object is gone afterwards.
    template <typename Slot, typename... Args> bool RaiseEvent(const Slot& slot, Args&&... args) {
        const std::weak_ptr<char> life = m_life;
        if (const Slot handler = slot) {
            handler(std::forward<Args>(args)...);
        }
        return Alive(life);
    }

    bool SocketExists();
    void DestroySocket();
    uint32_t ResolveIfHostname(const std::string& strHost, int32_t lngDestination,
                               bool& blnPending);
    void PostResolution(int32_t lngHandle, int32_t lngError, uint32_t lngAddress);
    void ConnectToIP(uint32_t lngAddress, int32_t lngError);
    bool BindInternal(const std::optional<NetValue>& port, const std::optional<std::string>& ip);
    void CancelPendingLookups();
    void PostSocket(int32_t lngEvent, int32_t lngError);
    void ProcessOptions();
    void OnAccept();
    void DropPendingConnections();
    bool GetRemoteInfo(int32_t lngSocket);
    void GetRemoteInfoFromAddress(uint32_t lngAddress, uint16_t intPort);

    void SendBufferedData();
    void SendBufferedDataTCP();
    void SendBufferedDataUDP();
    void RecvDataToBuffer();
    void ReceiveDatagram();
    int32_t RecvData(NetValue& data, bool blnPeek, int32_t* varType, NetValue* maxLen);
    std::string TakeFromBuffer(int32_t lngCount, bool blnPeek, int32_t& lngError);
    int32_t GetPendingDatagramSize() const;
    void DiscardDatagram();
    void ReadOrPeek(NetValue& data, int32_t* varType, NetValue* maxLen, bool blnPeek);

    int32_t m_lngSocket = -1;
    int32_t m_lngState = sckClosed;
    std::string m_strTag;
    std::string m_strRemoteHost;
    int32_t m_lngRemotePort = 0;
    std::string m_strRemoteHostIP;
    int32_t m_lngRequestedLocalPort = 0;
    int32_t m_lngAssignedLocalPort = 0;
    std::string m_strLocalIP;
    int32_t m_lngProtocol = sckProtocolTCP;
    int32_t m_lngSendChunk = 0;
    int32_t m_lngRecvChunk = 0;
    ByteQueue m_sendBuffer;
    ByteQueue m_recvBuffer;
    bool m_blnAcceptHolder = false;
    bool m_blnDatagramTaken = false; // the pending datagram was read inside DataArrival
    std::map<int32_t, int32_t> m_pendingLookups;
    // While listening: one spare descriptor, given up to take waiting connections off the
    // queue when the process has no descriptor left for them.
    UniqueFd m_fdReserve;
    std::shared_ptr<char> m_life;
};

} // namespace ata
