#pragma once

#include "net/CNetSocket.h"
#include "script/IScriptSocket.h"
#include "script/ZelTelnet.h"

#include <memory>

namespace ata::script {

// The engine's connection on a real socket object of the socket layer.
class NetScriptSocket final : public IScriptSocket {
public:
    NetScriptSocket();
    ~NetScriptSocket() override;

    void SetEvents(IScriptSocketEvents* pEvents) override;
    void CloseSck() override { m_socket.CloseSck(); }
    void Connect(const std::string& strHost, int32_t lngPort) override;
    void Connect() override { m_socket.Connect(); }
    void SendData(std::string strData) override;
    std::string GetData() override;
    int32_t State() override { return m_socket.State(); }
    bool HasPlatformSocket() override { return m_socket.SocketHandle() != -1; }
    void SetRemoteHost(const std::string& strHost) override { m_socket.RemoteHost(strHost); }
    std::string RemoteHost() override { return m_socket.RemoteHost(); }
    void SetRemotePort(int32_t lngPort) override { m_socket.RemotePort(lngPort); }
    int32_t RemotePort() override { return m_socket.RemotePort(); }
    std::string RemoteHostIP() override { return m_socket.RemoteHostIP(); }

    CNetSocket& Socket() { return m_socket; }

private:
    CNetSocket m_socket;
    IScriptSocketEvents* m_pEvents = nullptr;
};

// A ready engine with its two connections on the socket layer.
std::unique_ptr<ZelTelnet> MakeNetZelTelnet(ScriptHost host);

} // namespace ata::script
