// Moves and side pushes: B slides in from one edge, over A (move) or pushing A out (side push).
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Left-Right-Move", 2 "Right-Left-Move", 3 "Top-Bottom-Move", 4 "Bottom-Top-Move".
class CMoveEffect : public CBuiltinEffect {
public:
    explicit CMoveEffect(int type);

protected:
    CMoveEffect(const std::string& name, int type, bool push);
    void DrawFrame(int k) override;

private:
    int m_type;
    bool m_push;
};

}  // namespace trov
