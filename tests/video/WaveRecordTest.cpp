// The wave format record: the audio stream a movie is given, and the record a read stream reports.
#include <gtest/gtest.h>

#include "VideoTestUtil.h"
#include "infra/ByteOrder.h"
#include "support/TestSupport.h"
#include "video/AVIContainer.h"
#include "video/WaveFormat.h"

namespace trov::test {
namespace {

// An extensible record whose sub-format GUID starts with `subFormat`.
SWaveFormat Extensible(uint16_t subFormat, uint16_t bits) {
    SWaveFormat f = PcmWaveFormat(48000, 2, bits);
    f.formatTag = kWaveFormatExtensible;
    f.extra.assign(22, 0);
    WriteLe16(f.extra.data(), bits);           // valid bits
    WriteLe32(f.extra.data() + 2, 3);          // front left and right
    WriteLe16(f.extra.data() + 6, subFormat);  // the GUID's first two bytes
    return f;
}

// Writes an AVI file with one audio stream of the record; its codec as ffprobe names it, or the
// error when the stream is refused.
std::string StoredCodec(const std::vector<uint8_t>& record, std::vector<uint8_t>* format = nullptr) {
    TempDir dir;
    const std::string path = dir / "audio.avi";
    CAVIContainer out;
    if (!out.CreateFile(path)) return "no file";
    auto stream = out.CreateAudioStream(record);
    if (!stream) return out.GetLastError();
    if (format) format->assign(stream->GetFormat(), stream->GetFormat() + stream->GetFormatSize());
    if (out.AddStream(std::move(stream)) != 0 || !out.Close()) return "not written";
    return ProbeStream(path, 0, "codec_name");
}

TEST(WaveRecord, ShortAndExtensibleRecordsAreStoredByTheirSampleFormat) {
    // 16 bytes, as a PCM "fmt " chunk holds them: no extra-bytes count, stored as the full record.
    const SWaveFormat pcm = PcmWaveFormat(44100, 2, 16);
    std::vector<uint8_t> format;
    EXPECT_EQ(StoredCodec(pcm.ToPcmBytes(), &format), "pcm_s16le");
    EXPECT_EQ(format, pcm.ToBytes());

    // The sub-format decides for extensible records: PCM and float are taken, an unknown one is
    // refused. In an AVI file they are stored under the writer's own tag (the record's made the
    // file fail at its close).
    EXPECT_EQ(StoredCodec(Extensible(kWaveFormatPcm, 24).ToBytes()), "pcm_s24le");
    EXPECT_EQ(StoredCodec(Extensible(kWaveFormatPcm, 16).ToBytes()), "pcm_s16le");
    EXPECT_EQ(StoredCodec(Extensible(kWaveFormatIeeeFloat, 32).ToBytes()), "pcm_f32le");
    auto accepted = [](const SWaveFormat& record) {
        TempDir dir;
        CAVIContainer out;
        return out.CreateFile(dir / "audio.mkv") && out.CreateAudioStream(record.ToBytes()) != nullptr;
    };
    EXPECT_TRUE(accepted(Extensible(kWaveFormatPcm, 24)));
    EXPECT_TRUE(accepted(Extensible(kWaveFormatIeeeFloat, 32)));
    EXPECT_FALSE(accepted(Extensible(kWaveFormatIeeeFloat, 24)));
    EXPECT_FALSE(accepted(Extensible(0x1234, 16)));
    EXPECT_EQ(StoredCodec(PcmWaveFormat(44100, 1, 8).ToBytes()), "pcm_u8");

    // Refusals name the fault.
    std::vector<uint8_t> lying = pcm.ToBytes();
    WriteLe16(lying.data() + 16, 4);
    EXPECT_EQ(StoredCodec(lying), "The wave format record announces more extra bytes than it has.");
    EXPECT_EQ(StoredCodec(std::vector<uint8_t>(15, 1)), "The wave format record is too short.");
    EXPECT_EQ(StoredCodec(PcmWaveFormat(44100, 2, 12).ToBytes()), "The audio format cannot be stored.");
}

TEST(WaveRecord, ReadStreamReportsTheRecordItWasWrittenWith) {
    TempDir dir;
    const std::string path = dir / "audio.avi";
    const SWaveFormat pcm = PcmWaveFormat(22050, 1, 16);
    {
        CAVIContainer out;
        ASSERT_TRUE(out.CreateFile(path));
        ASSERT_EQ(out.AddStream(out.CreateAudioStream(pcm.ToBytes())), 0);
        EncodedAudio audio;
        audio.bytes.assign(22050 * 2, 0x11);
        audio.packetSizes = {uint32_t(audio.bytes.size())};
        ASSERT_TRUE(out.WriteAudio(audio)) << out.GetLastError();
        ASSERT_TRUE(out.Close()) << out.GetLastError();
    }
    CAVIContainer in;
    ASSERT_TRUE(in.Open(path, false));
    CAVIStream* stream = in.GetStream(in.GetFirstAudioStreamIndex());
    ASSERT_TRUE(stream);
    SWaveFormat read;
    ASSERT_TRUE(SWaveFormat::FromBytes(stream->GetFormat(), size_t(stream->GetFormatSize()), read));
    EXPECT_EQ(read, pcm);
}

}  // namespace
}  // namespace trov::test
