// The window's pending manager values: the newest of each box, one hand-over per batch, and a
// value shown at once on the GUI thread never overwritten by an older one.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ui/ViewDeliveries.h"

namespace trov {
namespace {

TEST(PendingViewUpdates, TheNewestValueOfEachBoxIsTakenWithOneHandOver) {
    CPendingViewUpdates p;
    EXPECT_TRUE(p.Take().Empty());
    EXPECT_TRUE(p.SetProgress(true, 100, "1 %"));   // the first value asks for a hand-over
    EXPECT_FALSE(p.SetProgress(true, 200, "2 %"));  // later ones ride along
    EXPECT_FALSE(p.SetProgress(false, 5000, "50 %"));
    EXPECT_FALSE(p.SetStatus("Writing frame 1 of 9 ..."));
    EXPECT_FALSE(p.SetStatus("Writing frame 2 of 9 ..."));
    EXPECT_FALSE(p.SetTime(true, "00:00:07"));
    CPendingViewUpdates::SBatch b = p.Take();
    ASSERT_TRUE(b.progress[1] && b.progress[0] && b.status && b.time[1]);
    EXPECT_EQ(b.progress[1]->position, 200);
    EXPECT_EQ(b.progress[1]->text, "2 %");
    EXPECT_EQ(b.progress[0]->position, 5000);
    EXPECT_EQ(*b.status, "Writing frame 2 of 9 ...");
    EXPECT_EQ(*b.time[1], "00:00:07");
    EXPECT_FALSE(b.time[0]);
    // Taken: empty again, and the next value asks for a new hand-over.
    EXPECT_TRUE(p.Take().Empty());
    EXPECT_TRUE(p.SetTime(false, "00:00:01"));
}

TEST(PendingViewUpdates, AValueShownAtOnceDropsTheOlderOneOfItsBoxOnly) {
    CPendingViewUpdates p;
    p.SetProgress(false, 10000, "100 %");
    p.SetProgress(true, 3000, "30 %");
    p.SetStatus("Resizing picture ...");
    p.DropProgress(false);  // the GUI thread emptied the current bar itself
    p.DropStatus();
    CPendingViewUpdates::SBatch b = p.Take();
    EXPECT_FALSE(b.progress[0]);
    EXPECT_FALSE(b.status);
    ASSERT_TRUE(b.progress[1]);
    EXPECT_EQ(b.progress[1]->position, 3000);
    p.SetTime(true, "x");
    p.DropTime(false);
    EXPECT_TRUE(p.Take().time[1]);
}

// Many senders at once: every batch holds values that were sent, the last batch the last value
// of each sender's box, and hand-overs are asked for no more often than batches are taken.
TEST(PendingViewUpdates, SendersOnManyThreadsLoseNothingButOldValues) {
    CPendingViewUpdates p;
    constexpr int kValues = 20000;
    std::atomic<int> handOvers{0};
    std::vector<std::thread> senders;
    for (int t = 0; t < 3; ++t)
        senders.emplace_back([&p, &handOvers, t] {
            for (int i = 1; i <= kValues; ++i) {
                bool first = t == 0   ? p.SetProgress(true, i, std::to_string(i))
                             : t == 1 ? p.SetStatus(std::to_string(i))
                                      : p.SetTime(false, std::to_string(i));
                if (first) ++handOvers;
            }
        });
    int takes = 0;
    int lastBar = 0;
    auto take = [&] {
        CPendingViewUpdates::SBatch b = p.Take();
        ++takes;
        if (b.progress[1]) {
            EXPECT_GT(b.progress[1]->position, lastBar);  // never an older value after a newer one
            lastBar = b.progress[1]->position;
        }
        return b;
    };
    // Taken while the senders run (the GUI thread's part), however the threads are scheduled.
    while (lastBar != kValues) {
        take();
        if (takes % 64 == 0) std::this_thread::yield();
        if (takes > 50 * kValues) break;
    }
    for (std::thread& s : senders) s.join();
    CPendingViewUpdates::SBatch rest = take();
    EXPECT_EQ(lastBar, kValues);
    EXPECT_LE(handOvers.load(), takes + 1);
    if (rest.status) {
        EXPECT_EQ(*rest.status, std::to_string(kValues));
    }
    if (rest.time[0]) {
        EXPECT_EQ(*rest.time[0], std::to_string(kValues));
    }
}

}  // namespace
}  // namespace trov
