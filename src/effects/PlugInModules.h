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

// The identity of a file: the same module reached through a symbolic or hard link is one module.
struct SFileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool operator<(const SFileIdentity& o) const {
        return device != o.device ? device < o.device : inode < o.inode;
    }
};
// False when path (followed through links) cannot be examined.
bool GetFileIdentity(const std::string& path, SFileIdentity& id);

// Modules by path, by file identity and by running number (load order). Modules stay loaded until
// the list dies.
class CPlugInModules {
public:
    // Loads path (dlopen, symbols resolved at once); null when it does not load, with the cause in
    // *refusal (when given). Only a file whose ELF dynamic symbol table exports both
    // GetExportedInformation and GetExportedObject is opened at all, so a foreign library's
    // start-up code never runs here. A path, or a file, loaded already (also under another name)
    // returns the module it has: unloading it would pull the code from under the effects it gave out.
    CPlugInModule* Load(const std::string& path, bool* isNew = nullptr, std::string* refusal = nullptr);
    CPlugInModule* FindByPath(const std::string& path) const;
    CPlugInModule* FindByIdentity(const SFileIdentity& id) const;
    // Modules in load order.
    std::vector<CPlugInModule*> InLoadOrder() const;
    size_t Count() const { return m_byNumber.size(); }

private:
    std::map<int, std::unique_ptr<CPlugInModule>> m_byNumber;
    std::map<std::string, CPlugInModule*> m_byPath;
    std::map<SFileIdentity, CPlugInModule*> m_byIdentity;
    int m_nextNumber = 0;
};

}  // namespace trov
