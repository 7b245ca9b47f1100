// The built-in effect catalogue, registered in its fixed order.
#pragma once

#include <memory>

namespace trov {

class CFadingEffect;
class CFadingEffectManager;

// Constructs every built-in effect once per type number and registers it, in catalogue order.
void RegisterBuiltinEffects(CFadingEffectManager& manager);

// For a built-in effect whose frames stand alone: a new instance of the same effect (family and
// type number) that draws frame k of a transition by itself. After twin->Init(A, B, n), the
// frame NextFrame returns after SetCurrentFrame(k - 1) has the pixels of the k-th frame that
// `effect`, initialised the same way, returns when stepped 1, 2, ..., n, whichever frames the
// twin drew before. Frames may so be drawn side by side, one twin per thread. Null for every
// other effect: plug-ins, effects that carry state from frame to frame (accumulated mixes,
// random numbers, multi-pass buffers) and effects audited for neither.
std::unique_ptr<CFadingEffect> MakeStandAloneTwin(const CFadingEffect& effect);

}  // namespace trov
