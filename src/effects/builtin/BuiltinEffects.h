// The built-in effect catalogue, registered in its fixed order.
#pragma once

namespace trov {

class CFadingEffectManager;

// Constructs every built-in effect once per type number and registers it, in catalogue order.
void RegisterBuiltinEffects(CFadingEffectManager& manager);

}  // namespace trov
