#pragma once

#include "script/IScriptSocket.h"

#include <string>
#include <utility>
#include <vector>

namespace ata::script::test {

// A connection double: records what the engine does and lets a test raise the events.
class FakeScriptSocket : public IScriptSocket {
public:
    IScriptSocketEvents* pEvents = nullptr;
    int32_t lngState = sckClosed, lngPort = 0;
    bool blnHasSocket = false;
    std::string strHost, strPeerIP, strPending;
    std::vector<std::string> vecSent, vecCalls;

    void SetEvents(IScriptSocketEvents* p) override { pEvents = p; }
    void CloseSck() override {
        vecCalls.push_back("CloseSck");
        lngState = sckClosed;
        blnHasSocket = false;
        strPending.clear();
    }
    void Connect(const std::string& h, int32_t p) override {
        strHost = h;
        lngPort = p;
        Connect();
    }
    void Connect() override {
        vecCalls.push_back("Connect " + strHost + ":" + std::to_string(lngPort));
        lngState = sckConnecting;
        blnHasSocket = true;
    }
    void SendData(std::string s) override { vecSent.push_back(std::move(s)); }
    std::string GetData() override { return std::exchange(strPending, {}); }
    int32_t State() override { return lngState; }
    bool HasPlatformSocket() override { return blnHasSocket; }
    void SetRemoteHost(const std::string& h) override { strHost = h; }
    std::string RemoteHost() override { return strHost; }
    void SetRemotePort(int32_t p) override { lngPort = p; }
    int32_t RemotePort() override { return lngPort; }
    std::string RemoteHostIP() override { return strPeerIP; }

    // Test side.
    void Connected(const std::string& strPeer = "127.0.0.1") {
        lngState = sckConnected;
        strPeerIP = strPeer;
        if (pEvents)
            pEvents->OnConnect();
    }
    void Receive(const std::string& s) {
        strPending += s;
        if (pEvents)
            pEvents->OnDataArrival(static_cast<int32_t>(strPending.size()));
    }
    void PeerClose() {
        lngState = sckClosing;
        if (pEvents)
            pEvents->OnClose();
    }
    void SendDone() {
        if (pEvents)
            pEvents->OnSendComplete();
    }
    void Fail(int32_t n, const std::string& d) {
        lngState = sckError;
        if (pEvents)
            pEvents->OnError(n, d);
    }
};

} // namespace ata::script::test
