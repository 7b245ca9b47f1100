// Ordering of UTF-8 strings by their UTF-16 code units, the order of sections, keys and names.
#pragma once

#include <string>
#include <string_view>

namespace trov {

// <0, 0, >0 as a compares to b by UTF-16 code units (ordinal, case-sensitive).
// Invalid UTF-8 bytes compare as the Latin-1 character of the byte.
int CompareUtf16(std::string_view a, std::string_view b);

struct Utf16Less {
    bool operator()(std::string_view a, std::string_view b) const { return CompareUtf16(a, b) < 0; }
    using is_transparent = void;
};

}  // namespace trov
