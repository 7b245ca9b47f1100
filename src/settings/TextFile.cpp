// Text files: encoding detection, line splitting, writing in one of the three encodings.
#include "settings/TextFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "infra/Log.h"
#include "infra/ReplaceFile.h"
#include "infra/TextEncoding.h"
#include "settings/TextFileBytes.h"

namespace trov {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Reads the whole stream; false on a read error (a directory, an I/O fault) or when memory runs out.
bool ReadAll(std::FILE* f, std::string& out) {
    out.clear();
    try {
        struct stat st {};
        if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            out.reserve(static_cast<size_t>(st.st_size));
        }
        char chunk[1 << 16];
        for (;;) {
            size_t n = std::fread(chunk, 1, sizeof chunk, f);
            out.append(chunk, n);
            if (n < sizeof chunk) break;
        }
    } catch (const std::bad_alloc&) {
        out.clear();
        out.shrink_to_fit();
        return false;
    }
    return !std::ferror(f);
}

// Splits UTF-8 text at "\n", each line cut at its last "\r"; the text after the last "\n" is
// always a final line (possibly empty), as for files.
void SplitFileText(std::string_view text, std::vector<std::string>& lines) {
    size_t start = 0;
    for (;;) {
        size_t nl = text.find('\n', start);
        std::string line(
            text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start));
        CTextFile::CutAtLastCR(line);
        lines.push_back(std::move(line));
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
}

// UTF-16 bytes after the mark into UTF-8; a trailing odd byte is ignored, lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 2 + bytes.size() / 8);
    size_t n = bytes.size() / 2;
    auto unit = [&](size_t k) -> uint32_t {
        auto a = static_cast<unsigned char>(bytes[2 * k]), b = static_cast<unsigned char>(bytes[2 * k + 1]);
        return bigEndian ? (uint32_t(a) << 8 | b) : (uint32_t(b) << 8 | a);
    };
    for (size_t k = 0; k < n; ++k) {
        uint32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < n) {
            uint32_t v = unit(k + 1);
            if (v >= 0xDC00 && v <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
                ++k;
                continue;
            }
        }
        AppendUtf8(out, u);  // lone surrogates turn into U+FFFD there
    }
    return out;
}

}  // namespace

void CTextFile::CutAtLastCR(std::string& line) {
    size_t cr = line.rfind('\r');
    if (cr != std::string::npos) line.erase(cr);
}

bool CTextFile::Read(const std::string& path) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return false;
    std::string buffer;
    if (!ReadAll(f.get(), buffer)) return false;

    m_fileName = path;
    m_lines.clear();
    m_buffer = std::move(buffer);
    if (m_buffer.size() < 2) {
        m_encoding = kUndetected;
        return true;
    }
    auto b0 = static_cast<unsigned char>(m_buffer[0]), b1 = static_cast<unsigned char>(m_buffer[1]);
    std::string_view body(m_buffer);
    try {
        if (b0 == 0xFF && b1 == 0xFE) {
            m_encoding = kUtf16LE;
            SplitFileText(Utf16ToUtf8(body.substr(2), false), m_lines);
        } else if (b0 == 0xFE && b1 == 0xFF) {
            m_encoding = kUtf16BE;
            SplitFileText(Utf16ToUtf8(body.substr(2), true), m_lines);
        } else {
            m_encoding = k8Bit;
            // Editors put a UTF-8 byte order mark in front; it is no part of the first line.
            if (body.size() >= 3 && b0 == 0xEF && b1 == 0xBB && static_cast<unsigned char>(body[2]) == 0xBF)
                body.remove_prefix(3);
            SplitFileText(Utf8OrLatin1ToUtf8(body), m_lines);
        }
    } catch (const std::bad_alloc&) {
        ClearContent();
        return false;
    }
    return true;
}

std::string EncodeTextFile(const std::vector<std::string>& lines, int& encoding) {
    if (encoding != CTextFile::kUtf16LE && encoding != CTextFile::kUtf16BE) {
        encoding = CTextFile::k8Bit;
        for (const std::string& line : lines) {
            if (!FitsLatin1(line)) {
                encoding = CTextFile::kUtf16LE;
                break;
            }
        }
    }
    std::string bytes;
    if (encoding == CTextFile::k8Bit) {
        for (const std::string& line : lines) {
            bytes += Utf8ToLatin1(line);
            bytes += "\r\n";
        }
        // Latin-1 bytes that happen to form multi-byte UTF-8 ("Ã©" is C3 A9) would be read back as
        // other characters, also beside bytes that are no UTF-8 ("Ã©ÿ"), because the reader decodes
        // sequence by sequence: such text goes out as UTF-16 too.
        // Text starting with "ÿþ" or "þÿ" would be taken for a UTF-16 byte order mark.
        bool looksLikeMark = bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                                   (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
        if (!looksLikeMark && !HoldsUtf8Sequence(bytes)) return bytes;
        encoding = CTextFile::kUtf16LE;
        bytes.clear();
    }
    const bool big = encoding == CTextFile::kUtf16BE;
    bytes.push_back(static_cast<char>(big ? 0xFE : 0xFF));
    bytes.push_back(static_cast<char>(big ? 0xFF : 0xFE));
    for (const std::string& line : lines) {
        bytes += Utf8ToUtf16Bytes(line, big);
        bytes += Utf8ToUtf16Bytes("\r\n", big);
    }
    return bytes;
}

bool CTextFile::Write(const std::string& path, int encoding, const std::vector<std::string>& lines) {
    std::string bytes = EncodeTextFile(lines, encoding);
    // Settings, codec settings and flight-point files are replaced whole: a full disk or a killed
    // program leaves the old file, never half of the new one.
    std::string error;
    if (!ReplaceFileContent(path, bytes, {}, &error)) {
        WriteLog("CTextFile::Write: " + error);
        return false;
    }
    m_fileName = path;
    m_lastWriteEncoding = encoding;
    return true;
}

void CTextFile::Clear() {
    m_fileName.clear();
    m_encoding = kUndetected;
    ClearContent();
}

void CTextFile::ClearContent() {
    m_lines.clear();
    m_lines.shrink_to_fit();
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

std::vector<std::string> CTextFile::SplitText(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) {
            if (start < text.size()) {
                std::string line(text.substr(start));
                CutAtLastCR(line);
                lines.push_back(std::move(line));
            }
            break;
        }
        std::string line(text.substr(start, nl - start));
        CutAtLastCR(line);
        lines.push_back(std::move(line));
        start = nl + 1;
    }
    return lines;
}

}  // namespace trov
