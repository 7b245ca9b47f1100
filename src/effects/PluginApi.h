// Public header for authors of fading-effect plug-in modules (*.so).
//
// A module exports two functions with C linkage (use TROV_PLUGIN_EXPORT):
//
//   const char* GetExportedInformation(const char* key);
//     "FadeEffectSupport" -> "YES" (any case) when the module offers fading effects;
//     "FadeEffectCount"   -> the number of effects in decimal, e.g. "2".
//     Other keys may return anything, or null. The text stays valid until the next call.
//
//   trov::CFadingEffect* GetExportedObject(const char* key);
//     "FadingEffect_0", "FadingEffect_1", ... -> an effect object, or null.
//
// The host reads a module's ELF dynamic symbol table before it opens the file and opens only a
// module exporting both functions, so the start-up code of other libraries in the folder never
// runs. A module reached under several names (symbolic or hard links) is loaded and named once.
//
// Strings are UTF-8. The module keeps ownership of the objects it returns: the host never
// destroys them, renames each to its own name + " [" + module file name + "]", gives it the
// host's message pipelines and drives it by the frame protocol of CFadingEffect. The objects
// must live as long as the module stays loaded (the host keeps it loaded to the end).
//
// The objects are C++ objects of this program's CFadingEffect layout, so the module must be
// built with the same compiler family and standard library, against these headers. Deriving
// from CBuiltinEffect gives the whole frame protocol; only DrawFrame(k) is left to write.
// Build the module with hidden visibility and link the effect support code statically (see
// plugins/CMakeLists.txt, trov_plugin_sdk) so that it does not depend on the host's symbols.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"
#include "effects/FadingEffect.h"

#define TROV_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace trov::plugin {

inline constexpr const char* kInformationExport = "GetExportedInformation";
inline constexpr const char* kObjectExport = "GetExportedObject";
inline constexpr const char* kSupportKey = "FadeEffectSupport";
inline constexpr const char* kCountKey = "FadeEffectCount";
inline constexpr const char* kObjectKeyPrefix = "FadingEffect_";

using GetExportedInformationFn = const char* (*)(const char* key);
using GetExportedObjectFn = CFadingEffect* (*)(const char* key);

}  // namespace trov::plugin
