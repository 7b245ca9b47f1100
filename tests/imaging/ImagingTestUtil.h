// Shared helpers of the imaging tests: deterministic pictures and byte-level comparisons.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "imaging/DibPicture.h"
#include "imaging/Picture.h"
#include "support/TestPictures.h"

namespace trov::test {

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
