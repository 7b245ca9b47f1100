// Directional wipes: B uncovers A column by column (or row by row) from one edge.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Left-Right-Wipe", 2 "Right-Left-Wipe", 3 "Top-Bottom-Wipe", 4 "Bottom-Top-Wipe".
class CWipeEffect : public CBuiltinEffect {
public:
    explicit CWipeEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
};

}  // namespace trov
