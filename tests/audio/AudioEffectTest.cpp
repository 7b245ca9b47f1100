// Audio effects on 16-bit buffers: hand-computed samples, saturation, sign cases, range limits.
#include <gtest/gtest.h>

#include "audio/AudioEffect.h"
#include "audio/WaveTestUtil.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::Sample16At;
using test::Samples16;

// A wave without a file whose buffer holds `values` in the standard format.
void Fill(CWaveFile& wave, const std::vector<int>& values) {
    wave.SetFormat(StandardWaveFormat());
    wave.SetBuffer(Samples16(values));
}

std::vector<int> Values(const CWaveFile& wave) {
    std::vector<int> out;
    for (int64_t i = 0; i + 1 < wave.GetDataSize(); i += 2)
        out.push_back(Sample16At(wave.GetData(), size_t(i / 2)));
    return out;
}

TEST(AudioEffectTest, SampleReadAndWriteRoundTripsExtremes) {
    for (int v : {-1, -32768, 32767, 0, 1, -2, 12345, -12345}) {
        std::vector<uint8_t> b = Samples16({v});
        SSignedMagnitude s = ReadSampleMagnitude(b.data(), 0);
        EXPECT_EQ(s.negative, v < 0) << v;
        EXPECT_EQ(s.magnitude, v < 0 ? -v - 1 : v) << v;
        WriteSampleMagnitude(b.data(), 0, s.negative, s.magnitude);
        EXPECT_EQ(Sample16At(b.data(), 0), v);
    }
    std::vector<uint8_t> b(2);
    WriteSampleMagnitude(b.data(), 0, false, 99999.0);
    EXPECT_EQ(Sample16At(b.data(), 0), 32767);
    WriteSampleMagnitude(b.data(), 0, true, 99999.0);
    EXPECT_EQ(Sample16At(b.data(), 0), -32768);
    WriteSampleMagnitude(b.data(), 0, false, 2.99);
    EXPECT_EQ(Sample16At(b.data(), 0), 2) << "truncated toward zero";
    EXPECT_EQ(ReadSampleMagnitude(nullptr, 0).magnitude, 0);
}

TEST(AudioEffectTest, FadeInAndFadeOutRamps) {
    CWaveFile wave;
    Fill(wave, {1000, 1000, 1000, 1000, 1000, 1000});
    CFadeInEffect fadeIn;
    EXPECT_EQ(fadeIn.GetName(), "Fade In");
    // Over the whole buffer of 12 bytes: gain (i - 0) / 12 for i = 0, 2, ... 10.
    ASSERT_TRUE(fadeIn.Apply(wave, -1, -1));
    EXPECT_EQ(Values(wave), (std::vector<int>{0, 166, 333, 500, 666, 833}));

    // The documented case: a range of 8 bytes over a constant 1000 gives 0, 250, 500, 750.
    Fill(wave, {1000, 1000, 1000, 1000, -1001, -1001});
    wave.SetFormat(PcmWaveFormat(1000, 2, 16));  // 4 bytes per ms: 2 ms = 8 bytes
    ASSERT_TRUE(fadeIn.Apply(wave, 0, 2));
    EXPECT_EQ(Values(wave), (std::vector<int>{0, 250, 500, 750, -1001, -1001}));

    CFadeOutEffect fadeOut;
    Fill(wave, {1000, 1000, 1000, -1001, 7, 7});
    wave.SetFormat(PcmWaveFormat(1000, 2, 16));
    ASSERT_TRUE(fadeOut.Apply(wave, 0, 2));
    // Gain (8 - i) / 8: 1, 0.75, 0.5, 0.25; the negative sample keeps its sign.
    EXPECT_EQ(Values(wave), (std::vector<int>{1000, 750, 500, -251, 7, 7}));
}

TEST(AudioEffectTest, RangesAreLimitedToTheBytesPresent) {
    CWaveFile wave;
    Fill(wave, {1000, 1000});
    wave.SetFormat(PcmWaveFormat(1000, 2, 16));
    CFadeInEffect fadeIn;
    // 10 ms = 40 bytes asked for, 4 present: the ramp keeps its slope, nothing is written beyond.
    ASSERT_TRUE(fadeIn.Apply(wave, 0, 10));
    EXPECT_EQ(Values(wave), (std::vector<int>{0, 50}));
    EXPECT_EQ(wave.GetData()[4], 0) << "spare byte untouched";
    CFadeOutEffect fadeOut;
    ASSERT_TRUE(fadeOut.Apply(wave, 50, 60)) << "a range wholly outside is empty, not an error";
    CChangeVolumeEffect volume;
    volume.GetSettings().SetFloat("CHANGE_COLUME", "Percent", 200.0f);
    ASSERT_TRUE(volume.Apply(wave, 0, 1000));
    EXPECT_EQ(Values(wave), (std::vector<int>{0, 100}));
}

TEST(AudioEffectTest, ChangeVolume) {
    CWaveFile wave;
    CChangeVolumeEffect volume;
    EXPECT_EQ(volume.GetName(), "Change Volume");
    Fill(wave, {100, -100});
    EXPECT_FALSE(volume.Apply(wave, -1, -1)) << "Percent has no default";
    volume.GetSettings().SetFloat("CHANGE_COLUME", "Percent", 0.0f);
    Fill(wave, {100, -100, 32767, -32768, -1});
    ASSERT_TRUE(volume.Apply(wave, -1, -1));
    EXPECT_EQ(Values(wave), (std::vector<int>{0, -1, 0, -1, -1}));
    volume.GetSettings().SetFloat("CHANGE_COLUME", "Percent", 50.0f);
    Fill(wave, {100, -101, 3});
    ASSERT_TRUE(volume.Apply(wave, -1, -1));
    EXPECT_EQ(Values(wave), (std::vector<int>{50, -51, 1}));
    volume.GetSettings().SetFloat("CHANGE_COLUME", "Percent", 200.0f);
    Fill(wave, {20000, -20000, 100});
    ASSERT_TRUE(volume.Apply(wave, -1, -1));
    EXPECT_EQ(Values(wave), (std::vector<int>{32767, -32768, 200}));
}

TEST(AudioEffectTest, MixSignCasesAndSaturation) {
    auto mix = [](int a, int b) {
        std::vector<uint8_t> x = Samples16({a}), y = Samples16({b});
        SSignedMagnitude r =
            CMixEffect::MixSamples(ReadSampleMagnitude(x.data(), 0), ReadSampleMagnitude(y.data(), 0));
        WriteSampleMagnitude(x.data(), 0, r.negative, r.magnitude);
        return Sample16At(x.data(), 0);
    };
    EXPECT_EQ(mix(30000, 10000), 32767);
    EXPECT_EQ(mix(1000, -500), 501);
    EXPECT_EQ(mix(-1000, -500), -1499) << "magnitudes 999 + 499 = 1498, stored as -1499";
    EXPECT_EQ(mix(100, -500), -400);
    EXPECT_EQ(mix(-500, 100), -400);
    EXPECT_EQ(mix(-100, 500), 401);
    EXPECT_EQ(mix(-30000, -10000), -32768);
    EXPECT_EQ(mix(0, 0), 0);
}

TEST(AudioEffectTest, MixExtendsTheTargetRangeToTheSourceAndStopsAtBufferEnds) {
    CWaveFile target, source;
    Fill(target, {1, 1, 1, 1, 1});
    Fill(source, {10, 20, 30, 40});
    CMixEffect mix;
    EXPECT_FALSE(mix.ApplyMix(nullptr, &source));
    auto& s = mix.GetSettings();
    s.SetInt("MIX", "TargetStart", 2);
    s.SetInt("MIX", "TargetEnd", 4);  // shorter than the source range: extended to 6 bytes
    s.SetInt("MIX", "SourceStart", 2);
    s.SetInt("MIX", "SourceEnd", 8);
    ASSERT_TRUE(mix.ApplyMix(&target, &source));
    EXPECT_EQ(Values(target), (std::vector<int>{1, 21, 31, 41, 1}));
    EXPECT_EQ(Values(source), (std::vector<int>{10, 20, 30, 40})) << "the source is not changed";

    // Ranges reaching past either buffer stop at its end.
    Fill(target, {1, 1, 1});
    s.SetInt("MIX", "TargetStart", 2);
    s.SetInt("MIX", "TargetEnd", 1000);
    s.SetInt("MIX", "SourceStart", 0);
    s.SetInt("MIX", "SourceEnd", 1000);
    ASSERT_TRUE(mix.ApplyMix(&target, &source));
    EXPECT_EQ(Values(target), (std::vector<int>{1, 11, 21}));
    s.SetInt("MIX", "TargetStart", 0);
    s.SetInt("MIX", "SourceStart", 6);
    ASSERT_TRUE(mix.ApplyMix(&target, &source));
    EXPECT_EQ(Values(target), (std::vector<int>{41, 11, 21}));
}

TEST(AudioEffectTest, NormalizeScalesEachHalfWaveToItsPeak) {
    CWaveFile wave;
    Fill(wave, {16384, -8193, 8192, -4097, 0, -1});
    CNormalizeVolumeEffect normalize;
    ASSERT_TRUE(normalize.Apply(wave, 0, 0)) << "the range is ignored";
    std::vector<int> v = Values(wave);
    EXPECT_EQ(v[0], 32766);
    EXPECT_EQ(v[1], -32767);
    EXPECT_EQ(v[2], 16383);   // 8192 * 1.99993...
    EXPECT_EQ(v[3], -16384);  // magnitude 4096 * 3.9998... = 16383.5 -> 16383
    EXPECT_EQ(v[4], 0);
    EXPECT_EQ(v[5], -1);
}

TEST(AudioEffectTest, PeakSearchOverAFileAndStoredGains) {
    test::TempDir dir;
    std::string path = dir / "peaks.wav";
    // 2.5 s of stereo: peaks 8000 / -16001 in the second second only.
    std::vector<int> values(size_t(44100 * 5 / 2) * 2, 100);
    values[44100 * 2 + 10] = 8000;
    values[44100 * 2 + 11] = -16001;
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), Samples16(values)));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path));
    CNormalizeVolumeEffect normalize;
    EXPECT_FALSE(normalize.FindPeaks(nullptr));
    ASSERT_TRUE(normalize.FindPeaks(&wave));
    float up = 0, down = 0;
    ASSERT_TRUE(normalize.GetSettings().GetFloat("Peak", "UpMax", up));
    ASSERT_TRUE(normalize.GetSettings().GetFloat("Peak", "DownMax", down));
    EXPECT_NEAR(up, 32767.0 / 8000.0, 1e-5);
    EXPECT_NEAR(down, 32767.0 / 16000.0, 1e-5);
    std::string text;
    normalize.GetSettings().GetString("Peak", "UpMax", text);
    EXPECT_EQ(text, "4.095875");

    CWaveFile block;
    Fill(block, {8000, -16001, 100, -101});
    ASSERT_TRUE(normalize.ApplyStoredGains(block));
    EXPECT_EQ(Values(block), (std::vector<int>{32766, -32767, 409, -205}));

    CNormalizeVolumeEffect fresh;  // no stored gains: everything becomes 0 / -1
    Fill(block, {8000, -16001});
    ASSERT_TRUE(fresh.ApplyStoredGains(block));
    EXPECT_EQ(Values(block), (std::vector<int>{0, -1}));
}

TEST(AudioEffectTest, ProcessLoadsTheWholeFileWhenNoBufferIsThere) {
    test::TempDir dir;
    std::string path = dir / "whole.wav";
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), Samples16({1000, 1000, 1000, 1000})));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path));
    CFadeOutEffect fadeOut;
    ASSERT_TRUE(fadeOut.Apply(wave, -1, -1));
    EXPECT_EQ(Values(wave), (std::vector<int>{1000, 750, 500, 250}));
    CWaveFile empty;
    EXPECT_FALSE(fadeOut.Apply(empty, -1, -1));
}

}  // namespace
}  // namespace trov
