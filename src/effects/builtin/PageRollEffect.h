// "Page-Roll (Left - Right)", "Page-Roll (Right - Left)", "Page-Roll (Bottom - Top)",
// "Page-Roll (Top - Bottom)" (types 1-4): A rolls up on a cylinder of an eighth of the picture.
#pragma once

#include "effects/builtin/PageTurnEffect.h"

namespace trov {

class CPageRollEffect : public CPageTurnEffect {
public:
    explicit CPageRollEffect(int type);
};

}  // namespace trov
