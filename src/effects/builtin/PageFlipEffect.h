// "Page-Flip (Left - Right)", "Page-Flip (Right - Left)", "Page-Flip (Bottom - Top)",
// "Page-Flip (Top - Bottom)" (types 1-4): A bends up and over a cylinder of half the picture.
#pragma once

#include "effects/builtin/PageTurnEffect.h"

namespace trov {

class CPageFlipEffect : public CPageTurnEffect {
public:
    explicit CPageFlipEffect(int type);
};

}  // namespace trov
