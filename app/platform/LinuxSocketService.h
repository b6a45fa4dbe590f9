#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "app/platform/Reactor.h"
#include "net/ISocketPlatform.h"

namespace ata {

// The sockets notification service on Linux: turns epoll readiness into FD_* notifications
// with the asynchronous-select re-enabling rules, and host lookups (getaddrinfo on a worker
// thread) into lookup replies completed on the reactor's thread.
class LinuxSocketService final : public ISocketPlatform {
public:
    explicit LinuxSocketService(Reactor& reactor);
    ~LinuxSocketService() override;

    int32_t Startup() override;
    int32_t Cleanup() override;
    void SetMessageSink(MessageSink sink) override;
    int32_t SelectEvents(int32_t lngSocket, uint64_t lngRoute, int32_t lngEventMask) override;
    void Reenable(int32_t lngSocket, int32_t lngEvent) override;
    void CancelEvents(int32_t lngSocket) override;
    int32_t StartLookup(const std::string& strHost, int32_t& lngError) override;
    void CancelLookup(int32_t lngHandle) override;

    std::size_t WatchedSockets() const noexcept { return m_sockets.size(); }

private:
    struct Entry;
    void OnReady(int32_t lngSocket, uint64_t lngRoute, uint32_t lngEpoll);
    void UpdateInterest(Entry& entry);
    void Post(uint64_t lngRoute, int32_t lngSocket, int32_t lngEvent, int32_t lngError);

    Reactor& m_reactor;
    MessageSink m_sink;
    std::unordered_map<int32_t, std::unique_ptr<Entry>> m_sockets;
    struct LookupState;
    std::shared_ptr<LookupState> m_lookups;
    int32_t m_lngNextLookup = 1;
};

} // namespace ata
