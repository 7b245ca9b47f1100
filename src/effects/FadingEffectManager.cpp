// Effect registry, random choice and plug-in loading.
#include "effects/FadingEffectManager.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <system_error>

#include "effects/PluginApi.h"
#include "infra/Log.h"
#include "infra/UserPrompt.h"
#include "settings/SettingsStore.h"

namespace trov {

namespace {

// A module claiming more effects than this is not taken at its word (each key is one call).
constexpr int kMaxPlugInEffects = 100000;

bool EqualsNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == 0;
}

// The C runtime's decimal conversion: leading blanks, a sign, digits; 0 when there are none.
int DecimalPrefix(const std::string& text) {
    long v = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(v, INT_MIN, INT_MAX));
}

std::string CallInformation(plugin::GetExportedInformationFn fn, const char* key) {
    try {
        const char* answer = fn(key);
        return answer ? std::string(answer) : std::string();
    } catch (...) {
        return std::string();
    }
}

}  // namespace

void SeedRandomGenerator() {
    const char* seed = std::getenv("TROV_SEED");
    if (seed && *seed)
        std::srand(static_cast<unsigned>(std::strtoul(seed, nullptr, 10)));
    else
        std::srand(static_cast<unsigned>(std::time(nullptr)));
}

CFadingEffectManager::CFadingEffectManager() {
    SeedRandomGenerator();
    Clear();
}

CFadingEffectManager::~CFadingEffectManager() {
    // Effects first: plug-in effects belong to their modules, which unload after this body.
    Clear();
}

CUserPrompt& CFadingEffectManager::Prompt() const {
    return m_prompt ? *m_prompt : GetUserPrompt();
}

bool CFadingEffectManager::Register(CFadingEffect* effect) {
    if (!effect) return false;
    if (effect->GetName() == "Unknown") {
        Prompt().Message("Error: Can not integrate Effect! Name not defined!");
        return false;
    }
    if (CFadingEffect* known = Find(effect->GetName())) {
        Prompt().Message("Error: Can not integrate Effect! Effect already defined! Name: " +
                         known->GetName());
        if (effect->IsOwnedByRegistry()) effect->Release();
        return false;
    }
    effect->SetPipelines(m_pipelines);
    m_byName.emplace(effect->GetName(), effect);
    m_byIndex.emplace(m_registeredCount, effect);
    ++m_registeredCount;
    return true;
}

CFadingEffect* CFadingEffectManager::Find(const std::string& name) const {
    auto it = m_byName.find(name);
    return it == m_byName.end() ? nullptr : it->second;
}

const std::vector<std::string>& CFadingEffectManager::GetNames() {
    m_nameList.clear();
    for (const auto& [name, effect] : m_byName) m_nameList.push_back(name);
    return m_nameList;
}

std::vector<CFadingEffect*> CFadingEffectManager::InRegistrationOrder() const {
    std::vector<CFadingEffect*> effects;
    effects.reserve(m_byIndex.size());
    for (const auto& [index, effect] : m_byIndex) effects.push_back(effect);
    return effects;
}

CFadingEffect* CFadingEffectManager::GetRandomEffect() {
    const int enabled = CountEnabled();
    // Without this check an empty registry divides by zero and an all-disabled one never ends.
    if (m_registeredCount == 0 || enabled == 0) return nullptr;
    for (;;) {
        const int r = std::rand() % m_registeredCount;
        if (r == m_lastRandomIndex && enabled > 1) continue;
        auto it = m_byIndex.find(r);
        if (it == m_byIndex.end()) return nullptr;
        if (IsDisabled(it->second)) continue;
        m_lastRandomIndex = r;
        return it->second;
    }
}

bool CFadingEffectManager::IsDisabled(const CFadingEffect* effect) const {
    if (!effect || !m_settings) return false;
    int value = 0;
    return m_settings->GetInt("FADING_EFFECTS", effect->GetName(), value) && value != 0;
}

bool CFadingEffectManager::AreAllDisabled() const {
    return CountEnabled() == 0;
}

int CFadingEffectManager::CountEnabled() const {
    int count = 0;
    for (const auto& [index, effect] : m_byIndex)
        if (!IsDisabled(effect)) ++count;
    return count;
}

void CFadingEffectManager::EndAll() {
    for (const auto& [index, effect] : m_byIndex) effect->End();
}

void CFadingEffectManager::Clear() {
    for (const auto& [index, effect] : m_byIndex)
        if (effect->IsOwnedByRegistry()) effect->Release();
    m_byIndex.clear();
    m_byName.clear();
    m_nameList.clear();
    m_registeredCount = 0;
    m_lastRandomIndex = -1;
}

int CFadingEffectManager::LoadPlugIns(const std::string& directory) {
    namespace fs = std::filesystem;
    // The candidates, grouped by file: a module reached through a symbolic or hard link is one
    // module. It is loaded under the name that is its own (a plain file before a link, then the
    // name the link points to, then the smallest), wherever in the listing that name came.
    struct Candidate {
        std::string path;
        std::string name;
        bool link = false;
        bool ownName = false;
    };
    std::vector<SFileIdentity> order;
    std::map<SFileIdentity, std::vector<Candidate>> byFile;
    std::error_code ec;
    fs::directory_iterator it(directory, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        if (path.extension() != ".so") continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) continue;
        SFileIdentity id;
        if (!GetFileIdentity(path.string(), id)) {
            WriteLog("CFadingEffectManager::LoadPlugIns: " + path.string() + " refused: cannot be read");
            continue;
        }
        Candidate c;
        c.path = path.string();
        c.name = path.filename().string();
        c.link = it->is_symlink(typeError);
        std::error_code canonicalError;
        const fs::path target = fs::canonical(path, canonicalError);
        c.ownName = !c.link || (!canonicalError && target.filename() == path.filename());
        auto [slot, isFirst] = byFile.try_emplace(id);
        if (isFirst) order.push_back(id);
        slot->second.push_back(std::move(c));
    }
    std::vector<CPlugInModule*> fresh;
    for (const SFileIdentity& id : order) {
        std::vector<Candidate>& names = byFile[id];
        std::sort(names.begin(), names.end(), [](const Candidate& a, const Candidate& b) {
            if (a.link != b.link) return !a.link;
            if (a.ownName != b.ownName) return a.ownName;
            return a.name < b.name;
        });
        bool isNew = false;
        std::string refusal;
        CPlugInModule* module = m_modules.Load(names.front().path, &isNew, &refusal);
        if (!module) {
            WriteLog("CFadingEffectManager::LoadPlugIns: " + names.front().path + " refused: " + refusal);
            continue;
        }
        for (size_t k = 1; k < names.size(); ++k)
            WriteLog("CFadingEffectManager::LoadPlugIns: " + names[k].path + " is the module " +
                     module->GetPath() + " again; registered once");
        // A module loaded by an earlier call has registered its effects already.
        if (isNew) fresh.push_back(module);
    }
    std::sort(fresh.begin(), fresh.end(),
              [](const CPlugInModule* a, const CPlugInModule* b) { return a->GetNumber() < b->GetNumber(); });

    int registered = 0;
    for (CPlugInModule* module : fresh) {
        auto information =
            reinterpret_cast<plugin::GetExportedInformationFn>(module->GetExport(plugin::kInformationExport));
        if (!information) continue;
        if (!EqualsNoCase(CallInformation(information, plugin::kSupportKey), "YES")) {
            WriteLog("CFadingEffectManager::LoadPlugIns: " + module->GetPath() +
                     " refused: does not answer \"FadeEffectSupport\" with \"YES\"");
            continue;
        }
        const int count =
            std::min(DecimalPrefix(CallInformation(information, plugin::kCountKey)), kMaxPlugInEffects);
        auto object = reinterpret_cast<plugin::GetExportedObjectFn>(module->GetExport(plugin::kObjectExport));
        if (!object) continue;
        for (int j = 0; j < count; ++j) {
            const std::string key = plugin::kObjectKeyPrefix + std::to_string(j);
            CFadingEffect* effect = nullptr;
            try {
                effect = object(key.c_str());
            } catch (...) {
                effect = nullptr;
            }
            if (!effect) continue;
            effect->SetOwnedByRegistry(false);
            effect->SetName(effect->GetName() + " [" + module->GetFileName() + "]");
            if (Register(effect)) ++registered;
        }
    }
    return registered;
}

int CFadingEffectManager::LoadConfiguredPlugIns() {
    if (!m_settings) return 0;
    int import = 0;
    std::string directory;
    if (!m_settings->GetInt("PLUGIN_SETTINGS", "ImportPlugInsAtStart", import) || import != 1) return 0;
    if (!m_settings->GetString("PLUGIN_SETTINGS", "FadingDLLDirectory", directory)) return 0;
    return LoadPlugIns(directory);
}

}  // namespace trov
