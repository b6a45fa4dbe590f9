// Loopback throughput of two socket objects on the reactor against plain blocking send/recv
// between two threads, 256 MiB each, in the same run; and the cost of many small reads.
#include "net/CNetSocket.h"
#include "testing/PlatformHarness.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace ata;

namespace {

constexpr size_t kTotal = size_t{256} << 20;
constexpr size_t kPiece = size_t{4} << 20;

// A connected pair of socket objects on 127.0.0.1, with the reactor that serves them.
struct ObjectPair {
    test::PlatformHarness platform;
    Reactor& reactor = platform.reactor;
    std::unique_ptr<CNetSocket> listener, server, client;
    size_t lngReceived = 0;

    ObjectPair() {
        listener = std::make_unique<CNetSocket>();
        client = std::make_unique<CNetSocket>();
        listener->Events.ConnectionRequest = [this](int32_t id) {
            server = std::make_unique<CNetSocket>();
            server->Accept(id);
            // Read as the script engine does: everything at each arrival, as text.
            server->Events.DataArrival = [this](int32_t) {
                std::string s;
                server->GetData(s);
                lngReceived += s.size();
            };
        };
        listener->Bind(NetValue{0}, std::string("127.0.0.1"));
        listener->Listen();
        bool blnConnected = false;
        client->Events.Connect = [&] { blnConnected = true; };
        client->Connect("127.0.0.1", NetValue{listener->LocalPort()});
        platform.RunUntil([&] { return blnConnected && server; });
        client->Events.Connect = nullptr;
    }
    ~ObjectPair() {
        client.reset();
        server.reset();
        listener.reset();
    }
};

void BM_SocketObjects256MiB(benchmark::State& state) {
    ObjectPair pair;
    const std::string strPiece(kPiece, 'x');
    for (auto _ : state) {
        pair.lngReceived = 0;
        size_t lngQueued = 0;
        const auto queue = [&] {
            if (lngQueued < kTotal) {
                lngQueued += kPiece;
                pair.client->SendData(NetValue{strPiece});
            }
        };
        pair.client->Events.SendComplete = queue;
        queue();
        while (pair.lngReceived < kTotal)
            pair.reactor.RunOnce(100);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTotal));
}

// The same transfer with blocking calls: a sending thread and a receiving one.
void BM_BlockingSendRecv256MiB(benchmark::State& state) {
    const int fdListen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fdListen, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fdListen, 1);
    socklen_t len = sizeof a;
    ::getsockname(fdListen, reinterpret_cast<sockaddr*>(&a), &len);
    const int fdClient = ::socket(AF_INET, SOCK_STREAM, 0);
    ::connect(fdClient, reinterpret_cast<sockaddr*>(&a), sizeof a);
    const int fdServer = ::accept(fdListen, nullptr, nullptr);
    const std::string strPiece(kPiece, 'x');
    std::string strRoom(128 * 1024, '\0');
    for (auto _ : state) {
        std::thread sender([&] {
            for (size_t lngSent = 0; lngSent < kTotal; lngSent += kPiece)
                ::send(fdClient, strPiece.data(), strPiece.size(), MSG_NOSIGNAL);
        });
        size_t lngReceived = 0;
        while (lngReceived < kTotal) {
            const ssize_t n = ::recv(fdServer, strRoom.data(), strRoom.size(), 0);
            if (n <= 0)
                break;
            lngReceived += static_cast<size_t>(n);
        }
        sender.join();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTotal));
    ::close(fdServer);
    ::close(fdClient);
    ::close(fdListen);
}

// Many small messages, each read on its own FD_READ: the per-read cost of the receive path.
void BM_SmallReads(benchmark::State& state) {
    ObjectPair pair;
    const std::string strMessage(64, 'm');
    for (auto _ : state) {
        const size_t lngWanted = pair.lngReceived + strMessage.size();
        pair.client->SendData(NetValue{strMessage});
        while (pair.lngReceived < lngWanted)
            pair.reactor.RunOnce(100);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

} // namespace

BENCHMARK(BM_SocketObjects256MiB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BlockingSendRecv256MiB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SmallReads)->Unit(benchmark::kMicrosecond);
