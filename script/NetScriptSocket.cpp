#include "script/NetScriptSocket.h"

#include "script/ZelTelnet.h"

namespace ata::script {

NetScriptSocket::NetScriptSocket() = default;

NetScriptSocket::~NetScriptSocket() {
    m_socket.Events = CNetSocketEvents{};
}

void NetScriptSocket::SetEvents(IScriptSocketEvents* pEvents) {
    m_pEvents = pEvents;
    if (!pEvents) {
        m_socket.Events = CNetSocketEvents{};
        return;
    }
    m_socket.Events.CloseSck = [this] {
        if (m_pEvents)
            m_pEvents->OnClose();
    };
    m_socket.Events.Connect = [this] {
        if (m_pEvents)
            m_pEvents->OnConnect();
    };
    m_socket.Events.DataArrival = [this](int32_t lngBytes) {
        if (m_pEvents)
            m_pEvents->OnDataArrival(lngBytes);
    };
    m_socket.Events.SendComplete = [this] {
        if (m_pEvents)
            m_pEvents->OnSendComplete();
    };
    m_socket.Events.Error = [this](int32_t lngNumber, std::string& strDescription, int32_t,
                                   const std::string&, const std::string&, int32_t, bool&) {
        if (m_pEvents)
            m_pEvents->OnError(lngNumber, strDescription);
    };
}

void NetScriptSocket::Connect(const std::string& strHost, int32_t lngPort) {
    m_socket.Connect(strHost, NetValue{lngPort});
}

void NetScriptSocket::SendData(std::string strData) {
    m_socket.SendData(NetValue{std::move(strData)});
}

std::string NetScriptSocket::GetData() {
    // The socket refuses reads once the peer has closed. Nothing can be left then: every
    // DataArrival is read in full, and the close is announced only after the last byte.
    if (m_socket.State() == sckClosing && m_socket.BytesReceived() == 0)
        return {};
    std::string strData;
    m_socket.GetData(strData);
    return strData;
}

std::unique_ptr<ZelTelnet> MakeNetZelTelnet(ScriptHost host) {
    return std::make_unique<ZelTelnet>(std::make_unique<NetScriptSocket>(),
                                       std::make_unique<NetScriptSocket>(), std::move(host));
}

} // namespace ata::script
