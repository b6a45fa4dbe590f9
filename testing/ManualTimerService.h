#pragma once

#include "base/ITimerService.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace ata::test {

// Timers on a clock that only the test moves: Advance fires the timers that come due, in
// due-time order, with the clock standing at each one's due time.
class ManualTimerService : public ITimerService {
public:
    int64_t lngNowMs = 0;

    void Advance(int64_t lngMs) {
        const int64_t lngTarget = lngNowMs + lngMs;
        while (true) {
            auto next = m_timers.end();
            for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
                if (it->second.blnArmed && it->second.lngDue <= lngTarget &&
                    (next == m_timers.end() || it->second.lngDue < next->second.lngDue))
                    next = it;
            if (next == m_timers.end())
                break;
            lngNowMs = next->second.lngDue;
            next->second.blnArmed = false;
            const auto fnDue = next->second.fnDue; // the callback may cancel its own timer
            (*fnDue)();
        }
        lngNowMs = lngTarget;
    }
    // Moves the clock on to the earliest due time and fires what is due then; false when no
    // timer is armed.
    bool AdvanceToNext() {
        std::optional<int64_t> optDue;
        for (const auto& [id, timer] : m_timers)
            if (timer.blnArmed && (!optDue || timer.lngDue < *optDue))
                optDue = timer.lngDue;
        if (optDue)
            Advance(std::max<int64_t>(*optDue - lngNowMs, 0));
        return optDue.has_value();
    }
    double Seconds() const { return static_cast<double>(lngNowMs) / 1000.0; }
    size_t ArmedCount() const {
        size_t n = 0;
        for (const auto& [id, timer] : m_timers)
            n += timer.blnArmed ? 1 : 0;
        return n;
    }

protected:
    uint64_t StartTimer(int32_t lngMilliseconds, std::function<void()> fnDue) override {
        m_timers[m_lngNextId] = {std::make_shared<std::function<void()>>(std::move(fnDue)),
                                 lngNowMs + lngMilliseconds, true};
        return m_lngNextId++;
    }
    void RestartTimer(uint64_t lngId, int32_t lngMilliseconds) override {
        auto it = m_timers.find(lngId);
        if (it != m_timers.end()) {
            it->second.lngDue = lngNowMs + lngMilliseconds;
            it->second.blnArmed = true;
        }
    }
    void CancelTimer(uint64_t lngId) noexcept override { m_timers.erase(lngId); }
    bool IsTimerArmed(uint64_t lngId) const override {
        auto it = m_timers.find(lngId);
        return it != m_timers.end() && it->second.blnArmed;
    }

private:
    struct Timer {
        std::shared_ptr<std::function<void()>> fnDue;
        int64_t lngDue = 0;
        bool blnArmed = false;
    };
    std::map<uint64_t, Timer> m_timers;
    uint64_t m_lngNextId = 1;
};

} // namespace ata::test
