#include "SocketTestSupport.h"

#include "net/RaisedError.h"

namespace ata::test {
namespace {

using CNetSocketListen = SocketTest;

TEST_F(CNetSocketListen, TenConnectionsInARowAreEachAcceptedOnce) {
    CNetSocket listener;
    SocketLog listenLog;
    listenLog.Attach(listener);
    std::vector<std::unique_ptr<CNetSocket>> vecAccepted;
    std::vector<std::unique_ptr<SocketLog>> vecLogs;
    listener.Events.ConnectionRequest = [&](int32_t id) {
        vecAccepted.push_back(std::make_unique<CNetSocket>());
        vecLogs.push_back(std::make_unique<SocketLog>());
        vecLogs.back()->Attach(*vecAccepted.back());
        vecAccepted.back()->Accept(id);
    };
    listener.Listen();
    for (int i = 0; i < 10; ++i) {
        const int fd = PlainConnect(listener.LocalPort());
        ASSERT_GE(fd, 0);
        const std::string strLine = "client " + std::to_string(i);
        ASSERT_EQ(::send(fd, strLine.data(), strLine.size(), 0),
                  static_cast<ssize_t>(strLine.size()));
        ASSERT_TRUE(PumpUntil([&] {
            return vecLogs.size() == static_cast<size_t>(i + 1) &&
                   vecLogs[i]->strReceived == strLine;
        }));
        vecAccepted[i]->SendData(NetValue{std::string("reply")});
        char buf[16] = {};
        EXPECT_EQ(::recv(fd, buf, sizeof buf, 0), 5);
        ::close(fd);
        ASSERT_TRUE(PumpUntil([&] { return vecLogs[i]->Count("Close") == 1; }));
    }
    EXPECT_EQ(vecAccepted.size(), 10u);
    EXPECT_EQ(listener.State(), sckListening);
    EXPECT_TRUE(listener.RemoteHostIP().empty()); // its own remote fields are put back
}

TEST_F(CNetSocketListen, ARequestNobodyAdoptsIsClosedRightAfterTheEvent) {
    CNetSocket listener;
    SocketLog log;
    log.Attach(listener);
    int32_t lngRequest = -1;
    listener.Events.ConnectionRequest = [&](int32_t id) { lngRequest = id; };
    listener.Listen();
    const int fd = PlainConnect(listener.LocalPort());
    ASSERT_TRUE(PumpUntil([&] { return lngRequest != -1; }));
    EXPECT_TRUE(log.Traced("OK Closed accepted socket: " + std::to_string(lngRequest)));
    char ch = 0;
    EXPECT_EQ(::recv(fd, &ch, 1, 0), 0); // the server side is gone
    ::close(fd);
}

TEST_F(CNetSocketListen, DataAndCloseThatArriveWhileParkedReachTheAdopter) {
    CNetSocket listener;
    CNetSocket adopter;
    SocketLog log;
    log.Attach(adopter);
    listener.Events.ConnectionRequest = [&](int32_t id) {
        // The holder buffers what arrives while the request waits for its adopter.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < until)
            reactor.RunOnce(10);
        adopter.Accept(id);
    };
    listener.Listen();
    const int fd = PlainConnect(listener.LocalPort());
    ::send(fd, "parked bytes", 12, 0);
    ::close(fd);
    ASSERT_TRUE(PumpUntil([&] { return log.Count("Close") == 1; }));
    EXPECT_EQ(log.strReceived, "parked bytes");
    EXPECT_EQ(log.vecEvents.front(), "Data 12");
    EXPECT_EQ(adopter.State(), sckClosing);
}

TEST_F(CNetSocketListen, AcceptRulesAndAConnectingClientObject) {
    CNetSocket listener;
    std::unique_ptr<CNetSocket> server;
    listener.Events.ConnectionRequest = [&](int32_t id) {
        server = std::make_unique<CNetSocket>();
        server->Accept(id);
    };
    listener.Bind(NetValue{0});
    listener.Listen(); // on a bound object: no second bind
    EXPECT_EQ(listener.State(), sckListening);
    EXPECT_THROW(listener.Listen(), RaisedError);
    CNetSocket client;
    bool blnConnected = false;
    client.Events.Connect = [&] { blnConnected = true; };
    client.Connect("127.0.0.1", NetValue{listener.LocalPort()});
    ASSERT_TRUE(PumpUntil([&] { return blnConnected && server; }));
    // A handle that another object owns cannot be adopted, and the failed call keeps none.
    CNetSocket thief;
    try {
        thief.Accept(client.SocketHandle());
        ADD_FAILURE() << "Accept of an owned handle must fail";
    } catch (const RaisedError& e) {
        EXPECT_EQ(e.Number(), 40006);
    }
    EXPECT_EQ(thief.SocketHandle(), -1);
    EXPECT_THROW(server->Accept(1), RaisedError); // not closed: 40020
}

TEST_F(CNetSocketListen, AHundredAcceptAndCloseCyclesLeakNoDescriptor) {
    CNetSocket listener;
    std::unique_ptr<CNetSocket> server;
    listener.Events.ConnectionRequest = [&](int32_t id) {
        server = std::make_unique<CNetSocket>();
        server->Accept(id);
    };
    listener.Listen();
    const size_t lngBefore = OpenDescriptors();
    for (int i = 0; i < 100; ++i) {
        CNetSocket client;
        bool blnConnected = false;
        client.Events.Connect = [&] { blnConnected = true; };
        client.Connect("127.0.0.1", NetValue{listener.LocalPort()});
        ASSERT_TRUE(PumpUntil([&] { return blnConnected && server; }));
        client.CloseSck();
        server.reset();
    }
    reactor.RunUntilIdle();
    EXPECT_EQ(OpenDescriptors(), lngBefore);
}

} // namespace
} // namespace ata::test
