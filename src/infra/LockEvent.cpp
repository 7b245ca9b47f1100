// Recursive lock plus an auto-reset event and a one-byte flag.
#include "infra/LockEvent.h"

#include <chrono>

namespace trov {

CLockEvent::CLockEvent(bool manualReset) : m_manualReset(manualReset) {}

void CLockEvent::Lock() {
    m_mutex.lock();
}

void CLockEvent::Unlock() {
    m_mutex.unlock();
}

bool CLockEvent::Wait(unsigned timeoutMs) {
    std::unique_lock<std::mutex> lk(m_eventMutex);
    bool got = true;
    if (timeoutMs == 0) {
        m_eventCond.wait(lk, [this] { return m_signalled; });
    } else {
        got = m_eventCond.wait_for(lk, std::chrono::milliseconds(timeoutMs), [this] { return m_signalled; });
    }
    m_signalled = false;
    return got;
}

void CLockEvent::Signal() {
    {
        std::lock_guard<std::mutex> lk(m_eventMutex);
        m_signalled = true;
    }
    if (m_manualReset)
        m_eventCond.notify_all();
    else
        m_eventCond.notify_one();
}

void CLockEvent::Reset() {
    std::lock_guard<std::recursive_mutex> g(m_mutex);
    {
        std::lock_guard<std::mutex> lk(m_eventMutex);
        m_signalled = false;
    }
    m_flag = false;
}

bool CLockEvent::GetFlag() {
    std::lock_guard<std::recursive_mutex> g(m_mutex);
    return m_flag;
}

void CLockEvent::SetFlag(bool value) {
    std::lock_guard<std::recursive_mutex> g(m_mutex);
    m_flag = value;
}

}  // namespace trov
