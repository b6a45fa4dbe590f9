#include "app/platform/ReactorTimerService.h"

#include "app/platform/Reactor.h"

#include <cerrno>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace ata {

ReactorTimerService::ReactorTimerService(Reactor& reactor) : m_reactor(reactor) {
    m_fdTimer.Reset(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
    if (!m_fdTimer)
        throw std::system_error(errno, std::generic_category(), "timerfd_create");
    m_lngWatch = m_reactor.Add(m_fdTimer.Get(), EPOLLIN, [this](uint32_t) { OnReadable(); });
}

ReactorTimerService::~ReactorTimerService() {
    m_reactor.Remove(m_lngWatch);
}

uint64_t ReactorTimerService::StartTimer(int32_t lngMilliseconds, std::function<void()> fnDue) {
    const uint64_t lngId = m_lngNextId++;
    Timer& timer = m_timers[lngId];
    timer.fnDue = std::make_shared<std::function<void()>>(std::move(fnDue));
    Arm(lngId, timer, lngMilliseconds);
    return lngId;
}

void ReactorTimerService::RestartTimer(uint64_t lngId, int32_t lngMilliseconds) {
    auto it = m_timers.find(lngId);
    if (it != m_timers.end())
        Arm(lngId, it->second, lngMilliseconds);
}

void ReactorTimerService::CancelTimer(uint64_t lngId) noexcept {
    auto it = m_timers.find(lngId);
    if (it == m_timers.end())
        return;
    Disarm(lngId, it->second);
    m_timers.erase(it);
    Program();
}

bool ReactorTimerService::IsTimerArmed(uint64_t lngId) const {
    auto it = m_timers.find(lngId);
    return it != m_timers.end() && it->second.blnArmed;
}

void ReactorTimerService::Arm(uint64_t lngId, Timer& timer, int32_t lngMilliseconds) {
    Disarm(lngId, timer);
    timer.due = Clock::now() + std::chrono::milliseconds(lngMilliseconds > 0 ? lngMilliseconds : 0);
    timer.blnArmed = true;
    ++timer.lngArming;
    m_queDue.emplace(timer.due, lngId);
    Program();
}

void ReactorTimerService::Disarm(uint64_t lngId, Timer& timer) noexcept {
    if (timer.blnArmed)
        m_queDue.erase({timer.due, lngId});
    timer.blnArmed = false;
}

void ReactorTimerService::Program() noexcept {
    itimerspec spec{};
    if (m_queDue.empty()) {
        if (!m_blnProgrammed)
            return;
        m_blnProgrammed = false;
    } else {
        const Clock::time_point due = m_queDue.begin()->first;
        if (m_blnProgrammed && due == m_programmed)
            return;
        // A relative time: a due time already past still needs a non-zero value, since zero
        // would disarm the timerfd.
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(due - Clock::now()).count();
        if (ns < 1)
            ns = 1;
        spec.it_value.tv_sec = static_cast<time_t>(ns / 1000000000);
        spec.it_value.tv_nsec = static_cast<long>(ns % 1000000000);
        m_blnProgrammed = true;
        m_programmed = due;
    }
    // Setting the timerfd also clears an expiry not read yet.
    ::timerfd_settime(m_fdTimer.Get(), 0, &spec, nullptr);
}

void ReactorTimerService::OnReadable() {
    uint64_t lngExpiries = 0;
    [[maybe_unused]] const ssize_t n = ::read(m_fdTimer.Get(), &lngExpiries, sizeof lngExpiries);
    m_blnProgrammed = false; // the one-shot timerfd has run down (or was read by a nested pass)

    // Take every timer that is due now, then call them one by one. A callback may cancel,
    // restart or start timers, or run a nested pass; a timer is called only if it is still the
    // same arming that was found due.
    const Clock::time_point now = Clock::now();
    std::vector<std::pair<uint64_t, uint64_t>> vecDue; // id, arming
    while (!m_queDue.empty() && m_queDue.begin()->first <= now) {
        const uint64_t lngId = m_queDue.begin()->second;
        m_queDue.erase(m_queDue.begin());
        Timer& timer = m_timers.at(lngId);
        timer.blnArmed = false;
        vecDue.emplace_back(lngId, timer.lngArming);
    }
    Program();
    for (const auto& [lngId, lngArming] : vecDue) {
        auto it = m_timers.find(lngId);
        if (it == m_timers.end() || it->second.blnArmed || it->second.lngArming != lngArming)
            continue;
        const std::shared_ptr<std::function<void()>> fnDue = it->second.fnDue;
        ++it->second.lngArming; // a second nested look at this firing finds it stale
        (*fnDue)();
    }
}

} // namespace ata
