// printf-style formatting of the creation's status texts and cache keys (ints only).
#pragma once

#include <cstdio>
#include <string>

namespace trov {

inline std::string Format(const char* fmt, int a) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a);
    return buf;
}
inline std::string Format(const char* fmt, int a, int b) {
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}
inline std::string Format(const char* fmt, int a, int b, int c) {
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, a, b, c);
    return buf;
}

}  // namespace trov
