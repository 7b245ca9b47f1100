// Frames of one phase rendered side by side on worker threads and handed back in their order.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace trov {

// A fixed set of worker threads that render the frames j = 0 .. count - 1 of a phase, each frame
// on its own, while the calling thread takes them in order of j (and writes them, as it would
// have written them one by one). At most MaxInFlight() frames are being rendered or wait to be
// taken at any time, which bounds the memory they hold. One Run at a time; Run is called from one
// thread (the frame loop's).
class CFrameRenderPool {
public:
    // threads < 1 counts as 1. threadSetup (may be empty) runs on each worker before each frame it
    // renders, with the worker's number (the creation keeps the workers' priority in step there).
    explicit CFrameRenderPool(int threads, std::function<void(int worker)> threadSetup = {});
    ~CFrameRenderPool();
    CFrameRenderPool(const CFrameRenderPool&) = delete;
    CFrameRenderPool& operator=(const CFrameRenderPool&) = delete;

    // Worker threads (0 when none could be started: Run then renders on the calling thread).
    int Threads() const { return static_cast<int>(m_threads.size()); }
    int MaxInFlight() const { return Threads() + 1; }

    // render(worker, j) runs on worker number `worker` (0 .. Threads() - 1) for each j, in
    // increasing j as workers become free; it must not touch what another frame of the phase
    // writes. consume(j) runs on the calling thread, strictly in order of j, after render(j) has
    // finished; false stops the phase. Frame j + MaxInFlight() is not started before consume(j)
    // has returned, so a result may live in slot j % MaxInFlight(). Run returns only when no
    // worker is rendering any more: the number of frames consumed (consume returning false
    // included). An exception of render(j) ends the phase after frames 0 .. j - 1 were consumed
    // and is rethrown here; one of consume is rethrown once the workers have stopped.
    int RunIndexed(int count, const std::function<void(int worker, int j)>& render,
                   const std::function<bool(int j)>& consume);

    // The same with the results carried from render to consume (one per frame in flight).
    template <typename Result>
    int Run(int count, const std::function<Result(int worker, int j)>& render,
            const std::function<bool(int j, Result& result)>& consume) {
        std::vector<std::optional<Result>> held(static_cast<size_t>(MaxInFlight()));
        auto cell = [&](int j) -> std::optional<Result>& {
            return held[static_cast<size_t>(j) % held.size()];
        };
        return RunIndexed(
            count, [&](int worker, int j) { cell(j).emplace(render(worker, j)); },
            [&](int j) {
                std::optional<Result>& s = cell(j);
                const bool go = consume(j, *s);
                s.reset();  // the frame is let go as soon as it is written
                return go;
            });
    }

private:
    struct Phase;
    void Body(int worker);

    std::function<void(int)> m_setup;
    std::mutex m_mutex;
    std::condition_variable m_cond;
    Phase* m_phase = nullptr;
    bool m_quit = false;
    std::vector<std::thread> m_threads;
};

}  // namespace trov
