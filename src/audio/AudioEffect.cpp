// The audio effects on 16-bit PCM buffers.
#include "audio/AudioEffect.h"

#include <algorithm>

namespace trov {

uint8_t* CAudioEffect::AcquireBuffer(CWaveFile* wave) {
    if (!wave) return nullptr;
    if (!wave->GetData()) wave->Load();
    return wave->GetData();
}

bool CAudioEffect::Apply(CWaveFile& wave, int startMs, int endMs) {
    m_wave = &wave;
    m_mixTarget = nullptr;
    m_wholeBuffer = startMs == -1;
    if (m_wholeBuffer) {
        m_start = 0;
        m_end = wave.GetDataSize();
    } else {
        m_start = wave.MsToByte(std::max(0, startMs));
        m_end = wave.MsToByte(std::max(0, endMs));
    }
    return CanApply() && Process();
}

bool CAudioEffect::ApplyMix(CWaveFile* target, CWaveFile* source) {
    if (!target || !source) return false;
    m_mixTarget = target;
    m_wave = source;
    return CanApply() && ProcessMix();
}

bool CAudioEffect::BoundRange(uint8_t*& buffer, int64_t& start, int64_t& end) {
    buffer = AcquireBuffer(m_wave);
    if (!buffer) return false;
    int64_t size = m_wave->GetDataSize();
    // The whole-buffer range is taken after loading, so that a buffer loaded here is covered too.
    start = m_wholeBuffer ? 0 : m_start;
    end = m_wholeBuffer ? size : m_end;
    start = std::max<int64_t>(0, start);
    return true;
}

bool CChangeVolumeEffect::Process() {
    uint8_t* buffer = nullptr;
    int64_t start = 0, end = 0;
    if (!BoundRange(buffer, start, end)) return false;
    float percent = 0.0f;
    if (!m_settings.GetFloat("CHANGE_COLUME", "Percent", percent)) return false;
    const double factor = double(percent) * 0.01;
    const int64_t last = std::min(end, m_wave->GetDataSize()) - 1;
    for (int64_t i = start; i < last; i += 2) {
        SSignedMagnitude s = ReadSampleMagnitude(buffer, i);
        WriteSampleMagnitude(buffer, i, s.negative, s.magnitude * factor);
    }
    return true;
}

namespace {

// Scales the samples of start..end by a linear ramp over that range, rising from 0 or falling to 0.
// The ramp is shaped by the requested range; only the bytes present (below size) are touched.
void ApplyLinearRamp(uint8_t* buffer, int64_t start, int64_t end, int64_t size, bool rising) {
    const double d = double(end - start);
    if (d <= 0) return;
    const int64_t last = std::min(end, size) - 1;
    for (int64_t i = start; i < last; i += 2) {
        SSignedMagnitude s = ReadSampleMagnitude(buffer, i);
        const double weight = rising ? double(i - start) : d - double(i - start);
        WriteSampleMagnitude(buffer, i, s.negative, weight * (s.magnitude / d));
    }
}

}  // namespace

bool CFadeInEffect::Process() {
    uint8_t* buffer = nullptr;
    int64_t start = 0, end = 0;
    if (!BoundRange(buffer, start, end)) return false;
    ApplyLinearRamp(buffer, start, end, m_wave->GetDataSize(), true);
    return true;
}

bool CFadeOutEffect::Process() {
    uint8_t* buffer = nullptr;
    int64_t start = 0, end = 0;
    if (!BoundRange(buffer, start, end)) return false;
    ApplyLinearRamp(buffer, start, end, m_wave->GetDataSize(), false);
    return true;
}

SSignedMagnitude CMixEffect::MixSamples(SSignedMagnitude a, SSignedMagnitude b) {
    if (a.negative == b.negative) return {a.negative, a.magnitude + b.magnitude};
    int diff = a.negative ? b.magnitude - a.magnitude : a.magnitude - b.magnitude;
    if (diff < 0) return {true, -diff};
    return {false, diff};
}

bool CMixEffect::ProcessMix() {
    uint8_t* target = AcquireBuffer(m_mixTarget);
    uint8_t* source = AcquireBuffer(m_wave);
    if (!target || !source) return false;
    int ts = 0, te = 0, ss = 0, se = 0;
    m_settings.GetInt("MIX", "TargetStart", ts);
    m_settings.GetInt("MIX", "TargetEnd", te);
    m_settings.GetInt("MIX", "SourceStart", ss);
    m_settings.GetInt("MIX", "SourceEnd", se);
    if (ts < 0 || ss < 0) return false;
    if (int64_t(te) - ts < int64_t(se) - ss) te = int(int64_t(ts) + (int64_t(se) - ss));
    const int64_t targetSize = m_mixTarget->GetDataSize();
    const int64_t sourceSize = m_wave->GetDataSize();
    // Stop where either buffer ends: beyond that there is nothing to read or to write.
    const int64_t last = std::min<int64_t>({int64_t(te), targetSize - 1, sourceSize - 1 - int64_t(ss) + ts});
    for (int64_t i = ts; i < last; i += 2) {
        SSignedMagnitude r =
            MixSamples(ReadSampleMagnitude(target, i), ReadSampleMagnitude(source, i - ts + ss));
        WriteSampleMagnitude(target, i, r.negative, r.magnitude);
    }
    return true;
}

void FindSamplePeaks(const uint8_t* buffer, int64_t size, int& positivePeak, int& negativePeak) {
    if (!buffer) return;
    for (int64_t i = 0; i + 1 < size; i += 2) {
        SSignedMagnitude s = ReadSampleMagnitude(buffer, i);
        if (s.negative)
            negativePeak = std::max(negativePeak, s.magnitude);
        else
            positivePeak = std::max(positivePeak, s.magnitude);
    }
}

namespace {

void ApplyGains(uint8_t* buffer, int64_t size, double up, double down) {
    for (int64_t i = 0; i + 1 < size; i += 2) {
        SSignedMagnitude s = ReadSampleMagnitude(buffer, i);
        WriteSampleMagnitude(buffer, i, s.negative, s.magnitude * (s.negative ? down : up));
    }
}

}  // namespace

bool CNormalizeVolumeEffect::Process() {
    uint8_t* buffer = AcquireBuffer(m_wave);
    if (!buffer) return false;
    const int64_t size = m_wave->GetDataSize();
    int p = 0, n = 0;
    FindSamplePeaks(buffer, size, p, n);
    ApplyGains(buffer, size, 32767.0 / (p + 0.000001), 32767.0 / (n + 0.000001));
    return true;
}

bool CNormalizeVolumeEffect::FindPeaks(CWaveFile* wave) {
    if (!wave) return false;
    const int length = wave->GetLengthMs();
    int p = 0, n = 0;
    for (int r = 0; r < length; r += 1000) {
        if (!wave->LoadPart(r, std::min(r + 1000, length), false, -1)) break;
        FindSamplePeaks(wave->GetData(), wave->GetDataSize(), p, n);
    }
    m_settings.SetFloat("Peak", "UpMax", float(32767.0 / (p + 0.000001)));
    m_settings.SetFloat("Peak", "DownMax", float(32767.0 / (n + 0.000001)));
    return true;
}

bool CNormalizeVolumeEffect::ApplyStoredGains(CWaveFile& wave) {
    uint8_t* buffer = AcquireBuffer(&wave);
    if (!buffer) return false;
    float up = 0.0f, down = 0.0f;
    m_settings.GetFloat("Peak", "UpMax", up);
    m_settings.GetFloat("Peak", "DownMax", down);
    ApplyGains(buffer, wave.GetDataSize(), up, down);
    return true;
}

}  // namespace trov
