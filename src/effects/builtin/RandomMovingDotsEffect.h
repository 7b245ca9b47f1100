// "Random Moving Dots": 8 x 8 blocks of A fly to the places of B's blocks while turning into them.
#pragma once

#include <vector>

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"
#include "effects/builtin/RandomDotsEffect.h"

namespace trov {

class CRandomMovingDotsEffect : public CBuiltinEffect {
public:
    CRandomMovingDotsEffect();

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override;

private:
    // Pair i: block fromA[i] of A travels to block toB[i] of B.
    std::vector<SDotBlock> m_fromA;
    std::vector<SDotBlock> m_toB;
    fx::CBlendTable m_table;
};

}  // namespace trov
