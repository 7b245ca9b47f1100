// Bars: the picture's two halves slide in opposite directions.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Horizontal-Open-Bar", 2 "Horizontal-Close-Bar", 3 "Vertical-Open-Bar",
// 4 "Vertical-Close-Bar". Horizontal: the lower half moves left and the upper half right;
// vertical: the left half moves down and the right half up. Open moves A out over B,
// close brings B in over A.
class CBarsEffect : public CBuiltinEffect {
public:
    explicit CBarsEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
};

}  // namespace trov
