// "Cross Dissolve (Two Direction)": a dissolve whose half-way mix sweeps across A from the left
// while it withdraws from B toward the top, so the change travels in two directions at once.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

class CTwoDirectionDissolveEffect : public CBuiltinEffect {
public:
    CTwoDirectionDissolveEffect();

protected:
    void DrawFrame(int k) override;

private:
    fx::CBlendTable m_half;   // 25 of 50 steps: the half-way mix of A and B
    fx::CBlendTable m_final;  // k of n steps from the A side to the B side
};

}  // namespace trov
