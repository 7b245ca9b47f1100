// Bounded in-order task queue on one encoder thread.
#include "creation/EncodeQueue.h"

namespace trov {

CEncodeQueue::CEncodeQueue(size_t capacity) : m_capacity(capacity) {
    if (m_capacity > 0) m_thread = std::thread([this] { Body(); });
}

CEncodeQueue::~CEncodeQueue() {
    Flush();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_cond.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void CEncodeQueue::Post(std::function<void()> task) {
    if (m_capacity == 0) {
        task();
        return;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cond.wait(lock, [this] { return m_tasks.size() < m_capacity; });
    m_tasks.push_back(std::move(task));
    m_cond.notify_all();
}

void CEncodeQueue::Flush() {
    if (m_capacity == 0) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cond.wait(lock, [this] { return m_tasks.empty() && !m_running; });
}

void CEncodeQueue::RunAndWait(const std::function<void()>& fn) {
    Flush();
    fn();
}

void CEncodeQueue::Body() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_cond.wait(lock, [this] { return m_stop || !m_tasks.empty(); });
        if (m_tasks.empty()) return;
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        m_running = true;
        m_cond.notify_all();
        lock.unlock();
        task();
        lock.lock();
        m_running = false;
        m_cond.notify_all();
    }
}

}  // namespace trov
