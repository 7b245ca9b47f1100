// Side pushes share the move's geometry and add A shifted by the same amount.
#include "effects/builtin/SidePushEffect.h"

namespace trov {

namespace {
const char* SidePushName(int type) {
    switch (type) {
        case 1:
            return "Left-Right-Side-Push";
        case 2:
            return "Right-Left-Side-Push";
        case 3:
            return "Top-Bottom-Side-Push";
        default:
            return "Bottom-Top-Side-Push";
    }
}
}  // namespace

CSidePushEffect::CSidePushEffect(int type) : CMoveEffect(SidePushName(type), type, true) {}

}  // namespace trov
