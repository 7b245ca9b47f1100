// Plug-in modules loaded with dlopen; exports resolved with dlsym and cached.
#include "effects/PlugInModules.h"

#include <dlfcn.h>

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

CPlugInModule* CPlugInModules::Load(const std::string& path, bool* isNew) {
    if (isNew) *isNew = false;
    if (CPlugInModule* known = FindByPath(path)) return known;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    const int number = m_nextNumber++;
    auto module = std::make_unique<CPlugInModule>(path, handle, number);
    CPlugInModule* raw = module.get();
    m_byNumber.emplace(number, std::move(module));
    m_byPath.emplace(path, raw);
    if (isNew) *isNew = true;
    return raw;
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
