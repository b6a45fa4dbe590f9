#pragma once

#include "script/ZelTelnet.h"
#include "workflow/ITimerService.h"

#include <memory>
#include <utility>

namespace ata {

// Lets the engine's DELAY wait on a timer of the event loop instead of blocking the thread.
// The timer service must outlive the engine.
inline void UseTimersForScript(script::ScriptHost& host, ITimerService& timers) {
    class HeldTimer : public script::ScriptTimer {
    public:
        explicit HeldTimer(TimerHandle timer) : m_timer(std::move(timer)) {}

    private:
        TimerHandle m_timer;
    };
    host.StartTimer =
        [&timers](int32_t lngMilliseconds,
                  std::function<void()> fnDue) -> std::unique_ptr<script::ScriptTimer> {
        return std::make_unique<HeldTimer>(timers.Start(lngMilliseconds, std::move(fnDue)));
    };
}

} // namespace ata
