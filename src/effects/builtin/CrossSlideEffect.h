// Cross slides: the picture is cut into four quadrants that slide to (or from) the four corners.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Cross Slide Open" (A's quadrants leave toward the corners over B),
// 2 "Cross Slide Close" (B's quadrants come in from the corners over A).
class CCrossSlideEffect : public CBuiltinEffect {
public:
    explicit CCrossSlideEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
};

}  // namespace trov
