#pragma once

#include "base/ITimerService.h"
#include "script/ZelTelnet.h"

#include <functional>
#include <memory>
#include <utility>

namespace ata {

// The engine's host on an event loop: fnDoEvents runs one pass of the loop, and DELAY waits on a
// timer of the loop instead of blocking the thread. The timer service must outlive the engine.
inline script::ScriptHost ScriptHostOnTimers(ITimerService& timers,
                                             std::function<void()> fnDoEvents = {}) {
    class HeldTimer : public script::ScriptTimer {
    public:
        explicit HeldTimer(TimerHandle timer) : m_timer(std::move(timer)) {}

    private:
        TimerHandle m_timer;
    };
    script::ScriptHost host;
    host.DoEvents = std::move(fnDoEvents);
    host.StartTimer =
        [&timers](int32_t lngMilliseconds,
                  std::function<void()> fnDue) -> std::unique_ptr<script::ScriptTimer> {
        return std::make_unique<HeldTimer>(timers.Start(lngMilliseconds, std::move(fnDue)));
    };
    return host;
}

} // namespace ata
