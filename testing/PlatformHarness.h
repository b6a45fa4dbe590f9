#pragma once

// The Linux platform of a headless test: one reactor, the socket service installed.
#include "app/platform/LinuxSocketService.h"
#include "app/platform/PlatformServices.h"
#include "app/platform/Reactor.h"
#include "app/platform/ReactorTimerService.h"

#include <algorithm>
#include <chrono>

namespace ata::test {

class PlatformHarness {
public:
    PlatformHarness() = default;
    // What the sockets left behind is handled while the service is still installed.
    ~PlatformHarness() { reactor.RunUntilIdle(); }
    PlatformHarness(const PlatformHarness&) = delete;
    PlatformHarness& operator=(const PlatformHarness&) = delete;

    // Runs the event loop until the condition holds or the time is up; true when it holds.
    // Each pass blocks until an event or the deadline.
    template <typename Predicate>
    bool RunUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            reactor.RunOnce(static_cast<int>(std::min<long>(left.count(), 100)));
        }
        return true;
    }

    Reactor reactor;
    ReactorTimerService timers{reactor};
    LinuxSocketService sockets{reactor};

private:
    PlatformServices::SocketLayerInstall m_install{sockets};
};

} // namespace ata::test
