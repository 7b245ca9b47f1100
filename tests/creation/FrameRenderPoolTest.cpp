// The frame render pool: frames handed back in their order whatever order they finish in, never
// more in flight than the bound, and a phase that stops (the caller stops taking, a render or the
// caller throws) leaves no worker running.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "creation/FrameRenderPool.h"
#include "infra/ParallelRows.h"

namespace trov {
namespace {

using std::chrono::microseconds;

// A per-frame delay from a fixed seed, so frames finish out of their order.
std::vector<int> Delays(int count, int maxMicros, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(0, maxMicros);
    std::vector<int> out(static_cast<size_t>(count));
    for (int& v : out) v = d(rng);
    return out;
}

TEST(FrameRenderPool, HandsFramesBackInTheirOrderAndRendersEachOnce) {
    for (int threads : {1, 2, 3, 5}) {
        CFrameRenderPool pool(threads);
        ASSERT_EQ(pool.Threads(), threads);
        EXPECT_EQ(pool.MaxInFlight(), threads + 1);
        for (int count : {0, 1, 2, 7, 120}) {
            const auto delays = Delays(count, 400, unsigned(threads * 1000 + count));
            std::vector<std::atomic<int>> renders(static_cast<size_t>(count));
            std::set<std::thread::id> renderThreads;
            std::mutex mutex;
            std::vector<int> seen;
            const auto caller = std::this_thread::get_id();
            const int consumed = pool.Run<std::unique_ptr<int>>(
                count,
                [&](int worker, int j) {
                    EXPECT_GE(worker, 0);
                    EXPECT_LT(worker, threads);
                    std::this_thread::sleep_for(microseconds(delays[static_cast<size_t>(j)]));
                    ++renders[static_cast<size_t>(j)];
                    std::lock_guard lock(mutex);
                    renderThreads.insert(std::this_thread::get_id());
                    return std::make_unique<int>(j * 7 + 1);
                },
                [&](int j, std::unique_ptr<int>& r) {
                    EXPECT_EQ(std::this_thread::get_id(), caller);
                    EXPECT_EQ(*r, j * 7 + 1);
                    seen.push_back(j);
                    return true;
                });
            EXPECT_EQ(consumed, count);
            ASSERT_EQ(seen.size(), size_t(count));
            for (int j = 0; j < count; ++j) {
                EXPECT_EQ(seen[size_t(j)], j) << threads << " " << count;
                EXPECT_EQ(renders[size_t(j)].load(), 1);
            }
            // The caller only takes the frames; the workers render them.
            EXPECT_EQ(renderThreads.count(caller), 0u);
            EXPECT_LE(renderThreads.size(), size_t(threads));
        }
    }
}

TEST(FrameRenderPool, NeverHasMoreFramesInFlightThanItsBound) {
    // A slow caller: the workers run ahead until the bound holds them.
    for (int threads : {1, 2, 4}) {
        CFrameRenderPool pool(threads);
        std::atomic<int> inFlight{0}, most{0};
        std::atomic<int> rendered{0};
        const auto delays = Delays(60, 300, 7u + unsigned(threads));
        pool.RunIndexed(
            60,
            [&](int, int j) {
                const int now = ++inFlight;
                int m = most.load();
                while (now > m && !most.compare_exchange_weak(m, now)) {
                }
                std::this_thread::sleep_for(microseconds(delays[static_cast<size_t>(j)]));
                ++rendered;
            },
            [&](int j) {
                // Frame j + bound may not have started before frame j is taken.
                EXPECT_LE(rendered.load(), j + pool.MaxInFlight());
                std::this_thread::sleep_for(microseconds(500));
                --inFlight;
                return true;
            });
        EXPECT_LE(most.load(), pool.MaxInFlight()) << threads;
        EXPECT_GE(most.load(), 2) << threads;  // the frames did overlap
        EXPECT_EQ(inFlight.load(), 0);
    }
}

// After Run returns nothing of the phase runs any more; the renders it started have finished.
void ExpectQuietAfterRun(const std::atomic<int>& running, const std::atomic<int>& started) {
    EXPECT_EQ(running.load(), 0);
    const int before = started.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(started.load(), before);
}

TEST(FrameRenderPool, ACallerThatStopsTakingEndsThePhaseWithNoWorkerLeftRunning) {
    CFrameRenderPool pool(3);
    const auto delays = Delays(200, 300, 11u);
    for (int stopAt : {0, 5, 37}) {
        std::atomic<int> running{0}, started{0};
        int last = -1;
        const int consumed = pool.RunIndexed(
            200,
            [&](int, int j) {
                ++started;
                ++running;
                std::this_thread::sleep_for(microseconds(delays[static_cast<size_t>(j)]));
                --running;
            },
            [&](int j) {
                last = j;
                return j < stopAt;
            });
        EXPECT_EQ(consumed, stopAt + 1);
        EXPECT_EQ(last, stopAt);
        // Only the frames within the bound after the last one taken were started.
        EXPECT_LE(started.load(), stopAt + pool.MaxInFlight());
        ExpectQuietAfterRun(running, started);
    }
    // The pool serves the next phase as before.
    int taken = 0;
    EXPECT_EQ(pool.RunIndexed(
                  10, [](int, int) {}, [&](int j) { return ++taken, j >= 0; }),
              10);
    EXPECT_EQ(taken, 10);
}

TEST(FrameRenderPool, AFailingRenderGivesTheFramesBeforeItAndItsException) {
    CFrameRenderPool pool(3);
    const auto delays = Delays(100, 300, 5u);
    std::atomic<int> running{0}, started{0};
    std::vector<int> seen;
    EXPECT_THROW(pool.RunIndexed(
                     100,
                     [&](int, int j) {
                         ++started;
                         ++running;
                         std::this_thread::sleep_for(microseconds(delays[static_cast<size_t>(j)]));
                         --running;
                         // Two frames fail; the earlier one counts, whichever finishes first.
                         if (j == 23 || j == 21) throw std::runtime_error(j == 21 ? "21" : "23");
                     },
                     [&](int j) {
                         seen.push_back(j);
                         return true;
                     }),
                 std::runtime_error);
    ASSERT_EQ(seen.size(), 21u);
    for (int j = 0; j < 21; ++j) EXPECT_EQ(seen[size_t(j)], j);
    ExpectQuietAfterRun(running, started);

    // A failure after the frame the caller stopped at is not the caller's concern.
    EXPECT_EQ(pool.RunIndexed(
                  50,
                  [](int, int j) {
                      if (j == 3) throw std::runtime_error("past the stop");
                  },
                  [](int j) { return j < 1; }),
              2);

    // An exception of the caller reaches it once the workers have stopped.
    running = 0;
    started = 0;
    try {
        pool.RunIndexed(
            100,
            [&](int, int j) {
                ++started;
                ++running;
                std::this_thread::sleep_for(microseconds(delays[static_cast<size_t>(j)]));
                --running;
            },
            [](int j) {
                if (j == 9) throw std::logic_error("writer");
                return true;
            });
        ADD_FAILURE() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "writer");
    }
    ExpectQuietAfterRun(running, started);
}

TEST(FrameRenderPool, WorkersRunTheirSetupAndKeepNestedWorkToThemselves) {
    std::vector<std::atomic<int>> setups(2);
    CFrameRenderPool pool(2, [&](int worker) { ++setups[static_cast<size_t>(worker)]; });
    std::atomic<int> nestedThreads{0}, caps{0};
    pool.RunIndexed(
        20,
        [&](int, int) {
            if (CScopedJobThreadLimit::Current() == 1) ++caps;
            std::mutex mutex;
            std::set<std::thread::id> ids;
            ExecuteJobs(8, 8, [&](int) {
                std::lock_guard lock(mutex);
                ids.insert(std::this_thread::get_id());
            });
            nestedThreads.fetch_add(int(ids.size()));
        },
        [](int) { return true; });
    EXPECT_EQ(setups[0].load() + setups[1].load(), 20);
    EXPECT_EQ(caps.load(), 20);
    EXPECT_EQ(nestedThreads.load(), 20);  // one thread each: the worker's own
    // The caller's own nested work is not capped.
    EXPECT_EQ(CScopedJobThreadLimit::Current(), 0);
}

}  // namespace
}  // namespace trov
