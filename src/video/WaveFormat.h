// The wave format record (format tag, channels, rate, bytes per second, block alignment, bits,
// extra bytes) shared by WAV files, the format slots and the encoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trov {

inline constexpr uint16_t kWaveFormatPcm = 0x0001;
inline constexpr uint16_t kWaveFormatIeeeFloat = 0x0003;
inline constexpr uint16_t kWaveFormatMpeg = 0x0050;        // MPEG Layer-2
inline constexpr uint16_t kWaveFormatMpegLayer3 = 0x0055;  // MPEG Layer-3
inline constexpr uint16_t kWaveFormatAac = 0x00FF;
inline constexpr uint16_t kWaveFormatAc3 = 0x2000;
inline constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// The record as it lies in a "fmt " chunk: 18 bytes followed by `extra.size()` extra bytes.
// An empty record (all zero, no extra bytes) means "no format".
struct SWaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> extra;  // the extra-bytes count is extra.size()

    bool operator==(const SWaveFormat&) const = default;

    // Bytes of one sample frame: channels * bits / 8 (0 for compressed formats without bits).
    // Unsigned, so that a hostile record (65535 channels of 65535 bits) cannot overflow.
    int FrameSize() const { return int(uint32_t(channels) * bitsPerSample / 8); }
    bool IsEmpty() const { return formatTag == 0 && extra.empty(); }

    // True for integer PCM, either tag 1 or an extensible record whose sub-format is PCM.
    bool IsIntegerPcm() const;
    // True for 32/64-bit float samples (tag 3 or extensible float).
    bool IsFloatPcm() const;

    // The record as bytes: 18 + extra (the extra-bytes count is clamped to 65535).
    std::vector<uint8_t> ToBytes() const;
    // Only the first 16 bytes (what a PCM "fmt " chunk holds).
    std::vector<uint8_t> ToPcmBytes() const;
    // Parses 18 bytes plus the extra bytes they announce; false when the bytes are too few.
    static bool FromBytes(const uint8_t* data, size_t size, SWaveFormat& format);
    // The six fields of the record's first 16 bytes (no extra bytes).
    static SWaveFormat FromPcmBytes(const uint8_t* data);
};

// The system's standard format: PCM, 2 channels, 44,100 Hz, 16 bits (176,400 bytes per second).
SWaveFormat StandardWaveFormat();
// PCM with the given layout; bytes per second and block alignment derived.
SWaveFormat PcmWaveFormat(uint32_t samplesPerSec, uint16_t channels, uint16_t bitsPerSample);
bool IsStandardWaveFormat(const SWaveFormat& format);

// "44,100" style thousands separators for rates and bit rates in format descriptions.
std::string FormatThousands(uint32_t value);

}  // namespace trov
