#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace ata {

// A single-threaded reactor: an epoll set plus a post queue that any thread may feed (woken by
// an eventfd). Handlers run on the thread that runs the passes (the UI thread).
//
// Headless use (tests):
//     Reactor reactor;
//     LinuxSocketService service(reactor);     // app/platform/LinuxSocketService.h
//     modNetSocket::InstallPlatform(&service);  // net/modNetSocket.h
//     CNetSocket ws; ws.Connect("127.0.0.1", port);
//     while (!done) reactor.RunOnce(100);        // "yield" = reactor.RunOnce() (no wait)
// In the application the Qt binding watches EpollFd() with one QSocketNotifier and runs
// RunOnce() when it becomes readable (app/qt/ReactorNotifier.h).
// Passes may nest: a handler that yields runs a further pass inside the current one.
// Timers run on it too, through one timerfd (app/platform/ReactorTimerService.h).
class Reactor {
public:
    using Handler = std::function<void(uint32_t lngEpollEvents)>;
    using Task = std::function<void()>;

    Reactor(); // throws std::system_error when epoll or the eventfd cannot be made
    ~Reactor();
    Reactor(const Reactor&) = delete;
    Reactor& operator=(const Reactor&) = delete;

    int EpollFd() const noexcept { return m_fdEpoll; }

    // Watches a descriptor; returns a watch id that is never reused. Events is an EPOLL* mask
    // (level-triggered); 0 keeps the descriptor registered but quiet.
    uint64_t Add(int fd, uint32_t lngEvents, Handler handler);
    void Modify(uint64_t lngWatch, uint32_t lngEvents);
    void Remove(uint64_t lngWatch);

    // Queues a task for the next pass; safe from any thread.
    void Post(Task task);

    // One non-blocking pass (or waiting up to lngTimeoutMs for something): runs ready handlers
    // and queued tasks. Returns true if anything ran.
    bool RunOnce(int lngTimeoutMs = 0);
    // Runs passes until one finds nothing to do.
    void RunUntilIdle();

    std::size_t WatchCount() const noexcept { return m_watches.size(); }

private:
    struct Watch {
        int fd;
        uint32_t lngEvents;
        std::shared_ptr<Handler> handler;
    };
    bool RunPosted();

    int m_fdEpoll = -1;
    int m_fdWake = -1;
    uint64_t m_lngNextWatch = 1;
    std::unordered_map<uint64_t, Watch> m_watches;
    std::mutex m_mutex;
    std::vector<Task> m_posted;
};

} // namespace ata
