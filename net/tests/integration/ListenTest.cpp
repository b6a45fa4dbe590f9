#include "testing/SocketTestSupport.h"

namespace ata::test {
namespace {

using CNetSocketListen = SocketTest;

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

// Accepting and closing a hundred connections in a row: each request is raised once, the
// listener keeps listening and no descriptor is left behind.
class AcceptingListener : public CNetSocketListen {
protected:
    CNetSocket listener;
    std::unique_ptr<CNetSocket> server;
    int lngRequests = 0;

    void SetUp() override {
        listener.Events.ConnectionRequest = [&](int32_t id) {
            ++lngRequests;
            server = std::make_unique<CNetSocket>();
            server->Accept(id);
        };
    }
    // Connects a client object and waits until the server side has adopted it.
    bool ConnectClient(CNetSocket& client) {
        bool blnConnected = false;
        client.Events.Connect = [&] { blnConnected = true; };
        client.Connect("127.0.0.1", NetValue{listener.LocalPort()});
        return PumpUntil([&] { return blnConnected && server; });
    }
};

TEST_F(AcceptingListener, AcceptRulesAndAConnectingClientObject) {
    listener.Bind(NetValue{0});
    listener.Listen(); // on a bound object: no second bind
    EXPECT_EQ(listener.State(), sckListening);
    EXPECT_EQ(Raised([&] { listener.Listen(); }), "40020 CNetSocket.Listen");
    CNetSocket client;
    ASSERT_TRUE(ConnectClient(client));
    // A handle that another object owns cannot be adopted, and the failed call keeps none.
    CNetSocket thief;
    EXPECT_EQ(Raised([&] { thief.Accept(client.SocketHandle()); }), "40006 CNetSocket.Accept");
    EXPECT_EQ(thief.SocketHandle(), -1);
    EXPECT_EQ(Raised([&] { server->Accept(1); }), "40020 CNetSocket.Accept");
}

TEST_F(AcceptingListener, AHundredAcceptAndCloseCyclesLeakNoDescriptor) {
    listener.Listen();
    const size_t lngBefore = OpenDescriptors();
    for (int i = 0; i < 100; ++i) {
        CNetSocket client;
        ASSERT_TRUE(ConnectClient(client));
        client.CloseSck();
        server.reset();
    }
    reactor.RunUntilIdle();
    EXPECT_EQ(OpenDescriptors(), lngBefore);
    EXPECT_EQ(lngRequests, 100);
    EXPECT_EQ(listener.State(), sckListening);
    EXPECT_TRUE(listener.RemoteHostIP().empty()); // its own remote fields are put back
}

} // namespace
} // namespace ata::test
