// What the synchronisation prepares and plays: preview pictures in the picture cache, preview WAVs
// cut from the piece's start, the cut that starts a piece part-way, looping playback from memory,
// and a run without a sound device.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "audio/SoundPlayer.h"
#include "audio/WaveFile.h"
#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "imaging/PictureTools.h"
#include "project/FileCache.h"
#include "support/TestSupport.h"
#include "ui/SyncPreprocessing.h"

namespace fs = std::filesystem;

namespace trov {
namespace {

// ms of 16-bit mono PCM at 8000 Hz whose sample i is i % 1000 (so where a cut starts shows).
void WriteRamp(const std::string& path, int ms) {
    CWaveFile wave;
    ASSERT_TRUE(wave.Create(path, PcmWaveFormat(8000, 1, 16)));
    std::vector<uint8_t> pcm;
    for (int i = 0; i < ms * 8; ++i) {
        int v = i % 1000;
        pcm.push_back(uint8_t(v & 255));
        pcm.push_back(uint8_t((v >> 8) & 255));
    }
    wave.WriteBytes(pcm.data(), pcm.size());
    ASSERT_TRUE(wave.Close());
}

int LengthMs(const std::string& path) {
    CWaveFile wave;
    return wave.Open(path) ? wave.GetLengthMs() : -1;
}

int FirstSample(const std::string& path) {
    CWaveFile wave;
    if (!wave.Open(path) || !wave.Load() || wave.GetDataSize() < 2) return -1;
    return int16_t(wave.GetData()[0] | (wave.GetData()[1] << 8));
}

// Records the sound the player hands over; each Play lasts a few ms so loops can be counted.
class RecordingOutput : public CSoundOutput {
public:
    bool Play(const uint8_t* pcm, size_t size, const SWaveFormat& format,
              const std::atomic<bool>* stop) override {
        {
            std::lock_guard lock(mutex);
            sizes.push_back(size);
            firstSample = size >= 2 ? int16_t(pcm[0] | (pcm[1] << 8)) : -1;
            rate = int(format.samplesPerSec);
        }
        for (int i = 0; i < 5 && !(stop && stop->load()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return works;
    }
    bool CanPlay(const SWaveFormat&, std::string* why) override {
        if (!works && why) *why = "no device";
        return works;
    }
    size_t Plays() {
        std::lock_guard lock(mutex);
        return sizes.size();
    }
    std::mutex mutex;
    std::vector<size_t> sizes;
    int firstSample = -1;
    int rate = 0;
    bool works = true;
};

template <class F>
bool WaitFor(F condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    return false;
}

SSyncEntry AudioEntry(const std::string& file, int start, int fading = 0, int option = -1,
                      bool loop = false) {
    SSyncEntry e;
    e.audioFile = file;
    e.audioStartTime = start;
    e.audioFadingTime = fading;
    e.fadeOption = option;
    e.loopAudio = loop;
    e.fileName = file;
    return e;
}

TEST(SyncPreprocessingTest, PreviewWavesAreNamedByEveryAudioFieldAndStartAtTheStartTime) {
    test::TempDir dir;
    const std::string song = dir / "song.wav";
    WriteRamp(song, 2000);
    SSyncEntry plain = AudioEntry(song, 500);
    EXPECT_EQ(PreviewWaveKey(plain), song + "#500#0#0#-1#0");
    SSyncEntry mixing = AudioEntry(song, 500, 300, 3, true);
    EXPECT_EQ(PreviewWaveKey(mixing), song + "#500#300#0#3#1");
    const std::string a = PreviewWavePath(dir.Path().string(), plain);
    const std::string b = PreviewWavePath(dir.Path().string(), mixing);
    EXPECT_EQ(fs::path(a).filename().string(), "wav_" + CFileCache::KeyDigest(PreviewWaveKey(plain)));
    EXPECT_NE(a, b);

    std::string error;
    ASSERT_TRUE(MakePreviewWave(plain, a, dir.Path().string(), error)) << error;
    EXPECT_EQ(LengthMs(a), 1500);
    EXPECT_EQ(FirstSample(a), 4000 % 1000);  // sample 4000 = 500 ms
    // A mixing piece starts after its fading time as well.
    ASSERT_TRUE(MakePreviewWave(mixing, b, dir.Path().string(), error)) << error;
    EXPECT_EQ(LengthMs(b), 1200);
    EXPECT_EQ(FirstSample(b), 6400 % 1000);
    EXPECT_FALSE(fs::exists(b + ".part"));
    // Made again over an existing preview (a changed source), the new content replaces it whole.
    WriteRamp(song, 1000);
    ASSERT_TRUE(MakePreviewWave(plain, a, dir.Path().string(), error)) << error;
    EXPECT_EQ(LengthMs(a), 500);

    // A file that is no audio gives a reason and no file.
    test::WriteFileBytes(dir / "bad.wav", "RIFF....WAVEjunk");
    SSyncEntry bad = AudioEntry(dir / "bad.wav", 0);
    EXPECT_FALSE(MakePreviewWave(bad, dir / "out.wav", dir.Path().string(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir / "out.wav"));
}

TEST(SyncPreprocessingTest, PreprocessingFillsBothCachesCountsWhatItCannotReadAndCanBeCancelled) {
    test::TempDir home;
    CTROVManager manager;
    manager.Initialize(home.Path().string());
    CPictureTools tools;
    const std::string picture = home / "p.bmp";
    ASSERT_TRUE(tools.CreatePicture(64, 32, MakeColour(200, 10, 10))->SaveFile(picture));
    const std::string song = home / "song.wav";
    WriteRamp(song, 1000);
    test::WriteFileBytes(home / "broken.bmp", "BM nothing here");
    manager.AddFiles({picture});
    ASSERT_EQ(manager.GetObjectCount(), 1);
    manager.GetObject(0)->audioFile = song;
    CProjectObject broken = *manager.GetObject(0);
    broken.SetFileName(home / "broken.bmp");
    broken.audioFile.clear();

    CSyncPreprocessor::SInputs in;
    in.objects = {*manager.GetObject(0), broken};
    in.entries = SyncEntriesFromProject(manager, nullptr);
    in.entries.push_back(in.entries[0]);
    in.entries[1].audioFile.clear();
    in.preparation = &manager.GetCreation().GetPicturePreparation();
    in.waveCache = &manager.GetWaveCache();
    in.pipelines = &manager.GetPipelines();
    in.tempDirectory = manager.GetTempDirectory();
    in.quality = manager.GetQuality();
    CSyncPreprocessor job(in);
    EXPECT_TRUE(job.Run());
    EXPECT_EQ(job.Position(), 2);
    EXPECT_EQ(job.Status(), synctext::kDone);
    EXPECT_EQ(job.MissingPictures(), 1);
    EXPECT_EQ(job.MissingWaves(), 0);
    auto wave = manager.GetWaveCache().Lookup(PreviewWaveKey(in.entries[0]));
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(LengthMs(*wave), 1000);
    // The preview picture is in the picture cache at 180 x 135 now.
    auto preview = SyncPreviewPicture(manager.GetCreation().GetPicturePreparation(), in.objects[0],
                                      manager.GetQuality());
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->GetWidth(), kSyncPreviewWidth);
    EXPECT_EQ(preview->GetHeight(), kSyncPreviewHeight);
    EXPECT_GT(manager.GetPictureCache().GetIndexSize(), 0u);

    CSyncPreprocessor cancelled(in);
    cancelled.Cancel();
    EXPECT_FALSE(cancelled.Run());
    EXPECT_EQ(cancelled.Status(), synctext::kCanceled);
    EXPECT_EQ(cancelled.Position(), 0);
}

TEST(SyncPreprocessingTest, ThePlayerCutsPartWayStartsLoopsAndPurges) {
    test::TempDir dir;
    CFileCache cache;
    cache.SetDirectory(dir.Path().string());
    const std::string song = dir / "song.wav";
    WriteRamp(song, 1000);
    std::vector<SSyncEntry> entries{AudioEntry(song, 0), AudioEntry(song, 0, 0, -1, true), SSyncEntry()};
    for (int i = 0; i < 2; ++i) {
        const std::string path = PreviewWavePath(dir.Path().string(), entries[size_t(i)]);
        std::string error;
        ASSERT_TRUE(MakePreviewWave(entries[size_t(i)], path, dir.Path().string(), error));
        cache.Add(PreviewWaveKey(entries[size_t(i)]), path);
    }
    RecordingOutput output;
    CSyncAudioPlayer player(entries, cache, output);
    std::string why;
    EXPECT_TRUE(player.CheckOutput(why));

    ASSERT_TRUE(player.Play(0, 250));
    ASSERT_TRUE(WaitFor([&] { return output.Plays() >= 1; }));
    {
        std::lock_guard lock(output.mutex);
        EXPECT_EQ(output.sizes[0], size_t(750 * 8 * 2)) << "from 250 ms to the end";
        EXPECT_EQ(output.firstSample, 2000 % 1000);
        EXPECT_EQ(output.rate, 8000);
    }
    EXPECT_FALSE(fs::exists(dir / kSyncCutFile)) << "the cut is deleted once it is in memory";
    EXPECT_EQ(player.Outline(0).lengthMs, 1000);

    // The looping piece starts again and again until it is purged.
    ASSERT_TRUE(player.Play(1, 0));
    ASSERT_TRUE(WaitFor([&] { return output.Plays() >= 4; }));
    player.Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    size_t after = output.Plays();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(output.Plays(), after);
    // An entry without a preview plays nothing.
    EXPECT_FALSE(player.Play(2, 0));
}

TEST(SyncPreprocessingTest, WithoutASoundDeviceTheOutputSaysWhyAndPlayReportsIt) {
    test::TempDir dir;
    CFileCache cache;
    cache.SetDirectory(dir.Path().string());
    const std::string song = dir / "song.wav";
    WriteRamp(song, 300);
    std::vector<SSyncEntry> entries{AudioEntry(song, 0)};
    std::string error;
    const std::string path = PreviewWavePath(dir.Path().string(), entries[0]);
    ASSERT_TRUE(MakePreviewWave(entries[0], path, dir.Path().string(), error));
    cache.Add(PreviewWaveKey(entries[0]), path);

    // A device name ALSA does not know, as on a machine without sound.
    CAlsaSoundOutput missing("trov_no_such_device");
    CSyncAudioPlayer player(entries, cache, missing);
    std::string why;
    EXPECT_FALSE(player.CheckOutput(why));
    EXPECT_NE(why.find("trov_no_such_device"), std::string::npos) << why;
    EXPECT_FALSE(player.Play(0, 0));

    // The run is timed by the clock all the same.
    CSynchronizeModel model(entries, 25.0f, &player);
    ASSERT_TRUE(model.Start(0, 0, 1000));
    EXPECT_FALSE(model.SoundWorked());
    ASSERT_TRUE(model.NextPicture(3000));
    EXPECT_EQ(model.Durations(), (std::vector<int64_t>{2000}));
}

TEST(SyncPreprocessingTest, TheOutlineHoldsTheLoudestSampleOfEveryBucket) {
    // 8000 Hz mono, 10 ms buckets of 80 samples: 100 ms full scale, 50 ms half scale, 50 ms silence.
    std::vector<uint8_t> pcm;
    for (int i = 0; i < 1600; ++i) {
        int v = i < 800 ? 32767 : (i < 1200 ? -16384 : 0);
        pcm.push_back(uint8_t(v & 255));
        pcm.push_back(uint8_t((v >> 8) & 255));
    }
    SWaveOutline o = OutlineOfPcm16(pcm.data(), pcm.size(), 1, 8000);
    EXPECT_EQ(o.lengthMs, 200);
    ASSERT_EQ(o.peaks.size(), 20u);
    EXPECT_EQ(o.peaks[0], 255);
    EXPECT_EQ(o.peaks[9], 255);
    EXPECT_EQ(o.peaks[10], 127);
    EXPECT_EQ(o.peaks[19], 0);
    EXPECT_TRUE(OutlineOfPcm16(nullptr, 0, 1, 8000).peaks.empty());
}

}  // namespace
}  // namespace trov
