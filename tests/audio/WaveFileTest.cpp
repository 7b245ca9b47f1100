// CWaveFile: the layouts read and written, range loads with and without looping, hostile files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "audio/WaveFile.h"
#include "audio/WaveTestUtil.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::Append16;
using test::Append32;
using test::Bytes;
using test::Chunk;
using test::FmtPayload;
using test::Riff;

uint32_t Le32At(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | (uint32_t(uint8_t(s[at + 1])) << 8) |
           (uint32_t(uint8_t(s[at + 2])) << 16) | (uint32_t(uint8_t(s[at + 3])) << 24);
}

TEST(WaveFileTest, MsToByteAlignsDownToWholeSampleFrames) {
    CWaveFile wave;
    EXPECT_EQ(wave.MsToByte(1), -1) << "no format yet";
    EXPECT_EQ(wave.GetLengthMs(), 0);
    wave.SetFormat(StandardWaveFormat());
    EXPECT_EQ(wave.MsToByte(1), 176);
    EXPECT_EQ(wave.MsToByte(3), 528);
    EXPECT_EQ(wave.MsToByte(2000), 352800);
    EXPECT_EQ(wave.MsToByte(0), 0);
    wave.SetFormat(PcmWaveFormat(22050, 1, 8));
    EXPECT_EQ(wave.MsToByte(1), 22);
    wave.SetFormat(PcmWaveFormat(48000, 2, 24));
    EXPECT_EQ(wave.MsToByte(1), 288);
    EXPECT_EQ(wave.GetFrameSize(), 6);
}

TEST(WaveFileTest, OpensEveryCommonLayout) {
    test::TempDir dir;
    struct Case {
        SWaveFormat format;
        int frames;
    } cases[] = {
        {PcmWaveFormat(44100, 2, 16), 44100}, {PcmWaveFormat(22050, 1, 16), 22050},
        {PcmWaveFormat(48000, 2, 16), 24000}, {PcmWaveFormat(22050, 2, 8), 11025},
        {PcmWaveFormat(8000, 1, 8), 8000},    {PcmWaveFormat(44100, 2, 24), 4410},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> data(size_t(c.frames) * c.format.blockAlign);
        for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7);
        std::string path = dir / "layout.wav";
        test::WriteFileBytes(path, test::PcmWav(c.format, data));
        CWaveFile wave;
        ASSERT_TRUE(wave.Open(path)) << c.format.samplesPerSec << " Hz, " << c.format.bitsPerSample
                                     << " bits";
        EXPECT_EQ(*wave.GetFormat(), c.format);
        EXPECT_EQ(wave.GetDataChunkSize(), int64_t(data.size()));
        EXPECT_EQ(wave.GetLengthMs(), int(data.size() * 1000 / c.format.avgBytesPerSec));
        ASSERT_TRUE(wave.Load());
        ASSERT_EQ(wave.GetDataSize(), int64_t(data.size()));
        EXPECT_EQ(0, std::memcmp(wave.GetData(), data.data(), data.size()));
        EXPECT_EQ(wave.GetMode(), CWaveFile::kModeReading);
        EXPECT_EQ(wave.GetFileName(), path);
    }
}

TEST(WaveFileTest, NonPcmFormatKeepsItsExtraBytesAndOddChunksAreSkipped) {
    test::TempDir dir;
    SWaveFormat adpcm;
    adpcm.formatTag = 0x11;
    adpcm.channels = 1;
    adpcm.samplesPerSec = 22050;
    adpcm.avgBytesPerSec = 11100;
    adpcm.blockAlign = 512;
    adpcm.bitsPerSample = 4;
    adpcm.extra = {0xF9, 0x03};
    std::string fmt = FmtPayload(adpcm, true);
    ASSERT_EQ(fmt.size(), 20u);
    // A LIST chunk of odd size (with its pad byte) and an unknown chunk sit between fmt and data.
    std::string list = Chunk("LIST", std::string("INFOISFT\x05\0\0\0Trov\0", 17));
    std::string junk = Chunk("junk", "abc");
    std::string data = Chunk("data", "0123456789");
    std::string path = dir / "adpcm.wav";
    test::WriteFileBytes(path, Riff(Chunk("fmt ", fmt) + list + junk + data));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path));
    EXPECT_EQ(wave.GetFormat()->formatTag, 0x11);
    EXPECT_EQ(wave.GetFormat()->extra, (std::vector<uint8_t>{0xF9, 0x03}));
    ASSERT_TRUE(wave.Load());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(wave.GetData()), size_t(wave.GetDataSize())),
              "0123456789");
}

TEST(WaveFileTest, ExtensibleFormatOpensAsIntegerPcm) {
    test::TempDir dir;
    SWaveFormat f = PcmWaveFormat(48000, 2, 16);
    f.formatTag = kWaveFormatExtensible;
    // valid bits, channel mask, then the PCM sub-format GUID.
    f.extra = {16, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    std::string path = dir / "ext.wav";
    test::WriteFileBytes(path, Riff(Chunk("fmt ", FmtPayload(f, true)) +
                                    Chunk("data", Bytes(test::Sine16(480, 2, 1000, 48000, 8000)))));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path));
    EXPECT_EQ(wave.GetFormat()->extra.size(), 22u);
    EXPECT_TRUE(wave.GetFormat()->IsIntegerPcm());
    EXPECT_EQ(wave.GetLengthMs(), 10);
}

TEST(WaveFileTest, LoadPartPastTheEndLeavesSilence) {
    test::TempDir dir;
    std::string path = dir / "three.wav";
    std::vector<uint8_t> data = test::RampStereo(3 * 44100, 1);
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), data));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path));
    EXPECT_EQ(wave.GetLengthMs(), 3000);
    ASSERT_TRUE(wave.LoadPart(0, 5000, false, -1));
    ASSERT_EQ(wave.GetDataSize(), 5 * 176400);
    EXPECT_EQ(0, std::memcmp(wave.GetData(), data.data(), data.size()));
    const uint8_t* rest = wave.GetData() + 3 * 176400;
    EXPECT_TRUE(std::all_of(rest, rest + 2 * 176400, [](uint8_t b) { return b == 0; }));

    // A range inside the file starts at its aligned byte.
    ASSERT_TRUE(wave.LoadPart(1000, 1001, false, -1));
    EXPECT_EQ(wave.GetDataSize(), 176);
    EXPECT_EQ(0, std::memcmp(wave.GetData(), data.data() + 176400, 176));
    EXPECT_FALSE(wave.LoadPart(2000, 1000, false, -1)) << "end before start";
    EXPECT_EQ(wave.GetData(), nullptr) << "no stale bytes after a failed load";
    EXPECT_FALSE(wave.LoadPart(0, 2000000000, false, -1)) << "absurd range";
    // A range starting before the data: silence first.
    ASSERT_TRUE(wave.LoadPart(-10, 10, false, -1));
    ASSERT_EQ(wave.GetDataSize(), 3528);
    EXPECT_TRUE(std::all_of(wave.GetData(), wave.GetData() + 1764, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(0, std::memcmp(wave.GetData() + 1764, data.data(), 1764));
}

TEST(WaveFileTest, LoopingRepeatsThePartAfterTheLoopStart) {
    test::TempDir dir;
    std::string path = dir / "loop.wav";
    std::vector<uint8_t> data = test::RampStereo(3 * 44100, 1);
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), data));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path));
    ASSERT_TRUE(wave.LoadPart(0, 8000, true, 1000));
    ASSERT_EQ(wave.GetDataSize(), 8 * 176400);
    const uint8_t* b = wave.GetData();
    EXPECT_EQ(0, std::memcmp(b, data.data(), data.size()));
    // After the end the part from 1000 ms on repeats: a period of 2000 ms.
    for (int t : {3000, 5000, 7000}) {
        const int64_t at = int64_t(t) * 176400 / 1000;
        const int64_t len = (t == 7000 ? 1000 : 2000) * 176400 / 1000;
        EXPECT_EQ(0, std::memcmp(b + at, data.data() + 176400, size_t(len))) << "repeat at " << t << " ms";
    }
    // A start beyond the end is wrapped into the looped part.
    ASSERT_TRUE(wave.LoadPart(6500, 7000, true, 1000));
    EXPECT_EQ(
        0, std::memcmp(wave.GetData(), data.data() + int64_t(2500) * 1764 / 10, size_t(wave.GetDataSize())));
}

TEST(WaveFileTest, LoopStartAtOrPastTheEndTerminatesWithSilence) {
    test::TempDir dir;
    std::string path = dir / "short.wav";
    std::vector<uint8_t> data = test::RampStereo(44100, 1);
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), data));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path));
    for (int loopStart : {1000, 1500, 100000}) {
        ASSERT_TRUE(wave.LoadPart(0, 3000, true, loopStart));
        ASSERT_EQ(wave.GetDataSize(), 3 * 176400);
        EXPECT_EQ(0, std::memcmp(wave.GetData(), data.data(), data.size()));
        const uint8_t* rest = wave.GetData() + data.size();
        EXPECT_TRUE(std::all_of(rest, rest + 2 * 176400, [](uint8_t x) { return x == 0; })) << loopStart;
        ASSERT_TRUE(wave.LoadPart(5000, 6000, true, loopStart));
        EXPECT_TRUE(std::all_of(wave.GetData(), wave.GetData() + wave.GetDataSize(),
                                [](uint8_t x) { return x == 0; }));
    }
}

TEST(WaveFileTest, WrittenFileHasFactZeroAndCorrectSizes) {
    test::TempDir dir;
    std::string path = dir / "out.wav";
    {
        CWaveFile wave;
        ASSERT_TRUE(wave.Create(path, StandardWaveFormat()));
        EXPECT_EQ(wave.GetMode(), CWaveFile::kModeWriting);
        std::vector<uint8_t> data = test::RampStereo(100000);
        wave.WriteBytes(data.data(), 250000);
        wave.WriteBytes(data.data() + 250000, 150000);
        EXPECT_EQ(wave.GetDataChunkSize(), 400000);
        ASSERT_TRUE(wave.Close());
        EXPECT_EQ(wave.GetMode(), CWaveFile::kModeClosed);
    }
    std::string file = test::ReadFileBytes(path);
    ASSERT_EQ(file.size(), 12u + 24u + 12u + 8u + 400000u);
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32At(file, 4), file.size() - 8);
    EXPECT_EQ(file.substr(12, 4), "fmt ");
    EXPECT_EQ(Le32At(file, 16), 16u);
    EXPECT_EQ(file.substr(36, 4), "fact");
    EXPECT_EQ(Le32At(file, 40), 4u);
    EXPECT_EQ(Le32At(file, 44), 0u);
    EXPECT_EQ(file.substr(48, 4), "data");
    EXPECT_EQ(Le32At(file, 52), 400000u);
    CWaveFile back;
    ASSERT_TRUE(back.Open(path));
    EXPECT_EQ(*back.GetFormat(), StandardWaveFormat());
    ASSERT_TRUE(back.Load());
    EXPECT_EQ(0, std::memcmp(back.GetData(), test::RampStereo(100000).data(), 400000));
}

TEST(WaveFileTest, OddSizedChunksArePaddedWhenWritten) {
    test::TempDir dir;
    std::string path = dir / "odd.wav";
    SWaveFormat mp3;
    mp3.formatTag = kWaveFormatMpegLayer3;
    mp3.channels = 2;
    mp3.samplesPerSec = 44100;
    mp3.avgBytesPerSec = 16000;
    mp3.blockAlign = 1;
    mp3.extra = {1, 2, 3};  // 21-byte fmt chunk
    {
        CWaveFile wave;
        ASSERT_TRUE(wave.Create(path, mp3));
        const uint8_t bytes[5] = {9, 8, 7, 6, 5};
        wave.WriteBytes(bytes, 5);
        ASSERT_TRUE(wave.Close());
    }
    std::string file = test::ReadFileBytes(path);
    EXPECT_EQ(Le32At(file, 16), 21u);
    EXPECT_EQ(file.substr(12 + 8 + 22, 4), "fact") << "pad byte after the 21-byte fmt chunk";
    EXPECT_EQ(file.size() % 2, 0u) << "pad byte after the 5-byte data chunk";
    EXPECT_EQ(Le32At(file, 4), file.size() - 8);
    CWaveFile back;
    ASSERT_TRUE(back.Open(path));
    EXPECT_EQ(*back.GetFormat(), mp3);
    EXPECT_EQ(back.GetDataChunkSize(), 5);
}

TEST(WaveFileTest, ReadsStopAtTheEndOfTheDataChunk) {
    test::TempDir dir;
    std::string path = dir / "trailer.wav";
    test::WriteFileBytes(path, Riff(Chunk("fmt ", FmtPayload(StandardWaveFormat(), false)) +
                                    Chunk("data", "ABCDEFGH") + Chunk("LIST", "trailing metadata")));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path));
    uint8_t buffer[64] = {};
    EXPECT_EQ(wave.ReadBytes(buffer, 64, 4), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "EFGH");
    EXPECT_EQ(wave.ReadBytes(buffer, 64, -1), 0) << "continues at the end";
    EXPECT_EQ(wave.ReadBytes(buffer, 2, 0), 2);
    EXPECT_EQ(wave.ReadBytes(buffer, 2, -1), 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 2), "CD");
    EXPECT_EQ(wave.ReadBytes(nullptr, 2, 0), -1);
    CWaveFile closed;
    EXPECT_EQ(closed.ReadBytes(buffer, 2, 0), -1);
}

TEST(WaveFileTest, MalformedFilesFailCleanly) {
    test::TempDir dir;
    const std::string fmt16 = Chunk("fmt ", FmtPayload(StandardWaveFormat(), false));
    std::string nonPcmHugeExtra = FmtPayload(StandardWaveFormat(), false);
    nonPcmHugeExtra[0] = 0x55;
    Append16(nonPcmHugeExtra, 500);  // claims 500 extra bytes, has none
    std::string hugeChunk = "LIST";
    Append32(hugeChunk, 0xFFFFFFF0u);
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"riff only", "RIFF"},
        {"not wave", "RIFF\x10\0\0\0AVI LIST\0\0\0\0"},
        {"no fmt", Riff(Chunk("data", "abcd"))},
        {"short fmt", Riff(Chunk("fmt ", "12345678") + Chunk("data", "abcd"))},
        {"fmt cut off", Riff(fmt16).substr(0, 30)},
        {"extra beyond chunk", Riff(Chunk("fmt ", nonPcmHugeExtra) + Chunk("data", "abcd"))},
        {"no data", Riff(fmt16 + Chunk("LIST", "x"))},
        {"huge chunk before data", Riff(fmt16 + hugeChunk + Chunk("data", "abcd"))},
    };
    for (const auto& [name, bytes] : cases) {
        std::string path = dir / "bad.wav";
        test::WriteFileBytes(path, bytes);
        CWaveFile wave;
        EXPECT_FALSE(wave.Open(path)) << name;
        EXPECT_EQ(wave.GetMode(), CWaveFile::kModeClosed) << name;
        EXPECT_EQ(wave.GetFormat(), nullptr) << name;
        EXPECT_FALSE(wave.Load()) << name;
        EXPECT_FALSE(wave.LoadPart(0, 1000, true, 0)) << name;
    }
    CWaveFile wave;
    EXPECT_FALSE(wave.Open(""));
    EXPECT_FALSE(wave.Open(dir / "missing.wav"));
}

TEST(WaveFileTest, TruncatedDataChunkKeepsTheBytesPresent) {
    test::TempDir dir;
    std::string path = dir / "cut.wav";
    std::string file = test::PcmWav(StandardWaveFormat(), test::RampStereo(44100));
    file.resize(44 + 1000);  // the header still claims a whole second
    test::WriteFileBytes(path, file);
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(path));
    EXPECT_EQ(wave.GetDataChunkSize(), 1000);
    ASSERT_TRUE(wave.LoadPart(0, 1000, true, 0));
    EXPECT_EQ(wave.GetDataSize(), 176400);
    EXPECT_EQ(0, std::memcmp(wave.GetData(), file.data() + 44, 1000));
}

TEST(WaveFileTest, RiffSizeOfZeroOrTooLargeSearchesToTheEndOfTheFile) {
    test::TempDir dir;
    const std::string chunks = Chunk("fmt ", FmtPayload(StandardWaveFormat(), false)) + Chunk("data", "ABCD");
    for (int64_t riffSize : {int64_t(0), int64_t(0xFFFFFFFF)}) {
        std::string path = dir / "streamed.wav";
        test::WriteFileBytes(path, Riff(chunks, riffSize));
        CWaveFile wave;
        ASSERT_TRUE(wave.Open(path)) << riffSize;
        EXPECT_EQ(wave.GetDataChunkSize(), 4);
    }
}

TEST(WaveFileTest, RandomGarbageAfterAValidHeaderNeverCrashes) {
    test::TempDir dir;
    std::string path = dir / "fuzz.wav";
    std::srand(1234);
    int opened = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bytes = "RIFF";
        Append32(bytes, uint32_t(std::rand()));
        bytes += "WAVE";
        int n = std::rand() % 200;
        for (int i = 0; i < n; ++i) {
            // Mostly chunk-like noise so that the parser gets deep.
            if (std::rand() % 8 == 0) bytes += (std::rand() % 2) ? "fmt " : "data";
            bytes.push_back(char(std::rand() % 256));
        }
        test::WriteFileBytes(path, bytes);
        CWaveFile wave;
        if (wave.Open(path)) {
            ++opened;
            wave.Load();
            wave.LoadPart(0, 50, true, 10);
            uint8_t b[16];
            wave.ReadBytes(b, 16, 3);
        }
    }
    SUCCEED() << opened << " of 300 opened";
}

TEST(WaveFileTest, ObjectServesManyFilesInTurn) {
    test::TempDir dir;
    std::string a = dir / "a.wav", b = dir / "b.wav";
    test::WriteFileBytes(a, test::PcmWav(PcmWaveFormat(22050, 1, 16), test::Samples16({1, 2, 3})));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(a));
    ASSERT_TRUE(wave.Load());
    ASSERT_TRUE(wave.Create(b, StandardWaveFormat()));
    EXPECT_EQ(wave.GetData(), nullptr) << "the buffer of the previous file is gone";
    ASSERT_TRUE(wave.Close());
    ASSERT_TRUE(wave.Open(b));
    EXPECT_EQ(wave.GetDataChunkSize(), 0);
    EXPECT_TRUE(wave.LoadPart(0, 10, false, -1));
    EXPECT_EQ(wave.GetDataSize(), 1764);
}

// A format record from a hand-edited codec settings file may claim anything; its frame size must
// still be the exact product, not a signed overflow.
TEST(WaveFormatRecord, HostileChannelsAndBitsGiveTheExactFrameSize) {
    std::vector<uint8_t> bytes(18, 0);
    bytes[0] = 1;                  // PCM
    bytes[2] = bytes[3] = 0xFF;    // 65535 channels
    bytes[14] = bytes[15] = 0xFF;  // 65535 bits per sample
    SWaveFormat format;
    ASSERT_TRUE(SWaveFormat::FromBytes(bytes.data(), bytes.size(), format));
    EXPECT_EQ(format.FrameSize(), 536854528);  // 65535 * 65535 / 8
    CWaveFile wave;
    wave.SetFormat(format);
    EXPECT_EQ(wave.GetFrameSize(), 536854528);
}

}  // namespace
}  // namespace trov
