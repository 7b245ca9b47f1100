// Conversions into the standard format and encoding, checked by hand and with ffprobe.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "audio/AudioConverter.h"
#include "audio/ProcessUtil.h"
#include "audio/WaveFile.h"
#include "audio/WaveTestUtil.h"
#include "infra/UserPrompt.h"
#include "support/RecordingPrompt.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::Sample16At;

class ScopedPrompt {
public:
    explicit ScopedPrompt(CUserPrompt* p) { SetUserPrompt(p); }
    ~ScopedPrompt() { SetUserPrompt(nullptr); }
};

std::vector<uint8_t> ConvertAll(const SWaveFormat& from, const SWaveFormat& to,
                                const std::vector<uint8_t>& in, size_t block = 4410) {
    CAudioConverter c;
    std::string error;
    EXPECT_TRUE(c.Open(from, to, error)) << error;
    std::vector<uint8_t> out, pending;
    std::vector<SEncodedPacket> packets;
    for (size_t at = 0; at < in.size(); at += block) {
        pending.insert(pending.end(), in.begin() + long(at),
                       in.begin() + long(std::min(in.size(), at + block)));
        size_t used = 0;
        EXPECT_TRUE(c.Convert(pending.data(), pending.size(), used, out, packets));
        pending.erase(pending.begin(), pending.begin() + long(used));
    }
    EXPECT_TRUE(c.Flush(pending.data(), pending.size(), out, packets));
    return out;
}

TEST(AudioConverterTest, StandardToStandardIsACopyAndKeepsPartialFrames) {
    test::TempDir dir;
    std::string path = dir / "std.wav";
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), test::RampStereo(10)));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path));
    EXPECT_FALSE(wave.AudioEncodeBuffer(nullptr, 0)) << "no stream open";
    ASSERT_TRUE(wave.OpenEncoder(StandardWaveFormat()));
    std::vector<uint8_t> data = test::RampStereo(10);
    ASSERT_TRUE(wave.AudioEncodeBuffer(data.data(), 10));
    EXPECT_EQ(wave.GetEncodedSize(), 8u);
    EXPECT_EQ(wave.GetLeftoverSize(), 2u) << "half a sample frame waits for the next call";
    ASSERT_TRUE(wave.AudioEncodeBuffer(data.data() + 10, 30));
    EXPECT_EQ(wave.GetEncodedSize(), 32u);
    EXPECT_EQ(0, std::memcmp(wave.GetEncodedData(), data.data() + 8, 32));
    EXPECT_EQ(wave.GetLeftoverSize(), 0u);
}

TEST(AudioConverterTest, MonoAt22050BecomesStandardWithItsDurationKept) {
    const SWaveFormat mono = PcmWaveFormat(22050, 1, 16);
    std::vector<uint8_t> in = test::Sine16(22050 * 2, 1, 440.0, 22050.0, 10000.0);
    std::vector<uint8_t> out = ConvertAll(mono, StandardWaveFormat(), in);
    // 2 s in, 2 s out (the resampler's filter may add or drop a handful of samples at the ends).
    EXPECT_NEAR(double(out.size()), 2 * 176400.0, 4 * 64.0);
    double peak = 0;
    for (size_t f = 1000; f + 1000 < out.size() / 4; ++f) {
        int l = Sample16At(out.data(), 2 * f), r = Sample16At(out.data(), 2 * f + 1);
        ASSERT_EQ(l, r) << "mono goes to both channels alike at frame " << f;
        peak = std::max(peak, std::abs(double(l)));
        // The 440 Hz sine is still where it was in time.
        double expected = 10000.0 * std::sin(2.0 * M_PI * 440.0 * double(f) / 44100.0);
        ASSERT_NEAR(l, expected, 150.0) << "frame " << f;
    }
    EXPECT_NEAR(peak, 10000.0, 120.0) << "full level, no -3 dB centre mix";
}

TEST(AudioConverterTest, SampleWidthsConvertToSixteenBits) {
    // 8-bit unsigned: 192 -> +64 * 256, 0 -> -128 * 256.
    std::vector<uint8_t> out =
        ConvertAll(PcmWaveFormat(44100, 2, 8), StandardWaveFormat(), {192, 0, 128, 255});
    ASSERT_EQ(out.size(), 8u);
    EXPECT_EQ(Sample16At(out.data(), 0), 16384);
    EXPECT_EQ(Sample16At(out.data(), 1), -32768);
    EXPECT_EQ(Sample16At(out.data(), 2), 0);
    EXPECT_EQ(Sample16At(out.data(), 3), 32512);
    // 24-bit: the top two bytes.
    out = ConvertAll(PcmWaveFormat(44100, 2, 24), StandardWaveFormat(), {0x56, 0x34, 0x12, 0x00, 0x00, 0x80});
    ASSERT_EQ(out.size(), 4u);
    EXPECT_NEAR(Sample16At(out.data(), 0), 0x1234, 1);
    EXPECT_EQ(Sample16At(out.data(), 1), -32768);
    // And back out to 24 bits.
    out = ConvertAll(StandardWaveFormat(), PcmWaveFormat(44100, 2, 24), test::Samples16({0x1234, -2}));
    EXPECT_EQ(out, (std::vector<uint8_t>{0x00, 0x34, 0x12, 0x00, 0xFE, 0xFF}));
}

TEST(AudioConverterTest, UnconvertibleFormatsAreRefusedWithTheStreamMessage) {
    test::CTextRecordingPrompt prompt;
    ScopedPrompt scope(&prompt);
    test::TempDir dir;
    std::string path = dir / "std.wav";
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), test::RampStereo(10)));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path));
    SWaveFormat unknown = StandardWaveFormat();
    unknown.formatTag = 0x1234;
    EXPECT_FALSE(wave.OpenEncoder(unknown));
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0].rfind("Error! acmStreamOpen was not sucessfull!", 0), 0u);
    EXPECT_FALSE(wave.IsEncoderOpen());

    CAudioConverter c;
    std::string error;
    SWaveFormat mp3Source = StandardWaveFormat();
    mp3Source.formatTag = kWaveFormatMpegLayer3;
    EXPECT_FALSE(c.Open(mp3Source, StandardWaveFormat(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(c.Open(PcmWaveFormat(44100, 2, 12), StandardWaveFormat(), error)) << "12-bit samples";
    EXPECT_FALSE(c.Open(PcmWaveFormat(0, 2, 16), StandardWaveFormat(), error)) << "rate 0";
}

SWaveFormat Compressed(uint16_t tag, uint32_t rate, uint16_t channels, uint32_t kbps) {
    SWaveFormat f;
    f.formatTag = tag;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.avgBytesPerSec = kbps * 125;
    f.blockAlign = 1;
    return f;
}

TEST(AudioConverterTest, Mp3EncodingCarriesTheFrameRemainderAndStartsAtZero) {
    if (EncoderNameForTag(kWaveFormatMpegLayer3).empty()) GTEST_SKIP() << "no MP3 encoder";
    test::TempDir dir;
    std::string src = dir / "src.wav";
    std::vector<uint8_t> pcm = test::Sine16(88200, 2, 1000.0, 44100.0, 12000.0);
    test::WriteFileBytes(src, test::PcmWav(StandardWaveFormat(), pcm));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(src));
    ASSERT_TRUE(wave.OpenEncoder(Compressed(kWaveFormatMpegLayer3, 44100, 2, 128)));
    ASSERT_TRUE(wave.GetConverter()->IsCompressed());
    EXPECT_EQ(wave.GetConverter()->GetFrameSamples(), 1152);
    ASSERT_TRUE(wave.AudioEncodeBuffer(pcm.data(), 1000 * 4));
    EXPECT_EQ(wave.GetLeftoverSize(), 1000u * 4) << "less than one 1152-sample frame: all of it waits";
    std::string mp3;
    std::vector<SEncodedPacket> all;
    int64_t expectPts = 0;
    for (size_t at = 4000; at < pcm.size(); at += 176400) {
        size_t n = std::min<size_t>(176400, pcm.size() - at);
        ASSERT_TRUE(wave.AudioEncodeBuffer(pcm.data() + at, n));
        EXPECT_EQ(wave.GetLeftoverSize() % 4, 0u);
        EXPECT_LT(wave.GetLeftoverSize(), 1152u * 4);
        mp3.append(reinterpret_cast<const char*>(wave.GetEncodedData()), wave.GetEncodedSize());
        all.insert(all.end(), wave.GetEncodedPackets().begin(), wave.GetEncodedPackets().end());
    }
    ASSERT_TRUE(wave.AudioEncodeFlush());
    mp3.append(reinterpret_cast<const char*>(wave.GetEncodedData()), wave.GetEncodedSize());
    all.insert(all.end(), wave.GetEncodedPackets().begin(), wave.GetEncodedPackets().end());
    size_t total = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        const SEncodedPacket& p = all[i];
        EXPECT_EQ(p.pts, expectPts);
        // Only the last packet may announce fewer samples (the input's end).
        if (i + 1 < all.size()) {
            EXPECT_EQ(p.duration, 1152);
        }
        EXPECT_GT(p.duration, 0);
        EXPECT_LE(p.duration, 1152);
        expectPts += p.duration;
        total += p.size;
    }
    EXPECT_EQ(total, mp3.size());
    // The priming plays first, so the stream covers it and all 88,200 samples after it: nothing of
    // the input's end is cut off.
    const int delay = wave.GetEncoderDelay();
    EXPECT_GT(delay, 0);
    EXPECT_EQ(all.size(), size_t((88200 + delay + 1151) / 1152));
    std::string out = dir / "out.mp3";
    test::WriteFileBytes(out, mp3);
    EXPECT_EQ(test::ProbeStream(out, "a", "codec_name"), "mp3");
    EXPECT_EQ(test::ProbeStream(out, "a", "sample_rate"), "44100");
    EXPECT_EQ(test::ProbeStream(out, "a", "channels"), "2");
    EXPECT_EQ(test::DecodeErrors(out), "");
}

TEST(AudioConverterTest, OtherEncodersProducePackets) {
    struct Case {
        uint16_t tag;
        uint32_t rate;
        uint32_t kbps;
        const char* codec;
        const char* ext;
    } cases[] = {
        {kWaveFormatMpeg, 44100, 192, "mp2", "mp2"},
        {kWaveFormatAc3, 48000, 192, "ac3", "ac3"},
        {kWaveFormatAac, 44100, 128, "aac", "adts"},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        if (EncoderNameForTag(c.tag).empty()) continue;
        CAudioConverter conv;
        std::string error;
        ASSERT_TRUE(conv.Open(StandardWaveFormat(), Compressed(c.tag, c.rate, 2, c.kbps), error))
            << c.codec << error;
        std::vector<uint8_t> pcm = test::Sine16(44100, 2, 500.0, 44100.0, 8000.0);
        std::vector<uint8_t> out;
        std::vector<SEncodedPacket> packets;
        size_t used = 0;
        ASSERT_TRUE(conv.Convert(pcm.data(), pcm.size(), used, out, packets));
        ASSERT_TRUE(conv.Flush(pcm.data() + used, pcm.size() - used, out, packets));
        ASSERT_FALSE(packets.empty()) << c.codec;
        int64_t samples = 0;
        for (const auto& p : packets) samples += p.duration;
        // One second of input; at 48 kHz the resampler makes 48,000 samples of it.
        // (plus the encoder's priming, which plays first).
        EXPECT_GE(samples, int64_t(c.rate) + conv.GetEncoderDelay() - 10) << c.codec;
        EXPECT_LT(samples, int64_t(c.rate) + conv.GetEncoderDelay() + conv.GetFrameSamples()) << c.codec;
        if (c.tag == kWaveFormatAac) continue;  // raw AAC needs a container; the AVI test covers it
        std::string file = dir / (std::string("out.") + c.ext);
        test::WriteFileBytes(file, std::string(out.begin(), out.end()));
        EXPECT_EQ(test::ProbeStream(file, "a", "codec_name"), c.codec);
        EXPECT_EQ(test::DecodeErrors(file), "") << c.codec;
    }
}

}  // namespace
}  // namespace trov
