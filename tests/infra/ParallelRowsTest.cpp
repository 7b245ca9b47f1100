// Work split across threads: every job and every row exactly once, slice boundaries on the
// alignment, and the degenerate counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "infra/ParallelRows.h"

namespace trov {
namespace {

TEST(ExecuteJobs, RunsEveryJobOnceOnAtMostTheGivenThreads) {
    for (int count : {0, 1, 3, 17, 100}) {
        for (int threads : {-1, 0, 1, 2, 4, 200}) {
            std::vector<std::atomic<int>> runs(size_t(count > 0 ? count : 0));
            std::mutex mutex;
            std::vector<std::thread::id> ids;
            ExecuteJobs(count, threads, [&](int k) {
                ++runs[size_t(k)];
                std::lock_guard<std::mutex> lock(mutex);
                ids.push_back(std::this_thread::get_id());
            });
            for (int k = 0; k < count; ++k)
                EXPECT_EQ(runs[size_t(k)].load(), 1) << count << " " << threads << " " << k;
            std::sort(ids.begin(), ids.end());
            const auto distinct = std::unique(ids.begin(), ids.end()) - ids.begin();
            EXPECT_LE(distinct, std::max(1, std::min(threads, count)));
        }
    }
}

TEST(ParallelRows, CoversEveryRowOnceWithAlignedBoundaries) {
    for (int n : {0, 1, 2, 7, 8, 33, 1080}) {
        for (int parts : {0, 1, 2, 3, 8, 2000}) {
            for (int align : {0, 1, 2, 4}) {
                std::mutex mutex;
                std::vector<std::pair<int, int>> slices;
                ParallelRows(
                    n, parts,
                    [&](int b, int e) {
                        std::lock_guard<std::mutex> lock(mutex);
                        slices.emplace_back(b, e);
                    },
                    align);
                std::sort(slices.begin(), slices.end());
                int at = 0;
                for (auto [b, e] : slices) {
                    EXPECT_EQ(b, at) << n << " " << parts << " " << align;
                    EXPECT_LT(b, e);
                    if (align > 1) {
                        EXPECT_EQ(b % align, 0);
                    }
                    at = e;
                }
                EXPECT_EQ(at, n) << n << " " << parts << " " << align;
                EXPECT_LE(int(slices.size()), std::max(1, parts));
            }
        }
    }
    // Two slices of row pairs: the second starts at the middle row pair.
    std::vector<std::pair<int, int>> two;
    std::mutex mutex;
    ParallelRows(
        14, 2,
        [&](int b, int e) {
            std::lock_guard<std::mutex> lock(mutex);
            two.emplace_back(b, e);
        },
        2);
    std::sort(two.begin(), two.end());
    EXPECT_EQ(two, (std::vector<std::pair<int, int>>{{0, 6}, {6, 14}}));
}

TEST(ExecuteJobs, AScopedLimitCapsTheThreadsOfThisThreadOnlyAndNests) {
    auto distinctThreads = [](int threads) {
        std::mutex mutex;
        std::vector<std::thread::id> ids;
        ExecuteJobs(64, threads, [&](int) {
            std::lock_guard<std::mutex> lock(mutex);
            ids.push_back(std::this_thread::get_id());
            // Long enough that a started helper takes a job.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        });
        std::sort(ids.begin(), ids.end());
        return std::unique(ids.begin(), ids.end()) - ids.begin();
    };
    EXPECT_EQ(CScopedJobThreadLimit::Current(), 0);
    {
        CScopedJobThreadLimit one(1);
        EXPECT_EQ(distinctThreads(4), 1);
        {
            CScopedJobThreadLimit two(2);
            EXPECT_EQ(CScopedJobThreadLimit::Current(), 2);
            EXPECT_LE(distinctThreads(4), 2);
        }
        EXPECT_EQ(CScopedJobThreadLimit::Current(), 1);
        // Another thread is not capped.
        long other = 0;
        std::thread t([&] { other = distinctThreads(3); });
        t.join();
        EXPECT_GE(other, 2);
        // A cap of 0 or less still leaves the calling thread.
        CScopedJobThreadLimit none(0);
        EXPECT_EQ(CScopedJobThreadLimit::Current(), 1);
    }
    EXPECT_EQ(CScopedJobThreadLimit::Current(), 0);
}

}  // namespace
}  // namespace trov
