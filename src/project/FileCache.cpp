// Keyed file cache: MD5-digest index, registered file list, index files in 8-bit text.
#include "project/FileCache.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace trov {

namespace {

// ---- MD5 (RFC 1321) ----------------------------------------------------------------------
class Md5 {
public:
    void Update(const unsigned char* data, size_t size) {
        size_t have = static_cast<size_t>(m_length % 64);
        m_length += size;
        size_t i = 0;
        if (have) {
            size_t take = std::min<size_t>(64 - have, size);
            std::memcpy(m_block + have, data, take);
            i = take;
            if (have + take < 64) return;
            Transform(m_block);
        }
        for (; i + 64 <= size; i += 64) Transform(data + i);
        if (i < size) std::memcpy(m_block, data + i, size - i);
    }

    std::array<unsigned char, 16> Final() {
        uint64_t bits = m_length * 8;
        unsigned char pad[72] = {0x80};
        size_t have = static_cast<size_t>(m_length % 64);
        size_t padLen = (have < 56) ? 56 - have : 120 - have;
        Update(pad, padLen);
        unsigned char len[8];
        for (int i = 0; i < 8; ++i) len[i] = static_cast<unsigned char>(bits >> (8 * i));
        Update(len, 8);
        std::array<unsigned char, 16> out{};
        for (int i = 0; i < 4; ++i)
            for (int b = 0; b < 4; ++b) out[4 * i + b] = static_cast<unsigned char>(m_state[i] >> (8 * b));
        return out;
    }

private:
    static uint32_t Rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

    void Transform(const unsigned char* p) {
        static const uint32_t k[64] = {
            0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
            0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
            0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
            0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
            0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
            0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
            0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
            0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
        static const int r[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                  5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                  4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                  6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
        uint32_t w[16];
        for (int i = 0; i < 16; ++i)
            w[i] = uint32_t(p[4 * i]) | uint32_t(p[4 * i + 1]) << 8 | uint32_t(p[4 * i + 2]) << 16 |
                   uint32_t(p[4 * i + 3]) << 24;
        uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
        for (int i = 0; i < 64; ++i) {
            uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            uint32_t t = d;
            d = c;
            c = b;
            b = b + Rotl(a + f + k[i] + w[g], r[i]);
            a = t;
        }
        m_state[0] += a;
        m_state[1] += b;
        m_state[2] += c;
        m_state[3] += d;
    }

    uint32_t m_state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    uint64_t m_length = 0;
    unsigned char m_block[64] = {};
};

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
std::vector<std::string> ReadTextLines(const std::string& bytes) {
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
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// Encodes lines for writing: Latin-1 when every character fits, else UTF-16 LE with a mark.
std::string EncodeTextLines(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines) {
        all += l;
        all += "\r\n";
    }
    if (auto latin = ToLatin1(all)) return *latin;
    std::string out = "\xFF\xFE";
    for (uint32_t cp : DecodeUtf8(all)) {
        auto put = [&out](uint32_t u) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>((u >> 8) & 0xFF);
        };
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

bool IsHexDigest(const std::string& s) {
    if (s.size() != 32) return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

}  // namespace

std::string CFileCache::Md5Hex(const std::string& bytes) {
    Md5 md5;
    md5.Update(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    auto digest = md5.Final();
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char b : digest) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
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
    std::vector<std::string> lines = ReadTextLines(ss.str());
    // Pairs whose first line is not a digest come from a damaged file; skip them rather than
    // letting an arbitrary line pose as a key.
    for (size_t i = 0; i + 1 < lines.size(); i += 2) {
        if (!IsHexDigest(lines[i]) || lines[i + 1].empty()) continue;
        m_index.emplace(lines[i], lines[i + 1]);
    }
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
    std::string bytes = EncodeTextLines(lines);
    // Write beside and rename, so a crash mid-write never leaves a truncated index.
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) return false;
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
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
