#pragma once

#include "base/ITimerService.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace ata::test {

// Timers on a clock only the test moves: Advance fires each in due order, at its due time.
class ManualTimerService : public ITimerService {
public:
    void Advance(int64_t lngMs) {
        const int64_t lngTarget = m_lngNowMs + lngMs;
        for (auto next = Next(); next != m_timers.end() && next->second.lngDue <= lngTarget;
             next = Next()) {
            m_lngNowMs = next->second.lngDue;
            next->second.blnArmed = false;
            const auto fnDue = next->second.fnDue; // the callback may cancel its own timer
            (*fnDue)();
        }
        m_lngNowMs = lngTarget;
    }
    // Moves the clock on to the earliest due time and fires what is due then; false when no
    // timer is armed.
    bool AdvanceToNext() {
        const auto next = Next();
        if (next != m_timers.end())
            Advance(std::max<int64_t>(next->second.lngDue - m_lngNowMs, 0));
        return next != m_timers.end();
    }
    double Seconds() const { return static_cast<double>(m_lngNowMs) / 1000.0; }
    size_t ArmedCount() const {
        return std::ranges::count_if(m_timers, [](const auto& p) { return p.second.blnArmed; });
    }

protected:
    uint64_t StartTimer(int32_t lngMilliseconds, std::function<void()> fnDue) override {
        m_timers[m_lngNextId] = {std::make_shared<std::function<void()>>(std::move(fnDue)),
                                 m_lngNowMs + lngMilliseconds, true};
        return m_lngNextId++;
    }
    void RestartTimer(uint64_t lngId, int32_t lngMilliseconds) override {
        if (auto it = m_timers.find(lngId); it != m_timers.end())
            it->second = {it->second.fnDue, m_lngNowMs + lngMilliseconds, true};
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
    // The armed timer due first (the earliest started among equals), or end().
    std::map<uint64_t, Timer>::iterator Next() {
        auto next = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
            if (it->second.blnArmed &&
                (next == m_timers.end() || it->second.lngDue < next->second.lngDue))
                next = it;
        return next;
    }
    std::map<uint64_t, Timer> m_timers;
    int64_t m_lngNowMs = 0;
    uint64_t m_lngNextId = 1;
};

} // namespace ata::test
