#include "app/platform/Reactor.h"

#include <cerrno>
#include <cstdint>
#include <system_error>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace ata {

namespace {
constexpr uint64_t kWakeWatch = 0; // epoll data of the eventfd; real watches start at 1
constexpr int kMaxEvents = 64;
} // namespace

Reactor::Reactor() {
    m_fdEpoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (m_fdEpoll < 0) {
        throw std::system_error(errno, std::generic_category(), "epoll_create1");
    }
    m_fdWake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_fdWake < 0) {
        const int intErr = errno;
        ::close(m_fdEpoll);
        throw std::system_error(intErr, std::generic_category(), "eventfd");
    }
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = kWakeWatch;
    if (::epoll_ctl(m_fdEpoll, EPOLL_CTL_ADD, m_fdWake, &ev) != 0) {
        const int intErr = errno;
        ::close(m_fdWake);
        ::close(m_fdEpoll);
        throw std::system_error(intErr, std::generic_category(), "epoll_ctl");
    }
}

Reactor::~Reactor() {
    ::close(m_fdWake);
    ::close(m_fdEpoll);
}

uint64_t Reactor::Add(int fd, uint32_t lngEvents, Handler handler) {
    const uint64_t lngWatch = m_lngNextWatch++;
    epoll_event ev{};
    ev.events = lngEvents;
    ev.data.u64 = lngWatch;
    if (::epoll_ctl(m_fdEpoll, EPOLL_CTL_ADD, fd, &ev) != 0) {
        throw std::system_error(errno, std::generic_category(), "epoll_ctl add");
    }
    m_watches.emplace(lngWatch,
                      Watch{fd, lngEvents, std::make_shared<Handler>(std::move(handler))});
    return lngWatch;
}

void Reactor::Modify(uint64_t lngWatch, uint32_t lngEvents) {
    auto it = m_watches.find(lngWatch);
    if (it == m_watches.end() || it->second.lngEvents == lngEvents) {
        return;
    }
    epoll_event ev{};
    ev.events = lngEvents;
    ev.data.u64 = lngWatch;
    if (::epoll_ctl(m_fdEpoll, EPOLL_CTL_MOD, it->second.fd, &ev) == 0) {
        it->second.lngEvents = lngEvents;
    }
}

void Reactor::Remove(uint64_t lngWatch) {
    auto it = m_watches.find(lngWatch);
    if (it == m_watches.end()) {
        return;
    }
    ::epoll_ctl(m_fdEpoll, EPOLL_CTL_DEL, it->second.fd, nullptr);
    m_watches.erase(it);
}

void Reactor::Post(Task task) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_posted.push_back(std::move(task));
    }
    const uint64_t lngOne = 1;
    // A full counter still leaves the eventfd readable, so a failed write loses nothing.
    [[maybe_unused]] ssize_t n = ::write(m_fdWake, &lngOne, sizeof lngOne);
}

bool Reactor::RunPosted() {
    std::vector<Task> tasks;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        tasks.swap(m_posted);
    }
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        tasks[i]();
    }
    return !tasks.empty();
}

bool Reactor::RunOnce(int lngTimeoutMs) {
    epoll_event events[kMaxEvents];
    int n = ::epoll_wait(m_fdEpoll, events, kMaxEvents, lngTimeoutMs);
    if (n < 0) {
        n = 0; // EINTR: nothing ready this pass
    }
    bool blnRan = false;
    for (int i = 0; i < n; ++i) {
        const uint64_t lngWatch = events[i].data.u64;
        if (lngWatch == kWakeWatch) {
            uint64_t lngCount = 0;
            [[maybe_unused]] ssize_t r = ::read(m_fdWake, &lngCount, sizeof lngCount);
            continue;
        }
        // A handler earlier in this pass (or a nested pass) may have removed this watch.
        auto it = m_watches.find(lngWatch);
        if (it == m_watches.end()) {
            continue;
        }
        std::shared_ptr<Handler> handler = it->second.handler;
        blnRan = true;
        (*handler)(events[i].events);
    }
    if (RunPosted()) {
        blnRan = true;
    }
    return blnRan;
}

void Reactor::RunUntilIdle() {
    while (RunOnce(0)) {
    }
}

} // namespace ata
