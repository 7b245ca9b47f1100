// Work split across threads, the way FFmpeg's execute() runs slices: a number of independent
// jobs, a number of threads (the caller's included), each thread taking the next job not yet
// taken. A thread that cannot be started (resource limits) leaves its jobs to the others, so the
// work is always done, on fewer cores at worst.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

namespace trov {

// Caps the threads of every ExecuteJobs / ParallelRows call made on this thread while it lives
// (the calling thread counts as one): code that already runs side by side with other threads
// keeps its nested work to itself. Scopes nest; the innermost cap counts. Threads started by the
// calls themselves are not capped.
class CScopedJobThreadLimit {
public:
    explicit CScopedJobThreadLimit(int threads) : m_previous(Cap()) { Cap() = std::max(threads, 1); }
    ~CScopedJobThreadLimit() { Cap() = m_previous; }
    CScopedJobThreadLimit(const CScopedJobThreadLimit&) = delete;
    CScopedJobThreadLimit& operator=(const CScopedJobThreadLimit&) = delete;

    // This thread's cap; 0 when there is none.
    static int Current() { return Cap(); }

private:
    static int& Cap() {
        thread_local int cap = 0;
        return cap;
    }
    int m_previous;
};

// Runs job(0) ... job(count - 1) on up to `threads` threads (fewer under a CScopedJobThreadLimit).
// job must not throw.
template <typename Job>
void ExecuteJobs(int count, int threads, Job&& job) {
    if (count <= 0) return;
    if (const int cap = CScopedJobThreadLimit::Current(); cap > 0) threads = std::min(threads, cap);
    threads = std::clamp(threads, 1, count);
    std::atomic<int> next{0};
    auto work = [&] {
        for (int k = next++; k < count; k = next++) job(k);
    };
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(size_t(threads - 1));
        for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
    } catch (const std::exception&) {
        // no more threads to be had: the ones there are do the rest
    }
    work();
    for (std::thread& t : helpers) t.join();
}

// Runs fn(begin, end) over the rows [0, n) cut into `parts` contiguous slices, one job each.
// Slice boundaries are n * p / parts rounded down to a multiple of `align` (2 keeps the row pairs
// of 4:2:0 chroma together). fn must not throw.
template <typename Fn>
void ParallelRows(int n, int parts, Fn&& fn, int align = 1) {
    if (n <= 0) return;
    parts = std::clamp(parts, 1, n);
    align = std::max(align, 1);
    auto boundary = [&](int p) {
        if (p >= parts) return n;
        const int b = int(int64_t(n) * p / parts);
        return b - b % align;
    };
    ExecuteJobs(parts, parts, [&](int p) {
        const int b = boundary(p), e = boundary(p + 1);
        if (b < e) fn(b, e);
    });
}

}  // namespace trov
