// Moves: after k of n frames B has come o = kW/n columns (or kH/n rows) in from its edge.
#include "effects/builtin/MoveEffect.h"

#include "effects/EffectPixels.h"

namespace trov {

namespace {
const char* MoveName(int type) {
    switch (type) {
        case 1:
            return "Left-Right-Move";
        case 2:
            return "Right-Left-Move";
        case 3:
            return "Top-Bottom-Move";
        default:
            return "Bottom-Top-Move";
    }
}
}  // namespace

CMoveEffect::CMoveEffect(int type) : CMoveEffect(MoveName(type), type, false) {}

CMoveEffect::CMoveEffect(const std::string& name, int type, bool push)
    : CBuiltinEffect(name, "1.1", true), m_type(type < 1 || type > 4 ? 4 : type), m_push(push) {
    // A push redraws A shifted every frame; a move keeps A where it is.
    if (push) m_copyAInTextMode = false;
}

void CMoveEffect::DrawFrame(int k) {
    const int w = W(), h = H();
    const int o = fx::MulDiv(k, m_type <= 2 ? w : h, N());
    switch (m_type) {
        case 1:  // from the left edge
            if (m_push) m_output.CopyRect(A(), 0, 0, w - o, h, o, 0);
            m_output.CopyRect(B(), w - o, 0, w, h, -(w - o), 0);
            break;
        case 2:  // from the right edge
            if (m_push) m_output.CopyRect(A(), o, 0, w, h, -o, 0);
            m_output.CopyRect(B(), 0, 0, o, h, w - o, 0);
            break;
        case 3:  // from the top edge (rows are bottom-up)
            if (m_push) m_output.CopyRect(A(), 0, o, w, h, 0, -o);
            m_output.CopyRect(B(), 0, 0, w, o, 0, h - o);
            break;
        default:  // from the bottom edge
            if (m_push) m_output.CopyRect(A(), 0, 0, w, h - o, 0, o);
            m_output.CopyRect(B(), 0, h - o, w, h, 0, -(h - o));
            break;
    }
}

}  // namespace trov
