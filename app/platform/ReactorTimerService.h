#pragma once

#include "base/ITimerService.h"
#include "base/UniqueFd.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <unordered_map>
#include <utility>

namespace ata {

class Reactor;

// Timers on the reactor: one timerfd in the epoll set is kept set to the earliest due time of
// the armed timers and is disarmed when none is armed, so timers that wait for nothing cost no
// wake-ups. Callbacks run from a reactor pass, in due-time order; in the application that is
// whenever Qt sees the epoll descriptor readable, so no Qt timer is needed.
// Declare it after the reactor and before everything that holds its timers.
class ReactorTimerService : public ITimerService {
public:
    explicit ReactorTimerService(Reactor& reactor); // throws std::system_error
    ~ReactorTimerService() override;
    ReactorTimerService(const ReactorTimerService&) = delete;
    ReactorTimerService& operator=(const ReactorTimerService&) = delete;

    // Timers waiting for their due time.
    std::size_t ArmedCount() const noexcept { return m_queDue.size(); }

protected:
    uint64_t StartTimer(int32_t lngMilliseconds, std::function<void()> fnDue) override;
    void RestartTimer(uint64_t lngId, int32_t lngMilliseconds) override;
    void CancelTimer(uint64_t lngId) noexcept override;
    bool IsTimerArmed(uint64_t lngId) const override;

private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        // Shared so that a callback that cancels its own timer keeps running safely.
        std::shared_ptr<std::function<void()>> fnDue;
        Clock::time_point due{};
        uint64_t lngArming = 0; // counts the armings; a stale due entry is recognised by it
        bool blnArmed = false;
    };

    void Arm(uint64_t lngId, Timer& timer, int32_t lngMilliseconds);
    void Disarm(uint64_t lngId, Timer& timer) noexcept;
    // Sets the timerfd to the earliest due time, or disarms it when nothing is armed.
    void Program() noexcept;
    void OnReadable();

    Reactor& m_reactor;
    UniqueFd m_fdTimer;
    uint64_t m_lngWatch = 0;
    uint64_t m_lngNextId = 1;
    std::unordered_map<uint64_t, Timer> m_timers;
    std::set<std::pair<Clock::time_point, uint64_t>> m_queDue; // the armed timers
    bool m_blnProgrammed = false;
    Clock::time_point m_programmed{};
};

} // namespace ata
