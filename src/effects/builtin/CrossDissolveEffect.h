// "Cross Dissolve": frame k = A + k * (B - A) / n per byte; also the mixer other effects contain.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

class CCrossDissolveEffect : public CBuiltinEffect {
public:
    CCrossDissolveEffect();

    // Frames advance by this many steps of (B - A) / n (1.0 normally). Effects that contain a
    // dissolve use it to jump: after Init(X, Y, m), one NextFrame with speed s gives
    // trunc(X + s * (Y - X) / m) per byte, clamped to 0..255. Kept across Init.
    void SetSpeed(double speed) { m_speed = speed; }
    double GetSpeed() const { return m_speed; }

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;

private:
    double m_speed = 1.0;
    double m_progress = 0.0;  // steps of (B - A) / n taken so far
    fx::CBlendTable m_table;
};

}  // namespace trov
