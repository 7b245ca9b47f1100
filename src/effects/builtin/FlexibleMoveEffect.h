// Flexible moves: B slides in from an edge during the first frames, then stands and wobbles like a
// flexible sheet whose swing dies away by the last frame.
#pragma once

#include <vector>

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Flexible Move (Top-Bottom)", 2 "Flexible Move (Bottom-Top)",
// 3 "Flexible Move (Left-Right)", 4 "Flexible Move (Right-Left)".
class CFlexibleMoveEffect : public CBuiltinEffect {
public:
    explicit CFlexibleMoveEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
    std::vector<int> m_shifts;  // per column, for the vertical wobble
};

}  // namespace trov
