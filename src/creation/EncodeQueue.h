// A bounded queue of tasks run in order on one encoder thread, so rendering and encoding overlap.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace trov {

// The frame loop posts "write this frame", "close this part", "paste that part" as tasks; the
// encoder thread runs them strictly in posting order. Post blocks while `capacity` tasks wait,
// which bounds the memory held by frames in flight. With capacity 0 tasks run at once on the
// posting thread (no encoder thread), which keeps single-threaded use possible.
class CEncodeQueue {
public:
    explicit CEncodeQueue(size_t capacity = 3);
    ~CEncodeQueue();
    CEncodeQueue(const CEncodeQueue&) = delete;
    CEncodeQueue& operator=(const CEncodeQueue&) = delete;

    void Post(std::function<void()> task);
    // Waits until every task posted so far has run.
    void Flush();
    // Runs fn on the encoder thread after everything posted so far, and waits for it.
    void RunAndWait(const std::function<void()>& fn);

private:
    void Body();

    size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_cond;
    std::deque<std::function<void()>> m_tasks;
    bool m_running = false;  // a task is executing
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace trov
