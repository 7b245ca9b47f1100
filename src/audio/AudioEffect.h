// In-place effects on the 16-bit PCM buffer of a CWaveFile: change of volume, linear fades, mixing
// of a second buffer, and normalisation with separate gains for the positive and negative half-waves.
//
// Samples are read as a sign and a magnitude: a sample whose high byte is 0x7F or less is positive
// with magnitude = its value; otherwise it is negative with magnitude = -value - 1. A magnitude is
// written back saturated at 32767, a negative one as its one's complement, so a sample read and
// written unchanged stays unchanged and every result saturates at +32767 / -32768.
// Every range is limited to the bytes the buffers really hold.
#pragma once

#include <cstdint>
#include <string>

#include "audio/WaveFile.h"
#include "infra/ByteOrder.h"
#include "settings/SettingsStore.h"

namespace trov {

struct SSignedMagnitude {
    bool negative = false;
    int magnitude = 0;  // 0 ... 32767
};

// Reads the sample at byte offset i (i + 1 must lie inside the buffer).
inline SSignedMagnitude ReadSampleMagnitude(const uint8_t* buffer, int64_t i) {
    if (!buffer) return {};
    int value = ReadLe16(buffer + i);
    if (buffer[i + 1] <= 0x7F) return {false, value};
    return {true, 0xFFFF - value};
}

// Writes a magnitude (truncated toward zero, limited to 0 ... 32767) with a sign at byte offset i.
inline void WriteSampleMagnitude(uint8_t* buffer, int64_t i, bool negative, double magnitude) {
    int m = magnitude >= 32767.0 ? 32767 : (magnitude > 0.0 ? int(magnitude) : 0);
    int stored = negative ? 0xFFFF - m : m;
    WriteLe16(buffer + i, uint16_t(stored));
}

class CAudioEffect {
public:
    explicit CAudioEffect(std::string name = "Undefined") : m_name(std::move(name)) {}
    virtual ~CAudioEffect() = default;
    CAudioEffect(const CAudioEffect&) = delete;
    CAudioEffect& operator=(const CAudioEffect&) = delete;

    virtual bool CanApply() = 0;
    // Works on the bound wave's buffer; the base does nothing.
    virtual bool Process() { return false; }
    // Works on the mix target with the bound source; the base does nothing.
    virtual bool ProcessMix() { return false; }

    // Binds `wave`; startMs -1 means the whole buffer, otherwise the range is
    // MsToByte(max(0, startMs)) ... MsToByte(max(0, endMs)). Then Process when CanApply.
    bool Apply(CWaveFile& wave, int startMs, int endMs);
    // Binds target and source; false when either is missing; then ProcessMix when CanApply.
    bool ApplyMix(CWaveFile* target, CWaveFile* source);

    CSettingsStore& GetSettings() { return m_settings; }
    const std::string& GetName() const { return m_name; }

protected:
    // The wave's buffer, loading the whole data chunk when there is none yet; null when none.
    static uint8_t* AcquireBuffer(CWaveFile* wave);
    // Limits the bound range to the buffer of the bound wave; false when there is no buffer.
    bool BoundRange(uint8_t*& buffer, int64_t& start, int64_t& end);

    int64_t m_start = -1;
    int64_t m_end = -1;
    bool m_wholeBuffer = false;
    CWaveFile* m_wave = nullptr;       // the buffer changed (for the mix: the source)
    CWaveFile* m_mixTarget = nullptr;  // mix only
    CSettingsStore m_settings;
    std::string m_name;
};

// "Percent" (float, section "CHANGE_COLUME"): magnitudes times Percent / 100. Process fails when
// "Percent" was never set.
class CChangeVolumeEffect : public CAudioEffect {
public:
    CChangeVolumeEffect() : CAudioEffect("Change Volume") {}
    bool CanApply() override { return true; }
    bool Process() override;
};

// Magnitude times (i - start) / D over the range of D bytes: 0 at the start, just below 1 at the end.
class CFadeInEffect : public CAudioEffect {
public:
    CFadeInEffect() : CAudioEffect("Fade In") {}
    bool CanApply() override { return true; }
    bool Process() override;
};

// Magnitude times (D - (i - start)) / D: 1 at the start, just above 0 at the end.
class CFadeOutEffect : public CAudioEffect {
public:
    CFadeOutEffect() : CAudioEffect("Fade Out") {}
    bool CanApply() override { return true; }
    bool Process() override;
};

// Adds the source's bytes "SourceStart" ... "SourceEnd" into the target from "TargetStart"
// (section "MIX", integer byte offsets); a target range shorter than the source range is extended.
class CMixEffect : public CAudioEffect {
public:
    CMixEffect() : CAudioEffect("Mix") {}
    bool CanApply() override { return true; }
    bool ProcessMix() override;
    // The sign rules of the mix for two samples.
    static SSignedMagnitude MixSamples(SSignedMagnitude target, SSignedMagnitude source);
};

// Scales the positive and the negative half-waves of the whole buffer separately to full scale.
class CNormalizeVolumeEffect : public CAudioEffect {
public:
    CNormalizeVolumeEffect() : CAudioEffect("Normalize Volume") {}
    bool CanApply() override { return true; }
    bool Process() override;
    // Peak search over the whole file in 1000 ms ranges; stores "UpMax" and "DownMax" in "Peak".
    // False only for a missing wave. Replaces the wave's buffer.
    bool FindPeaks(CWaveFile* wave);
    // Multiplies the whole buffer's positive magnitudes by "UpMax" and negative ones by "DownMax".
    bool ApplyStoredGains(CWaveFile& wave);
};

// Largest positive and negative magnitudes of a buffer (whole 16-bit samples only).
void FindSamplePeaks(const uint8_t* buffer, int64_t size, int& positivePeak, int& negativePeak);

}  // namespace trov
