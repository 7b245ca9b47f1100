// The threads of a creation: the pool worker that runs it, the progress timer, the GUI-call hand-off.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace trov {

class CMessagePipelines;

// Calls that must run on the GUI thread (video file operations, the creation preparation).
// The GUI installs one that queues into its event loop and waits; headless, the caller's own
// thread runs the call. The creation code does not care which.
class CGuiCallHandoff {
public:
    virtual ~CGuiCallHandoff() = default;
    // Runs fn on the GUI thread and returns when it has finished.
    virtual void Call(const std::function<void()>& fn) = 0;
};

class CDirectHandoff : public CGuiCallHandoff {
public:
    void Call(const std::function<void()>& fn) override { fn(); }
};

// Worker priority levels of the "Thread Priority:" box.
enum WorkerPriority : int {
    kPriorityPause = 0,
    kPriorityIdle = 1,
    kPriorityLowest = 2,
    kPriorityLow = 3,
    kPriorityNormal = 4,
    kPriorityHigh = 5,
    kPriorityHighest = 6,
};

// "Highest" 6, "High" 5, "Normal" 4, "Low" 3, "Lowest" 2, "Idle" 1, "Pause" 0; -1 for other texts.
int PriorityLevelFromName(const std::string& name);

// Gives the calling thread the priority of a level 1..6 (nice values and SCHED_IDLE, as the pool
// worker's); other levels change nothing. Best effort, like CPoolWorker::SetPriority.
void ApplyThreadPriority(int level);

// One pool worker on its own std::thread that runs submitted jobs one at a time.
// Pause is cooperative: the job calls CheckPause() (once per frame) and waits there while paused.
// Priorities map to nice values and SCHED_IDLE, best effort (raising fails silently without privileges).
class CPoolWorker {
public:
    CPoolWorker();
    ~CPoolWorker();
    CPoolWorker(const CPoolWorker&) = delete;
    CPoolWorker& operator=(const CPoolWorker&) = delete;

    // Hands a job over; false when a job is still running.
    bool Submit(std::function<void()> job);
    // Waits until the current job (if any) has finished.
    void WaitIdle();
    bool IsBusy();

    // Level 0 pauses; 1..6 resume and set the priority. Other levels change nothing.
    void SetPriority(int level);
    int GetPriority() const { return m_level.load(); }
    bool IsPaused() const { return m_level.load() == kPriorityPause; }
    // The level last given to the worker's thread (1..6); -1 while it runs as it was started.
    // Threads that work for the job follow it with ApplyThreadPriority.
    int GetAppliedPriority() const { return m_applied.load(); }
    // Called by the running job: blocks while paused. Returns at once otherwise.
    void CheckPause();

    // True when called from the worker's own thread.
    bool IsWorkerThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

private:
    void Body();
    void ApplyPriority(int level);

    std::mutex m_mutex;
    std::condition_variable m_cond;
    std::function<void()> m_job;
    bool m_busy = false;
    bool m_stop = false;
    std::atomic<int> m_level{kPriorityNormal};
    std::atomic<int> m_tid{0};
    std::atomic<int> m_applied{-1};
    std::thread m_thread;
};

// Publishes elapsed and remaining time to name + "_CurrentTime" / "_RemainingTime" while a creation runs:
// every 500 ms in the first 9 seconds, then every 950 ms.
class CProgressTimer {
public:
    CProgressTimer(std::string name, CMessagePipelines* pipelines);
    ~CProgressTimer();
    CProgressTimer(const CProgressTimer&) = delete;
    CProgressTimer& operator=(const CProgressTimer&) = delete;

    void Start();
    // Stops the ticks and sends 00:00:00 as the remaining time.
    void Stop();
    bool IsRunning();
    void SetCounts(int done, int total);

    // "HH:MM:SS" of a number of seconds; whole days are dropped (25 hours -> "01:00:00").
    static std::string FormatTime(long long seconds);
    // Remaining seconds estimated from elapsed seconds and the counts.
    static long long RemainingSeconds(long long elapsed, int done, int total);

private:
    void Body();

    std::string m_name;
    CMessagePipelines* m_pipelines;
    std::mutex m_mutex;
    std::condition_variable m_cond;
    int m_done = 0;
    int m_total = 0;
    bool m_stop = true;
    std::thread m_thread;
};

}  // namespace trov
