// Keyed file cache: MD5-digest index, registered file list, index files in 8-bit text.
#include "project/FileCache.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "infra/Log.h"
#include "infra/ReplaceFile.h"
#include "infra/TextEncoding.h"
#include "project/Md5.h"

namespace trov {

namespace {

// ---- text conversions for the 8-bit index file -------------------------------------------
// Decodes UTF-8 into code points; invalid bytes are taken as Latin-1 characters.
std::vector<uint32_t> DecodeUtf8(const std::string& s, bool* valid = nullptr) {
    std::vector<uint32_t> out;
    bool ok = true;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        int extra = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        bool good = extra > 0 && i + static_cast<size_t>(extra) < s.size();
        uint32_t cp = good ? (c & (0x3F >> extra)) : 0;
        for (int k = 1; good && k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) good = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!good) {
            ok = false;
            out.push_back(c);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += extra + 1;
    }
    if (valid) *valid = ok;
    return out;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Latin-1 bytes of a UTF-8 text, or nullopt when a character does not fit.
std::optional<std::string> ToLatin1(const std::string& utf8) {
    std::string out;
    for (uint32_t cp : DecodeUtf8(utf8)) {
        if (cp > 0xFF) return std::nullopt;
        out += static_cast<char>(cp);
    }
    return out;
}

// Reads an index file's lines: UTF-16 LE/BE with a mark, UTF-8 when valid with multi-byte
// sequences, else Latin-1. Line ends are "\n" with an optional "\r" before it.
std::vector<std::string> ReadTextLines(const std::string& bytes, bool& terminated) {
    std::string text;
    if (bytes.size() >= 2 &&
        (static_cast<unsigned char>(bytes[0]) == 0xFF || static_cast<unsigned char>(bytes[0]) == 0xFE) &&
        (static_cast<unsigned char>(bytes[1]) ^ static_cast<unsigned char>(bytes[0])) == 0x01) {
        bool little = static_cast<unsigned char>(bytes[0]) == 0xFF;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            uint32_t lo = static_cast<unsigned char>(bytes[i + (little ? 0 : 1)]);
            uint32_t hi = static_cast<unsigned char>(bytes[i + (little ? 1 : 0)]);
            uint32_t u = lo | (hi << 8);
            if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
                uint32_t lo2 = static_cast<unsigned char>(bytes[i + 2 + (little ? 0 : 1)]);
                uint32_t hi2 = static_cast<unsigned char>(bytes[i + 2 + (little ? 1 : 0)]);
                uint32_t u2 = lo2 | (hi2 << 8);
                if (u2 >= 0xDC00 && u2 < 0xE000) {
                    u = 0x10000 + ((u - 0xD800) << 10) + (u2 - 0xDC00);
                    i += 2;
                }
            }
            AppendUtf8(text, u);
        }
    } else {
        bool valid = false;
        DecodeUtf8(bytes, &valid);
        if (valid) {
            text = bytes;
        } else {
            for (char c : bytes) AppendUtf8(text, static_cast<unsigned char>(c));
        }
    }
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    terminated = line.empty();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// Encodes lines for writing: Latin-1 when every character fits and the bytes cannot be taken for
// UTF-8 by the reader (plain ASCII, or not valid UTF-8), else UTF-16 LE with a mark.
std::string EncodeTextLines(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines) {
        all += l;
        all += "\r\n";
    }
    if (auto latin = ToLatin1(all)) {
        bool utf8 = false;
        DecodeUtf8(*latin, &utf8);
        if (*latin == all || !utf8) return *latin;
    }
    return "\xFF\xFE" + Utf8ToUtf16Bytes(all, false);
}

bool IsHexDigest(const std::string& s) {
    if (s.size() != 32) return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

}  // namespace

std::string CFileCache::Md5Hex(const std::string& bytes) {
    return trov::Md5Hex(bytes);
}

std::string CFileCache::KeyDigest(const std::string& key) {
    if (auto latin = ToLatin1(key)) return Md5Hex(*latin);
    return Md5Hex(key);
}

void CFileCache::SetDirectory(const std::string& directory) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_directory = directory;
}

std::string CFileCache::GetDirectory() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_directory;
}

std::string CFileCache::MakePath(const std::string& fileName) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return (std::filesystem::path(m_directory) / fileName).string();
}

bool CFileCache::LoadIndex(const std::string& fileName) {
    std::string path = MakePath(fileName);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_index.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    bool terminated = true;
    std::vector<std::string> lines = ReadTextLines(ss.str(), terminated);
    // Every line is written with its terminator: a last line without one was cut short, and a
    // shortened path could name another file.
    size_t dropped = 0;
    if (!terminated && !lines.empty()) {
        lines.pop_back();
        ++dropped;
    }
    // A digest line followed by a path line is an entry; anything else is skipped one line at a time,
    // so that a lost or damaged line costs only its own entry.
    for (size_t i = 0; i < lines.size();) {
        if (i + 1 < lines.size() && IsHexDigest(lines[i]) && !lines[i + 1].empty() &&
            !IsHexDigest(lines[i + 1])) {
            m_index.emplace(lines[i], lines[i + 1]);
            i += 2;
        } else {
            ++dropped;
            ++i;
        }
    }
    if (dropped > 0)
        WriteLog("CFileCache::LoadIndex: " + path + " is damaged; " + std::to_string(dropped) +
                 " line(s) skipped, " + std::to_string(m_index.size()) + " entries kept");
    return true;
}

bool CFileCache::SaveIndex(const std::string& fileName) const {
    std::string path = MakePath(fileName);
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& [digest, file] : m_index) {
            lines.push_back(digest);
            lines.push_back(file);
        }
    }
    // Never a truncated index, whatever happens during the write.
    std::string error;
    if (!ReplaceFileContent(path, EncodeTextLines(lines), {}, &error)) {
        WriteLog("CFileCache::SaveIndex: " + error);
        return false;
    }
    return true;
}

std::optional<std::string> CFileCache::Lookup(const std::string& key) const {
    std::string digest = KeyDigest(key);
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_index.find(digest);
    if (it == m_index.end()) return std::nullopt;
    return it->second;
}

void CFileCache::Add(const std::string& key, const std::string& path) {
    std::string digest = KeyDigest(key);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_index.emplace(digest, path);
}

std::optional<std::string> CFileCache::Remove(const std::string& key) {
    std::string digest = KeyDigest(key);
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_index.find(digest);
    if (it == m_index.end()) return std::nullopt;
    std::string path = it->second;
    m_index.erase(it);
    return path;
}

void CFileCache::RegisterFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_files.push_back(path);
}

int CFileCache::GetFileCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_files.size());
}

std::vector<std::string> CFileCache::GetFiles() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_files;
}

size_t CFileCache::GetIndexSize() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_index.size();
}

std::vector<std::string> CFileCache::GetIndexedPaths() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> paths;
    paths.reserve(m_index.size());
    for (const auto& entry : m_index) paths.push_back(entry.second);
    return paths;
}

void CFileCache::Clear(bool deleteFiles) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (deleteFiles) {
        for (const auto& f : m_files) {
            std::error_code ec;
            if (std::filesystem::is_regular_file(f, ec)) std::filesystem::remove(f, ec);
        }
    }
    m_files.clear();
    m_index.clear();
}

}  // namespace trov
