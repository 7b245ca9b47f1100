// Playback: the ALSA "null" device, the preview clip, the asynchronous player, file validation.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "audio/SoundPlayer.h"
#include "audio/WaveTestUtil.h"
#include "infra/UserPrompt.h"
#include "support/RecordingPrompt.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

class CFakeOutput : public CSoundOutput {
public:
    bool Play(const uint8_t* pcm, size_t size, const SWaveFormat& format,
              const std::atomic<bool>* stop) override {
        {
            std::lock_guard lock(mutex);
            played.emplace_back(pcm, pcm + size);
            formats.push_back(format);
        }
        // Stand for a sound that lasts until it is stopped when asked to.
        while (holdUntilStopped && stop && !stop->load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    }
    std::mutex mutex;
    std::vector<std::vector<uint8_t>> played;
    std::vector<SWaveFormat> formats;
    std::atomic<bool> holdUntilStopped{false};
};

TEST(SoundPlayerTest, NullDeviceAcceptsAWholeFile) {
    test::TempDir dir;
    std::string path = dir / "beep.wav";
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), test::Sine16(4410, 2, 880, 44100, 5000)));
    CAlsaSoundOutput null("null");
    EXPECT_TRUE(PlayWaveFile(path, null)) << null.GetLastError();
    CAlsaSoundOutput missing("no_such_device_here");
    EXPECT_FALSE(PlayWaveFile(path, missing));
    EXPECT_FALSE(missing.GetLastError().empty());
    EXPECT_FALSE(PlayWaveFile(dir / "missing.wav", null));
}

TEST(SoundPlayerTest, EightBitFilesAreWidenedBeforePlaying) {
    test::TempDir dir;
    std::string path = dir / "eight.wav";
    test::WriteFileBytes(path, test::PcmWav(PcmWaveFormat(22050, 1, 8), {128, 192, 64}));
    CFakeOutput out;
    ASSERT_TRUE(PlayWaveFile(path, out));
    ASSERT_EQ(out.played.size(), 1u);
    EXPECT_EQ(out.formats[0], PcmWaveFormat(22050, 1, 16));
    EXPECT_EQ(out.played[0], test::Samples16({0, 16384, -16384}));
}

TEST(SoundPlayerTest, PreviewPlaysTwoSecondsFromTheStartTimeAndCleansUp) {
    test::TempDir dir;
    std::string path = dir / "music.wav";
    std::vector<uint8_t> data = test::RampStereo(3 * 44100, 1);
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), data));
    CFakeOutput out;
    ASSERT_TRUE(PlayAudioEntryPreview(path, 2000, true, dir.Path().string(), out));
    ASSERT_EQ(out.played.size(), 1u);
    ASSERT_EQ(out.played[0].size(), 2u * 176400);
    // One second from 2000 ms, then the loop back to the start time.
    EXPECT_EQ(0, std::memcmp(out.played[0].data(), data.data() + 2 * 176400, 176400));
    EXPECT_EQ(0, std::memcmp(out.played[0].data() + 176400, data.data() + 2 * 176400, 176400));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "TempUsed.wav"));
    ASSERT_TRUE(PlayAudioEntryPreview(path, 2000, false, dir.Path().string(), out));
    const auto& quiet = out.played[1];
    EXPECT_TRUE(std::all_of(quiet.begin() + 176400, quiet.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(PlayAudioEntryPreview(dir / "missing.wav", 0, false, dir.Path().string(), out));
}

TEST(SoundPlayerTest, AsynchronousPlayerReplacesAndStopsSounds) {
    test::TempDir dir;
    std::string a = dir / "a.wav", b = dir / "b.wav";
    test::WriteFileBytes(a, test::PcmWav(StandardWaveFormat(), test::Samples16({1, 1})));
    test::WriteFileBytes(b, test::PcmWav(StandardWaveFormat(), test::Samples16({2, 2})));
    CFakeOutput out;
    out.holdUntilStopped = true;
    {
        CSoundPlayer player(out);
        ASSERT_TRUE(player.PlayFile(a));
        for (int i = 0; i < 2000 && !player.IsPlaying(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_TRUE(player.IsPlaying());
        ASSERT_TRUE(player.PlayFile(b));  // stops a, then plays b
        for (int i = 0; i < 2000; ++i) {
            {
                std::lock_guard lock(out.mutex);
                if (out.played.size() == 2) break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        player.Stop();
        for (int i = 0; i < 2000 && player.IsPlaying(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_FALSE(player.IsPlaying());
        EXPECT_FALSE(player.PlayFile(dir / "missing.wav"));
    }  // the destructor ends the thread
    ASSERT_EQ(out.played.size(), 2u);
    EXPECT_EQ(out.played[1], test::Samples16({2, 2}));
}

TEST(SoundPlayerTest, ValidationOfTheEntryFile) {
    test::CTextRecordingPrompt prompt;
    test::TempDir dir;
    std::string good = dir / "good.wav", bad = dir / "bad.wav";
    test::WriteFileBytes(good, test::PcmWav(StandardWaveFormat(), test::Samples16({1, 1})));
    test::WriteFileBytes(bad, "ID3 this is an mp3 file");
    EXPECT_TRUE(ValidateAudioEntryFile("", &prompt));
    EXPECT_TRUE(ValidateAudioEntryFile(good, &prompt));
    EXPECT_FALSE(ValidateAudioEntryFile(bad, &prompt));
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0],
              "Error: Your selected WAV-File seems not to be valid. Please check your file and check if your "
              "file is a "
              "WAV-File.");
}

}  // namespace
}  // namespace trov
