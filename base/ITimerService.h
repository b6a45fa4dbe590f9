#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace ata {

class ITimerService;

// One timer of a timer service, owned by whoever started it. Cancelling or destroying the
// handle guarantees that its callback is never called afterwards, also when it was already
// due. The service must outlive its handles.
class TimerHandle {
public:
    TimerHandle() noexcept = default;
    TimerHandle(ITimerService& service, uint64_t lngId) noexcept
        : m_pService(&service), m_lngId(lngId) {}
    ~TimerHandle() { Cancel(); }
    TimerHandle(TimerHandle&& other) noexcept
        : m_pService(std::exchange(other.m_pService, nullptr)), m_lngId(other.m_lngId) {}
    TimerHandle& operator=(TimerHandle&& other) noexcept {
        if (this != &other) {
            Cancel();
            m_pService = std::exchange(other.m_pService, nullptr);
            m_lngId = other.m_lngId;
        }
        return *this;
    }
    TimerHandle(const TimerHandle&) = delete;
    TimerHandle& operator=(const TimerHandle&) = delete;

    // Arms the timer again, lngMilliseconds from now; a due time still pending is replaced.
    // Works also after the timer has fired, and from inside its own callback.
    void Restart(int32_t lngMilliseconds);
    // Forgets the timer and its callback, also from inside that callback; the handle is empty
    // afterwards.
    void Cancel() noexcept;
    // True while the timer waits for its due time.
    bool IsArmed() const;
    explicit operator bool() const noexcept { return m_pService != nullptr; }

private:
    ITimerService* m_pService = nullptr;
    uint64_t m_lngId = 0;
};

// One-shot timers of the event loop: a callback runs once, from the event loop of the thread
// that started it, when its due time has come. Never from inside Start or Restart.
class ITimerService {
public:
    virtual ~ITimerService() = default;

    // Calls fnDue once, lngMilliseconds (0 or more) from now.
    [[nodiscard]] TimerHandle Start(int32_t lngMilliseconds, std::function<void()> fnDue) {
        return TimerHandle(*this, StartTimer(lngMilliseconds, std::move(fnDue)));
    }

protected:
    friend class TimerHandle;
    virtual uint64_t StartTimer(int32_t lngMilliseconds, std::function<void()> fnDue) = 0;
    virtual void RestartTimer(uint64_t lngId, int32_t lngMilliseconds) = 0;
    virtual void CancelTimer(uint64_t lngId) noexcept = 0;
    virtual bool IsTimerArmed(uint64_t lngId) const = 0;
};

inline void TimerHandle::Restart(int32_t lngMilliseconds) {
    if (m_pService)
        m_pService->RestartTimer(m_lngId, lngMilliseconds);
}

inline void TimerHandle::Cancel() noexcept {
    if (m_pService)
        std::exchange(m_pService, nullptr)->CancelTimer(m_lngId);
}

inline bool TimerHandle::IsArmed() const {
    return m_pService && m_pService->IsTimerArmed(m_lngId);
}

} // namespace ata
