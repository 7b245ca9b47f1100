// Recursive lock plus an auto-reset event and a one-byte flag; the shared guard of the infrastructure.
#pragma once

#include <condition_variable>
#include <mutex>

namespace trov {

class CLockEvent {
public:
    explicit CLockEvent(bool manualReset = false);
    CLockEvent(const CLockEvent&) = delete;
    CLockEvent& operator=(const CLockEvent&) = delete;

    void Lock();
    void Unlock();
    // Waits for the event; timeoutMs 0 means no limit. Resets the event afterwards.
    // Returns true when the event was signalled, false on timeout.
    bool Wait(unsigned timeoutMs);
    void Signal();
    // Under the lock: resets the event and clears the flag.
    void Reset();

    bool GetFlag();
    void SetFlag(bool value);

private:
    std::recursive_mutex m_mutex;
    std::mutex m_eventMutex;
    std::condition_variable m_eventCond;
    bool m_signalled = false;
    bool m_manualReset;
    bool m_flag = false;
};

// Scoped Lock/Unlock of a CLockEvent.
class CLockEventGuard {
public:
    explicit CLockEventGuard(CLockEvent& lock) : m_lock(lock) { m_lock.Lock(); }
    ~CLockEventGuard() { m_lock.Unlock(); }
    CLockEventGuard(const CLockEventGuard&) = delete;
    CLockEventGuard& operator=(const CLockEventGuard&) = delete;

private:
    CLockEvent& m_lock;
};

}  // namespace trov
