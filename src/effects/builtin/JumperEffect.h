// Jumpers: B hops in from one side, bouncing once every 25 frames, and lands in place.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Jumper Effect (Left - Right)", 2 "Jumper Effect (Right - Left)".
class CJumperEffect : public CBuiltinEffect {
public:
    explicit CJumperEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
};

}  // namespace trov
