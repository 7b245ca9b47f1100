// Side pushes: a move in which B pushes A out of the picture.
#pragma once

#include "effects/builtin/MoveEffect.h"

namespace trov {

// Types: 1 "Left-Right-Side-Push", 2 "Right-Left-Side-Push", 3 "Top-Bottom-Side-Push",
// 4 "Bottom-Top-Side-Push".
class CSidePushEffect : public CMoveEffect {
public:
    explicit CSidePushEffect(int type);
};

}  // namespace trov
