// The effect registry: owns the built-in effects, holds the plug-in effects, finds effects by
// name and chooses them at random for "Add Random Fadings".
#pragma once

#include <map>
#include <string>
#include <vector>

#include "effects/FadingEffect.h"
#include "effects/PlugInModules.h"
#include "infra/Utf16Order.h"

namespace trov {

class CSettingsStore;
class CUserPrompt;

class CFadingEffectManager : public CPipelineClient {
public:
    // Seeds rand() with the time (or TROV_SEED) and starts empty.
    CFadingEffectManager();
    ~CFadingEffectManager();
    CFadingEffectManager(const CFadingEffectManager&) = delete;
    CFadingEffectManager& operator=(const CFadingEffectManager&) = delete;

    // The application settings ("FADING_EFFECTS", "PLUGIN_SETTINGS"); not owned, may be null.
    void SetSettings(CSettingsStore* settings) { m_settings = settings; }
    CSettingsStore* GetSettings() const { return m_settings; }
    // Where the refusal messages go; null means the process-wide GetUserPrompt().
    void SetUserPrompt(CUserPrompt* prompt) { m_prompt = prompt; }

    // Takes the effect: false for null, for the name "Unknown" and for a name registered already
    // (with a message box each; a refused effect the registry would own is destroyed).
    bool Register(CFadingEffect* effect);
    // Exact, case-sensitive match; null when unknown.
    CFadingEffect* Find(const std::string& name) const;
    // Every name in ascending UTF-16 code-unit order.
    const std::vector<std::string>& GetNames();
    // Effects in registration order.
    std::vector<CFadingEffect*> InRegistrationOrder() const;
    int GetCount() const { return m_registeredCount; }

    // A random enabled effect, never the one returned last while at least two are enabled.
    // Null when the registry is empty or every effect is disabled.
    CFadingEffect* GetRandomEffect();
    // "FADING_EFFECTS"/name read as an integer and not 0. Null effect or no settings: false.
    bool IsDisabled(const CFadingEffect* effect) const;
    bool AreAllDisabled() const;
    int CountEnabled() const;

    // End on every effect (buffers freed between creations).
    void EndAll();
    // Destroys the effects the registry owns and forgets all of them.
    void Clear();

    // Loads every "*.so" of directory (sub-directories skipped) that exports both plug-in
    // functions and registers the effects of each module that answers "FadeEffectSupport" with
    // "YES" (any case). A file reached through several names (links) is one module, named after
    // the plain file. Problems are skipped without a message; each refused file gets one log line.
    // Returns the number of effects registered.
    int LoadPlugIns(const std::string& directory);
    // Start-up rule: LoadPlugIns on "PLUGIN_SETTINGS"/"FadingDLLDirectory" when
    // "PLUGIN_SETTINGS"/"ImportPlugInsAtStart" reads 1. Returns the number registered.
    int LoadConfiguredPlugIns();

private:
    CUserPrompt& Prompt() const;

    CPlugInModules m_modules;
    std::map<std::string, CFadingEffect*, Utf16Less> m_byName;
    int m_registeredCount = 0;
    std::map<int, CFadingEffect*> m_byIndex;
    std::vector<std::string> m_nameList;
    int m_lastRandomIndex = -1;
    CSettingsStore* m_settings = nullptr;
    CUserPrompt* m_prompt = nullptr;
};

// Seeds the C runtime's generator: TROV_SEED from the environment when set, else the time.
void SeedRandomGenerator();

}  // namespace trov
