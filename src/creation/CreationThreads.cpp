// Pool worker with cooperative pause and best-effort priorities; the progress timer.
#include "creation/CreationThreads.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "infra/MessagePipelines.h"

namespace trov {

int PriorityLevelFromName(const std::string& name) {
    static const struct {
        const char* name;
        int level;
    } table[] = {{"Highest", 6}, {"High", 5}, {"Normal", 4}, {"Low", 3},
                 {"Lowest", 2},  {"Idle", 1}, {"Pause", 0}};
    for (const auto& e : table)
        if (name == e.name) return e.level;
    return -1;
}

// ---- CPoolWorker ----

CPoolWorker::CPoolWorker() {
    m_thread = std::thread([this] { Body(); });
}

CPoolWorker::~CPoolWorker() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        // A paused job must be able to finish.
        m_level = kPriorityNormal;
    }
    m_cond.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

bool CPoolWorker::Submit(std::function<void()> job) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_busy || m_stop) return false;
    m_job = std::move(job);
    m_busy = true;
    m_cond.notify_all();
    return true;
}

void CPoolWorker::WaitIdle() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cond.wait(lock, [this] { return !m_busy; });
}

bool CPoolWorker::IsBusy() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_busy;
}

void CPoolWorker::Body() {
    m_tid = static_cast<int>(::syscall(SYS_gettid));
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_cond.wait(lock, [this] { return m_stop || m_job; });
        if (!m_job) return;  // stopping with nothing to do
        std::function<void()> job = std::move(m_job);
        m_job = nullptr;
        lock.unlock();
        job();
        lock.lock();
        m_busy = false;
        m_cond.notify_all();
        if (m_stop) return;
    }
}

namespace {

// Best effort: without privileges a thread may lower but not raise its priority.
void ApplyPriorityTo(pthread_t thread, int tid, int level) {
    sched_param param{};
    if (level == kPriorityIdle) {
        param.sched_priority = 0;
        pthread_setschedparam(thread, SCHED_IDLE, &param);
        return;
    }
    pthread_setschedparam(thread, SCHED_OTHER, &param);
    static const int niceOf[7] = {0, 19, 15, 5, 0, -5, -10};
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceOf[level]);
}

}  // namespace

void ApplyThreadPriority(int level) {
    if (level <= kPriorityPause || level > kPriorityHighest) return;
    ApplyPriorityTo(pthread_self(), static_cast<int>(::syscall(SYS_gettid)), level);
}

void CPoolWorker::ApplyPriority(int level) {
    int tid = m_tid.load();
    if (tid == 0) return;
    ApplyPriorityTo(m_thread.native_handle(), tid, level);
    m_applied = level;
}

void CPoolWorker::SetPriority(int level) {
    if (level < kPriorityPause || level > kPriorityHighest) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_level = level;
    }
    if (level != kPriorityPause) ApplyPriority(level);
    m_cond.notify_all();
}

void CPoolWorker::CheckPause() {
    if (m_level.load() != kPriorityPause) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cond.wait(lock, [this] { return m_level.load() != kPriorityPause || m_stop; });
}

// ---- CProgressTimer ----

CProgressTimer::CProgressTimer(std::string name, CMessagePipelines* pipelines)
    : m_name(std::move(name)), m_pipelines(pipelines) {}

CProgressTimer::~CProgressTimer() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_cond.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

std::string CProgressTimer::FormatTime(long long seconds) {
    if (seconds < 0) seconds = 0;
    long long hours = (seconds / 3600) % 24;
    long long minutes = (seconds / 60) % 60;
    long long secs = seconds % 60;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", hours, minutes, secs);
    return buf;
}

long long CProgressTimer::RemainingSeconds(long long elapsed, int done, int total) {
    double perUnit = done > 0 ? static_cast<double>(elapsed) / done : static_cast<double>(elapsed);
    double remaining = static_cast<double>(total - done) * perUnit;
    if (!(remaining > 0)) return 0;
    if (remaining > 9e15) return static_cast<long long>(9e15);
    return static_cast<long long>(remaining);
}

void CProgressTimer::Start() {
    Stop();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = false;
    m_thread = std::thread([this] { Body(); });
}

void CProgressTimer::Stop() {
    bool wasRunning = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        wasRunning = m_thread.joinable();
        m_stop = true;
    }
    m_cond.notify_all();
    if (wasRunning) {
        m_thread.join();
        if (m_pipelines) m_pipelines->Send(m_name + "_RemainingTime", FormatTime(0));
    }
}

bool CProgressTimer::IsRunning() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_thread.joinable() && !m_stop;
}

void CProgressTimer::SetCounts(int done, int total) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_done = done;
    m_total = total;
}

void CProgressTimer::Body() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        long long elapsed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
        int done = m_done, total = m_total;
        lock.unlock();
        if (m_pipelines) {
            m_pipelines->Send(m_name + "_CurrentTime", FormatTime(elapsed));
            m_pipelines->Send(m_name + "_RemainingTime", FormatTime(RemainingSeconds(elapsed, done, total)));
        }
        lock.lock();
        auto wait = std::chrono::milliseconds(elapsed > 9 ? 950 : 500);
        m_cond.wait_for(lock, wait, [this] { return m_stop; });
    }
}

}  // namespace trov
