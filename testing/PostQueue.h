#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace ata::test {

// Stands in for the UI loop's post queue: any thread posts, the test runs them as it yields.
class PostQueue {
public:
    void Post(std::function<void()> fn) {
        std::lock_guard<std::mutex> lock(m_mtx);
        m_queue.push_back(std::move(fn));
        m_cvPosted.notify_all();
    }
    // Blocks until something is waiting to run or the deadline passes; true when something is.
    bool WaitForPost(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock<std::mutex> lock(m_mtx);
        return m_cvPosted.wait_until(lock, deadline, [this] { return !m_queue.empty(); });
    }
    // Runs everything posted so far (and whatever those callbacks post).
    void Drain() {
        for (std::function<void()> fn; Pop(fn);)
            fn();
    }
    size_t Size() {
        std::lock_guard<std::mutex> lock(m_mtx);
        return m_queue.size();
    }

private:
    bool Pop(std::function<void()>& fn) {
        std::lock_guard<std::mutex> lock(m_mtx);
        if (m_queue.empty())
            return false;
        fn = std::move(m_queue.front());
        m_queue.pop_front();
        return true;
    }
    std::mutex m_mtx;
    std::condition_variable m_cvPosted;
    std::deque<std::function<void()>> m_queue;
};

} // namespace ata::test
