// Builders for WAV files and PCM buffers used by the audio tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "video/WaveFormat.h"

namespace trov::test {

inline void Append16(std::string& s, uint16_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char(v >> 8));
}
inline void Append32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}

// One RIFF chunk: id, payload; an odd payload gets its pad byte.
inline std::string Chunk(const std::string& id, const std::string& payload, bool pad = true) {
    std::string s = id;
    Append32(s, uint32_t(payload.size()));
    s += payload;
    if (pad && (payload.size() & 1)) s.push_back('\0');
    return s;
}

// "RIFF" size "WAVE" + chunks (size computed unless given).
inline std::string Riff(const std::string& chunks, int64_t riffSize = -1) {
    std::string s = "RIFF";
    Append32(s, uint32_t(riffSize >= 0 ? riffSize : int64_t(chunks.size()) + 4));
    s += "WAVE";
    s += chunks;
    return s;
}

// The 16 bytes of a PCM "fmt " payload.
inline std::string FmtPayload(const SWaveFormat& f, bool withExtra) {
    std::vector<uint8_t> b = withExtra ? f.ToBytes() : f.ToPcmBytes();
    return std::string(b.begin(), b.end());
}

inline std::string Bytes(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

// 16-bit little-endian samples.
inline std::vector<uint8_t> Samples16(const std::vector<int>& values) {
    std::vector<uint8_t> out;
    for (int v : values) {
        uint16_t u = uint16_t(int16_t(v));
        out.push_back(uint8_t(u & 0xFF));
        out.push_back(uint8_t(u >> 8));
    }
    return out;
}
inline int Sample16At(const uint8_t* data, size_t index) {
    return int(int16_t(uint16_t(data[2 * index] | (data[2 * index + 1] << 8))));
}

// A sine of `frames` sample frames, amplitude `amp`, in 16-bit interleaved PCM of `channels`.
inline std::vector<uint8_t> Sine16(int frames, int channels, double hz, double rate, double amp) {
    std::vector<int> v;
    v.reserve(size_t(frames * channels));
    for (int i = 0; i < frames; ++i) {
        int s = int(std::lround(amp * std::sin(2.0 * M_PI * hz * i / rate)));
        for (int c = 0; c < channels; ++c) v.push_back(s);
    }
    return Samples16(v);
}

// A complete PCM WAV file (fmt, data) of the given bytes.
inline std::string PcmWav(const SWaveFormat& f, const std::vector<uint8_t>& data) {
    return Riff(Chunk("fmt ", FmtPayload(f, false)) + Chunk("data", Bytes(data)));
}

// Stereo 16-bit frames whose left sample is (index mod 30000) and right its negation: every
// position of a file is recognisable.
inline std::vector<uint8_t> RampStereo(int frames, int offset = 0) {
    std::vector<int> v;
    v.reserve(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        int s = (i + offset) % 30000;
        v.push_back(s);
        v.push_back(-s);
    }
    return Samples16(v);
}

}  // namespace trov::test
