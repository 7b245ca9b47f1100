// Barn doors: the picture splits at its centre line and the two halves slide apart or together.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Vertical-Open-Barn-Door", 2 "Vertical-Close-Barn-Door", 3 "Horizontal-Open-Barn-Door",
// 4 "Horizontal-Close-Barn-Door". Open: A's halves slide out over B; close: B's halves slide in.
class CBarnDoorEffect : public CBuiltinEffect {
public:
    explicit CBarnDoorEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
};

}  // namespace trov
