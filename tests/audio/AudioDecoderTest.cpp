// Audio sources beyond PCM WAV: compressed WAV payloads and audio files of their own are decoded
// through FFmpeg; the track assembly plays them; files nothing can decode are told apart.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "audio/AudioDecoder.h"
#include "audio/AudioFormats.h"
#include "audio/AudioTrack.h"
#include "audio/ProcessUtil.h"
#include "audio/WaveFile.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

// A 1 s, 440 Hz tone at a quarter of full scale, made by the ffmpeg program in the given codec.
std::string MakeSource(const test::TempDir& dir, const std::string& name, const std::string& codecArgs) {
    const std::string path = dir / name;
    test::RunCommand(
        "ffmpeg -nostdin -v error -y -f lavfi -i "
        "'aevalsrc=0.5*sin(2*PI*440*t)|0.5*sin(2*PI*440*t):s=44100:d=1' " +
        codecArgs + " '" + path + "'");
    return std::filesystem::exists(path) ? path : std::string();
}

int Peak(const std::vector<uint8_t>& pcm16) {
    int peak = 0;
    for (size_t i = 0; i + 1 < pcm16.size(); i += 2)
        peak = std::max(peak, std::abs(int(int16_t(pcm16[i] | (pcm16[i + 1] << 8)))));
    return peak;
}

struct Source {
    const char* name;
    const char* args;
};
const Source kSources[] = {
    {"ms_adpcm.wav", "-c:a adpcm_ms"},
    {"ima_adpcm.wav", "-c:a adpcm_ima_wav"},
    {"mp3_in.wav", "-c:a libmp3lame -b:a 128k -f wav"},
    {"tune.mp3", "-c:a libmp3lame -b:a 128k"},
    {"tune.flac", "-c:a flac"},
    {"tune.ogg", "-c:a libvorbis"},
    {"tune.opus", "-c:a libopus -b:a 96k"},
};

TEST(AudioDecoder, CompressedWavPayloadsAndAudioFilesDecodeToTheStandardFormat) {
    test::TempDir dir;
    for (const Source& s : kSources) {
        const std::string path = MakeSource(dir, s.name, s.args);
        if (path.empty()) {
            ADD_FAILURE() << "ffmpeg could not make " << s.name;
            continue;
        }
        EXPECT_FALSE(IsPcmWaveFile(path)) << s.name;
        std::string reason;
        EXPECT_TRUE(CanDecodeAudio(path, &reason)) << s.name << ": " << reason;
        EXPECT_TRUE(IsPlayableAudioFile(path)) << s.name;
        EXPECT_NEAR(AudioFileLengthMs(path), 1000, 60) << s.name;

        const std::string copy = dir / (std::string(s.name) + ".decoded.wav");
        std::string error;
        ASSERT_TRUE(DecodeToStandardWave(path, copy, error)) << s.name << ": " << error;
        CWaveFile wave;
        ASSERT_TRUE(wave.Open(copy));
        EXPECT_TRUE(IsStandardWaveFormat(*wave.GetFormat()));
        // Encoder delay and padding are left out as far as the files signal them (ADPCM blocks and
        // Opus frames may pad the end).
        EXPECT_NEAR(wave.GetLengthMs(), 1000, 50) << s.name;
        ASSERT_TRUE(wave.Load());
        std::vector<uint8_t> pcm(wave.GetData(), wave.GetData() + wave.GetDataSize());
        EXPECT_NEAR(Peak(pcm), 16384, 1600) << s.name;
    }
}

TEST(AudioDecoder, FilesNothingDecodesAreToldApart) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "noise.wav", "RIFF" + std::string(300, '\x33'));
    test::WriteFileBytes(dir / "empty.mp3", "");
    for (const char* name : {"noise.wav", "empty.mp3", "missing.flac"}) {
        std::string reason;
        EXPECT_FALSE(CanDecodeAudio(dir / name, &reason)) << name;
        EXPECT_FALSE(reason.empty()) << name;
        EXPECT_FALSE(IsPlayableAudioFile(dir / name)) << name;
        EXPECT_EQ(AudioFileLengthMs(dir / name), -1) << name;
        std::string error;
        EXPECT_FALSE(DecodeToStandardWave(dir / name, dir / "out.wav", error)) << name;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.wav")) << name;
    }
    // A PCM WAV of another layout is played through the converter, no decoding needed.
    CWaveFile mono;
    ASSERT_TRUE(mono.Create(dir / "mono.wav", PcmWaveFormat(22050, 1, 16)));
    std::vector<uint8_t> zeros(4410, 0);
    mono.WriteBytes(zeros.data(), zeros.size());
    ASSERT_TRUE(mono.Close());
    EXPECT_TRUE(IsPcmWaveFile(dir / "mono.wav"));
    EXPECT_TRUE(IsPlayableAudioFile(dir / "mono.wav"));
}

TEST(AudioDecoder, TheTrackPlaysDecodedSourcesAndLeavesNoCopies) {
    test::TempDir dir;
    const std::string mp3 = MakeSource(dir, "a.mp3", "-c:a libmp3lame -b:a 128k");
    const std::string adpcm = MakeSource(dir, "b.wav", "-c:a adpcm_ms");
    ASSERT_FALSE(mp3.empty());
    ASSERT_FALSE(adpcm.empty());
    std::filesystem::create_directories(dir.Path() / "temp");
    // Two entries of 1 s each at 25 fps: the MP3 plays first, then the ADPCM WAV.
    std::vector<SAudioEntry> entries(2);
    for (SAudioEntry& e : entries) e.showPicture = 25;
    entries[0].audioFile = mp3;
    entries[1].audioFile = adpcm;
    SAudioTrackSettings settings;
    settings.tempDir = (dir.Path() / "temp").string();
    const std::string track = dir / "temp/track.wav";
    ASSERT_TRUE(AssembleAudioTrack(entries, settings, track, SAudioTrackContext{}));
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(track));
    EXPECT_EQ(wave.GetDataChunkSize(), 2 * 176400);
    for (int second = 0; second < 2; ++second) {
        ASSERT_TRUE(wave.LoadPart(second * 1000 + 100, second * 1000 + 900, false, -1));
        std::vector<uint8_t> pcm(wave.GetData(), wave.GetData() + wave.GetDataSize());
        EXPECT_NEAR(Peak(pcm), 16384, 1600) << "second " << second;
    }
    wave.Close();
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path() / "temp"))
        EXPECT_EQ(entry.path().filename().string().rfind("dec_", 0), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace trov
