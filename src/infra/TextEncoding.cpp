// Byte forms of text: UTF-8, Latin-1 and UTF-16.
#include "infra/TextEncoding.h"

namespace trov {

namespace {

// Length of the well-formed UTF-8 sequence at s[i] and its code point; 0 when malformed.
int WellFormedAt(std::string_view s, size_t i, uint32_t& cp) {
    auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    int len;
    uint32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        min = 0x80;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        min = 0x800;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        min = 0x10000;
        cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + static_cast<size_t>(len) > s.size()) return 0;
    for (int k = 1; k < len; ++k) {
        auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

uint32_t NextCodePoint(std::string_view s, size_t& i) {
    uint32_t cp = 0;
    int len = WellFormedAt(s, i, cp);
    if (len == 0) {
        return static_cast<unsigned char>(s[i++]);
    }
    i += static_cast<size_t>(len);
    return cp;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool IsValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        uint32_t cp;
        int len = WellFormedAt(s, i, cp);
        if (len == 0) return false;
        i += static_cast<size_t>(len);
    }
    return true;
}

bool IsUtf8WithMultibyte(std::string_view s) {
    bool multi = false;
    for (size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        uint32_t cp;
        int len = WellFormedAt(s, i, cp);
        if (len == 0) return false;
        multi = true;
        i += static_cast<size_t>(len);
    }
    return multi;
}

bool HoldsUtf8Sequence(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        size_t start = i;
        NextCodePoint(s, i);
        if (i - start > 1) return true;
    }
    return false;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (b >> 6)));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

std::string Utf8OrLatin1ToUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            out.push_back(bytes[i++]);
            continue;
        }
        AppendUtf8(out, NextCodePoint(bytes, i));
    }
    return out;
}

bool FitsLatin1(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        if (NextCodePoint(text, i) > 0xFF) return false;
    }
    return true;
}

std::string Utf8ToLatin1(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        out.push_back(static_cast<char>(NextCodePoint(text, i) & 0xFF));
    }
    return out;
}

std::string Utf8ToUtf16Bytes(std::string_view text, bool bigEndian) {
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&](uint32_t unit) {
        char lo = static_cast<char>(unit & 0xFF), hi = static_cast<char>((unit >> 8) & 0xFF);
        if (bigEndian) {
            out.push_back(hi);
            out.push_back(lo);
        } else {
            out.push_back(lo);
            out.push_back(hi);
        }
    };
    for (size_t i = 0; i < text.size();) {
        uint32_t cp = NextCodePoint(text, i);
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

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace trov
