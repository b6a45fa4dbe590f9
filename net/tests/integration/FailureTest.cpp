// Failures that happen while the layer handles a notification, with no caller to raise them
// to: each reaches the owner as the Error event, and none leaves the layer unusable.
#include "testing/SocketTestSupport.h"

#include <cerrno>
#include <dlfcn.h>
#include <poll.h>
#include <sys/resource.h>

namespace {
// errno that the next connect() of this process fails with (0: none).
int& ConnectFailure() {
    static int s_intErrno = 0;
    return s_intErrno;
}
} // namespace

// Lets a test make one connect() fail the way the kernel can; all others go through.
extern "C" int connect(int fd, const sockaddr* pAddress, socklen_t lngLen) {
    using Connect = int (*)(int, const sockaddr*, socklen_t);
    static const auto real = reinterpret_cast<Connect>(::dlsym(RTLD_NEXT, "connect"));
    if (const int intErrno = std::exchange(ConnectFailure(), 0); intErrno != 0) {
        errno = intErrno;
        return -1;
    }
    return real(fd, pAddress, lngLen);
}

namespace ata::test {
namespace {

// The sanitizer runtime checks memory through a pipe of its own; with no descriptor left
// that check fails and it reports a false type error, so these cases run in the plain build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Lowers the descriptor limit so that the next descriptor cannot be made; puts it back.
class DescriptorLimit {
public:
    DescriptorLimit() {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        const int fdLowestFree = ::dup(0);
        ::close(fdLowestFree);
        rlimit lowered = m_saved;
        lowered.rlim_cur = static_cast<rlim_t>(fdLowestFree);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~DescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }

private:
    rlimit m_saved{};
};

// True when fd becomes readable (data, end of stream or error) within a second.
bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 1000) == 1;
}

using CNetSocketFailure = SocketTest;

TEST_F(CNetSocketFailure, ResetBetweenReadinessAndReadIsReported) {
    PlainPeer peer;
    CNetSocket client;
    SocketLog log;
    log.Attach(client);
    client.Connect("127.0.0.1", NetValue{peer.lngPort});
    ASSERT_TRUE(PumpUntil([&] { return log.Count("Connect") == 1; }));
    peer.Accept();
    // Once FD_READ is queued, the byte is taken away and the peer resets the connection.
    service.SetMessageSink([&](const NetMessage& m) {
        if (m.wParam == client.SocketHandle() && SelectEvent(m.lParam) == FD_READ) {
            char ch = 0;
            EXPECT_EQ(::recv(client.SocketHandle(), &ch, 1, MSG_DONTWAIT), 1);
            const linger abort{1, 0};
            ::setsockopt(peer.fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            ::close(std::exchange(peer.fd, -1));
            EXPECT_TRUE(Readable(client.SocketHandle()));
        }
        modNetSocket::Dispatch(m);
    });
    ::send(peer.fd, "x", 1, 0);
    ASSERT_TRUE(PumpUntil([&] { return log.vecEvents.size() == 2; }));
    EXPECT_EQ(log.vecEvents[1],
              "Error 10054 Connection reset by peer. CNetSocket.RecvDataToBuffer");
    EXPECT_EQ(client.State(), sckError);
}

TEST_F(CNetSocketFailure, ConnectFailuresAfterALookupOrAtOnceAreReported) {
    PlainPeer peer;
    const int lngBusy = peer.lngPort;
    CNetSocket client;
    SocketLog log;
    log.Attach(client);
    client.LocalPort(lngBusy); // the local port is taken: the bind after the lookup fails
    const RefusingPort refusing;
    client.Connect("localhost", NetValue{refusing.lngPort});
    ASSERT_TRUE(PumpUntil([&] { return !log.vecEvents.empty(); }));
    EXPECT_EQ(log.vecEvents, (std::vector<std::string>{
                                 "Error 10048 Address already in use. CNetSocket.BindInternal"}));
    EXPECT_EQ(client.State(), sckError);

    // EAGAIN from a TCP connect: no local port was free; the attempt has failed.
    client.CloseSck();
    client.LocalPort(0);
    log.vecEvents.clear();
    ConnectFailure() = EAGAIN;
    client.Connect("127.0.0.1", NetValue{lngBusy});
    reactor.RunUntilIdle();
    EXPECT_EQ(log.vecEvents, (std::vector<std::string>{
                                 "Error 10048 Address already in use. CNetSocket.ConnectToIP"}));
    EXPECT_EQ(client.State(), sckError);
}

TEST_F(CNetSocketFailure, NoDescriptorLeftFailsTheConnectAndCloseEndsTheError) {
    if (kSanitized)
        GTEST_SKIP() << "the sanitizer runtime needs descriptors of its own";
    PlainPeer peer;
    const int lngPort = peer.lngPort;
    CNetSocket client;
    SocketLog log;
    log.Attach(client);
    {
        DescriptorLimit limit;
        client.Connect("127.0.0.1", NetValue{lngPort});
    }
    EXPECT_EQ(log.vecEvents, (std::vector<std::string>{
                                 "Error 10024 Too many open files. CNetSocket.SocketExists"}));
    EXPECT_EQ(client.State(), sckError);
    client.CloseSck();
    EXPECT_EQ(client.State(), sckClosed);
    client.Connect("127.0.0.1", NetValue{lngPort});
    EXPECT_TRUE(PumpUntil([&] { return log.Count("Connect") == 1; }));
}

TEST_F(CNetSocketFailure, AcceptWithoutDescriptorsDropsTheConnectionAndGoesOnListening) {
    if (kSanitized)
        GTEST_SKIP() << "the sanitizer runtime needs descriptors of its own";
    CNetSocket listener;
    SocketLog log;
    log.Attach(listener);
    int lngRequests = 0;
    listener.Events.ConnectionRequest = [&](int32_t) { ++lngRequests; };
    listener.Listen();
    const int fd = PlainConnect(listener.LocalPort());
    {
        DescriptorLimit limit;
        for (int i = 0; i < 100 && log.vecEvents.empty(); ++i)
            reactor.RunOnce(50);
        for (int i = 0; i < 20; ++i)
            reactor.RunOnce(0);
    }
    EXPECT_EQ(log.vecEvents,
              (std::vector<std::string>{"Error 10024 Too many open files. CNetSocket.PostSocket"}));
    EXPECT_EQ(std::count_if(log.vecTrace.begin(), log.vecTrace.end(),
                            [](const std::string& s) { return s.rfind("FD_ACCEPT", 0) == 0; }),
              1);
    ASSERT_TRUE(Readable(fd)); // taken off the queue and closed
    char ch = 0;
    EXPECT_LE(::recv(fd, &ch, 1, 0), 0);
    ::close(fd);
    EXPECT_EQ(listener.State(), sckListening);
    const int fdNext = PlainConnect(listener.LocalPort());
    EXPECT_TRUE(PumpUntil([&] { return lngRequests == 1; }));
    ::close(fdNext);
}

TEST_F(CNetSocketFailure, HandlersThatRaiseLeaveNothingBroken) {
    // A request handler that raises: the parked connection is closed, nothing leaks.
    CNetSocket listener;
    SocketLog log;
    log.Attach(listener);
    listener.Events.ConnectionRequest = [](int32_t) { throw RaisedError(5, "Test", "raised"); };
    listener.Listen();
    const size_t lngBefore = OpenDescriptors();
    const int fd = PlainConnect(listener.LocalPort());
    ASSERT_TRUE(PumpUntil([&] { return !log.vecEvents.empty(); }));
    EXPECT_EQ(log.vecEvents.back(), "Error 5 raised Test");
    ASSERT_TRUE(Readable(fd));
    ::close(fd);
    EXPECT_EQ(OpenDescriptors(), lngBefore);
    EXPECT_EQ(listener.State(), sckListening);

    // A datagram handler whose read raises: the socket still hears the next datagram.
    CNetSocket receiver;
    receiver.Protocol(sckProtocolUDP);
    receiver.Bind(NetValue{0}, std::string("127.0.0.1"));
    SocketLog udpLog;
    udpLog.Attach(receiver);
    std::vector<std::string> vecGot;
    receiver.Events.DataArrival = [&](int32_t) {
        NetValue text = std::string();
        NetValue limit = int32_t{vecGot.empty() ? 0 : 100};
        receiver.GetData(text, nullptr, &limit); // a limit of 0 raises 10040
        vecGot.push_back(std::get<std::string>(text));
    };
    CNetSocket sender;
    sender.Protocol(sckProtocolUDP);
    sender.RemoteHost("127.0.0.1");
    sender.RemotePort(receiver.LocalPort());
    sender.SendData(NetValue{std::string("first")});
    ASSERT_TRUE(PumpUntil([&] { return !udpLog.vecEvents.empty(); }));
    EXPECT_EQ(udpLog.vecEvents.back(), "Error 10040 Message too long. CNetSocket.RecvData");
    vecGot.push_back("(raised)");
    sender.SendData(NetValue{std::string("second")});
    ASSERT_TRUE(PumpUntil([&] { return vecGot.size() == 2; }));
    EXPECT_EQ(vecGot.back(), "second");
    EXPECT_EQ(receiver.State(), sckOpen);
}

} // namespace
} // namespace ata::test
