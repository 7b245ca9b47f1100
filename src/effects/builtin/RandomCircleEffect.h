// "Random Circle Cross Dissolve": seven circles around random centres grow until they reach the
// picture's corners; a pixel is c / 7 of the way from A to B when c of them cover it.
#pragma once

#include <vector>

#include "effects/BuiltinEffect.h"

namespace trov {

class CRandomCircleEffect : public CBuiltinEffect {
public:
    static constexpr int kCircles = 7;

    CRandomCircleEffect();

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override;

private:
    struct Circle {
        int cx, cy;
        int radius;  // to the farthest picture corner, truncated
    };
    std::vector<Circle> m_circles;
    std::vector<uint8_t> m_mix;   // kCircles + 1 tables of 256 x 256: mix[c][a][b]
    std::vector<int> m_coverage;  // one row of circle counts (difference array, w + 1)
};

}  // namespace trov
