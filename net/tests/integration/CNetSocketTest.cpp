// Real loopback sockets; failures with no caller to raise them to reach the Error event.
#include "net/CNetSocket.h"
#include "base/RaisedError.h"
#include "base/UniqueFd.h"
#include "net/modNetSocket.h"
#include "testing/PlatformHarness.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <vector>

// errno that the next connect() of this process fails with (0: none).
static int s_intConnectErrno = 0;
extern "C" int connect(int fd, const sockaddr* pAddress, socklen_t lngLen) {
    using Connect = int (*)(int, const sockaddr*, socklen_t);
    static const auto real = reinterpret_cast<Connect>(::dlsym(RTLD_NEXT, "connect"));
    if (const int intErrno = std::exchange(s_intConnectErrno, 0); intErrno != 0) {
        errno = intErrno;
        return -1;
    }
    return real(fd, pAddress, lngLen);
}

namespace ata::test {
namespace {

// Records the events and trace lines of one socket object.
struct SocketLog {
    std::vector<std::string> vecEvents;
    std::vector<std::string> vecTrace;
    std::string strReceived;
    bool blnReadAll = true;

    explicit SocketLog(CNetSocket& ws) {
        ws.Events.Connect = [this] { vecEvents.push_back("Connect"); };
        ws.Events.CloseSck = [this] { vecEvents.push_back("Close"); };
        ws.Events.SendComplete = [this] { vecEvents.push_back("SendComplete"); };
        ws.Events.StatusUpdate = [this](const std::string& s) { vecTrace.push_back(s); };
        ws.Events.Error = [this](int32_t n, std::string& d, int32_t, const std::string& src,
                                 const std::string&, int32_t, bool&) {
            vecEvents.push_back("Error " + std::to_string(n) + " " + d + " " + src);
        };
        ws.Events.DataArrival = [this, &ws](int32_t n) {
            vecEvents.push_back("Data " + std::to_string(n));
            if (blnReadAll) {
                std::string s;
                ws.GetData(s);
                strReceived += s;
            }
        };
    }
    long Count(const std::string& s) const { return std::ranges::count(vecEvents, s); }
    bool Traced(const std::string& s) const { return std::ranges::count(vecTrace, s) > 0; }
};

// "number source" of the error a call raises, or "none"; the description goes to pDescription.
std::string Raised(const std::function<void()>& call, std::string* pDescription = nullptr) {
    try {
        call();
    } catch (const RaisedError& e) {
        if (pDescription)
            *pDescription = e.Description();
        return std::to_string(e.Number()) + " " + e.Source();
    }
    return "none";
}

size_t OpenDescriptors() {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<size_t>(std::distance(begin(fds), end(fds)));
}

// True when fd becomes readable (data, end of stream or error) within a second.
bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 1000) == 1;
}

// A TCP socket connected to a port, or else bound to one that refuses while it lives.
struct PlainSocket {
    UniqueFd fd{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    int lngPort = 0; // the bound one
    explicit PlainSocket(int lngConnectTo = 0) {
        sockaddr_in a{
            AF_INET, htons(static_cast<uint16_t>(lngConnectTo)), {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t len = sizeof a;
        auto* pAddress = reinterpret_cast<sockaddr*>(&a);
        if (lngConnectTo != 0 ? ::connect(fd.Get(), pAddress, len)
                              : ::bind(fd.Get(), pAddress, len))
            fd.Reset();
        ::getsockname(fd.Get(), pAddress, &len);
        lngPort = ntohs(a.sin_port);
    }
};

// Lowers the descriptor limit so that the next descriptor cannot be made; puts it back.
struct DescriptorLimit {
    rlimit saved{};
    DescriptorLimit() {
        ::getrlimit(RLIMIT_NOFILE, &saved);
        rlimit lowered = saved;
        lowered.rlim_cur = static_cast<rlim_t>(UniqueFd(::dup(0)).Get()); // the lowest free one
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~DescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &saved); }
};

// A listening object on the wildcard address; each request is adopted by a new object.
struct Server {
    CNetSocket listener;
    std::vector<std::unique_ptr<CNetSocket>> accepted;
    std::vector<std::unique_ptr<SocketLog>> logs;

    Server() {
        listener.Events.ConnectionRequest = [this](int32_t id) {
            accepted.push_back(std::make_unique<CNetSocket>());
            logs.push_back(std::make_unique<SocketLog>(*accepted.back()));
            accepted.back()->Accept(id);
        };
        listener.Listen();
    }
    int Port() const { return listener.LocalPort(); }
};

// One platform per test, installed for the socket objects it creates.
class CNetSocketTest : public ::testing::Test {
protected:
    PlatformHarness platform;
    Reactor& reactor = platform.reactor;

    bool PumpUntil(const std::function<bool()>& done, int lngMs = 5000) {
        return platform.RunUntil(done, std::chrono::milliseconds(lngMs));
    }
    // Connects a client to the server and waits until both ends are connected.
    bool ConnectTo(Server& server, CNetSocket& client, SocketLog& log,
                   const std::string& strHost = "127.0.0.1") {
        const size_t lngAccepted = server.accepted.size();
        client.Connect(strHost, NetValue{server.Port()});
        EXPECT_EQ(client.State(), strHost == "localhost" ? sckResolvingHost : sckConnecting);
        EXPECT_TRUE(client.RemoteHostIP().empty());
        return PumpUntil(
            [&] { return log.Count("Connect") == 1 && server.accepted.size() == lngAccepted + 1; });
    }
};

// One connection through its whole life, then a hundred short ones.
TEST_F(CNetSocketTest, ConnectionsResolveExchangeDataReportThePeerCloseOnceAndLeakNothing) {
    Server server;
    CNetSocket client;
    SocketLog log(client);
    ASSERT_TRUE(ConnectTo(server, client, log, "localhost"));
    const auto at = [&](const std::string& s) {
        return std::find(log.vecTrace.begin(), log.vecTrace.end(), s) - log.vecTrace.begin();
    };
    EXPECT_LT(at("STATE: sckResolvingHost"), at("STATE: sckHostResolved"));
    EXPECT_LT(at("STATE: sckHostResolved"), at("STATE: sckConnecting"));
    EXPECT_LT(at("STATE: sckConnecting"), at("STATE: sckConnected"));
    EXPECT_EQ(client.State(), sckConnected);
    EXPECT_EQ(client.RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(client.RemotePort(), server.Port());
    CNetSocket& peer = *server.accepted[0];
    SocketLog& peerLog = *server.logs[0];
    EXPECT_EQ(peer.State(), sckConnected);
    EXPECT_EQ(peer.RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(peer.RemotePort(), client.LocalPort());
    EXPECT_EQ(peer.LocalPort(), server.Port());
    // A handle that another object owns cannot be adopted, and the failed call keeps none.
    CNetSocket thief;
    EXPECT_EQ(Raised([&] { thief.Accept(client.SocketHandle()); }), "40006 CNetSocket.Accept");
    EXPECT_EQ(thief.SocketHandle(), -1);
    EXPECT_EQ(Raised([&] { peer.Accept(1); }), "40020 CNetSocket.Accept");

    client.SendData(NetValue{std::string("hello server")});
    peer.SendData(NetValue{std::string("hello client")});
    ASSERT_TRUE(PumpUntil([&] {
        return peerLog.strReceived == "hello server" && log.strReceived == "hello client";
    }));
    EXPECT_EQ(log.Count("SendComplete"), 1);

    peerLog.blnReadAll = false;
    client.SendData(NetValue{std::string("\x04\x03\x02", 3)});
    ASSERT_TRUE(PumpUntil([&] { return peer.BytesReceived() == 3; }));
    NetValue value;
    int32_t lngKind = vbLong;
    peer.GetData(value, &lngKind);
    EXPECT_EQ(KindOf(value), vbEmpty); // too few bytes: nothing taken
    EXPECT_EQ(peer.BytesReceived(), 3);
    client.SendData(NetValue{std::string("\1abcdefghijkl")});
    ASSERT_TRUE(PumpUntil([&] { return peer.BytesReceived() == 16; }));
    EXPECT_EQ(peerLog.vecEvents.back(), "Data 16"); // the total, unread bytes included
    peer.GetData(value, &lngKind);
    EXPECT_EQ(std::get<int32_t>(value), 0x01020304);
    std::string strText;
    peer.PeekData(strText);
    EXPECT_EQ(strText, "abcdefghijkl");
    NetValue text = std::string();
    NetValue limit = int32_t{5};
    peer.GetData(text, nullptr, &limit);
    EXPECT_EQ(std::get<std::string>(text), "abcde");
    EXPECT_EQ(peer.BytesReceived(), 7);
    NetValue negative = int32_t{-1};
    EXPECT_THROW(peer.GetData(text, nullptr, &negative), RaisedError);
    peer.GetData(strText);
    EXPECT_EQ(strText, "fghijkl");
    peerLog.blnReadAll = true;

    std::string strPayload(8 << 20, '\0');
    for (size_t i = 0; i < strPayload.size(); ++i)
        strPayload[i] = static_cast<char>((i * 7919) >> 3);
    peerLog.strReceived.clear();
    client.SendData(NetValue{strPayload.substr(0, 3 << 20)});
    client.SendData(NetValue{strPayload.substr(3 << 20)}); // appended while the first waits
    ASSERT_TRUE(PumpUntil([&] { return peerLog.strReceived.size() >= strPayload.size(); }, 20000));
    EXPECT_TRUE(peerLog.strReceived == strPayload);
    EXPECT_TRUE(PumpUntil([&] { return log.Count("SendComplete") >= 2; }));
    EXPECT_TRUE(log.Traced("Buffer Status: Send buffer full, waiting..."));

    client.CloseSck();
    EXPECT_EQ(client.State(), sckClosed);
    ASSERT_TRUE(PumpUntil([&] { return peerLog.Count("Close") == 1; }));
    EXPECT_EQ(peer.State(), sckClosing);
    reactor.RunUntilIdle();
    EXPECT_EQ(peerLog.Count("Close"), 1);
    EXPECT_EQ(log.Count("Close"), 0);

    // A hundred more in a row: each request is raised once, the listener keeps listening and
    // no descriptor is left behind.
    const size_t lngBefore = OpenDescriptors();
    for (int i = 0; i < 100; ++i) {
        CNetSocket next;
        SocketLog nextLog(next);
        ASSERT_TRUE(ConnectTo(server, next, nextLog));
        next.CloseSck();
        server.accepted.back().reset();
    }
    reactor.RunUntilIdle();
    EXPECT_EQ(OpenDescriptors(), lngBefore);
    EXPECT_EQ(server.accepted.size(), 101u);
    EXPECT_EQ(server.listener.State(), sckListening);
    EXPECT_TRUE(server.listener.RemoteHostIP().empty()); // its own remote fields are put back
}

// A request not adopted in its event (or whose handler raises) is closed; adopters get all.
TEST_F(CNetSocketTest, ParkedRequestsAreClosedUnlessAdoptedAndKeepWhatArrivesMeanwhile) {
    CNetSocket listener;
    SocketLog log(listener);
    CNetSocket adopter;
    SocketLog adopterLog(adopter);
    std::vector<int32_t> vecRequests;
    listener.Events.ConnectionRequest = [&](int32_t id) {
        vecRequests.push_back(id);
        if (vecRequests.size() == 2)
            throw RaisedError(5, "Test", "raised");
        if (vecRequests.size() == 3) {
            platform.RunUntil([] { return false; }, std::chrono::milliseconds(300));
            adopter.Accept(id);
        }
    };
    listener.Listen();
    const size_t lngBefore = OpenDescriptors();
    for (size_t i = 1; i <= 2; ++i) {
        const PlainSocket client(listener.LocalPort());
        ASSERT_TRUE(PumpUntil([&] { return vecRequests.size() == i; }));
        ASSERT_TRUE(Readable(client.fd.Get()));
        char ch = 0;
        EXPECT_EQ(::recv(client.fd.Get(), &ch, 1, 0), 0); // the server side is gone
    }
    EXPECT_TRUE(log.Traced("OK Closed accepted socket: " + std::to_string(vecRequests[0])));
    EXPECT_EQ(log.vecEvents, std::vector<std::string>{"Error 5 raised Test"});
    EXPECT_EQ(OpenDescriptors(), lngBefore);
    EXPECT_EQ(listener.State(), sckListening);
    {
        const PlainSocket client(listener.LocalPort());
        ::send(client.fd.Get(), "parked bytes", 12, 0);
    }
    ASSERT_TRUE(PumpUntil([&] { return adopterLog.Count("Close") == 1; }));
    EXPECT_EQ(adopterLog.strReceived, "parked bytes");
    EXPECT_EQ(adopterLog.vecEvents.front(), "Data 12");
    EXPECT_EQ(adopter.State(), sckClosing);
}

// A read that raises loses its own datagram only; each other one is announced and read once.
TEST_F(CNetSocketTest, DatagramsAreAnnouncedAndEachReadOnce) {
    CNetSocket receiver;
    receiver.Protocol(sckProtocolUDP);
    receiver.Bind(NetValue{0}, std::string("127.0.0.1"));
    SocketLog log(receiver);
    std::vector<std::string> vecGot;
    receiver.Events.DataArrival = [&](int32_t n) {
        NetValue text = std::string();
        NetValue limit = int32_t{vecGot.empty() ? 0 : 100};
        receiver.GetData(text, nullptr, &limit); // a limit of 0 raises 10040
        EXPECT_EQ(static_cast<int32_t>(std::get<std::string>(text).size()), n);
        vecGot.push_back(std::get<std::string>(text));
    };
    CNetSocket sender;
    sender.Protocol(sckProtocolUDP);
    sender.RemoteHost("127.0.0.1");
    sender.RemotePort(receiver.LocalPort());
    sender.SendData(NetValue{std::string("raised")});
    ASSERT_TRUE(PumpUntil([&] { return !log.vecEvents.empty(); }));
    EXPECT_EQ(log.vecEvents,
              (std::vector<std::string>{"Error 10040 Message too long. CNetSocket.RecvData"}));
    vecGot.push_back("(raised)");
    for (const char* sz : {"first", "second", "third"})
        sender.SendData(NetValue{std::string(sz)});
    ASSERT_TRUE(PumpUntil([&] { return vecGot.size() == 4; }));
    EXPECT_EQ(vecGot, (std::vector<std::string>{"(raised)", "first", "second", "third"}));
    EXPECT_EQ(receiver.RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(receiver.RemotePort(), sender.LocalPort());
    EXPECT_EQ(receiver.State(), sckOpen);
}

TEST_F(CNetSocketTest, ResetBetweenReadinessAndReadIsReported) {
    Server server;
    PlainSocket plain(server.Port());
    UniqueFd& fd = plain.fd;
    ASSERT_TRUE(PumpUntil([&] { return !server.accepted.empty(); }));
    CNetSocket& ws = *server.accepted[0];
    // Once FD_READ is queued, the byte is taken away and the peer resets the connection.
    platform.sockets.SetMessageSink([&](const NetMessage& m) {
        if (m.wParam == ws.SocketHandle() && SelectEvent(m.lParam) == FD_READ) {
            char ch = 0;
            EXPECT_EQ(::recv(ws.SocketHandle(), &ch, 1, MSG_DONTWAIT), 1);
            const linger abort{1, 0};
            ::setsockopt(fd.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            fd.Reset();
            EXPECT_TRUE(Readable(ws.SocketHandle()));
        }
        modNetSocket::Dispatch(m);
    });
    ::send(fd.Get(), "x", 1, 0);
    ASSERT_TRUE(PumpUntil([&] { return !server.logs[0]->vecEvents.empty(); }));
    reactor.RunUntilIdle();
    EXPECT_EQ(server.logs[0]->vecEvents,
              std::vector<std::string>{
                  "Error 10054 Connection reset by peer. CNetSocket.RecvDataToBuffer"});
    EXPECT_EQ(ws.State(), sckError);
}

// Calls rejected at once; a failed connect is raised once and needs a close before the next.
TEST_F(CNetSocketTest, ArgumentAndStateRulesAndConnectFailures) {
    struct Case {
        std::string strHost;
        bool blnBusyLocalPort; // the bind after the lookup fails
        int intConnectErrno;   // EAGAIN: no local port was free; the attempt has failed
        std::string strError;
    };
    const Case arrCases[] = {
        {"127.0.0.1", false, 0, "Error 10061 Connection refused. CNetSocket.PostSocket"},
        {"localhost", true, 0, "Error 10048 Address already in use. CNetSocket.BindInternal"},
        {"127.0.0.1", false, EAGAIN, "Error 10048 Address already in use. CNetSocket.ConnectToIP"},
    };
    CNetSocket ws;
    SocketLog log(ws);
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
    ws.Listen(); // on a bound object: no second bind
    EXPECT_EQ(ws.State(), sckListening);
    EXPECT_EQ(Raised([&] { ws.Listen(); }), "40020 CNetSocket.Listen");
    ws.CloseSck();
    EXPECT_EQ(ws.LocalPort(), 0); // back to the requested port
    const PlainSocket refusing;
    for (const Case& c : arrCases) {
        SCOPED_TRACE(c.strError);
        log.vecEvents.clear();
        ws.LocalPort(c.blnBusyLocalPort ? refusing.lngPort : 0);
        s_intConnectErrno = c.intConnectErrno;
        ws.Connect(c.strHost, NetValue{refusing.lngPort});
        ASSERT_TRUE(PumpUntil([&] { return !log.vecEvents.empty(); }));
        reactor.RunUntilIdle();
        EXPECT_EQ(log.vecEvents, std::vector<std::string>{c.strError});
        EXPECT_EQ(ws.State(), sckError);
        EXPECT_EQ(Raised([&] { ws.Connect(); }), "40020 CNetSocket.Connect");
        ws.CloseSck();
        EXPECT_EQ(ws.State(), sckClosed);
    }
    Server server;
    std::string strDescription;
    EXPECT_EQ(Raised([&] { ws.Bind(NetValue{server.Port()}); }, &strDescription),
              "10048 CNetSocket.BindInternal");
    EXPECT_EQ(strDescription, "Address already in use.");
    ws.CloseSck();
    ws.LocalPort(0);
    EXPECT_TRUE(ConnectTo(server, ws, log));
}

// No descriptor left: connect and accept fail, and neither object stays broken.
TEST_F(CNetSocketTest, NoDescriptorLeftFailsConnectAndAcceptAndNeitherStaysBroken) {
#if defined(__SANITIZE_ADDRESS__) // its runtime needs descriptors of its own
    GTEST_SKIP() << "the sanitizer runtime checks memory through a pipe it cannot make here";
#endif
    CNetSocket listener;
    SocketLog listenLog(listener);
    int lngRequests = 0;
    listener.Events.ConnectionRequest = [&](int32_t) { ++lngRequests; };
    listener.Listen();
    CNetSocket client;
    SocketLog log(client);
    const PlainSocket plain(listener.LocalPort());
    {
        DescriptorLimit limit;
        client.Connect("127.0.0.1", NetValue{listener.LocalPort()});
        for (int i = 0; i < 100 && listenLog.vecEvents.empty(); ++i)
            reactor.RunOnce(50);
        for (int i = 0; i < 20; ++i)
            reactor.RunOnce(0);
    }
    EXPECT_EQ(log.vecEvents, (std::vector<std::string>{
                                 "Error 10024 Too many open files. CNetSocket.SocketExists"}));
    EXPECT_EQ(client.State(), sckError);
    EXPECT_EQ(listenLog.vecEvents,
              (std::vector<std::string>{"Error 10024 Too many open files. CNetSocket.PostSocket"}));
    EXPECT_EQ(std::count_if(listenLog.vecTrace.begin(), listenLog.vecTrace.end(),
                            [](const std::string& s) { return s.rfind("FD_ACCEPT", 0) == 0; }),
              1);
    ASSERT_TRUE(Readable(plain.fd.Get())); // taken off the queue and closed
    char ch = 0;
    EXPECT_LE(::recv(plain.fd.Get(), &ch, 1, 0), 0);
    EXPECT_EQ(listener.State(), sckListening);
    client.CloseSck();
    EXPECT_EQ(client.State(), sckClosed);
    client.Connect("127.0.0.1", NetValue{listener.LocalPort()});
    EXPECT_TRUE(PumpUntil([&] { return log.Count("Connect") == 1 && lngRequests == 1; }));
}

} // namespace
} // namespace ata::test
