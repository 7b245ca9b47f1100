// The generated pictures of the tests, in one place. All are integer-only, so every expected pixel
// can be computed by hand; each says what makes it useful.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "imaging/DibPicture.h"

namespace trov::test {

// One colour everywhere.
inline std::unique_ptr<CDibPicture> Solid(int w, int h, Colour c) {
    auto p = std::make_unique<CDibPicture>();
    EXPECT_TRUE(p->Create(w, h));
    p->Fill(c);
    return p;
}
inline std::unique_ptr<CDibPicture> Solid(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    return Solid(w, h, MakeColour(r, g, b));
}
// Every byte the same value (grey for a uniform picture).
inline std::unique_ptr<CDibPicture> MakeUniform(int w, int h, uint8_t value) {
    auto p = std::make_unique<CDibPicture>();
    EXPECT_TRUE(p->Create(w, h));
    for (int y = 0; y < h; ++y) std::memset(p->GetRow(y), value, size_t(3) * w);
    return p;
}
// A picture as Clear() leaves it.
inline std::unique_ptr<CDibPicture> Black(int w, int h) {
    auto p = std::make_unique<CDibPicture>();
    p->Create(w, h);
    p->Clear();
    return p;
}

// Two distinct patterns; every pixel differs between them in every channel (effect tests).
inline std::unique_ptr<CDibPicture> PatternA(int w, int h) {
    auto p = std::make_unique<CDibPicture>();
    p->Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p->SetPixel(x, y, uint8_t(10 + (x * 7 + y * 3) % 100), uint8_t(20 + (x * y) % 90),
                        uint8_t(5 + (x + 2 * y) % 80));
    return p;
}
inline std::unique_ptr<CDibPicture> PatternB(int w, int h) {
    auto p = std::make_unique<CDibPicture>();
    p->Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p->SetPixel(x, y, uint8_t(150 + (x * 5 + y) % 100), uint8_t(130 + (3 * x + 5 * y) % 120),
                        uint8_t(120 + (x ^ y) % 128));
    return p;
}

// A pattern per seed; pictures of an odd and an even seed differ in every byte (multi-pass effects).
inline std::unique_ptr<CDibPicture> MakePicture(int w, int h, int seed) {
    auto p = std::make_unique<CDibPicture>();
    EXPECT_TRUE(p->Create(w, h));
    for (int y = 0; y < h; ++y) {
        uint8_t* row = p->GetRow(y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                const int v = (x * 7 + y * 13 + c * 50 + seed * 91) % 200;
                row[3 * x + c] = static_cast<uint8_t>(seed % 2 ? 255 - v : v);
            }
    }
    return p;
}

// Every pixel differs from its neighbours and from its mirror images (imaging: rotation, BMP/JPEG).
inline uint8_t PatternByte(int x, int y, int c) {
    return uint8_t((x * 7 + y * 13 + c * 89 + x * y * 3) & 0xFF);
}
inline std::unique_ptr<CDibPicture> MakePattern(int w, int h) {
    auto p = std::make_unique<CDibPicture>();
    if (!p->Create(w, h)) return nullptr;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p->SetPixel(x, y, PatternByte(x, y, 2), PatternByte(x, y, 1), PatternByte(x, y, 0));
    return p;
}

// Each pixel encodes its own position: blue = x low byte, green = x high byte, red = y (panorama
// and picture move: where a shown pixel came from).
inline std::unique_ptr<CDibPicture> CodedPicture(int w, int h) {
    auto p = std::make_unique<CDibPicture>();
    EXPECT_TRUE(p->Create(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p->SetPixel(x, y, uint8_t(y), uint8_t(x >> 8), uint8_t(x & 255));
    return p;
}

// Frame `id` (0..63) of a movie: the bottom third holds six dark/light blocks, the bits of id;
// above, blue rises to the right, green upwards, and red changes with id (video tests read the
// id back from a decoded frame).
inline std::unique_ptr<CDibPicture> PatternFrame(int width, int height, int id) {
    auto p = std::make_unique<CDibPicture>();
    p->Create(width, height);
    const int bitRows = std::max(1, height / 3);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = p->GetRow(y);
        for (int x = 0; x < width; ++x) {
            if (y < bitRows) {
                // Six blocks along the bottom carry the id's bits, bit 0 at the left.
                int bit = std::min(5, x * 6 / width);
                uint8_t v = (id >> bit) & 1 ? 220 : 35;
                row[3 * x + 0] = row[3 * x + 1] = row[3 * x + 2] = v;
            } else {
                row[3 * x + 0] = uint8_t(30 + (x * 150) / std::max(1, width - 1));   // blue
                row[3 * x + 1] = uint8_t(40 + (y * 150) / std::max(1, height - 1));  // green
                row[3 * x + 2] = uint8_t(20 + 3 * (id % 64));                        // red
            }
        }
    }
    p->BitsChanged();
    return p;
}

}  // namespace trov::test
