// The loaded plug-in modules (dlopen handles) with their resolved exports.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace trov {

class CPlugInModule {
public:
    CPlugInModule(std::string path, void* handle, int number)
        : m_path(std::move(path)), m_handle(handle), m_number(number) {}
    ~CPlugInModule();
    CPlugInModule(const CPlugInModule&) = delete;
    CPlugInModule& operator=(const CPlugInModule&) = delete;

    const std::string& GetPath() const { return m_path; }
    // The path after its last "/" (or "\").
    std::string GetFileName() const;
    int GetNumber() const { return m_number; }
    // Address of an exported symbol, cached by name; null when missing or the name is empty.
    // Names are cut to 1000 characters.
    void* GetExport(const std::string& name);

private:
    std::string m_path;
    void* m_handle = nullptr;
    int m_number = 0;
    std::map<std::string, void*> m_exports;
};

// Modules by path and by running number (load order). Modules stay loaded until the list dies.
class CPlugInModules {
public:
    // Loads path (dlopen, symbols resolved at once); null when it does not load. A path loaded
    // already returns the module it has: unloading it would pull the code from under the effects
    // it gave out.
    CPlugInModule* Load(const std::string& path, bool* isNew = nullptr);
    CPlugInModule* FindByPath(const std::string& path) const;
    // Modules in load order.
    std::vector<CPlugInModule*> InLoadOrder() const;
    size_t Count() const { return m_byNumber.size(); }

private:
    std::map<int, std::unique_ptr<CPlugInModule>> m_byNumber;
    std::map<std::string, CPlugInModule*> m_byPath;
    int m_nextNumber = 0;
};

}  // namespace trov
