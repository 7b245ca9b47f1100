// "RGB Move": A's colour channels fly apart diagonally, then B's channels fly in and meet.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

class CRgbMoveEffect : public CBuiltinEffect {
public:
    CRgbMoveEffect();

    // Direction codes of the channels (red, green, blue) for A's half (set 0) and B's half (set 1):
    // 0 = (-1, -1), 1 = (+1, -1), 2 = (+1, +1), 3 = (-1, +1) as (x sign, y sign).
    int GetDirection(int set, int channel) const { return m_codes[set][channel]; }

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;

private:
    int m_codes[2][3] = {{0, 1, 2}, {0, 1, 2}};
};

}  // namespace trov
