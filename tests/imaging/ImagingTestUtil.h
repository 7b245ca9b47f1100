// Shared helpers of the imaging tests: deterministic pictures and byte-level comparisons.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "imaging/DibPicture.h"
#include "imaging/Picture.h"

namespace trov::test {

// An integer-only pattern: every pixel differs from its neighbours and from its mirror images.
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

// True when both pictures have the same size and the same pixel bytes (padding ignored).
inline bool SamePixels(const CPicture& a, const CPicture& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        if (std::memcmp(a.GetRow(y), b.GetRow(y), size_t(3) * size_t(a.GetWidth())) != 0) return false;
    return true;
}

// Sets the process-wide background colour for one scope.
class BackgroundScope {
public:
    explicit BackgroundScope(Colour c) : m_old(CPicture::GetDefaultBackgroundColour()) {
        CPicture::SetDefaultBackgroundColour(c);
    }
    ~BackgroundScope() { CPicture::SetDefaultBackgroundColour(m_old); }

private:
    Colour m_old;
};

}  // namespace trov::test
