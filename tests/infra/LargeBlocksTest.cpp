// The big-block allocator: every block holds its own bytes, whichever way it was made (malloc,
// a fresh mapping, a kept one), and no block is ever handed out twice.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "infra/LargeBlocks.h"

namespace trov {
namespace {

void Fill(void* block, size_t size, uint8_t seed) {
    auto* p = static_cast<uint8_t*>(block);
    for (size_t i = 0; i < size; i += 509) p[i] = uint8_t(seed + i);
    if (size) p[size - 1] = seed;
}

bool Holds(const void* block, size_t size, uint8_t seed) {
    const auto* p = static_cast<const uint8_t*>(block);
    for (size_t i = 0; i < size; i += 509)
        if (i != size - 1 && p[i] != uint8_t(seed + i)) return false;
    return size == 0 || p[size - 1] == seed;
}

TEST(LargeBlocks, BlocksOfEverySizeHoldTheirOwnBytesSideBySide) {
    const size_t sizes[] = {0,
                            1,
                            4095,
                            kLargeBlockBytes - 17,
                            kLargeBlockBytes - 16,
                            kLargeBlockBytes,
                            kLargeBlockBytes + 1,
                            1280 * 720 * 3 + 40,
                            (size_t(5) << 20) + 3,
                            size_t(40) << 20};
    std::vector<void*> blocks;
    for (size_t size : sizes) {
        void* b = AllocateLargeBlock(size);
        ASSERT_NE(b, nullptr) << size;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u) << size;
#if defined(__linux__)
        // A big block's bytes begin just after a huge-page boundary, so that huge pages back it
        // from its start: a few bytes of bookkeeping come first.
        if (size >= kHugePageBytes) {
            EXPECT_LT(reinterpret_cast<uintptr_t>(b) % kHugePageBytes, 64u) << size;
        }
#endif
        Fill(b, size, uint8_t(blocks.size() * 37 + 1));
        blocks.push_back(b);
    }
    for (size_t k = 0; k < blocks.size(); ++k)
        EXPECT_TRUE(Holds(blocks[k], sizes[k], uint8_t(k * 37 + 1))) << sizes[k];
    for (void* b : blocks) FreeLargeBlock(b);
    FreeLargeBlock(nullptr);
    EXPECT_EQ(AllocateLargeBlock(SIZE_MAX), nullptr);
    EXPECT_EQ(AllocateLargeBlock(SIZE_MAX - 8), nullptr);
}

// Frames are made and freed all the time: the freed ones are kept for the next of their size,
// more of them than are kept go back, and none is given to two users.
TEST(LargeBlocks, FreedFramesAreReusedButNeverHandedOutTwice) {
    const size_t frame = 1280 * 720 * 3 + 40;
    for (int round = 0; round < 3; ++round) {
        std::vector<void*> blocks;
        for (int k = 0; k < 20; ++k) {
            blocks.push_back(AllocateLargeBlock(frame));
            ASSERT_NE(blocks.back(), nullptr);
            Fill(blocks.back(), frame, uint8_t(k + 10 * round));
        }
        for (int k = 0; k < 20; ++k) {
            EXPECT_TRUE(Holds(blocks[size_t(k)], frame, uint8_t(k + 10 * round))) << k;
            for (int m = 0; m < k; ++m) EXPECT_NE(blocks[size_t(k)], blocks[size_t(m)]);
        }
        for (void* b : blocks) FreeLargeBlock(b);
    }
    void* first = AllocateLargeBlock(frame);
    FreeLargeBlock(first);
    void* again = AllocateLargeBlock(frame);
    EXPECT_EQ(again, first);  // the kept mapping, not a fresh one to fault in
    void* other = AllocateLargeBlock(frame + 8192);
    EXPECT_NE(other, first);
    FreeLargeBlock(other);
    FreeLargeBlock(again);
}

TEST(LargeBlocks, ThreadsMakingAndFreeingFramesKeepTheirBytes) {
    const size_t sizes[] = {1280 * 720 * 3 + 40, 1920 * 1080 * 3 + 40, size_t(3) << 20};
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int n = 0; n < 60; ++n) {
                const size_t size = sizes[size_t(n + t) % 3];
                void* a = AllocateLargeBlock(size);
                void* b = AllocateLargeBlock(size);
                if (!a || !b) {
                    ++failures[size_t(t)];
                    continue;
                }
                Fill(a, size, uint8_t(t * 50 + n));
                Fill(b, size, uint8_t(t * 50 + n + 1));
                std::this_thread::yield();
                if (!Holds(a, size, uint8_t(t * 50 + n)) || !Holds(b, size, uint8_t(t * 50 + n + 1)))
                    ++failures[size_t(t)];
                FreeLargeBlock(a);
                FreeLargeBlock(b);
            }
        });
    for (auto& th : threads) th.join();
    for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
}  // namespace trov
