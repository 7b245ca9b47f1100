// Little-endian reading and writing of 16- and 32-bit fields (RIFF, WAVE, AVI and BMP headers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace trov {

inline uint16_t ReadLe16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void WriteLe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void WriteLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
// At byte `at` of a buffer that already holds it.
inline void WriteLe16(std::vector<uint8_t>& buffer, size_t at, uint16_t v) {
    WriteLe16(buffer.data() + at, v);
}
inline void WriteLe32(std::vector<uint8_t>& buffer, size_t at, uint32_t v) {
    WriteLe32(buffer.data() + at, v);
}

inline void AppendLe16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
inline void AppendLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace trov
