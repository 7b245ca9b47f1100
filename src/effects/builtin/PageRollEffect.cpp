// Page roll: the page turn with a cylinder radius of W / 8 (H / 8 for the vertical types), rounded.
#include "effects/builtin/PageRollEffect.h"

namespace trov {

namespace {
const char* NameOf(int type) {
    switch (type) {
        case 2:
            return "Page-Roll (Right - Left)";
        case 3:
            return "Page-Roll (Bottom - Top)";
        case 4:
            return "Page-Roll (Top - Bottom)";
        default:
            return "Page-Roll (Left - Right)";
    }
}
}  // namespace

CPageRollEffect::CPageRollEffect(int type) : CPageTurnEffect(NameOf(type), type, false) {}

}  // namespace trov
