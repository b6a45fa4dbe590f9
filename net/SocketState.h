#pragma once

#include <cstdint>

namespace ata {

// Socket states (the value State returns).
enum SocketState : int32_t {
    sckClosed = 0,
    sckOpen = 1,
    sckListening = 2,
    sckResolvingHost = 4,
    sckHostResolved = 5,
    sckConnecting = 6,
    sckConnected = 7,
    sckClosing = 8,
    sckError = 9,
};

} // namespace ata
