// The fast line and disc blurs against the literal scatter, and the kernels' shapes.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "effects/builtin/FastBlur.h"

namespace trov {
namespace {

struct Block {
    int width, height, stride;
    std::vector<uint8_t> bytes;
    SPixelBlock View() const { return {bytes.data(), width, height, stride}; }
};

// Integer-generated content with sharp edges and every byte value; padding bytes are set to a
// marker so that a blur reading them would show.
Block MakeBlock(int width, int height, unsigned seed) {
    Block b{width, height, (3 * width + 3) & ~3, {}};
    b.bytes.assign(size_t(b.stride) * height, 0xAB);
    unsigned state = seed;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                state = state * 1103515245u + 12345u;
                const unsigned noise = (state >> 16) & 0xFF;
                const unsigned edge = ((x / 5 + y / 3 + c) % 2) ? 255u : 0u;
                b.bytes[size_t(y) * b.stride + 3 * x + c] = uint8_t((x + y) % 4 == 0 ? edge : noise);
            }
    return b;
}

const EBlurKernel kKinds[] = {EBlurKernel::VerticalLine, EBlurKernel::HorizontalLine,
                              EBlurKernel::AntiDiagonalLine, EBlurKernel::DiagonalLine, EBlurKernel::Disc};

TEST(MultiPassBlur, KernelRangesFollowTheTruncatedRadius) {
    // i runs from trunc(-r) while i < r.
    auto ks = BuildBlurKernel(EBlurKernel::VerticalLine, 2.5);
    ASSERT_EQ(ks.size(), 5u);
    EXPECT_EQ(ks.front().dy, -2);
    EXPECT_EQ(ks.back().dy, 2);
    ks = BuildBlurKernel(EBlurKernel::HorizontalLine, 3.0);
    ASSERT_EQ(ks.size(), 6u);
    EXPECT_EQ(ks.front().dx, -3);
    EXPECT_EQ(ks.back().dx, 2);
    ks = BuildBlurKernel(EBlurKernel::AntiDiagonalLine, 1.0);
    ASSERT_EQ(ks.size(), 2u);
    EXPECT_EQ(ks[0].dx, 1);
    EXPECT_EQ(ks[0].dy, -1);
    EXPECT_EQ(ks[1].dx, 0);
    ks = BuildBlurKernel(EBlurKernel::DiagonalLine, 1.0);
    EXPECT_EQ(ks[0].dx, -1);
    EXPECT_EQ(ks[0].dy, -1);
    // Disc of radius 2: the 5 x 5 range minus what lies outside, with the asymmetric range
    // (-2 ... 1) in both axes: rows -2 and columns -2 keep only their centre points.
    ks = BuildBlurKernel(EBlurKernel::Disc, 2.0);
    std::set<std::pair<int, int>> disc;
    for (auto o : ks) disc.insert({o.dx, o.dy});
    EXPECT_EQ(disc.size(), ks.size());
    EXPECT_TRUE(disc.count({0, -2}));
    EXPECT_TRUE(disc.count({-2, 0}));
    EXPECT_FALSE(disc.count({-2, -1}));
    EXPECT_TRUE(disc.count({1, 1}));
    EXPECT_FALSE(disc.count({0, 2}));
    EXPECT_EQ(ks.size(), 1u + 3u + 4u + 3u);  // rows -2, -1, 0 and 1
    // Radius 25: close to 2000 offsets.
    EXPECT_GT(BuildBlurKernel(EBlurKernel::Disc, 25.0).size(), 1900u);
    for (double r : {0.0, -3.0}) {
        ks = BuildBlurKernel(EBlurKernel::Disc, r);
        ASSERT_EQ(ks.size(), 1u);
        EXPECT_EQ(ks[0].dx, 0);
        EXPECT_EQ(ks[0].dy, 0);
    }
}

TEST(MultiPassBlur, FastBlurEqualsLiteralScatterOnOddAndEvenSizes) {
    CFastBlur fast;
    for (auto size : {std::pair{37, 23}, std::pair{16, 12}, std::pair{1, 9}, std::pair{9, 1}}) {
        const Block src = MakeBlock(size.first, size.second, 7u * size.first + size.second);
        for (EBlurKernel kind : kKinds) {
            for (double r : {0.0, 0.5, 1.0, 2.5, 3.0, 7.3, 12.0, 25.0, 60.0}) {
                std::vector<uint8_t> expected(src.bytes.size(), 0x55), got(src.bytes.size(), 0x77);
                ScatterBlur(src.View(), expected.data(), kind, r);
                fast.Blur(src.View(), got.data(), kind, r);
                ASSERT_EQ(expected, got)
                    << size.first << "x" << size.second << " kind " << static_cast<int>(kind) << " r " << r;
            }
        }
    }
}

TEST(MultiPassBlur, RadiusZeroCopiesAndClearsPadding) {
    const Block src = MakeBlock(37, 23, 3);
    std::vector<uint8_t> out(src.bytes.size(), 0x11);
    CFastBlur fast;
    int rowsReported = 0;
    fast.Blur(src.View(), out.data(), EBlurKernel::Disc, 0.0, [&](int) { ++rowsReported; });
    EXPECT_EQ(rowsReported, 23);
    for (int y = 0; y < 23; ++y)
        for (int i = 0; i < src.stride; ++i) {
            const size_t at = size_t(y) * src.stride + i;
            ASSERT_EQ(out[at], i < 3 * 37 ? src.bytes[at] : 0) << y << " " << i;
        }
}

TEST(MultiPassBlur, HandComputedAveragesAtTheEdge) {
    // One row of 4 pixels, blue values 0, 30, 60, 90. Horizontal radius 1: offsets -1 and 0, so
    // target x averages sources x and x + 1 (those inside): 15, 45, 75, 90.
    Block b{4, 1, 12, std::vector<uint8_t>(12, 0)};
    for (int x = 0; x < 4; ++x) b.bytes[3 * x] = uint8_t(30 * x);
    std::vector<uint8_t> out(12, 0);
    CFastBlur fast;
    fast.Blur(b.View(), out.data(), EBlurKernel::HorizontalLine, 1.0);
    EXPECT_EQ(out[0], 15);
    EXPECT_EQ(out[3], 45);
    EXPECT_EQ(out[6], 75);
    EXPECT_EQ(out[9], 90);
    // Averages truncate: (30 + 60 + 90) / 3 = 60 exactly, (0 + 30 + 60 + 90) / 4 = 45,
    // (60 + 90) / 2 = 75; radius 2 takes offsets -2 ... 1, so x averages x - 1 ... x + 2.
    fast.Blur(b.View(), out.data(), EBlurKernel::HorizontalLine, 2.0);
    EXPECT_EQ(out[0], 30);  // (0 + 30 + 60) / 3
    EXPECT_EQ(out[3], 45);
    EXPECT_EQ(out[6], 60);
    EXPECT_EQ(out[9], 75);
}

TEST(MultiPassBlur, RowCallbackSeesEveryRowInOrder) {
    const Block src = MakeBlock(16, 12, 5);
    std::vector<uint8_t> out(src.bytes.size());
    CFastBlur fast;
    for (EBlurKernel kind : kKinds) {
        std::vector<int> rows;
        fast.Blur(src.View(), out.data(), kind, 4.0, [&](int row) { rows.push_back(row); });
        ASSERT_EQ(rows.size(), 12u);
        for (int i = 0; i < 12; ++i) EXPECT_EQ(rows[size_t(i)], i);
    }
}

TEST(MultiPassBlur, UniformPictureStaysUniform) {
    Block b{33, 17, (3 * 33 + 3) & ~3, {}};
    b.bytes.assign(size_t(b.stride) * 17, 0);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x) {
            b.bytes[size_t(y) * b.stride + 3 * x] = 200;
            b.bytes[size_t(y) * b.stride + 3 * x + 1] = 7;
            b.bytes[size_t(y) * b.stride + 3 * x + 2] = 255;
        }
    CFastBlur fast;
    std::vector<uint8_t> out(b.bytes.size());
    for (EBlurKernel kind : kKinds) {
        fast.Blur(b.View(), out.data(), kind, 9.5);
        EXPECT_EQ(out, b.bytes) << static_cast<int>(kind);
    }
}

}  // namespace
}  // namespace trov
