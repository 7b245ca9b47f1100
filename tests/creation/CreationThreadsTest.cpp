// Worker pause and priorities, the progress timer's arithmetic, and the in-order encode queue.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "creation/CreationThreads.h"
#include "creation/EncodeQueue.h"

namespace trov {
namespace {

TEST(ProgressTimer, TimesAreHoursMinutesSecondsWithoutDays) {
    EXPECT_EQ(CProgressTimer::FormatTime(0), "00:00:00");
    EXPECT_EQ(CProgressTimer::FormatTime(3723), "01:02:03");
    EXPECT_EQ(CProgressTimer::FormatTime(25 * 3600), "01:00:00");
    EXPECT_EQ(CProgressTimer::FormatTime(-5), "00:00:00");
}

TEST(ProgressTimer, RemainingTimeFollowsTheRateSoFar) {
    // Nothing done yet: total x elapsed.
    EXPECT_EQ(CProgressTimer::RemainingSeconds(10, 0, 5), 50);
    EXPECT_EQ(CProgressTimer::RemainingSeconds(10, 5, 5), 0);
    // 10 s for 4 frames -> 2.5 s each, 6 left -> 15 s.
    EXPECT_EQ(CProgressTimer::RemainingSeconds(10, 4, 10), 15);
    EXPECT_EQ(CProgressTimer::RemainingSeconds(7, 9, 3), 0);
}

TEST(PoolWorker, PriorityNamesMapToLevels) {
    EXPECT_EQ(PriorityLevelFromName("Highest"), 6);
    EXPECT_EQ(PriorityLevelFromName("Normal"), 4);
    EXPECT_EQ(PriorityLevelFromName("Idle"), 1);
    EXPECT_EQ(PriorityLevelFromName("Pause"), 0);
    EXPECT_EQ(PriorityLevelFromName("normal"), -1);
}

TEST(PoolWorker, PausedJobWaitsAtItsNextCheckAndResumesAtIdle) {
    CPoolWorker worker;
    std::atomic<int> steps{0};
    worker.SetPriority(kPriorityPause);
    ASSERT_TRUE(worker.Submit([&] {
        for (int i = 0; i < 3; ++i) {
            worker.CheckPause();
            ++steps;
        }
    }));
    EXPECT_FALSE(worker.Submit([] {}));  // one job at a time
    EXPECT_EQ(steps.load(), 0);
    EXPECT_TRUE(worker.IsPaused());
    worker.SetPriority(kPriorityIdle);
    worker.WaitIdle();
    EXPECT_EQ(steps.load(), 3);
    EXPECT_EQ(worker.GetPriority(), kPriorityIdle);
    worker.SetPriority(99);  // ignored
    EXPECT_EQ(worker.GetPriority(), kPriorityIdle);
    worker.SetPriority(kPriorityNormal);
    ASSERT_TRUE(worker.Submit([&] { steps = worker.IsWorkerThread() ? 100 : -1; }));
    worker.WaitIdle();
    EXPECT_EQ(steps.load(), 100);
}

TEST(EncodeQueue, TasksRunInPostingOrderOnOneThread) {
    for (size_t capacity : {0u, 1u, 3u}) {
        CEncodeQueue queue(capacity);
        std::vector<int> order;
        for (int i = 0; i < 200; ++i) queue.Post([&order, i] { order.push_back(i); });
        queue.Flush();
        ASSERT_EQ(order.size(), 200u);
        for (int i = 0; i < 200; ++i) EXPECT_EQ(order[i], i);
        int seen = -1;
        queue.RunAndWait([&] { seen = static_cast<int>(order.size()); });
        EXPECT_EQ(seen, 200);
    }
}

}  // namespace
}  // namespace trov
