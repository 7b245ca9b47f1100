// Per-pixel frame numbers for the shape wipes: pixel (x, y) turns from A to B at frame
// map(x, y) (1..n). Built once in Prepare, then each frame is a scan of integers and byte copies.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/Picture.h"

namespace trov::fx {

class CRevealMap {
public:
    void Resize(int width, int height) {
        m_width = width;
        m_height = height;
        m_frames.assign(size_t(width) * size_t(height), 0);
    }
    void Free() { std::vector<int32_t>().swap(m_frames); }
    int32_t* Row(int y) { return m_frames.data() + size_t(y) * size_t(m_width); }
    int32_t At(int x, int y) const { return m_frames[size_t(y) * size_t(m_width) + size_t(x)]; }

    // Copies B's pixels whose frame is exactly k (incremental drawing).
    void DrawFrame(CPicture& out, const CPicture& b, int k) const;
    // Copies B's pixels whose frame is k or earlier (complete frame over A, text mode).
    void DrawUpTo(CPicture& out, const CPicture& b, int k) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<int32_t> m_frames;
};

}  // namespace trov::fx
