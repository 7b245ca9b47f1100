// Every video codec x every audio format (and none) x every container through the real trov
// program: each cell writes a movie that ffprobe counts frame-exactly, decodes without a word from
// ffmpeg and has audio as long as its video, or is refused before a file exists (exit code 2, a
// message naming the combination). The container table is checked against these real writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "audio/AudioFormats.h"
#include "audio/WaveFile.h"
#include "imaging/DibPicture.h"
#include "support/TestSupport.h"
#include "video/CodecSettings.h"
#include "video/ContainerCodecs.h"
#include "video/VideoCodecs.h"

namespace trov {
namespace {

using test::TempDir;
using test::WriteFileBytes;

struct ShellResult {
    int code = -1;
    std::string out;
};

ShellResult Shell(const std::string& cmd) {
    ShellResult r;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

constexpr int kWidth = 32, kHeight = 24;
constexpr int kFrames = 8;  // two entries of 4 frames at 25 fps: 320 ms

// The audio formats of the matrix: none, then one common setting of each.
struct AudioCell {
    const char* label;
    const char* text;  // GetFormatText of the format; "" = no audio
    uint16_t tag;
};
const AudioCell kAudio[] = {
    {"none", "", 0},
    {"PCM", "PCM (44,100 Hz, 16 Bit, Stereo)", kWaveFormatPcm},
    {"MP3", "MPEG Layer-3 (128 kBit/s, 44,100 Hz, Stereo)", kWaveFormatMpegLayer3},
    {"AAC", "AAC (128 kBit/s, 44,100 Hz, Stereo)", kWaveFormatAac},
    {"AC-3", "AC-3 (192 kBit/s, 44,100 Hz, Stereo)", kWaveFormatAc3},
    {"MP2", "MPEG Layer-2 (192 kBit/s, 44,100 Hz, Stereo)", kWaveFormatMpeg},
};

// Samples of the decoded audio (mono, 44,100 Hz), -1 when it does not decode.
long DecodedAudioSamples(const std::string& movie) {
    ShellResult r =
        Shell("ffmpeg -nostdin -v error -i '" + movie + "' -map 0:a:0 -f s16le -ac 1 -ar 44100 - | wc -c");
    if (r.code != 0) return -1;
    return std::atol(r.out.c_str()) / 2;
}

TEST(CodecMatrix, EveryCellWritesAGoodMovieOrIsRefusedUpFront) {
    TempDir work;
    // One program directory per worker: the audio track's temporary file lives there.
    TempDir homes[2];
    CDibPicture picture;
    ASSERT_TRUE(picture.Create(kWidth, kHeight));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) picture.SetPixel(x, y, uint8_t(x * 8), uint8_t(y * 10), 90);
    ASSERT_TRUE(picture.SaveFile(work / "a.bmp"));
    {
        // A short looping tune in the standard format.
        CWaveFile wave;
        ASSERT_TRUE(wave.Create(work / "tune.wav", StandardWaveFormat()));
        std::vector<uint8_t> bytes(size_t(44100 / 5) * 4);
        for (size_t i = 0; i < bytes.size() / 4; ++i) {
            auto v = int16_t(std::lround(8000 * std::sin(2 * M_PI * 440.0 * double(i) / 44100.0)));
            for (int c = 0; c < 2; ++c) {
                bytes[i * 4 + size_t(c) * 2] = uint8_t(v & 0xFF);
                bytes[i * 4 + size_t(c) * 2 + 1] = uint8_t((uint16_t(v) >> 8) & 0xFF);
            }
        }
        wave.WriteBytes(bytes.data(), bytes.size());
        ASSERT_TRUE(wave.Close());
    }
    auto project = [&](bool audio) {
        std::string text = "[PROJECT_SETTINGS]\nMovie-Size-X=" + std::to_string(kWidth) +
                           "\nMovie-Size-Y=" + std::to_string(kHeight) +
                           "\nFramesPerSeconds=25\nOutput-AVI=" + (work / "project.avi") + "\n";
        for (int i = 0; i < 2; ++i) {
            text += "[PICTURE_" + std::to_string(i) +
                    "]\nFileName=a.bmp\nText-FadeIn=0\nShowPicture=4\nText-FadeOut=0\nFade2NextPicture="
                    "0\nFading2NextPictureName=Cross Dissolve\n"
                    "PictureText=\n";
            if (audio && i == 0) text += "AudioFile=tune.wav\nLoopAudio=1\n";
        }
        return text;
    };
    WriteFileBytes(work / "silent.ini", project(false));
    WriteFileBytes(work / "music.ini", project(true));

    struct Cell {
        std::string video, audio, container, codecFile, movie;
        uint32_t fourCC = 0;
        uint16_t tag = 0;
        bool expectWritten = false;
    };
    std::vector<Cell> cells;
    for (const VideoEncoderInfo& v : AvailableVideoEncoders()) {
        for (const AudioCell& a : kAudio) {
            if (a.tag != 0 && a.tag != kWaveFormatPcm && EncoderNameForTag(a.tag).empty()) continue;
            CodecSettingsRecord record;
            ASSERT_TRUE(MakeVideoCodecSettings(v.fourCCText, 8000, "", record));
            ASSERT_TRUE(SetOutputAudioFormatByText(a.tag ? a.text : "Not set!")) << a.text;
            StoreOutputAudio(record);
            std::string codecFile = SaveCodecSettings(record, work.Path().string());
            ASSERT_FALSE(codecFile.empty());
            for (const SOutputContainer& c : OutputContainers()) {
                Cell cell;
                cell.video = v.fourCCText;
                cell.audio = a.label;
                cell.container = c.name;
                cell.codecFile = work / codecFile;
                std::string code = v.fourCCText;
                while (!code.empty() && code.back() == ' ') code.pop_back();
                cell.movie = work / ("m_" + code + "_" + a.label + c.extension);
                cell.fourCC = v.fourCC;
                cell.tag = a.tag;
                cell.expectWritten = ContainerHoldsVideo(c.muxer, v.fourCC) &&
                                     (a.tag == 0 || ContainerHoldsAudio(c.muxer, a.tag));
                cells.push_back(cell);
            }
        }
    }
    ASSERT_TRUE(SetOutputAudioFormatByText("Not set!"));
    ASSERT_GE(cells.size(), 11u * 6u * 4u - 24u);

    std::mutex reportMutex;
    std::vector<std::string> failures;
    std::vector<std::string> rows;
    std::atomic<size_t> next{0};
    auto worker = [&](const TempDir& home) {
        for (size_t i = next++; i < cells.size(); i = next++) {
            const Cell& cell = cells[i];
            const std::string name = cell.video + " + " + cell.audio + " in " + cell.container;
            std::vector<std::string> problems;
            ShellResult r = Shell("TROV_HOME='" + home.Path().string() + "' '" TROV_EXE "' -PROJECT '" +
                                  (work / (cell.tag ? "music.ini" : "silent.ini")) + "' -CREATE '" +
                                  cell.codecFile + "' --output '" + cell.movie + "'");
            const bool exists = std::filesystem::exists(cell.movie);
            if (cell.expectWritten) {
                if (r.code != 0) problems.push_back("exit code " + std::to_string(r.code) + ": " + r.out);
                ShellResult frames = Shell(
                    "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                    "stream=nb_read_frames -of csv=p=0 '" +
                    cell.movie + "'");
                if (std::atoi(frames.out.c_str()) != kFrames) problems.push_back("frames: " + frames.out);
                ShellResult decode =
                    Shell("ffmpeg -nostdin -v error -i '" + cell.movie + "' -map 0 -f null -");
                if (!decode.out.empty()) problems.push_back("decoding: " + decode.out.substr(0, 300));
                if (cell.tag) {
                    long samples = DecodedAudioSamples(cell.movie);
                    long expected = long(kFrames) * 44100 / 25;
                    if (std::labs(samples - expected) > 44100 / 25)
                        problems.push_back("audio samples " + std::to_string(samples) + ", video " +
                                           std::to_string(expected));
                } else {
                    ShellResult streams =
                        Shell("ffprobe -v error -select_streams a -show_entries stream=index -of csv=p=0 '" +
                              cell.movie + "'");
                    if (!streams.out.empty()) problems.push_back("an audio stream without audio");
                }
            } else {
                if (r.code != 2)
                    problems.push_back("refusal exit code " + std::to_string(r.code) + ": " + r.out);
                if (exists) problems.push_back("a file exists after the refusal");
                const std::string expected = CheckOutputCombination(cell.movie, cell.fourCC, cell.tag);
                if (expected.empty() || r.out.find(expected) == std::string::npos ||
                    r.out.find(" " + cell.container) == std::string::npos)
                    problems.push_back("message: " + r.out);
            }
            std::error_code ec;
            std::filesystem::remove(cell.movie, ec);
            std::lock_guard lock(reportMutex);
            rows.push_back(name + ": " + (cell.expectWritten ? "written" : "refused"));
            for (const std::string& p : problems) failures.push_back(name + ": " + p);
        }
    };
    std::thread second(worker, std::cref(homes[1]));
    worker(homes[0]);
    second.join();
    for (const std::string& f : failures) ADD_FAILURE() << f;
    EXPECT_EQ(rows.size(), cells.size());
}

TEST(CodecMatrix, ListCodecsShowsWhatEachContainerHolds) {
    TempDir home;
    ShellResult r = Shell("TROV_HOME='" + home.Path().string() + "' '" TROV_EXE "' --list-codecs");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.find("Usage:"), std::string::npos) << r.out;
    // Per container, only what the table allows and this build has.
    for (const SOutputContainer& c : OutputContainers()) {
        size_t from = r.out.find(c.name + " (" + c.extension + ")\n");
        ASSERT_NE(from, std::string::npos) << r.out;
        size_t end = from;
        for (const SOutputContainer& d : OutputContainers())
            if (size_t at = r.out.find(d.name + " (", from + 1);
                at != std::string::npos && (end == from || at < end))
                end = at;
        const std::string block = r.out.substr(from, end == from ? std::string::npos : end - from);
        for (const VideoEncoderInfo& v : AvailableVideoEncoders()) {
            std::string code = v.fourCCText;
            while (!code.empty() && code.back() == ' ') code.pop_back();
            bool listed = block.find("  video  " + code + " ") != std::string::npos;
            EXPECT_EQ(listed, ContainerHoldsVideo(c.muxer, v.fourCC)) << c.name << " " << code;
        }
        EXPECT_EQ(block.find("  audio  PCM\n") != std::string::npos,
                  ContainerHoldsAudio(c.muxer, kWaveFormatPcm))
            << c.name;
    }
}

// With the check off, a source nothing can decode fails the creation; one FFmpeg decodes plays.
TEST(CodecMatrix, AudioThatCannotBeMadeFailsTheCreationAndKeepsTheVideoUnderItsOwnName) {
    TempDir home, work;
    WriteFileBytes(home / "Settings.ini", "[TROV_SETTINGS]\nConsistencyCheck=0\n");
    CDibPicture picture;
    ASSERT_TRUE(picture.Create(kWidth, kHeight));
    ASSERT_TRUE(picture.SaveFile(work / "a.bmp"));
    WriteFileBytes(work / "noise.wav", "RIFF" + std::string(300, '\x33'));
    Shell("ffmpeg -nostdin -v error -y -f lavfi -i 'sine=f=440:r=44100:d=1' -ac 2 -c:a adpcm_ms '" +
          (work / "adpcm.wav") + "'");
    ASSERT_TRUE(std::filesystem::exists(work / "adpcm.wav"));
    CodecSettingsRecord record;
    ASSERT_TRUE(MakeVideoCodecSettings("MJPG", 8000, "", record));
    ASSERT_TRUE(SetOutputAudioFormatByText("MPEG Layer-3 (128 kBit/s, 44,100 Hz, Stereo)"));
    StoreOutputAudio(record);
    ASSERT_TRUE(SetOutputAudioFormatByText("Not set!"));
    const std::string codecFile = work / SaveCodecSettings(record, work.Path().string());
    for (const char* source : {"noise.wav", "adpcm.wav"}) {
        const std::string project = work / (std::string(source) + ".ini");
        WriteFileBytes(project,
                       "[PROJECT_SETTINGS]\nMovie-Size-X=32\nMovie-Size-Y=24\nFramesPerSeconds=25\n"
                       "[PICTURE_0]\nFileName=a.bmp\nShowPicture=25\nFade2NextPicture=0\n"
                       "Fading2NextPictureName=Cross Dissolve\nAudioFile=" +
                           std::string(source) + "\n");
        const std::string movie = work / (std::string(source) + ".avi");
        ShellResult r = Shell("TROV_HOME='" + home.Path().string() + "' '" TROV_EXE "' -PROJECT '" + project +
                              "' -CREATE '" + codecFile + "' --output '" + movie + "'");
        if (std::string(source) == "noise.wav") {
            EXPECT_EQ(r.code, 3) << r.out;
            EXPECT_EQ(r.out.find("Movie written"), std::string::npos) << r.out;
            EXPECT_FALSE(std::filesystem::exists(movie))
                << "the requested name never holds a movie without its audio";
            const std::string kept = work / "noise.wav.video-only.avi";
            EXPECT_TRUE(std::filesystem::exists(kept));
            EXPECT_NE(r.out.find("The movie without its audio was kept as " + kept), std::string::npos)
                << r.out;
        } else {
            EXPECT_EQ(r.code, 0) << r.out;
            EXPECT_EQ(Shell("ffmpeg -nostdin -v error -i '" + movie + "' -map 0 -f null -").out, "");
            EXPECT_NEAR(double(DecodedAudioSamples(movie)), 44100.0, 44100.0 / 25);
        }
    }
}

}  // namespace
}  // namespace trov
