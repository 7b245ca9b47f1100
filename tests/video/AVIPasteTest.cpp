// Pasting compressed samples from separately written parts into a movie, video and audio.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "VideoTestUtil.h"
#include "support/TestSupport.h"
#include "video/AVIContainer.h"
#include "video/VideoCodecs.h"

namespace trov::test {
namespace {

constexpr int kW = 96, kH = 64;

// A movie being written: video stream 0 with the given options.
struct Target {
    CAVIContainer file;
    CAVIStream* video = nullptr;
    bool Create(const std::string& path, const CompressionOptions& options, double fps = 25.0) {
        if (!file.CreateFile(path)) return false;
        auto first = PatternFrame(kW, kH, 0);
        auto v = file.CreateVideoStream(*first->GetHeader(), 1.0, fps);
        if (!v || !v->CreateCompressedStream(*first->GetHeader(), &options)) return false;
        if (file.AddStream(std::move(v)) != 0) return false;
        video = file.GetStream(0);
        return true;
    }
    bool Write(int firstId, int count) {
        for (int i = 0; i < count; ++i)
            if (!video->WriteFrame(*PatternFrame(kW, kH, firstId + i))) return false;
        return true;
    }
};

class PasteEveryEncoder : public ::testing::TestWithParam<std::string> {};

TEST_P(PasteEveryEncoder, PartsAppendAfterWrittenFramesKeepKeysAndDecodeCleanly) {
    TempDir dir;
    const std::string out = dir / "movie.avi";
    Target target;
    ASSERT_TRUE(target.Create(out, Options(GetParam().c_str())));
    // The parts are written with the options the output stream uses, as the creation does.
    const CompressionOptions used = target.video->GetOptions();
    ASSERT_EQ(WriteMovie(dir / "a.avi", used, kW, kH, 25.0, 30, 10).fccHandler, used.fccHandler);
    ASSERT_EQ(WriteMovie(dir / "b.avi", used, kW, kH, 25.0, 20, 40).fccHandler, used.fccHandler);

    ASSERT_TRUE(target.Write(0, 7));
    EXPECT_EQ(target.video->GetLength(), 7);
    std::vector<bool> sourceKeys;
    CAVIContainer part;
    ASSERT_TRUE(part.Open(dir / "a.avi", false));
    CAVIStream* a = part.GetStream(part.GetFirstVideoStreamIndex());
    ASSERT_TRUE(a);
    for (int i = 0; i < 30; ++i) sourceKeys.push_back(a->IsKeyFrame(i));
    ASSERT_TRUE(target.file.PasteStreams(*a, 0, 0, a->GetLength()));
    EXPECT_EQ(target.video->GetLength(), 37);
    // The creation reuses one reading container for every part; an end beyond the part is clipped.
    ASSERT_TRUE(part.Open(dir / "b.avi", false));
    CAVIStream* b = part.GetStream(0);
    for (int i = 0; i < 20; ++i) sourceKeys.push_back(b->IsKeyFrame(i));
    ASSERT_TRUE(target.file.PasteStreams(*b, 0, 0, 1000));
    EXPECT_EQ(target.video->GetLength(), 57);
    ASSERT_TRUE(target.Write(60, 3));
    EXPECT_EQ(target.video->GetLength(), 60);
    part.Close();
    ASSERT_TRUE(target.file.Close());

    EXPECT_EQ(DecodeErrors(out), "");
    EXPECT_EQ(ProbeCountedFrames(out), 60);
    CAVIContainer in;
    ASSERT_TRUE(in.Open(out, false));
    CAVIStream* v = in.GetStream(0);
    ASSERT_EQ(v->GetLength(), 60);
    std::vector<int> expectedIds;
    for (int i = 0; i < 7; ++i) expectedIds.push_back(i);
    for (int i = 10; i < 60; ++i) expectedIds.push_back(i);
    for (int i = 60; i < 63; ++i) expectedIds.push_back(i);
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(FrameIdOf(v->GetFrame(i)), expectedIds[size_t(i)]) << "frame " << i;
    // Key flags travel with the pasted samples; the first frame after a paste is a key frame.
    EXPECT_TRUE(v->IsKeyFrame(0));
    for (int i = 0; i < 50; ++i) EXPECT_EQ(v->IsKeyFrame(7 + i), sourceKeys[size_t(i)]) << "pasted " << i;
    EXPECT_TRUE(v->IsKeyFrame(7));
    EXPECT_TRUE(v->IsKeyFrame(37));
    EXPECT_TRUE(v->IsKeyFrame(57));
    const VideoEncoderInfo* info = FindVideoEncoder(used.fccHandler);
    if (info->quality != QualityMapping::None && info->encoderName != "mjpeg") {
        // Codecs with delta frames keep them as delta frames.
        EXPECT_FALSE(v->IsKeyFrame(8));
        EXPECT_FALSE(v->IsKeyFrame(38));
    }
}

INSTANTIATE_TEST_SUITE_P(Offered, PasteEveryEncoder, ::testing::ValuesIn(OfferedCodes()), Printable);

TEST(PasteStreams, RangeInsideThePartAndRefusedCases) {
    TempDir dir;
    Target target;
    ASSERT_TRUE(target.Create(dir / "movie.avi", Options("MJPG")));
    ASSERT_EQ(WriteMovie(dir / "part.avi", target.video->GetOptions(), kW, kH, 25.0, 10, 20).fccHandler,
              target.video->GetOptions().fccHandler);
    ASSERT_EQ(WriteMovie(dir / "other.avi", Options("FMP4"), kW, kH, 25.0, 5).fccHandler,
              Options("FMP4").fccHandler);
    ASSERT_EQ(WriteMovie(dir / "small.avi", Options("MJPG"), 48, 32, 25.0, 5).fccHandler,
              Options("MJPG").fccHandler);
    CAVIContainer part;
    ASSERT_TRUE(part.Open(dir / "part.avi", false));
    CAVIStream* p = part.GetStream(0);
    // Samples 3 up to (not including) 7.
    ASSERT_TRUE(target.file.PasteStreams(*p, 0, 3, 7));
    EXPECT_EQ(target.video->GetLength(), 4);
    // Nothing to copy is no failure; a missing target is.
    EXPECT_TRUE(target.file.PasteStreams(*p, 0, 8, 8));
    EXPECT_FALSE(target.file.PasteStreams(*p, 5, 0, 10));
    // Another codec or another frame size would corrupt the movie: refused, nothing written.
    CAVIContainer other;
    ASSERT_TRUE(other.Open(dir / "other.avi", false));
    EXPECT_FALSE(target.file.PasteStreams(*other.GetStream(0), 0, 0, 5));
    ASSERT_TRUE(other.Open(dir / "small.avi", false));
    EXPECT_FALSE(target.file.PasteStreams(*other.GetStream(0), 0, 0, 5));
    EXPECT_FALSE(target.file.GetLastError().empty());
    EXPECT_EQ(target.video->GetLength(), 4);
    // The source can still be read after being pasted from.
    EXPECT_EQ(FrameIdOf(p->GetFrame(9)), 29);
    EXPECT_EQ(FrameIdOf(p->GetFrame(0)), 20);
    ASSERT_TRUE(target.file.Close());
    CAVIContainer in;
    ASSERT_TRUE(in.Open(dir / "movie.avi", false));
    ASSERT_EQ(in.GetStream(0)->GetLength(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(FrameIdOf(in.GetStream(0)->GetFrame(i)), 23 + i);
    EXPECT_EQ(DecodeErrors(dir / "movie.avi"), "");
}

// ---- audio ----

std::vector<uint8_t> PcmFormat() {
    // PCM, 2 channels, 44,100 Hz, 16 bits: block alignment 4, 176,400 bytes per second.
    std::vector<uint8_t> f(18, 0);
    auto put16 = [&](size_t at, uint16_t v) {
        f[at] = uint8_t(v);
        f[at + 1] = uint8_t(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put16(0, 1);
    put16(2, 2);
    put32(4, 44100);
    put32(8, 176400);
    put16(12, 4);
    put16(14, 16);
    return f;
}

std::vector<uint8_t> PcmBytes(size_t frames, int seed) {
    std::vector<uint8_t> pcm(frames * 4);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = uint8_t((i * 7 + size_t(seed) * 13 + i / 3) & 0xFF);
    return pcm;
}

// Writes a movie with `frames` video frames and the given PCM bytes (in one-second blocks).
bool WriteMovieWithPcm(const std::string& path, int frames, const std::vector<uint8_t>& pcm,
                       bool audioFirst = false) {
    CAVIContainer out;
    if (!out.CreateFile(path)) return false;
    auto first = PatternFrame(kW, kH, 0);
    auto v = out.CreateVideoStream(*first->GetHeader(), 1.0, 25.0);
    auto a = out.CreateAudioStream(PcmFormat());
    if (!v || !a ||
        !v->CreateCompressedStream(*first->GetHeader(), nullptr, [](auto&, auto&, CompressionOptions& c) {
            c = Options("MJPG");
            return true;
        }))
        return false;
    if (audioFirst) {
        if (out.AddStream(std::move(a)) != 0 || out.AddStream(std::move(v)) != 1) return false;
    } else {
        if (out.AddStream(std::move(v)) != 0 || out.AddStream(std::move(a)) != 1) return false;
    }
    CAVIStream* video = out.GetStream(out.GetFirstVideoStreamIndex());
    for (int i = 0; i < frames; ++i)
        if (!video->WriteFrame(*PatternFrame(kW, kH, i))) return false;
    for (size_t at = 0; at < pcm.size(); at += 176400) {
        EncodedAudio block;
        block.bytes.assign(pcm.begin() + std::ptrdiff_t(at),
                           pcm.begin() + std::ptrdiff_t(std::min(pcm.size(), at + 176400)));
        if (!out.WriteAudio(block)) return false;
    }
    return out.Close();
}

// Sizes of the chunks with the given id ("00dc", "01wb" ...) in the file's "idx1" index.
std::vector<int> AviIndexChunkSizes(const std::string& path, const char* id) {
    std::string file = ReadFileBytes(path);
    std::vector<int> sizes;
    size_t at = file.rfind("idx1");
    if (at == std::string::npos || at + 8 > file.size()) return sizes;
    uint32_t length = 0;
    std::memcpy(&length, file.data() + at + 4, 4);
    for (size_t e = at + 8; e + 16 <= file.size() && e + 16 <= at + 8 + length; e += 16) {
        if (file.compare(e, 4, id) != 0) continue;
        uint32_t size = 0;
        std::memcpy(&size, file.data() + e + 12, 4);
        sizes.push_back(int(size));
    }
    return sizes;
}

std::string AudioBytes(const std::string& path) {
    std::string bytes;
    RunCommand("ffmpeg -nostdin -v error -i '" + path + "' -map 0:a:0 -f s16le -", bytes);
    return bytes;
}

TEST(AVIAudio, WrittenMovieHasVideoStream0AndAudioStream1) {
    TempDir dir;
    const std::string path = dir / "movie.avi";
    std::vector<uint8_t> pcm = PcmBytes(44100 * 2, 1);  // 2 s, like the 50 frames
    ASSERT_TRUE(WriteMovieWithPcm(path, 50, pcm));
    EXPECT_EQ(ProbeStream(path, 0, "codec_type"), "video");
    EXPECT_EQ(ProbeStream(path, 0, "width"), "96");
    EXPECT_EQ(ProbeStream(path, 0, "avg_frame_rate"), "25/1");
    EXPECT_EQ(ProbeCountedFrames(path), 50);
    EXPECT_EQ(ProbeStream(path, 1, "codec_type"), "audio");
    EXPECT_EQ(ProbeStream(path, 1, "codec_name"), "pcm_s16le");
    EXPECT_EQ(ProbeStream(path, 1, "sample_rate"), "44100");
    EXPECT_EQ(DecodeErrors(path), "");
    std::string decoded = AudioBytes(path);
    ASSERT_EQ(decoded.size(), pcm.size());
    EXPECT_EQ(std::memcmp(decoded.data(), pcm.data(), pcm.size()), 0);

    CAVIContainer in;
    ASSERT_TRUE(in.Open(path, false));
    EXPECT_EQ(in.GetFirstVideoStreamIndex(), 0);
    EXPECT_EQ(in.GetFirstAudioStreamIndex(), 1);
    CAVIStream* a = in.GetStream(1);
    EXPECT_EQ(a->GetKind(), CAVIStream::kKindAudio);
    EXPECT_EQ(a->GetSampleSize(), 4);
    EXPECT_EQ(a->GetLength(), 44100 * 2);
    EXPECT_EQ(a->GetFrame(0), nullptr);
    ASSERT_EQ(a->GetFormatSize(), 18);
    const std::vector<uint8_t> format = PcmFormat();
    EXPECT_EQ(std::vector<uint8_t>(a->GetFormat(), a->GetFormat() + 16),
              std::vector<uint8_t>(format.begin(), format.begin() + 16));
}

TEST(AVIAudio, MatroskaMovieWithPcmAfterAllVideo) {
    TempDir dir;
    const std::string path = dir / "movie.mkv";
    std::vector<uint8_t> pcm = PcmBytes(44100, 4);
    ASSERT_TRUE(WriteMovieWithPcm(path, 25, pcm));
    EXPECT_EQ(DecodeErrors(path), "");
    EXPECT_EQ(ProbeCountedFrames(path), 25);
    EXPECT_EQ(ProbeStream(path, 1, "codec_name"), "pcm_s16le");
    std::string decoded = AudioBytes(path);
    ASSERT_EQ(decoded.size(), pcm.size());
    EXPECT_EQ(std::memcmp(decoded.data(), pcm.data(), pcm.size()), 0);
}

TEST(AVIAudio, AudioStreamBeforeVideoStream) {
    TempDir dir;
    const std::string path = dir / "audiofirst.avi";
    ASSERT_TRUE(WriteMovieWithPcm(path, 10, PcmBytes(17640, 2), true));
    EXPECT_EQ(ProbeStream(path, 0, "codec_type"), "audio");
    EXPECT_EQ(ProbeStream(path, 1, "codec_type"), "video");
    CAVIContainer in;
    ASSERT_TRUE(in.Open(path, false));
    EXPECT_EQ(in.GetFirstAudioStreamIndex(), 0);
    EXPECT_EQ(in.GetFirstVideoStreamIndex(), 1);
    EXPECT_EQ(in.GetStreamCount(), 2);
    CAVIStream* v = in.GetStream(1);
    ASSERT_EQ(v->GetLength(), 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(FrameIdOf(v->GetFrame(i)), i);
}

TEST(AVIAudio, PcmPastedIn32KBStepsFromAnySample) {
    TempDir dir;
    std::vector<uint8_t> pcm = PcmBytes(50000, 3);
    ASSERT_TRUE(WriteMovieWithPcm(dir / "src.avi", 5, pcm));
    CAVIContainer src;
    ASSERT_TRUE(src.Open(dir / "src.avi", false));
    CAVIStream* a = src.GetStream(src.GetFirstAudioStreamIndex());
    ASSERT_EQ(a->GetLength(), 50000);

    CAVIContainer out;
    ASSERT_TRUE(out.CreateFile(dir / "out.avi"));
    ASSERT_EQ(out.AddStream(out.CreateAudioStream(PcmFormat())), 0);
    EXPECT_EQ(out.GetFirstAudioStreamIndex(), 0);
    ASSERT_TRUE(out.PasteStreams(*a, 0, 0, 1000000));  // end clipped to the source
    ASSERT_TRUE(out.PasteStreams(*a, 0, 1000, 1100));  // then 100 samples from sample 1000
    EXPECT_EQ(out.GetStream(0)->GetLength(), 50100);
    ASSERT_TRUE(out.Close());

    std::string decoded = AudioBytes(dir / "out.avi");
    ASSERT_EQ(decoded.size(), 50100u * 4);
    EXPECT_EQ(std::memcmp(decoded.data(), pcm.data(), pcm.size()), 0);
    EXPECT_EQ(std::memcmp(decoded.data() + pcm.size(), pcm.data() + 4000, 400), 0);
    // 32,768-byte chunks, the rest of each paste in a last smaller one (read from the file's index,
    // since readers split PCM chunks as they like).
    std::vector<int> chunks = AviIndexChunkSizes(dir / "out.avi", "00wb");
    // 200,000 bytes = 6 chunks of 32,768 + 3,392; then 400 bytes.
    std::vector<int> expected = {32768, 32768, 32768, 32768, 32768, 32768, 3392, 400};
    EXPECT_EQ(chunks, expected);
}

TEST(AVIAudio, CompressedAudioPastedPacketByPacket) {
    TempDir dir;
    const std::string mp3 = dir / "mp3.avi";
    std::string log;
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -f lavfi -i sine=frequency=440:duration=2 -ac 2 -ar 44100 "
                         "-c:a libmp3lame -b:a 128k '" +
                             mp3 + "'",
                         log),
              0)
        << log;
    CAVIContainer src;
    ASSERT_TRUE(src.Open(mp3, false));
    CAVIStream* a = src.GetStream(src.GetFirstAudioStreamIndex());
    ASSERT_TRUE(a);
    EXPECT_EQ(a->GetSampleSize(), 0);
    const int packets = a->GetLength();
    ASSERT_GT(packets, 70);

    // MPEG Layer-3, 2 channels, 44,100 Hz, 16,000 bytes per second, the 12 extra bytes of its record.
    std::vector<uint8_t> format = {0x55, 0,  2, 0, 0x44, 0xAC, 0, 0, 0x80, 0x3E, 0,    0, 1, 0,    0,
                                   0,    12, 0, 1, 0,    2,    0, 0, 0,    0x80, 0x01, 1, 0, 0x71, 0x05};
    CAVIContainer out;
    ASSERT_TRUE(out.CreateFile(dir / "out.avi"));
    ASSERT_EQ(out.AddStream(out.CreateAudioStream(format)), 0);
    ASSERT_TRUE(out.PasteStreams(*a, 0, 0, packets));
    ASSERT_TRUE(out.PasteStreams(*a, 0, 0, 10));
    EXPECT_EQ(out.GetStream(0)->GetLength(), packets + 10);
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(ProbeStream(dir / "out.avi", 0, "codec_name"), "mp3");
    EXPECT_EQ(DecodeErrors(dir / "out.avi"), "");
    CAVIContainer in;
    ASSERT_TRUE(in.Open(dir / "out.avi", false));
    EXPECT_EQ(in.GetStream(0)->GetLength(), packets + 10);
}

TEST(AVIAudio, WrongAudioInputsAreRefused) {
    TempDir dir;
    CAVIContainer out;
    ASSERT_TRUE(out.CreateFile(dir / "out.avi"));
    EXPECT_FALSE(out.CreateAudioStream({1, 0, 2}));  // too short
    std::vector<uint8_t> lying = PcmFormat();
    lying[16] = 200;  // announces 200 extra bytes it does not have
    EXPECT_FALSE(out.CreateAudioStream(lying));
    std::vector<uint8_t> unknown = PcmFormat();
    unknown[0] = 0x34;
    unknown[1] = 0x12;
    EXPECT_FALSE(out.CreateAudioStream(unknown));
    ASSERT_EQ(out.AddStream(out.CreateAudioStream(PcmFormat())), 0);
    EXPECT_FALSE(out.WriteAudio(EncodedAudio{}));
    EncodedAudio bad;
    bad.bytes.assign(100, 0);
    bad.packetSizes = {60, 60};  // more than given
    EXPECT_FALSE(out.WriteAudio(bad));
    EXPECT_FALSE(out.WriteAudio(bad, 7));
    EXPECT_FALSE(out.GetStream(0)->WriteFrame(PatternFrame(8, 8, 0)->GetHeader()));
    EXPECT_TRUE(out.Close());
}

}  // namespace
}  // namespace trov::test
