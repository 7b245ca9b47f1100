// Settings store: parsing, canonical writing and value conversions.
#include "settings/SettingsStore.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "infra/TextEncoding.h"

namespace trov {

bool CSettingsSection::Get(std::string_view key, std::string& value) const {
    auto it = m_entries.find(key);
    if (it == m_entries.end()) return false;
    value = it->second;
    return true;
}

void CSettingsSection::Set(std::string_view key, std::string_view value) {
    auto it = m_entries.find(key);
    if (it == m_entries.end()) {
        m_entries.emplace(std::string(key), std::string(value));
    } else {
        it->second.assign(value);
    }
}

bool CSettingsSection::Remove(std::string_view key) {
    auto it = m_entries.find(key);
    if (it == m_entries.end()) return false;
    m_entries.erase(it);
    return true;
}

bool CSettingsStore::GetString(std::string_view section, std::string_view key, std::string& value) const {
    const CSettingsSection* s = GetSection(section);
    return s && s->Get(key, value);
}

bool CSettingsStore::GetInt(std::string_view section, std::string_view key, int& value) const {
    std::string text;
    if (!GetString(section, key, text)) return false;
    value = ParseInt(text);
    return true;
}

bool CSettingsStore::GetBool(std::string_view section, std::string_view key, bool& value) const {
    int v = 0;
    if (!GetInt(section, key, v)) return false;
    value = v != 0;
    return true;
}

bool CSettingsStore::GetFloat(std::string_view section, std::string_view key, float& value) const {
    std::string text;
    if (!GetString(section, key, text)) return false;
    ParseFloat(text, value);
    return true;
}

bool CSettingsStore::GetDouble(std::string_view section, std::string_view key, double& value) const {
    std::string text;
    if (!GetString(section, key, text)) return false;
    value = ParseLenientDouble(text);
    return true;
}

void CSettingsStore::SetString(std::string_view section, std::string_view key, std::string_view value) {
    Section(section).Set(key, value);
}

void CSettingsStore::SetInt(std::string_view section, std::string_view key, int value) {
    SetString(section, key, FormatInt(value));
}

void CSettingsStore::SetBool(std::string_view section, std::string_view key, bool value) {
    SetString(section, key, value ? "1" : "0");
}

void CSettingsStore::SetFloat(std::string_view section, std::string_view key, float value) {
    SetString(section, key, FormatFloat(value));
}

bool CSettingsStore::HasKey(std::string_view section, std::string_view key) const {
    const CSettingsSection* s = GetSection(section);
    return s && s->Has(key);
}

const CSettingsSection* CSettingsStore::GetSection(std::string_view section) const {
    auto it = m_sections.find(section);
    return it == m_sections.end() ? nullptr : &it->second;
}

CSettingsSection& CSettingsStore::Section(std::string_view section) {
    auto it = m_sections.find(section);
    if (it == m_sections.end()) it = m_sections.emplace(std::string(section), CSettingsSection{}).first;
    return it->second;
}

bool CSettingsStore::RemoveSection(std::string_view section) {
    auto it = m_sections.find(section);
    if (it == m_sections.end()) return false;
    m_sections.erase(it);
    return true;
}

bool CSettingsStore::RemoveKey(std::string_view section, std::string_view key) {
    auto it = m_sections.find(section);
    return it != m_sections.end() && it->second.Remove(key);
}

bool CSettingsStore::Load(const std::string& path) {
    CTextFile file;
    if (!file.Read(path)) return false;
    ParseLines(file.Lines());
    m_textFile = std::move(file);
    m_textFile.ClearContent();
    return true;
}

bool CSettingsStore::LoadBesideProgram(const std::string& programDirectory, const std::string& fileName,
                                       std::string& fullPath) {
    fullPath = (std::filesystem::path(programDirectory) / fileName).lexically_normal().string();
    return Load(fullPath);
}

bool CSettingsStore::Save(const std::string& path, int encoding) {
    if (!m_textFile.Write(path, encoding, ToLines())) return false;
    m_textFile.ClearContent();
    return true;
}

void CSettingsStore::MergeFrom(const CSettingsStore& other) {
    if (&other == this) return;
    for (const auto& [name, section] : other.m_sections) {
        CSettingsSection& target = Section(name);
        for (const auto& [key, value] : section.GetEntries()) target.Set(key, value);
    }
}

void CSettingsStore::CopySection(const CSettingsStore& other, std::string_view section,
                                 std::string_view targetSection) {
    const CSettingsSection* source = other.GetSection(section);
    if (!source) return;
    // Copy first: other may be this store and the target may be the source.
    CSettingsSection::Entries entries = source->GetEntries();
    CSettingsSection& target = Section(targetSection.empty() ? section : targetSection);
    for (const auto& [key, value] : entries) target.Set(key, value);
}

std::vector<std::string> CSettingsStore::ToLines() const {
    std::vector<std::string> lines;
    for (const auto& [name, section] : m_sections) {
        const auto& entries = section.GetEntries();
        for (const auto& [key, value] : entries) {
            if (key.rfind("//", 0) == 0) lines.push_back(key);
        }
        lines.push_back("[" + name + "]");
        for (const auto& [key, value] : entries) {
            if (key.rfind("//", 0) != 0) lines.push_back(key + "=" + value);
        }
        lines.emplace_back();
    }
    return lines;
}

std::string CSettingsStore::ToText() const {
    std::string text;
    for (const std::string& line : ToLines()) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void CSettingsStore::FromText(std::string_view text) {
    ParseLines(CTextFile::SplitText(text));
}

void CSettingsStore::ParseLines(const std::vector<std::string>& lines) {
    CSettingsSection* current = nullptr;
    for (const std::string& raw : lines) {
        std::string_view line = Trim(raw);
        if (line.empty() || line.rfind("//", 0) == 0) continue;
        std::string_view header = line;
        while (!header.empty() && header.front() == ' ') header.remove_prefix(1);
        while (!header.empty() && header.back() == ' ') header.remove_suffix(1);
        if (!header.empty() && header.front() == '[') {
            size_t close = header.find(']', 1);
            if (close != std::string_view::npos) {
                current = &Section(header.substr(1, close - 1));
                continue;
            }
        }
        if (!current) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        current->Set(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
}

std::string_view CSettingsStore::Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    while (!text.empty() && text.front() == '\t') text.remove_prefix(1);
    while (!text.empty() && text.back() == '\t') text.remove_suffix(1);
    return text;
}

namespace {

// Index of the first character after leading C white space and one optional sign; negative tells
// whether that sign was '-'.
size_t SkipSpaceAndSign(std::string_view text, bool& negative) {
    size_t i = 0;
    auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < text.size() && isSpace(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

}  // namespace

int CSettingsStore::ParseInt(std::string_view text) {
    bool negative = false;
    size_t i = SkipSpaceAndSign(text, negative);
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;  // saturate
    }
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return static_cast<int>(v);
}

bool CSettingsStore::ParseFloat(std::string_view text, float& value) {
    bool negative = false;
    size_t i = SkipSpaceAndSign(text, negative);
    // from_chars takes no sign of its own beyond '-', and none after ours.
    if (i >= text.size() || text[i] == '+' || text[i] == '-') return false;
    double d = 0;
    auto [ptr, ec] =
        std::from_chars(text.data() + i, text.data() + text.size(), d, std::chars_format::general);
    if (ec != std::errc() || !std::isfinite(d)) return false;
    (void)ptr;
    float f = static_cast<float>(negative ? -d : d);
    if (!std::isfinite(f)) return false;
    value = f;
    return true;
}

double CSettingsStore::ParseLenientDouble(std::string_view text) {
    double integer = 0, fraction = 0, scale = 1;
    bool fractionMode = false;
    for (size_t i = 0; i < text.size();) {
        uint32_t c = NextCodePoint(text, i);
        if (c == '.' || c == ',') {
            fractionMode = true;
            continue;
        }
        int digit = (c >= '0' && c <= '9') ? static_cast<int>(c - '0') : 0;
        if (fractionMode) {
            scale *= 0.1;
            fraction += digit * scale;
        } else {
            integer = integer * 10 + digit;
        }
    }
    return integer + fraction;
}

std::string CSettingsStore::FormatInt(int value) {
    return std::to_string(value);
}

std::string CSettingsStore::FormatFloat(float value) {
    char buf[64];
    auto [ptr, ec] =
        std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::fixed, 6);
    if (ec != std::errc()) return "0.000000";
    return std::string(buf, ptr);
}

}  // namespace trov
