#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ata {

// Message codes of the notification contract.
inline constexpr uint32_t WM_LOOKUP_REPLY = 0x800;
inline constexpr uint32_t WM_SOCKET_NOTIFY = 0x801;

inline constexpr int32_t FD_READ = 1;
inline constexpr int32_t FD_WRITE = 2;
inline constexpr int32_t FD_OOB = 4;
inline constexpr int32_t FD_ACCEPT = 8;
inline constexpr int32_t FD_CONNECT = 16;
inline constexpr int32_t FD_CLOSE = 32;
inline constexpr int32_t FD_ALL_REQUESTED = 59;

// lParam of a notification or lookup reply: event in the low word, error in the high word.
constexpr int32_t MakeSelectReply(int32_t lngEvent, int32_t lngError) {
    return static_cast<int32_t>((static_cast<uint32_t>(lngError & 0xFFFF) << 16) |
                                static_cast<uint32_t>(lngEvent & 0xFFFF));
}
constexpr int32_t SelectEvent(int32_t lParam) {
    return lParam & 0xFFFF;
}
constexpr int32_t SelectError(int32_t lParam) {
    return static_cast<int32_t>((static_cast<uint32_t>(lParam) >> 16) & 0xFFFF);
}

// One queued notification. lngRoute is the registration it was requested under (never reused
// within the process), so a notification for a closed descriptor whose number has been handed
// out again reaches nobody. For a lookup reply, wParam is the lookup handle and lngAddress the
// first IPv4 address found (network byte order), valid when the error is 0.
struct NetMessage {
    uint64_t lngRoute = 0;
    uint32_t uMsg = 0;
    int32_t wParam = 0;
    int32_t lParam = 0;
    uint32_t lngAddress = 0;
};

// What the socket service needs from the platform: notification of socket readiness and host
// lookups delivered one at a time on the UI thread. Socket calls themselves are BSD calls.
class ISocketPlatform {
public:
    using MessageSink = std::function<void(const NetMessage&)>;

    virtual ~ISocketPlatform() = default;

    // Library start and stop; 0 on success, else a sockets error code.
    virtual int32_t Startup() = 0;
    virtual int32_t Cleanup() = 0;

    // Where notifications and lookup replies go (the service's dispatcher); empty to detach.
    virtual void SetMessageSink(MessageSink sink) = 0;

    // Starts notifications of lngEventMask for a descriptor under a fresh route. An accepted
    // descriptor is already connected: FD_READ / FD_CLOSE are watched at once.
    // Returns 0 or a sockets error code.
    virtual int32_t SelectEvents(int32_t lngSocket, uint64_t lngRoute, int32_t lngEventMask) = 0;

    // The socket did something that re-enables one notification: FD_READ after a receive,
    // FD_WRITE after a send that would block, FD_ACCEPT after an accept, FD_CONNECT after a
    // connect that is pending (writability is then watched until it finishes).
    virtual void Reenable(int32_t lngSocket, int32_t lngEvent) = 0;

    // Stops all notifications for a descriptor (called before it is closed); queued ones for
    // its route are dropped by the dispatcher.
    virtual void CancelEvents(int32_t lngSocket) = 0;

    // Starts a lookup of a host name; its reply is posted as WM_LOOKUP_REPLY with the
    // returned handle as wParam. Returns 0 when the lookup did not start (lngError set).
    virtual int32_t StartLookup(const std::string& strHost, int32_t& lngError) = 0;
    virtual void CancelLookup(int32_t lngHandle) = 0;
};

} // namespace ata
