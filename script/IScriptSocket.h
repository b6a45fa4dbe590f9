#pragma once

#include <cstdint>
#include <string>

#include "net/SocketState.h"

namespace ata::script {

// Events of one connection, delivered on the UI thread.
class IScriptSocketEvents {
public:
    virtual ~IScriptSocketEvents() = default;
    virtual void OnConnect() = 0;
    // The peer closed the connection; every byte before the close has been raised.
    virtual void OnClose() = 0;
    virtual void OnDataArrival(int32_t lngBytesTotal) = 0;
    virtual void OnSendComplete() = 0;
    virtual void OnError(int32_t lngNumber, const std::string& strDescription) = 0;
};

// What the engine needs of an asynchronous TCP socket. Failures of the calls are raised as
// RaisedError; later trouble arrives as OnError.
class IScriptSocket {
public:
    virtual ~IScriptSocket() = default;
    virtual void SetEvents(IScriptSocketEvents* pEvents) = 0;

    virtual void CloseSck() = 0;
    virtual void Connect(const std::string& strHost, int32_t lngPort) = 0;
    virtual void Connect() = 0; // to RemoteHost:RemotePort
    // Takes the bytes over: a file moved in is queued without a further copy.
    virtual void SendData(std::string strData) = 0;
    virtual std::string GetData() = 0; // everything pending
    virtual int32_t State() = 0;
    virtual bool HasPlatformSocket() = 0;

    virtual void SetRemoteHost(const std::string& strHost) = 0;
    virtual std::string RemoteHost() = 0;
    virtual void SetRemotePort(int32_t lngPort) = 0;
    virtual int32_t RemotePort() = 0;
    // Dotted address of the connected peer (empty before a connection completes).
    virtual std::string RemoteHostIP() = 0;
};

} // namespace ata::script
