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

// True for a built-in effect that draws random numbers in Init and none for its frames (the
// underwater effects, outside text mode): its frames stand alone once the numbers are drawn.
bool DrawsAtRandomOnlyInInit(const CFadingEffect& effect);
// For such an effect after effect.Init(A, B, n): a twin as above, whose Init(A, B, n) takes the
// numbers `effect` drew instead of drawing its own, so that the frames match `effect`'s and the
// random sequence is drawn from once, as when stepping. Null for every other effect, or before Init.
std::unique_ptr<CFadingEffect> MakeDrawnTwin(const CFadingEffect& initialised);

}  // namespace trov
