// Ordered, bounded rendering of independent frames on a few worker threads.
#include "creation/FrameRenderPool.h"

#include <climits>

#include "infra/ParallelRows.h"

namespace trov {

// One RunIndexed call, shared with the workers under m_mutex.
struct CFrameRenderPool::Phase {
    int count = 0;
    int window = 1;
    const std::function<void(int, int)>* render = nullptr;
    int next = 0;            // the next frame to hand out
    int consumed = 0;        // frames taken by the caller
    int busy = 0;            // workers rendering a frame of this phase
    std::vector<int> ready;  // ready[j % window] == j once frame j is rendered
    bool stop = false;       // hand out no more frames
    int failedAt = INT_MAX;  // the first frame whose render threw
    std::exception_ptr error;
};

CFrameRenderPool::CFrameRenderPool(int threads, std::function<void(int worker)> threadSetup)
    : m_setup(std::move(threadSetup)) {
    threads = threads < 1 ? 1 : threads;
    try {
        m_threads.reserve(static_cast<size_t>(threads));
        for (int t = 0; t < threads; ++t) m_threads.emplace_back([this, t] { Body(t); });
    } catch (const std::exception&) {
        // fewer threads than asked for (resource limits): the ones there are do the work
    }
}

CFrameRenderPool::~CFrameRenderPool() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_cond.notify_all();
    for (std::thread& t : m_threads) t.join();
}

void CFrameRenderPool::Body(int worker) {
    // The frames are the parallel work: what a frame's code would split across threads itself
    // runs on this thread, so the cores are not oversubscribed.
    CScopedJobThreadLimit serial(1);
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_cond.wait(lock, [this] {
            const Phase* p = m_phase;
            return m_quit || (p && !p->stop && p->next < p->count && p->next < p->consumed + p->window);
        });
        if (m_quit) return;
        Phase& p = *m_phase;
        const int j = p.next++;
        ++p.busy;
        lock.unlock();
        std::exception_ptr error;
        try {
            if (m_setup) m_setup(worker);
            (*p.render)(worker, j);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        --p.busy;
        if (error) {
            p.stop = true;
            if (j < p.failedAt) {
                p.failedAt = j;
                p.error = error;
            }
        } else {
            p.ready[static_cast<size_t>(j % p.window)] = j;
        }
        m_cond.notify_all();
    }
}

int CFrameRenderPool::RunIndexed(int count, const std::function<void(int worker, int j)>& render,
                                 const std::function<bool(int j)>& consume) {
    if (count <= 0) return 0;
    if (m_threads.empty()) {
        // No worker could be started: the frames one after the other, here.
        int j = 0;
        while (j < count) {
            render(0, j);
            ++j;
            if (!consume(j - 1)) break;
        }
        return j;
    }
    Phase phase;
    phase.count = count;
    phase.window = MaxInFlight();
    phase.render = &render;
    phase.ready.assign(static_cast<size_t>(phase.window), -1);
    std::exception_ptr consumeError;
    bool renderFailed = false;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_phase = &phase;
    m_cond.notify_all();
    for (int j = 0; j < count; ++j) {
        const size_t slot = static_cast<size_t>(j % phase.window);
        m_cond.wait(lock, [&] { return phase.ready[slot] == j || j >= phase.failedAt; });
        if (phase.ready[slot] != j) {  // its render threw
            renderFailed = true;
            break;
        }
        lock.unlock();
        bool go = false;
        try {
            go = consume(j);
        } catch (...) {
            consumeError = std::current_exception();
        }
        lock.lock();
        phase.ready[slot] = -1;
        ++phase.consumed;
        m_cond.notify_all();
        if (!go) break;
    }
    // Nothing of the phase may run once Run has returned: wait for the frames being rendered.
    phase.stop = true;
    m_cond.wait(lock, [&] { return phase.busy == 0; });
    m_phase = nullptr;
    lock.unlock();
    if (consumeError) std::rethrow_exception(consumeError);
    // A frame after the one that stopped the phase would not have been rendered one by one.
    if (renderFailed) std::rethrow_exception(phase.error);
    return phase.consumed;
}

}  // namespace trov
