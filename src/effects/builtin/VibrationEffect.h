// "Vibration": a cross dissolve of A into B seen through an expanding circular ripple.
#pragma once

#include <vector>

#include "effects/BuiltinEffect.h"
#include "effects/builtin/CrossDissolveEffect.h"

namespace trov {

class CVibrationEffect : public CBuiltinEffect {
public:
    CVibrationEffect();

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override;

private:
    CCrossDissolveEffect m_dissolve;
    // Per output pixel: distance r to the centre, 1 / r, and cos / sin of 2 * r * pi / 30.
    std::vector<float> m_radius, m_inverse, m_cos, m_sin;
};

}  // namespace trov
