// UTF-16 code-unit order over UTF-8 text.
#include "infra/Utf16Order.h"

#include <cstdint>

namespace trov {
namespace {

// Decodes one code point at s[i], advancing i; malformed bytes decode as themselves.
uint32_t NextCodePoint(std::string_view s, size_t& i) {
    auto b0 = static_cast<unsigned char>(s[i]);
    int len = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
    if (len <= 1 || i + len > s.size()) {
        ++i;
        return b0;
    }
    uint32_t cp = b0 & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += len;
    return cp;
}

// First UTF-16 code unit of a code point; surrogates sort above U+D7FF and below U+E000.
uint32_t Unit(uint32_t cp, uint32_t& second) {
    if (cp < 0x10000) {
        second = 0;
        return cp;
    }
    cp -= 0x10000;
    second = 0xDC00 + (cp & 0x3FF);
    return 0xD800 + (cp >> 10);
}

}  // namespace

int CompareUtf16(std::string_view a, std::string_view b) {
    // Fast path: skip the common bytes. When the first difference is between ASCII bytes (or the
    // end of a string), both sides decode identically up to there -- a multi-byte sequence cut by
    // an ASCII byte or the end is malformed on both sides alike -- so the bytes decide.
    size_t k = 0, n = a.size() < b.size() ? a.size() : b.size();
    while (k < n && a[k] == b[k]) ++k;
    bool aEnd = k == a.size(), bEnd = k == b.size();
    if (aEnd && bEnd) return 0;
    auto ca = aEnd ? 0u : static_cast<unsigned char>(a[k]), cb = bEnd ? 0u : static_cast<unsigned char>(b[k]);
    if ((aEnd || ca < 0x80) && (bEnd || cb < 0x80)) {
        if (aEnd) return -1;
        if (bEnd) return 1;
        return ca < cb ? -1 : 1;
    }
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        uint32_t a2, b2;
        uint32_t a1 = Unit(NextCodePoint(a, i), a2);
        uint32_t b1 = Unit(NextCodePoint(b, j), b2);
        if (a1 != b1) return a1 < b1 ? -1 : 1;
        if (a2 != b2) {
            // One side is a surrogate pair, the other a BMP character equal to the high surrogate:
            // impossible in valid text, but keep the order total.
            return a2 < b2 ? -1 : 1;
        }
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace trov
