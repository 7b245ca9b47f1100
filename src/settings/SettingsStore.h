// The settings store: sections of key = value texts with typed accessors, loaded from and saved
// to the INI-like text format used by every settings file and by message payloads.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "infra/Utf16Order.h"
#include "settings/TextFile.h"

namespace trov {

// One section: keys to values, ordered by UTF-16 code units, case-sensitive.
class CSettingsSection {
public:
    using Entries = std::map<std::string, std::string, Utf16Less>;

    // True and value set when the key exists; otherwise false and value untouched.
    bool Get(std::string_view key, std::string& value) const;
    bool Has(std::string_view key) const { return m_entries.find(key) != m_entries.end(); }
    void Set(std::string_view key, std::string_view value);
    bool Remove(std::string_view key);
    void Clear() { m_entries.clear(); }
    size_t Size() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }
    const Entries& GetEntries() const { return m_entries; }

private:
    Entries m_entries;
};

class CSettingsStore {
public:
    using Sections = std::map<std::string, CSettingsSection, Utf16Less>;

    CSettingsStore() = default;
    CSettingsStore(const CSettingsStore&) = default;
    CSettingsStore& operator=(const CSettingsStore&) = default;
    CSettingsStore(CSettingsStore&&) = default;
    CSettingsStore& operator=(CSettingsStore&&) = default;
    virtual ~CSettingsStore() = default;

    // Readers: true and the variable set when the key exists, else false and the variable untouched.
    // A found key counts as found even when its text does not convert (integers then read 0,
    // floats stay unchanged).
    bool GetString(std::string_view section, std::string_view key, std::string& value) const;
    bool GetInt(std::string_view section, std::string_view key, int& value) const;
    bool GetBool(std::string_view section, std::string_view key, bool& value) const;  // integer != 0
    bool GetFloat(std::string_view section, std::string_view key, float& value) const;
    bool GetDouble(std::string_view section, std::string_view key, double& value) const;  // lenient reader

    // Writers create the section when missing and replace an existing value.
    void SetString(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, int value);      // "%d"
    void SetBool(std::string_view section, std::string_view key, bool value);    // 0 / 1
    void SetFloat(std::string_view section, std::string_view key, float value);  // "%f"

    bool HasSection(std::string_view section) const { return m_sections.find(section) != m_sections.end(); }
    bool HasKey(std::string_view section, std::string_view key) const;
    // The section, or nullptr when missing.
    const CSettingsSection* GetSection(std::string_view section) const;
    // The section, created when missing.
    CSettingsSection& Section(std::string_view section);
    bool RemoveSection(std::string_view section);
    bool RemoveKey(std::string_view section, std::string_view key);
    const Sections& GetSections() const { return m_sections; }

    // Reads a file and merges it into the store. False, and the store unchanged, when the file
    // cannot be read. A file of fewer than 2 bytes loads as empty (true).
    bool Load(const std::string& path);
    // Loads fileName from the program directory; fullPath gets the path even when loading fails.
    bool LoadBesideProgram(const std::string& programDirectory, const std::string& fileName,
                           std::string& fullPath);
    // Writes the whole store in canonical order. encoding as CTextFile (1 = 8-bit, 2 = UTF-16 LE,
    // 3 = UTF-16 BE); 8-bit text holding characters above U+00FF is written as UTF-16 LE.
    bool Save(const std::string& path, int encoding = CTextFile::k8Bit);

    // Copies every entry of other into this store (existing keys are overwritten, others kept).
    void MergeFrom(const CSettingsStore& other);
    // Copies one section of other into targetSection (or the same name when empty). Nothing
    // happens when other lacks the section.
    void CopySection(const CSettingsStore& other, std::string_view section,
                     std::string_view targetSection = {});
    // Removes all sections (the file name is kept).
    void Clear() { m_sections.clear(); }

    // The store in file form: each line followed by "\r\n".
    std::string ToText() const;
    // Merges such a text into the store.
    void FromText(std::string_view text);
    // The lines of the file form (comment keys, header, entries, an empty line per section).
    std::vector<std::string> ToLines() const;
    // Parses lines into the store (trimming, comments, headers, first "=").
    void ParseLines(const std::vector<std::string>& lines);

    // File name of the last successful load or save.
    const std::string& GetFileName() const { return m_textFile.GetFileName(); }
    void SetFileName(const std::string& path) { m_textFile.SetFileName(path); }
    // Encoding detected by the last Load.
    int GetLoadedEncoding() const { return m_textFile.GetEncoding(); }
    // Encoding actually written by the last Save.
    int GetSavedEncoding() const { return m_textFile.LastWriteEncoding(); }

    // Value conversions shared by the accessors and by other readers of settings texts.
    // Signed decimal: leading white space and a sign accepted, stops at the first non-digit,
    // no digits gives 0; values beyond the int range saturate.
    static int ParseInt(std::string_view text);
    // A "%f" scan independent of the locale: false, value untouched, when the text does not
    // start with a finite number.
    static bool ParseFloat(std::string_view text, float& value);
    // "." or "," separate the fraction; every other character counts as a digit (non-digits as 0).
    static double ParseLenientDouble(std::string_view text);
    static std::string FormatInt(int value);
    // Six decimals with a "." under any locale ("25.000000").
    static std::string FormatFloat(float value);
    // Strips spaces from both ends, then tabs from both ends (one pass of each).
    static std::string_view Trim(std::string_view text);

private:
    Sections m_sections;
    CTextFile m_textFile;
};

}  // namespace trov
