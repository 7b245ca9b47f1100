// Deliberately faulty plug-in modules for the registry tests. One source, one module per
// TEST_MODULE_KIND:
//   1 NoInfo: exports only GetExportedObject.
//   2 AnswersY: "FadeEffectSupport" -> "Y".
//   3 NoObjectExport: "YES", count 1, but no GetExportedObject.
//   4 LowerYes: "yes", count "3 effects"; object 0 null, 1 "Lower", 2 another "Lower" (duplicate).
//   5 Throws: "YES", count 2; object 0 throws, object 1 "Survivor".
//   6 HugeCount: "YES", count "2147483647"; every object null.
//   7 Foreign: a library of someone else's: no plug-in export, but start-up code that marks the
//     process (the environment variable TROV_FOREIGN_START_UP_RAN) when it is ever opened.
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "effects/PluginApi.h"

namespace {

class CTestEffect : public trov::CBuiltinEffect {
public:
    explicit CTestEffect(const char* name) : CBuiltinEffect(name, "0.1", false) {}

protected:
    void DrawFrame(int k) override {
        if (k >= N()) m_output.CopyFrom(B());
    }
};

[[maybe_unused]] bool Is(const char* key, const char* what) {
    return key && std::strcmp(key, what) == 0;
}

}  // namespace

#if TEST_MODULE_KIND == 7
__attribute__((constructor)) static void ForeignStartUp() {
    setenv("TROV_FOREIGN_START_UP_RAN", "1", 1);
}
extern "C" __attribute__((visibility("default"))) int ForeignFunction() {
    return 7;
}
#else

#if TEST_MODULE_KIND != 1
TROV_PLUGIN_EXPORT const char* GetExportedInformation(const char* key) {
#if TEST_MODULE_KIND == 2
    if (Is(key, "FadeEffectSupport")) return "Y";
    if (Is(key, "FadeEffectCount")) return "1";
#elif TEST_MODULE_KIND == 3
    if (Is(key, "FadeEffectSupport")) return "YES";
    if (Is(key, "FadeEffectCount")) return "1";
#elif TEST_MODULE_KIND == 4
    if (Is(key, "FadeEffectSupport")) return "yes";
    if (Is(key, "FadeEffectCount")) return "3 effects";
#elif TEST_MODULE_KIND == 5
    if (Is(key, "FadeEffectSupport")) return "YeS";
    if (Is(key, "FadeEffectCount")) return "2";
#elif TEST_MODULE_KIND == 6
    if (Is(key, "FadeEffectSupport")) return "YES";
    if (Is(key, "FadeEffectCount")) return "2147483647";
#endif
    return nullptr;
}
#endif

#if TEST_MODULE_KIND != 3
TROV_PLUGIN_EXPORT trov::CFadingEffect* GetExportedObject(const char* key) {
#if TEST_MODULE_KIND == 4
    static CTestEffect lower("Lower"), again("Lower");
    if (Is(key, "FadingEffect_1")) return &lower;
    if (Is(key, "FadingEffect_2")) return &again;
#elif TEST_MODULE_KIND == 5
    static CTestEffect survivor("Survivor");
    if (Is(key, "FadingEffect_0")) throw std::runtime_error("broken object");
    if (Is(key, "FadingEffect_1")) return &survivor;
#elif TEST_MODULE_KIND != 6
    static CTestEffect any("Never Registered");
    if (Is(key, "FadingEffect_0")) return &any;
#endif
    (void)key;
    return nullptr;
}
#endif

#endif  // TEST_MODULE_KIND == 7
