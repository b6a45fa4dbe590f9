#include "testing/SocketTestSupport.h"

namespace ata::test {
namespace {

// A listening object on the wildcard address; each request is adopted by a new object.
struct Server {
    CNetSocket listener;
    std::vector<std::unique_ptr<CNetSocket>> accepted;
    std::vector<std::unique_ptr<SocketLog>> logs;

    Server() {
        listener.Events.ConnectionRequest = [this](int32_t id) {
            auto ws = std::make_unique<CNetSocket>();
            auto log = std::make_unique<SocketLog>();
            log->Attach(*ws);
            ws->Accept(id);
            accepted.push_back(std::move(ws));
            logs.push_back(std::move(log));
        };
        listener.Listen();
    }
    int Port() const { return listener.LocalPort(); }
};

class CNetSocketConnect : public SocketTest {
protected:
    // Connects a client to the server and waits until both ends are connected.
    bool ConnectTo(Server& server, CNetSocket& client, SocketLog& log) {
        log.Attach(client);
        client.Connect("127.0.0.1", NetValue{server.Port()});
        return PumpUntil([&] { return log.Count("Connect") == 1 && !server.accepted.empty(); });
    }
};

TEST_F(CNetSocketConnect, ConnectsExchangesDataBothWaysAndReportsThePeerCloseOnce) {
    Server server;
    ASSERT_GT(server.Port(), 0);
    CNetSocket client;
    SocketLog log;
    log.Attach(client);
    client.Connect("127.0.0.1", NetValue{server.Port()});
    EXPECT_EQ(client.State(), sckConnecting);
    EXPECT_TRUE(client.RemoteHostIP().empty());
    ASSERT_TRUE(PumpUntil([&] { return log.Count("Connect") == 1 && !server.accepted.empty(); }));
    EXPECT_EQ(client.State(), sckConnected);
    EXPECT_EQ(client.RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(client.RemotePort(), server.Port());
    CNetSocket& peer = *server.accepted[0];
    EXPECT_EQ(peer.State(), sckConnected);
    EXPECT_EQ(peer.RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(peer.RemotePort(), client.LocalPort());
    EXPECT_EQ(peer.LocalPort(), server.Port());

    client.SendData(NetValue{std::string("hello server")});
    peer.SendData(NetValue{std::string("hello client")});
    ASSERT_TRUE(PumpUntil([&] {
        return server.logs[0]->strReceived == "hello server" && log.strReceived == "hello client";
    }));
    EXPECT_EQ(log.Count("SendComplete"), 1);

    client.CloseSck();
    EXPECT_EQ(client.State(), sckClosed);
    ASSERT_TRUE(PumpUntil([&] { return server.logs[0]->Count("Close") == 1; }));
    EXPECT_EQ(peer.State(), sckClosing);
    reactor.RunUntilIdle();
    EXPECT_EQ(server.logs[0]->Count("Close"), 1);
    EXPECT_EQ(log.Count("Close"), 0);
}

TEST_F(CNetSocketConnect, RefusedConnectionIsReportedAndNeedsACloseBeforeTheNextConnect) {
    CNetSocket client;
    SocketLog log;
    log.Attach(client);
    const RefusingPort refusing;
    client.Connect("127.0.0.1", NetValue{refusing.lngPort});
    ASSERT_TRUE(PumpUntil([&] { return !log.vecEvents.empty(); }));
    EXPECT_EQ(log.vecEvents[0], "Error 10061 Connection refused. CNetSocket.PostSocket");
    EXPECT_EQ(client.State(), sckError);
    EXPECT_EQ(log.Count("Connect"), 0);
    EXPECT_EQ(Raised([&] { client.Connect(); }), "40020 CNetSocket.Connect");
    client.CloseSck();
    EXPECT_EQ(client.State(), sckClosed);
    Server server;
    client.Connect("127.0.0.1", NetValue{server.Port()});
    ASSERT_TRUE(PumpUntil([&] { return log.Count("Connect") == 1; }));
}

TEST_F(CNetSocketConnect, HostNameIsResolvedThroughTheIntermediateStates) {
    Server server;
    CNetSocket client;
    SocketLog log;
    log.Attach(client);
    client.Connect("localhost", NetValue{server.Port()});
    EXPECT_EQ(client.State(), sckResolvingHost);
    ASSERT_TRUE(PumpUntil([&] { return log.Count("Connect") == 1; }));
    const auto at = [&](const std::string& s) {
        return std::find(log.vecTrace.begin(), log.vecTrace.end(), s) - log.vecTrace.begin();
    };
    EXPECT_LT(at("STATE: sckResolvingHost"), at("STATE: sckHostResolved"));
    EXPECT_LT(at("STATE: sckHostResolved"), at("STATE: sckConnecting"));
    EXPECT_LT(at("STATE: sckConnecting"), at("STATE: sckConnected"));
    EXPECT_EQ(client.RemoteHostIP(), "127.0.0.1");
}

TEST_F(CNetSocketConnect, ArgumentAndStateRules) {
    CNetSocket ws;
    SocketLog log;
    log.Attach(ws);
    EXPECT_EQ(Raised([&] { ws.Connect("127.0.0.1", NetValue{0}); }), "40014 CNetSocket.Connect");
    EXPECT_EQ(Raised([&] { ws.Connect("127.0.0.1", NetValue{NetBytes{}}); }),
              "40018 CNetSocket.Connect");
    EXPECT_EQ(Raised([&] { ws.RemotePort(70000); }), "40014 CNetSocket.RemotePort");
    EXPECT_EQ(Raised([&] { ws.LocalPort(-1); }), "40014 CNetSocket.LocalPort");
    ws.RemotePort(0); // the property accepts 0, Connect does not
    ws.CloseSck();    // never had a socket: nothing happens
    EXPECT_TRUE(log.vecTrace.empty());
    EXPECT_EQ(ws.State(), sckClosed);

    EXPECT_EQ(Raised([&] { ws.SendData(NetValue{std::string("x")}); }),
              "40006 CNetSocket.SendData");
    ws.Bind(NetValue{0}, std::string("127.0.0.1"));
    EXPECT_EQ(ws.State(), sckOpen);
    EXPECT_EQ(ws.LocalIP(), "127.0.0.1");
    EXPECT_GT(ws.LocalPort(), 0);
    EXPECT_EQ(Raised([&] { ws.RemoteHost("x"); }), "40020 CNetSocket.RemoteHost");
    EXPECT_EQ(Raised([&] { ws.Protocol(sckProtocolUDP); }), "40020 CNetSocket.Protocol");
    ws.CloseSck();
    EXPECT_EQ(ws.LocalPort(), 0); // back to the requested port

    Server server;
    std::string strDescription;
    EXPECT_EQ(Raised([&] { ws.Bind(NetValue{server.Port()}); }, &strDescription),
              "10048 CNetSocket.BindInternal");
    EXPECT_EQ(strDescription, "Address already in use.");
}

TEST_F(CNetSocketConnect, LargeTransferArrivesWholeAndInOrder) {
    Server server;
    CNetSocket client;
    SocketLog log;
    ASSERT_TRUE(ConnectTo(server, client, log));
    std::string strPayload(8 << 20, '\0');
    for (size_t i = 0; i < strPayload.size(); ++i)
        strPayload[i] = static_cast<char>((i * 7919) >> 3);
    client.SendData(NetValue{strPayload.substr(0, 3 << 20)});
    client.SendData(NetValue{strPayload.substr(3 << 20)}); // appended while the first waits
    ASSERT_TRUE(
        PumpUntil([&] { return server.logs[0]->strReceived.size() >= strPayload.size(); }, 20000));
    EXPECT_TRUE(server.logs[0]->strReceived == strPayload);
    EXPECT_TRUE(PumpUntil([&] { return log.Count("SendComplete") >= 1; }));
    EXPECT_TRUE(log.Traced("Buffer Status: Send buffer full, waiting..."));
}

TEST_F(CNetSocketConnect, GetDataKindsAndLimits) {
    Server server;
    CNetSocket client;
    SocketLog log;
    ASSERT_TRUE(ConnectTo(server, client, log));
    CNetSocket& peer = *server.accepted[0];
    server.logs[0]->blnReadAll = false;
    client.SendData(NetValue{std::string("\x04\x03\x02", 3)});
    ASSERT_TRUE(PumpUntil([&] { return peer.BytesReceived() == 3; }));
    NetValue value;
    int32_t lngKind = vbLong;
    peer.GetData(value, &lngKind);
    EXPECT_EQ(KindOf(value), vbEmpty); // too few bytes: nothing taken
    EXPECT_EQ(peer.BytesReceived(), 3);
    client.SendData(NetValue{std::string("\1abcdefghijkl")});
    ASSERT_TRUE(PumpUntil([&] { return peer.BytesReceived() == 16; }));
    EXPECT_EQ(server.logs[0]->vecEvents.back(), "Data 16"); // the total, unread bytes included
    peer.GetData(value, &lngKind);
    EXPECT_EQ(std::get<int32_t>(value), 0x01020304);
    std::string strPeek;
    peer.PeekData(strPeek);
    EXPECT_EQ(strPeek, "abcdefghijkl");
    NetValue text = std::string();
    NetValue limit = int32_t{5};
    peer.GetData(text, nullptr, &limit);
    EXPECT_EQ(std::get<std::string>(text), "abcde");
    EXPECT_EQ(peer.BytesReceived(), 7);
    NetValue negative = int32_t{-1};
    EXPECT_THROW(peer.GetData(text, nullptr, &negative), RaisedError);
}

TEST_F(CNetSocketConnect, DatagramsAreAnnouncedAndEachReadOnce) {
    CNetSocket receiver;
    receiver.Protocol(sckProtocolUDP);
    receiver.Bind(NetValue{0}, std::string("127.0.0.1"));
    std::vector<std::string> vecGot;
    receiver.Events.DataArrival = [&](int32_t n) {
        std::string s;
        receiver.GetData(s);
        EXPECT_EQ(static_cast<int32_t>(s.size()), n);
        vecGot.push_back(s);
    };
    CNetSocket sender;
    sender.Protocol(sckProtocolUDP);
    sender.RemoteHost("127.0.0.1");
    sender.RemotePort(receiver.LocalPort());
    for (const char* sz : {"first", "second", "third"})
        sender.SendData(NetValue{std::string(sz)});
    ASSERT_TRUE(PumpUntil([&] { return vecGot.size() == 3; }));
    EXPECT_EQ(vecGot, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(receiver.RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(receiver.RemotePort(), sender.LocalPort());
}

} // namespace
} // namespace ata::test
