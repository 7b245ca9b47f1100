// End to end: a movie with two music pieces (one looping, one normalised and cross-faded in) written
// with MP3 and with PCM audio, read back by ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "audio/AudioConverter.h"
#include "audio/AudioFormats.h"
#include "audio/AudioTrack.h"
#include "audio/ProcessUtil.h"
#include "audio/WaveCache.h"
#include "audio/WaveTestUtil.h"
#include "imaging/DibPicture.h"
#include "project/FileCache.h"
#include "support/TestSupport.h"
#include "video/AVIContainer.h"
#include "video/CodecSettings.h"

namespace trov {
namespace {

// The decoded audio of a movie as 16-bit stereo at 44,100 Hz.
std::vector<int16_t> DecodeAudio(const std::string& path) {
    std::string raw = test::RunCommand("ffmpeg -nostdin -v quiet -i '" + path +
                                       "' -map 0:a -f s16le -ac 2 -ar 44100 - 2>/dev/null");
    std::vector<int16_t> out(raw.size() / 2);
    std::memcpy(out.data(), raw.data(), out.size() * 2);
    return out;
}

int PeakIn(const std::vector<int16_t>& s, double from, double to) {
    int peak = 0;
    for (size_t i = size_t(from * 88200); i < std::min(s.size(), size_t(to * 88200)); ++i)
        peak = std::max(peak, std::abs(int(s[i])));
    return peak;
}

class AudioMovieTest : public ::testing::TestWithParam<const char*> {};

TEST_P(AudioMovieTest, TwoPiecesLoopNormaliseAndCrossFade) {
    const std::string codec = GetParam();
    SAudioFormatChoice choice;
    if (codec == "mp3") {
        if (EncoderNameForTag(kWaveFormatMpegLayer3).empty()) GTEST_SKIP();
        ASSERT_TRUE(
            FindAudioFormatByDescription(kWaveFormatMpegLayer3, "128 kBit/s, 44,100 Hz, Stereo", {}, choice));
    } else {
        ASSERT_TRUE(FindAudioFormatByDescription(kWaveFormatPcm, "44,100 Hz, 16 Bit, Stereo", {}, choice));
    }
    test::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "temp");
    // Piece 1: 4 s of a 440 Hz sine at 6000, looping from 500 ms. Piece 2: 6 s of 660 Hz at 4000,
    // 22,050 Hz mono, normalised, mixed in over 1000 ms.
    std::string one = dir / "one.wav", two = dir / "two.wav";
    test::WriteFileBytes(one,
                         test::PcmWav(StandardWaveFormat(), test::Sine16(4 * 44100, 2, 440, 44100, 6000)));
    test::WriteFileBytes(
        two, test::PcmWav(PcmWaveFormat(22050, 1, 16), test::Sine16(6 * 22050, 1, 660, 22050, 4000)));
    std::vector<SAudioEntry> entries(5);
    int frames[5] = {25, 75, 50, 75, 25};
    for (int i = 0; i < 5; ++i) entries[size_t(i)].showPicture = frames[i];
    entries[1].fade2Next = 25;  // 1 s transition after entry 1
    entries[1].audioFile = one;
    entries[1].loop = true;
    entries[1].audioStartTime = 500;
    entries[3].audioFile = two;
    entries[3].normalize = true;
    entries[3].fadeOption = 3;
    entries[3].fadingTime = 1000;
    const int totalFrames = 25 + 100 + 50 + 75 + 25;  // 11 s at 25 fps

    std::string movie = dir / ("movie_" + codec + ".avi");
    CAVIContainer out;
    ASSERT_TRUE(out.CreateFile(movie));
    CDibPicture frame;
    ASSERT_TRUE(frame.Create(64, 48));
    CompressionOptions options;
    options.fccHandler = FourCCFromString("MJPG");
    options.dwQuality = 8000;
    auto video = out.CreateVideoStream(*frame.GetHeader(), 1.0, 25.0);
    ASSERT_TRUE(video && video->CreateCompressedStream(*frame.GetHeader(), &options));
    ASSERT_EQ(out.AddStream(std::move(video)), 0);
    auto audio = out.CreateAudioStream(choice.format.ToBytes());
    ASSERT_TRUE(audio) << out.GetLastError();
    ASSERT_EQ(out.AddStream(std::move(audio)), 1);
    for (int i = 0; i < totalFrames; ++i) {
        for (int y = 0; y < 48; ++y) std::fill(frame.GetRow(y), frame.GetRow(y) + 64 * 3, uint8_t(i));
        frame.BitsChanged();
        ASSERT_TRUE(out.GetStream(0)->WriteFrame(frame));
    }
    {
        std::lock_guard lock(GetAudioSlotMutex());
        GetAudioFormatSlot(kOutputAudioSlot).format = choice.format;
    }
    CFileCache files;
    files.SetDirectory((dir.Path() / "temp").string());
    CWaveCache cache(files);
    SAudioTrackSettings settings;
    settings.framesPerSecond = out.GetStream(0)->GetFrameRate();
    settings.tempDir = (dir.Path() / "temp").string();
    SAudioTrackContext ctx;
    ctx.waveCache = &cache;
    CAVIAudioSink sink(out, 1);
    EXPECT_TRUE(CreateAudioTrack(entries, settings, sink, ctx));
    ASSERT_TRUE(out.Close()) << out.GetLastError();
    {
        std::lock_guard lock(GetAudioSlotMutex());
        GetAudioFormatSlot(kOutputAudioSlot) = SAudioFormatSlot();
    }

    EXPECT_EQ(test::DecodeErrors(movie), "");
    EXPECT_EQ(test::ProbeStream(movie, "a", "codec_name"), codec == "mp3" ? "mp3" : "pcm_s16le");
    EXPECT_EQ(test::ProbeStream(movie, "a", "index"), "1");
    double videoSeconds = std::stod(test::ProbeStream(movie, "v", "duration"));
    // A PCM stream in AVI has no duration of its own; its sample count tells it.
    std::string duration = test::ProbeStream(movie, "a", "duration");
    double audioSeconds = duration != "N/A" && !duration.empty()
                              ? std::stod(duration)
                              : std::stod(test::ProbeStream(movie, "a", "nb_frames")) / 44100.0;
    EXPECT_NEAR(videoSeconds, 11.0, 1e-6);
    EXPECT_NEAR(audioSeconds, videoSeconds, 0.04) << "within one frame";

    std::vector<int16_t> s = DecodeAudio(movie);
    ASSERT_NEAR(double(s.size()) / 88200.0, audioSeconds, 0.05);
    EXPECT_LE(PeakIn(s, 0.0, 0.95), codec == "mp3" ? 60 : 0) << "silence before the first piece";
    const int tolerance = codec == "mp3" ? 700 : 2;  // MP3 is lossy
    EXPECT_NEAR(PeakIn(s, 1.1, 4.4), 6000, tolerance) << "piece 1";
    EXPECT_NEAR(PeakIn(s, 4.6, 5.9), 6000, tolerance) << "piece 1 looped after its end (4.5 s)";
    EXPECT_GE(PeakIn(s, 7.2, 10.9), 32766 - 5 * tolerance) << "piece 2 normalised to full scale";
    size_t fullScale = 0;
    for (int16_t v : s) fullScale += (v >= 32767 || v <= -32768) ? 1 : 0;
    EXPECT_LT(double(fullScale) / double(s.size()), 0.01) << "no clipping beyond the normalised peaks";
    // The cross-fade (6-7 s): piece 1 fades out while piece 2 fades in.
    EXPECT_LT(PeakIn(s, 6.95, 7.0), 33000);
    EXPECT_GT(PeakIn(s, 6.0, 6.1), 5000);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "temp" / TrackFileName()));
}

INSTANTIATE_TEST_SUITE_P(Codecs, AudioMovieTest, ::testing::Values("mp3", "pcm"));

TEST(AudioCodecSettingsFileTest, OutputFormatSurvivesACodecSettingsFile) {
    test::TempDir dir;
    const std::vector<std::string> texts = ListAudioFormatTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "PCM (8,000 Hz, 8 Bit, Mono)");
    const std::string wanted = EncoderNameForTag(kWaveFormatMpegLayer3).empty()
                                   ? "PCM (48,000 Hz, 16 Bit, Stereo)"
                                   : "MPEG Layer-3 (96 kBit/s, 48,000 Hz, Stereo)";
    EXPECT_FALSE(SetOutputAudioFormatByText("MPEG Layer-3 (1 kBit/s)"));
    ASSERT_TRUE(SetOutputAudioFormatByText(wanted));
    const SWaveFormat chosen = GetAudioFormatSlot(kOutputAudioSlot).format;
    CodecSettingsRecord record;
    StoreOutputAudio(record);
    EXPECT_EQ(record.audioDescription, wanted);
    std::string name = SaveCodecSettings(record, dir.Path().string());
    ASSERT_EQ(name, "CS_0.ini");
    ClearAudioFormatSlots();
    CodecSettingsRecord loaded;
    ASSERT_TRUE(LoadCodecSettings(name, loaded, dir.Path().string()));
    std::string text;
    ASSERT_TRUE(RestoreOutputAudio(loaded, nullptr, &text));
    EXPECT_EQ(text, wanted);
    EXPECT_EQ(GetAudioFormatSlot(kOutputAudioSlot).format, chosen);
    EXPECT_EQ(ListCodecSettings(dir.Path().string()).at(0).audio, wanted);
    ASSERT_TRUE(SetOutputAudioFormatByText("Not set!"));
    EXPECT_TRUE(GetAudioFormatSlot(kOutputAudioSlot).format.IsEmpty());
}

}  // namespace
}  // namespace trov
