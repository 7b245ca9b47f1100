// Plug-in modules loaded with dlopen after a look at their exports; exports resolved with dlsym and cached.
#include "effects/PlugInModules.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>

#include "effects/ElfExports.h"
#include "effects/PluginApi.h"

namespace trov {

CPlugInModule::~CPlugInModule() {
    if (m_handle) dlclose(m_handle);
}

std::string CPlugInModule::GetFileName() const {
    size_t slash = m_path.find_last_of("/\\");
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

void* CPlugInModule::GetExport(const std::string& name) {
    if (name.empty() || !m_handle) return nullptr;
    const std::string symbol = name.substr(0, 1000);
    auto it = m_exports.find(symbol);
    if (it != m_exports.end()) return it->second;
    void* address = dlsym(m_handle, symbol.c_str());
    m_exports.emplace(symbol, address);
    return address;
}

bool GetFileIdentity(const std::string& path, SFileIdentity& id) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    id.device = static_cast<unsigned long long>(st.st_dev);
    id.inode = static_cast<unsigned long long>(st.st_ino);
    return true;
}

CPlugInModule* CPlugInModules::Load(const std::string& path, bool* isNew, std::string* refusal) {
    if (isNew) *isNew = false;
    auto refuse = [&](const std::string& why) -> CPlugInModule* {
        if (refusal) *refusal = why;
        return nullptr;
    };
    if (CPlugInModule* known = FindByPath(path)) return known;
    SFileIdentity id;
    if (!GetFileIdentity(path, id)) return refuse("cannot be read");
    if (CPlugInModule* known = FindByIdentity(id)) return known;

    std::vector<std::string> exports;
    std::string cause;
    if (!ReadElfExports(path, exports, cause)) return refuse(cause);
    for (const char* required : {plugin::kInformationExport, plugin::kObjectExport})
        if (std::find(exports.begin(), exports.end(), required) == exports.end())
            return refuse(std::string("does not export ") + required);

    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        return refuse(std::string("does not load: ") + (why ? why : "unknown reason"));
    }
    const int number = m_nextNumber++;
    auto module = std::make_unique<CPlugInModule>(path, handle, number);
    CPlugInModule* raw = module.get();
    m_byNumber.emplace(number, std::move(module));
    m_byPath.emplace(path, raw);
    m_byIdentity.emplace(id, raw);
    if (isNew) *isNew = true;
    return raw;
}

CPlugInModule* CPlugInModules::FindByIdentity(const SFileIdentity& id) const {
    auto it = m_byIdentity.find(id);
    return it == m_byIdentity.end() ? nullptr : it->second;
}

CPlugInModule* CPlugInModules::FindByPath(const std::string& path) const {
    auto it = m_byPath.find(path);
    return it == m_byPath.end() ? nullptr : it->second;
}

std::vector<CPlugInModule*> CPlugInModules::InLoadOrder() const {
    std::vector<CPlugInModule*> modules;
    for (const auto& [number, module] : m_byNumber) modules.push_back(module.get());
    return modules;
}

}  // namespace trov
