// Wave format record helpers.
#include "video/WaveFormat.h"

#include <algorithm>
#include <cstring>

#include "infra/ByteOrder.h"

namespace trov {
namespace {

// The sub-format GUID of WAVE_FORMAT_EXTENSIBLE starts with the plain format tag; the remaining
// 14 bytes are the fixed multimedia GUID suffix.
uint16_t ExtensibleSubFormat(const SWaveFormat& f) {
    if (f.formatTag != kWaveFormatExtensible || f.extra.size() < 22) return 0;
    return ReadLe16(f.extra.data() + 6);
}

}  // namespace

bool SWaveFormat::IsIntegerPcm() const {
    if (formatTag == kWaveFormatPcm) return true;
    return ExtensibleSubFormat(*this) == kWaveFormatPcm;
}

bool SWaveFormat::IsFloatPcm() const {
    if (formatTag == kWaveFormatIeeeFloat) return true;
    return ExtensibleSubFormat(*this) == kWaveFormatIeeeFloat;
}

std::vector<uint8_t> SWaveFormat::ToPcmBytes() const {
    std::vector<uint8_t> out;
    out.reserve(16);
    AppendLe16(out, formatTag);
    AppendLe16(out, channels);
    AppendLe32(out, samplesPerSec);
    AppendLe32(out, avgBytesPerSec);
    AppendLe16(out, blockAlign);
    AppendLe16(out, bitsPerSample);
    return out;
}

std::vector<uint8_t> SWaveFormat::ToBytes() const {
    std::vector<uint8_t> out = ToPcmBytes();
    size_t n = std::min<size_t>(extra.size(), 0xFFFF);
    AppendLe16(out, uint16_t(n));
    out.insert(out.end(), extra.begin(), extra.begin() + long(n));
    return out;
}

SWaveFormat SWaveFormat::FromPcmBytes(const uint8_t* data) {
    SWaveFormat f;
    f.formatTag = ReadLe16(data);
    f.channels = ReadLe16(data + 2);
    f.samplesPerSec = ReadLe32(data + 4);
    f.avgBytesPerSec = ReadLe32(data + 8);
    f.blockAlign = ReadLe16(data + 12);
    f.bitsPerSample = ReadLe16(data + 14);
    return f;
}

bool SWaveFormat::FromBytes(const uint8_t* data, size_t size, SWaveFormat& format) {
    if (!data || size < 18) return false;
    uint16_t n = ReadLe16(data + 16);
    if (size - 18 < n) return false;
    SWaveFormat f = FromPcmBytes(data);
    f.extra.assign(data + 18, data + 18 + n);
    format = std::move(f);
    return true;
}

SWaveFormat PcmWaveFormat(uint32_t samplesPerSec, uint16_t channels, uint16_t bitsPerSample) {
    SWaveFormat f;
    f.formatTag = kWaveFormatPcm;
    f.channels = channels;
    f.samplesPerSec = samplesPerSec;
    f.bitsPerSample = bitsPerSample;
    f.blockAlign = uint16_t(channels * bitsPerSample / 8);
    f.avgBytesPerSec = samplesPerSec * f.blockAlign;
    return f;
}

SWaveFormat StandardWaveFormat() {
    return PcmWaveFormat(44100, 2, 16);
}

bool IsStandardWaveFormat(const SWaveFormat& f) {
    return f.IsIntegerPcm() && f.channels == 2 && f.samplesPerSec == 44100 && f.bitsPerSample == 16;
}

std::string FormatThousands(uint32_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    int count = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (count > 0 && count % 3 == 0) out.insert(out.begin(), ',');
        out.insert(out.begin(), *it);
        ++count;
    }
    return out;
}

}  // namespace trov
