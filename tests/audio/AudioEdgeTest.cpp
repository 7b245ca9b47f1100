// Compressed audio starts on time: a track that is silent for 500 ms and then loud is encoded in
// every audio format and every container that holds it; FFmpeg decodes the movie and the first
// loud sample must lie within 1 ms of where PCM puts it (the encoders' priming is signalled to
// players or kept out of the track).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "audio/AudioConverter.h"
#include "audio/AudioFormats.h"
#include "audio/AudioTrack.h"
#include "audio/ProcessUtil.h"
#include "imaging/DibPicture.h"
#include "support/TestSupport.h"
#include "video/AVIContainer.h"
#include "video/ContainerCodecs.h"

namespace trov {
namespace {

constexpr int kEdgeSample = 22050;  // 500 ms at 44,100 Hz
constexpr int kTrackSamples = 44100;
constexpr int kFrames = 25;  // 1 s at 25 fps

// Writes the track: silence, then a 1 kHz square wave at a quarter of full scale.
void WriteEdgeTrack(const std::string& path) {
    CWaveFile wave;
    ASSERT_TRUE(wave.Create(path, StandardWaveFormat()));
    std::vector<uint8_t> bytes(size_t(kTrackSamples) * 4, 0);
    for (int i = kEdgeSample; i < kTrackSamples; ++i) {
        int16_t v = ((i - kEdgeSample) / 22) % 2 ? -8000 : 8000;
        for (int c = 0; c < 2; ++c) {
            bytes[size_t(i) * 4 + size_t(c) * 2] = uint8_t(v & 0xFF);
            bytes[size_t(i) * 4 + size_t(c) * 2 + 1] = uint8_t((uint16_t(v) >> 8) & 0xFF);
        }
    }
    wave.WriteBytes(bytes.data(), bytes.size());
    ASSERT_TRUE(wave.Close());
}

// The first decoded sample (mono, 44,100 Hz, from the movie's start) louder than a quarter of the
// edge's level; -1 when there is none.
long FindEdge(const std::string& movie) {
    std::string raw = test::RunCommand("ffmpeg -nostdin -v quiet -i '" + movie +
                                       "' -map 0:a:0 -f s16le -ac 1 -ar 44100 - 2>/dev/null");
    std::vector<int16_t> s(raw.size() / 2);
    std::memcpy(s.data(), raw.data(), s.size() * 2);
    for (size_t i = 0; i < s.size(); ++i)
        if (std::abs(int(s[i])) > 2000) return long(i);
    return -1;
}

struct Format {
    const char* label;
    const char* text;
    uint16_t tag;
};

TEST(AudioEdge, EveryFormatInEveryContainerStartsWithin1msOfPcm) {
    const Format formats[] = {
        {"PCM", "PCM (44,100 Hz, 16 Bit, Stereo)", kWaveFormatPcm},
        {"MP3", "MPEG Layer-3 (128 kBit/s, 44,100 Hz, Stereo)", kWaveFormatMpegLayer3},
        {"MP2", "MPEG Layer-2 (192 kBit/s, 44,100 Hz, Stereo)", kWaveFormatMpeg},
        {"AC-3", "AC-3 (192 kBit/s, 44,100 Hz, Stereo)", kWaveFormatAc3},
        {"AAC", "AAC (128 kBit/s, 44,100 Hz, Stereo)", kWaveFormatAac},
    };
    test::TempDir dir;
    const std::string track = dir / "edge.wav";
    WriteEdgeTrack(track);
    std::string report;
    for (const Format& f : formats) {
        if (f.tag != kWaveFormatPcm && EncoderNameForTag(f.tag).empty()) continue;
        ASSERT_TRUE(SetOutputAudioFormatByText(f.text)) << f.text;
        SWaveFormat format;
        {
            std::lock_guard lock(GetAudioSlotMutex());
            format = GetAudioFormatSlot(kOutputAudioSlot).format;
        }
        for (const SOutputContainer& c : OutputContainers()) {
            if (!ContainerHoldsAudio(c.muxer, f.tag)) continue;
            const std::string movie = dir / (std::string("edge_") + f.label + c.extension);
            CAVIContainer out;
            ASSERT_TRUE(out.CreateFile(movie));
            CDibPicture frame;
            ASSERT_TRUE(frame.Create(32, 24));
            CompressionOptions options;
            options.fccHandler = FourCCFromString("MJPG");
            options.dwQuality = 8000;
            auto video = out.CreateVideoStream(*frame.GetHeader(), 1.0, 25.0);
            ASSERT_TRUE(video && video->CreateCompressedStream(*frame.GetHeader(), &options));
            ASSERT_EQ(out.AddStream(std::move(video)), 0);
            auto audio = out.CreateAudioStream(format.ToBytes());
            ASSERT_TRUE(audio) << out.GetLastError();
            ASSERT_EQ(out.AddStream(std::move(audio)), 1);
            for (int i = 0; i < kFrames; ++i) ASSERT_TRUE(out.GetStream(0)->WriteFrame(frame));
            CAVIAudioSink sink(out, 1);
            ASSERT_TRUE(EncodeAudioTrack(track, format, sink, SAudioTrackContext{}));
            ASSERT_TRUE(out.Close()) << out.GetLastError();

            EXPECT_EQ(test::DecodeErrors(movie), "") << movie;
            EXPECT_EQ(test::ProbeStream(movie, "v", "start_time"), "0.000000") << movie;
            const long edge = FindEdge(movie);
            const double offsetMs = double(edge - kEdgeSample) * 1000.0 / 44100.0;
            char line[96];
            std::snprintf(line, sizeof line, "%-5s %-4s %+7.2f ms\n", f.label, c.name.c_str(), offsetMs);
            report += line;
            EXPECT_LE(std::fabs(offsetMs), 1.0) << f.label << " in " << c.name << ": edge at sample " << edge;
        }
    }
    ASSERT_TRUE(SetOutputAudioFormatByText("Not set!"));
    std::printf("%s", report.c_str());
}

}  // namespace
}  // namespace trov
