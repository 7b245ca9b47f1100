// WAV inputs the fuzzer found (fuzz/regressions/wave) and the behaviour they showed to be wrong.
#include <gtest/gtest.h>

#include "audio/WaveFile.h"
#include "audio/WaveTestUtil.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::TempDir;

SWaveFormat Pcm(uint32_t rate, uint16_t channels, uint16_t bits) {
    SWaveFormat f;
    f.formatTag = kWaveFormatPcm;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = bits;
    f.blockAlign = uint16_t(channels * bits / 8);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

// A 1 KB file claiming 50 million samples per second made every range load allocate hundreds of
// megabytes and loop over them one file read at a time.
TEST(WaveFuzzRegression, HeadersClaimingImpossibleRatesOrFrameSizesAreRefused) {
    CWaveFile wave;
    EXPECT_FALSE(
        wave.Open(std::string(TROV_SOURCE_DIR_VALUE) + "/fuzz/regressions/wave/sample-rate-50-mhz-looped"));
    EXPECT_EQ(wave.GetMode(), CWaveFile::kModeClosed);

    TempDir dir;
    const std::vector<uint8_t> data(64, 1);
    test::WriteFileBytes(dir / "fast.wav", test::PcmWav(Pcm(768001, 1, 16), data));
    EXPECT_FALSE(wave.Open(dir / "fast.wav"));
    test::WriteFileBytes(dir / "wide.wav", test::PcmWav(Pcm(8000, 129, 64), data));
    EXPECT_FALSE(wave.Open(dir / "wide.wav"));
    // The largest formats real tools write still open.
    test::WriteFileBytes(dir / "hi.wav", test::PcmWav(Pcm(768000, 2, 32), data));
    EXPECT_TRUE(wave.Open(dir / "hi.wav"));
    test::WriteFileBytes(dir / "many.wav", test::PcmWav(Pcm(48000, 128, 64), std::vector<uint8_t>(2048, 3)));
    EXPECT_TRUE(wave.Open(dir / "many.wav"));
}

// 89 bytes claiming 528-bit samples at 470 kHz (62 MB a second) made the four range loads of a
// looped piece allocate and fill 350 MB; such a header is refused like an impossible rate.
TEST(WaveFuzzRegression, SamplesWiderThan64BitsOrMoreThan50MBASecondAreRefused) {
    CWaveFile wave;
    EXPECT_FALSE(wave.Open(std::string(TROV_SOURCE_DIR_VALUE) +
                           "/fuzz/regressions/wave/absurd-sample-width-makes-every-load-hundreds-of-mb"));
    TempDir dir;
    const std::vector<uint8_t> data(264, 1);
    test::WriteFileBytes(dir / "wide.wav", test::PcmWav(Pcm(8000, 2, 128), data));
    EXPECT_FALSE(wave.Open(dir / "wide.wav")) << "128-bit samples";
    test::WriteFileBytes(dir / "fast.wav", test::PcmWav(Pcm(768000, 16, 64), data));
    EXPECT_FALSE(wave.Open(dir / "fast.wav")) << "98 MB a second";
    test::WriteFileBytes(dir / "pro.wav",
                         test::PcmWav(Pcm(192000, 64, 24), std::vector<uint8_t>(192 * 4, 2)));
    EXPECT_TRUE(wave.Open(dir / "pro.wav")) << "64 channels of 24 bits at 192 kHz";
}

// The looped part is now copied inside the buffer after the first read: the bytes must be exactly
// those of reading it again and again, for a loop that does not divide the range and a loop start
// inside the data.
TEST(WaveFuzzRegression, LongLoopsOfShortDataRepeatTheLoopedBytesExactly) {
    TempDir dir;
    const SWaveFormat f = Pcm(8000, 2, 16);                  // 32 bytes per ms
    const std::vector<uint8_t> ramp = test::RampStereo(37);  // 148 bytes
    test::WriteFileBytes(dir / "short.wav", test::PcmWav(f, ramp));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(dir / "short.wav"));
    for (int loopStartMs : {-1, 1, 4}) {
        ASSERT_TRUE(wave.LoadPart(0, 3000, true, loopStartMs));
        ASSERT_EQ(wave.GetDataSize(), 96000);
        const size_t l = loopStartMs < 0 ? 0 : size_t(wave.MsToByte(loopStartMs));
        const uint8_t* d = wave.GetData();
        for (size_t i = 0; i < 96000; ++i) {
            size_t expected = i < ramp.size() ? i : l + (i - ramp.size()) % (ramp.size() - l);
            ASSERT_EQ(d[i], ramp[expected]) << "byte " << i << ", loop start " << loopStartMs;
        }
    }
    // A loop start past the data still leaves the rest silent.
    ASSERT_TRUE(wave.LoadPart(0, 100, true, 10));
    EXPECT_EQ(wave.GetData()[ramp.size()], 0);
    EXPECT_EQ(wave.GetData()[3199], 0);
}

}  // namespace
}  // namespace trov
