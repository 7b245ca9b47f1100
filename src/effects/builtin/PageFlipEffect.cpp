// Page flip: the page turn with a cylinder radius of trunc(W / 2) (trunc(H / 2) vertically).
#include "effects/builtin/PageFlipEffect.h"

namespace trov {

namespace {
const char* NameOf(int type) {
    switch (type) {
        case 2:
            return "Page-Flip (Right - Left)";
        case 3:
            return "Page-Flip (Bottom - Top)";
        case 4:
            return "Page-Flip (Top - Bottom)";
        default:
            return "Page-Flip (Left - Right)";
    }
}
}  // namespace

CPageFlipEffect::CPageFlipEffect(int type) : CPageTurnEffect(NameOf(type), type, true) {}

}  // namespace trov
