// The audio track: shares, silence, looping, cross-fades, the creation range, normalised copies,
// encoding, coverage markers and the audio-field rules.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "audio/AudioFormats.h"
#include "audio/AudioTrack.h"
#include "audio/ProcessUtil.h"
#include "audio/WaveCache.h"
#include "audio/WaveTestUtil.h"
#include "infra/MessagePipelines.h"
#include "infra/UserPrompt.h"
#include "project/FileCache.h"
#include "support/RecordingPrompt.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::Sample16At;

constexpr int64_t kBytesPerSecond = 176400;

SAudioEntry Entry(int frames, const std::string& file = "", int fade2Next = 0) {
    SAudioEntry e;
    e.showPicture = frames;
    e.fade2Next = fade2Next;
    e.audioFile = file;
    return e;
}

// A constant stereo file of `ms` milliseconds.
std::string ConstantWav(const test::TempDir& dir, const std::string& name, int value, int ms) {
    std::vector<int> v(size_t(ms) * 441 / 10 * 2, value);
    std::string path = dir / name;
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), test::Samples16(v)));
    return path;
}

std::string RampWav(const test::TempDir& dir, const std::string& name, int ms) {
    std::string path = dir / name;
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), test::RampStereo(ms * 441 / 10, 1)));
    return path;
}

// Left sample of the frame at a time in ms of a standard buffer.
int LeftAt(const std::string& bytes, int64_t byteOffset) {
    return Sample16At(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(byteOffset / 2));
}

class AudioTrackTest : public ::testing::Test {
protected:
    // Assembles the entries; returns the track's data bytes.
    std::string Assemble(std::vector<SAudioEntry> entries, SAudioTrackSettings settings = {},
                         CWaveCache* cache = nullptr) {
        std::string path = dir / "track.wav";
        SAudioTrackContext ctx;
        ctx.pipelines = &pipelines;
        ctx.waveCache = cache;
        ctx.prompt = &prompt;
        EXPECT_TRUE(AssembleAudioTrack(entries, settings, path, ctx));
        CWaveFile track;
        EXPECT_TRUE(track.Open(path));
        EXPECT_EQ(*track.GetFormat(), StandardWaveFormat());
        EXPECT_TRUE(track.Load());
        return std::string(
            reinterpret_cast<const char*>(track.GetData() ? track.GetData() : (const uint8_t*)""),
            size_t(track.GetDataSize()));
    }

    class CStatusRecorder : public CMessagePipelineListener {
    public:
        void OnMessage(const std::string&, int32_t) override {}
        void OnMessage(const std::string& pipe, const std::string& text) override {
            if (pipe == "Status") status.push_back(text);
        }
        std::vector<std::string> status;
    };

    void SetUp() override {
        for (const char* name : {pipeline::kStatus, pipeline::kCurrentProgress, pipeline::kMaxProgress}) {
            pipelines.Create(name);
        }
        recorder.deleteWithPipeline = false;
        pipelines.AddListener(pipeline::kStatus, &recorder, false);
        pipelines.AddListener(pipeline::kCurrentProgress, &recorder, false);
        pipelines.AddListener(pipeline::kMaxProgress, &recorder, false);
    }

    test::TempDir dir;
    CStatusRecorder recorder;  // outlives the pipelines that point at it
    CMessagePipelines pipelines;
    test::CTextRecordingPrompt prompt;
};

TEST_F(AudioTrackTest, EntryDurationsFollowTheFramesWithoutDrift) {
    std::vector<SAudioEntry> e = {Entry(25, "", 25), Entry(50, "", 10), Entry(40, "", 99)};
    EXPECT_EQ(ComputeEntryDurations(e, 2, 25.0), (std::vector<int>{2000, 2400, 1600}))
        << "no transition after the last";
    EXPECT_EQ(ComputeEntryDurations(e, 1, 25.0), (std::vector<int>{2000, 2000}));
    // 29.97 fps: every share within a millisecond of its own length, the sum exact.
    std::vector<SAudioEntry> many(100, Entry(7));
    std::vector<int> d = ComputeEntryDurations(many, 99, 29.97);
    int64_t sum = 0;
    for (int ms : d) {
        EXPECT_NEAR(ms, 7000.0 / 29.97, 1.0);
        sum += ms;
    }
    EXPECT_EQ(sum, int64_t(700.0 / 29.97 * 1000.0));
}

TEST_F(AudioTrackTest, NoAudioGivesSilenceForTheWholeMovie) {
    std::string track = Assemble({Entry(25, "", 25), Entry(50, "", 25), Entry(25, "", 25)});
    // 2 + 3 + 1 seconds: the last entry's transition is not part of the movie.
    ASSERT_EQ(int64_t(track.size()), 6 * kBytesPerSecond);
    EXPECT_TRUE(std::all_of(track.begin(), track.end(), [](char c) { return c == 0; }));
}

TEST_F(AudioTrackTest, EachEntryOwnsExactlyItsShare) {
    std::string ramp = RampWav(dir, "ramp.wav", 10000);
    std::string source = test::ReadFileBytes(ramp).substr(44);
    std::string track = Assemble({Entry(50, ramp), Entry(50), Entry(25)});
    ASSERT_EQ(int64_t(track.size()), 5 * kBytesPerSecond);
    EXPECT_EQ(track.substr(0, 352800), source.substr(0, 352800))
        << "entry 0: 50 frames at 25 fps = 352,800 bytes";
    EXPECT_EQ(track, source.substr(0, track.size())) << "the piece plays on under the following entries";
}

TEST_F(AudioTrackTest, ShortPieceLeavesSilenceAndCoverageMarksWhereItEnds) {
    std::string one = RampWav(dir, "one.wav", 1500);
    std::vector<SAudioEntry> entries = {Entry(25, one), Entry(25), Entry(25), Entry(25)};
    std::string track = Assemble(entries);
    ASSERT_EQ(int64_t(track.size()), 4 * kBytesPerSecond);
    const int64_t end = int64_t(1500) * kBytesPerSecond / 1000;
    EXPECT_NE(LeftAt(track, end - 4), 0);
    EXPECT_TRUE(std::all_of(track.begin() + end, track.end(), [](char c) { return c == 0; }));

    UpdateAudioCoverage(entries, 25.0);
    EXPECT_EQ(entries[0].audioFile, one);
    EXPECT_EQ(entries[1].audioFile, kAudioCoverageMarker) << "the piece runs out during entry 1";
    EXPECT_EQ(entries[2].audioFile, "");
    // Recomputing moves nothing and never duplicates the marker.
    UpdateAudioCoverage(entries, 25.0);
    EXPECT_EQ(entries[1].audioFile, kAudioCoverageMarker);
    // Markers are never taken for files.
    track = Assemble(entries);
    EXPECT_EQ(int64_t(track.size()), 4 * kBytesPerSecond);
}

TEST_F(AudioTrackTest, CoverageMarkerRules) {
    std::string one = RampWav(dir, "one.wav", 1000);
    std::string three = RampWav(dir, "three.wav", 3000);
    std::vector<SAudioEntry> entries = {Entry(50, one), Entry(25, three), Entry(25), Entry(25, "", 25),
                                        Entry(25, "", 99)};
    // Piece one (1 s) runs out inside its own entry (2 s): the marker follows its file name.
    // Piece three (3 s) covers entries 1-3 (1 + 1 + 2 s = 4 s > 3 s): the marker lands on entry 3.
    UpdateAudioCoverage(entries, 25.0);
    EXPECT_EQ(entries[0].audioFile, one + kAudioCoverageMarker);
    EXPECT_EQ(entries[3].audioFile, kAudioCoverageMarker);
    UpdateAudioCoverage(entries, 25.0);
    EXPECT_EQ(entries[0].audioFile, one + kAudioCoverageMarker)
        << "stable when the only marker sits on a file";
    entries[1].loop = true;
    UpdateAudioCoverage(entries, 25.0);
    EXPECT_EQ(entries[3].audioFile, "") << "a looping piece never runs out";
    entries[1].loop = false;
    entries[1].audioStartTime = 2500;  // 500 ms left: runs out in entry 1
    UpdateAudioCoverage(entries, 25.0);
    EXPECT_EQ(entries[1].audioFile, three + kAudioCoverageMarker);
    EXPECT_EQ(StripCoverageMarker(entries[1].audioFile), three);
}

TEST_F(AudioTrackTest, LoopingPieceRepeatsFromItsStartTime) {
    std::string ramp = RampWav(dir, "five.wav", 5000);
    std::string source = test::ReadFileBytes(ramp).substr(44);
    SAudioEntry e = Entry(150, ramp);  // 6 s
    e.loop = true;
    e.audioStartTime = 3000;
    std::string track = Assemble({e});
    ASSERT_EQ(int64_t(track.size()), 6 * kBytesPerSecond);
    const std::string tail = source.substr(size_t(3 * kBytesPerSecond), size_t(2 * kBytesPerSecond));
    EXPECT_EQ(track.substr(0, tail.size()), tail);
    EXPECT_EQ(track.substr(tail.size(), tail.size()), tail) << "repeats from 3000 ms, not from 0";
    EXPECT_EQ(track.substr(2 * tail.size()), tail);
}

TEST_F(AudioTrackTest, CrossFadeMixesTheTailWithTheNewHead) {
    std::string a = ConstantWav(dir, "a.wav", 8000, 10000);
    std::string b = ConstantWav(dir, "b.wav", 4000, 10000);
    SAudioEntry second = Entry(50, b);
    second.fadeOption = 3;
    second.fadingTime = 1000;
    std::string track = Assemble({Entry(75, a), second});
    ASSERT_EQ(int64_t(track.size()), 5 * kBytesPerSecond);
    const int64_t mixStart = 2 * kBytesPerSecond;
    EXPECT_EQ(LeftAt(track, mixStart - 4), 8000);
    EXPECT_EQ(LeftAt(track, mixStart), 8000) << "fade-out gain 1, fade-in gain 0";
    // Half-way: 8000 * 0.5 + 4000 * 0.5.
    EXPECT_NEAR(LeftAt(track, mixStart + kBytesPerSecond / 2), 6000, 2);
    EXPECT_NEAR(LeftAt(track, mixStart + kBytesPerSecond - 4), 4000, 2);
    EXPECT_EQ(LeftAt(track, 3 * kBytesPerSecond), 4000) << "then the new piece alone";
    EXPECT_NE(std::find(recorder.status.begin(), recorder.status.end(), a + " (Cross Fading)"),
              recorder.status.end());
    EXPECT_NE(std::find(recorder.status.begin(), recorder.status.end(), a + " (Mixing)"),
              recorder.status.end());
}

TEST_F(AudioTrackTest, NewPieceContinuesAfterTheCrossFade) {
    std::string quiet = ConstantWav(dir, "quiet.wav", 0, 10000);
    std::string ramp = RampWav(dir, "ramp.wav", 10000);
    std::string source = test::ReadFileBytes(ramp).substr(44);
    SAudioEntry second = Entry(50, ramp);
    second.fadeOption = 3;
    second.fadingTime = 1000;
    std::string track = Assemble({Entry(75, quiet), second});
    // Entry 1 starts at 3 s with the new piece at its start time + 1000 ms.
    EXPECT_EQ(track.substr(size_t(3 * kBytesPerSecond)),
              source.substr(size_t(kBytesPerSecond), size_t(2 * kBytesPerSecond)));
}

TEST_F(AudioTrackTest, SynchronisedCrossFadeLastsThePictureFade) {
    std::string a = ConstantWav(dir, "a.wav", 8000, 10000);
    std::string quiet = ConstantWav(dir, "q.wav", 0, 10000);
    SAudioEntry second = Entry(25, quiet);
    second.fadeOption = 3;
    second.fadingTime = 3000;  // ignored: synchronised
    second.synchronize = 1;
    SAudioTrackSettings settings;
    settings.framesPerSecondsSetting = 25;
    std::string track = Assemble({Entry(50, a, 20), second}, settings);
    // Entry 0 lasts 70 frames = 2800 ms; the cross-fade is 20 x 40 ms = 800 ms of it.
    ASSERT_EQ(int64_t(track.size()), int64_t(3800) * kBytesPerSecond / 1000);
    const int64_t start = int64_t(2000) * kBytesPerSecond / 1000;
    EXPECT_EQ(Sample16At(reinterpret_cast<const uint8_t*>(track.data()), size_t(start / 2) - 1), 8000);
    EXPECT_EQ(Sample16At(reinterpret_cast<const uint8_t*>(track.data()), size_t(start / 2)), 8000);
    EXPECT_LT(Sample16At(reinterpret_cast<const uint8_t*>(track.data()), size_t(start / 2) + 1), 8000);
    EXPECT_EQ(LeftAt(track, int64_t(2800) * kBytesPerSecond / 1000), 0);
}

TEST_F(AudioTrackTest, LeadInStartsTheFirstPieceEarlyWithAFadeIn) {
    std::string a = ConstantWav(dir, "a.wav", 8000, 10000);
    SAudioEntry first = Entry(25, a);
    first.fadeOption = 3;
    first.fadingTime = 500;
    std::string track = Assemble({Entry(50), first});
    ASSERT_EQ(int64_t(track.size()), 3 * kBytesPerSecond) << "the total stays the movie's length";
    const int64_t leadStart = int64_t(1500) * kBytesPerSecond / 1000;
    EXPECT_EQ(LeftAt(track, leadStart - 4), 0);
    EXPECT_EQ(LeftAt(track, leadStart), 0);
    EXPECT_NEAR(LeftAt(track, leadStart + kBytesPerSecond / 4), 4000, 2);
    EXPECT_EQ(LeftAt(track, 2 * kBytesPerSecond), 8000);
}

TEST_F(AudioTrackTest, FadeInAndFadeOutOptions) {
    std::string a = ConstantWav(dir, "a.wav", 8000, 10000);
    SAudioEntry e = Entry(50, a);
    e.fadeOption = 1;
    e.fadingTime = 1000;
    std::string track = Assemble({e});
    EXPECT_EQ(LeftAt(track, 0), 0);
    EXPECT_NEAR(LeftAt(track, kBytesPerSecond / 2), 4000, 2);
    EXPECT_EQ(LeftAt(track, kBytesPerSecond), 8000);
    e.fadeOption = 2;
    track = Assemble({e});
    EXPECT_EQ(LeftAt(track, kBytesPerSecond - 4), 8000);
    EXPECT_NEAR(LeftAt(track, kBytesPerSecond * 3 / 2), 4000, 2);
    EXPECT_LT(LeftAt(track, 2 * kBytesPerSecond - 4), 20);
}

TEST_F(AudioTrackTest, CreationRangeKeepsThePiecesPositions) {
    std::string ramp = RampWav(dir, "ramp.wav", 10000);
    std::string source = test::ReadFileBytes(ramp).substr(44);
    std::vector<SAudioEntry> entries = {Entry(25, ramp), Entry(25), Entry(25),
                                        Entry(25),       Entry(25), Entry(25)};
    SAudioTrackSettings settings;
    settings.firstEntry = 3;
    settings.lastEntry = 4;
    std::string track = Assemble(entries, settings);
    ASSERT_EQ(int64_t(track.size()), 2 * kBytesPerSecond);
    EXPECT_EQ(track, source.substr(size_t(3 * kBytesPerSecond), size_t(2 * kBytesPerSecond)));
}

TEST_F(AudioTrackTest, MonoSourceAt22050IsConvertedWithItsDurationKept) {
    std::string path = dir / "mono.wav";
    test::WriteFileBytes(
        path, test::PcmWav(PcmWaveFormat(22050, 1, 16), test::Sine16(22050 * 4, 1, 441.0, 22050.0, 9000.0)));
    std::string track = Assemble({Entry(50, path), Entry(25)});
    ASSERT_EQ(int64_t(track.size()), 3 * kBytesPerSecond);
    const uint8_t* t = reinterpret_cast<const uint8_t*>(track.data());
    // The resampler holds a few samples back, so the piece starts that much later (under 1 ms).
    int bestLag = -1;
    double bestError = 1e18;
    for (int lag = 0; lag <= 64; ++lag) {
        double error = 0;
        for (size_t f = 2000; f < 6000; ++f) {
            double expected = 9000.0 * std::sin(2.0 * M_PI * 441.0 * double(f - size_t(lag)) / 44100.0);
            error += std::abs(Sample16At(t, 2 * f) - expected);
        }
        if (error < bestError) bestError = error, bestLag = lag;
    }
    EXPECT_LE(bestLag, 44) << "less than a millisecond late";
    for (size_t f = 2000; f < size_t(3 * 44100) - 100; f += 97) {
        ASSERT_EQ(Sample16At(t, 2 * f), Sample16At(t, 2 * f + 1)) << f;
        double expected = 9000.0 * std::sin(2.0 * M_PI * 441.0 * double(f - size_t(bestLag)) / 44100.0);
        ASSERT_NEAR(Sample16At(t, 2 * f), expected, 200.0) << "frame " << f;
    }
}

TEST_F(AudioTrackTest, NormalisedCopyIsMadeOnceAndPlayedWhereverTheFileIs) {
    std::string half = ConstantWav(dir, "half.wav", 8192, 3000);
    CFileCache files;
    std::filesystem::create_directories(dir.Path() / "cache");
    files.SetDirectory((dir.Path() / "cache").string());
    CWaveCache cache(files, &pipelines);
    SAudioEntry e = Entry(25, half);
    e.normalize = true;
    SAudioEntry again = Entry(25, half);  // same file, no normalise flag: still the copy
    std::string track = Assemble({e, Entry(25, ConstantWav(dir, "x.wav", 5, 3000)), again}, {}, &cache);
    // Gain 32767 / 8192 stored with six decimals (3.999878): 8192 lands on full scale.
    EXPECT_EQ(LeftAt(track, 0), 32767);
    EXPECT_EQ(LeftAt(track, 2 * kBytesPerSecond), 32767);
    EXPECT_EQ(LeftAt(track, kBytesPerSecond), 5) << "the other file is untouched";
    ASSERT_TRUE(cache.Lookup(half).has_value());
    EXPECT_EQ(*cache.Lookup(half), files.MakePath("wav_" + CFileCache::KeyDigest(half)));
    EXPECT_EQ(files.GetFileCount(), 1);
    EXPECT_NE(std::find(recorder.status.begin(), recorder.status.end(),
                        "Peak search: " + half + " ... (Please wait!)"),
              recorder.status.end());
    recorder.status.clear();
    Assemble({e}, {}, &cache);
    EXPECT_EQ(files.GetFileCount(), 1) << "made once";
    EXPECT_TRUE(std::none_of(recorder.status.begin(), recorder.status.end(),
                             [](const std::string& s) { return s.rfind("Peak search", 0) == 0; }));
}

TEST_F(AudioTrackTest, UnreadableSourceStopsWithTheMessageAndLeavesNoTrackFile) {
    std::string missing = dir / "missing.wav";
    std::vector<SAudioEntry> entries = {Entry(25), Entry(25, missing)};
    SAudioTrackSettings settings;
    settings.tempDir = dir.Path().string();
    class CNullSink : public CAudioTrackSink {
    public:
        bool WriteAudio(const EncodedAudio&) override {
            ++blocks;
            return true;
        }
        int blocks = 0;
    } sink;
    SAudioTrackContext ctx;
    ctx.prompt = &prompt;
    EXPECT_FALSE(CreateAudioTrack(entries, settings, sink, ctx));
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0], "Error: Can\xC2\xB4t open " + missing + ". Please check this file!");
    EXPECT_EQ(sink.blocks, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / TrackFileName()));
}

// Collects what the encoder hands over.
class CCollectingSink : public CAudioTrackSink {
public:
    bool WriteAudio(const EncodedAudio& block) override {
        bytes.insert(bytes.end(), block.bytes.begin(), block.bytes.end());
        size_t sum = 0;
        for (uint32_t s : block.packetSizes) sum += s;
        if (!block.packetSizes.empty() && sum != block.bytes.size()) consistent = false;
        packets += block.packetSizes.size();
        for (uint32_t s : block.packetSamples) samples += s;
        ++blocks;
        return true;
    }
    std::vector<uint8_t> bytes;
    size_t packets = 0;
    int64_t samples = 0;
    int blocks = 0;
    bool consistent = true;
};

TEST_F(AudioTrackTest, EncodesInOneSecondBlocksIntoTheOutputFormat) {
    std::string a = RampWav(dir, "a.wav", 5000);
    std::vector<SAudioEntry> entries = {Entry(40, a), Entry(35)};  // 3 s
    SAudioTrackSettings settings;
    settings.tempDir = dir.Path().string();
    SAudioTrackContext ctx;
    ctx.prompt = &prompt;
    ctx.pipelines = &pipelines;
    {
        std::lock_guard lock(GetAudioSlotMutex());
        GetAudioFormatSlot(kOutputAudioSlot).format = StandardWaveFormat();
    }
    CCollectingSink pcm;
    ASSERT_TRUE(CreateAudioTrack(entries, settings, pcm, ctx));
    EXPECT_EQ(pcm.blocks, 3);
    ASSERT_EQ(int64_t(pcm.bytes.size()), 3 * kBytesPerSecond);
    EXPECT_EQ(0, std::memcmp(pcm.bytes.data(), test::ReadFileBytes(a).data() + 44, pcm.bytes.size()));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / TrackFileName())) << "the track file is deleted";
    EXPECT_NE(std::find(recorder.status.begin(), recorder.status.end(),
                        "Encoding Audio Stream... (2000 ms - 3000 ms)"),
              recorder.status.end());

    if (EncoderNameForTag(kWaveFormatMpegLayer3).empty()) return;
    SAudioFormatChoice mp3;
    ASSERT_TRUE(
        FindAudioFormatByDescription(kWaveFormatMpegLayer3, "128 kBit/s, 44,100 Hz, Stereo", {}, mp3));
    {
        std::lock_guard lock(GetAudioSlotMutex());
        GetAudioFormatSlot(kOutputAudioSlot).format = mp3.format;
    }
    CCollectingSink sink;
    ASSERT_TRUE(CreateAudioTrack(entries, settings, sink, ctx));
    EXPECT_TRUE(sink.consistent);
    EXPECT_EQ(sink.packets, size_t((3 * 44100 + 1151) / 1152));
    // The priming takes the place of the track's first samples: 3 s in all, the last packet short.
    EXPECT_GE(sink.samples, 3 * 44100);
    EXPECT_LT(sink.samples, 3 * 44100 + 1152);
    std::string file = dir / "track.mp3";
    test::WriteFileBytes(file, std::string(sink.bytes.begin(), sink.bytes.end()));
    EXPECT_EQ(test::DecodeErrors(file), "");
    EXPECT_NEAR(std::stod(test::ProbeStream(file, "a", "duration")), 3.0, 0.04);
    {
        std::lock_guard lock(GetAudioSlotMutex());
        GetAudioFormatSlot(kOutputAudioSlot) = SAudioFormatSlot();
    }
}

TEST_F(AudioTrackTest, CancelStopsAndDeletesTheTrackFile) {
    std::string a = RampWav(dir, "a.wav", 5000);
    std::vector<SAudioEntry> entries = {Entry(40, a), Entry(35)};
    SAudioTrackSettings settings;
    settings.tempDir = dir.Path().string();
    SAudioTrackContext ctx;
    ctx.isCancelled = [] { return true; };
    CCollectingSink sink;
    CreateAudioTrack(entries, settings, sink, ctx);
    EXPECT_EQ(sink.blocks, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / TrackFileName()));
}

TEST(AudioFieldRulesTest, ConsistencyOfFadingTimesAndOptions) {
    std::vector<SAudioEntry> e = {Entry(50, "", 20), Entry(25, "b.wav", 10), Entry(25, "c.wav", 10)};
    e[0].fadeOption = 1;
    e[1].fadeOption = 3;
    e[1].synchronize = 1;
    e[1].fadingTime = 5;
    ApplyAudioFieldRules(e, 1, 25);
    EXPECT_EQ(e[1].fadingTime, 800) << "synchronised: 40 ms x 20 frames";
    EXPECT_EQ(e[0].fadeOption, -1) << "a cross-fade leaves no fade on the previous entry";
    e[1].synchronize = 0;
    e[1].fadingTime = 99999;
    ApplyAudioFieldRules(e, 1, 25);
    EXPECT_EQ(e[1].fadingTime, 40 * 70) << "limited to the previous entry's frames";
    e[2].fadeOption = 2;
    e[2].fadingTime = 99999;
    ApplyAudioFieldRules(e, 2, 25);
    EXPECT_EQ(e[2].fadingTime, 40 * 25) << "the last entry's transition does not count";
    e[1].fadeOption = 1;
    e[1].fadingTime = 99999;
    ApplyAudioFieldRules(e, 1, 25);
    EXPECT_EQ(e[1].fadingTime, 40 * 35);
    ApplyAudioFieldRules(e, 7, 25);  // out of range: nothing
    EXPECT_EQ(FadeOptionText(1), "Fade in");
    EXPECT_EQ(FadeOptionText(2), "Fade out");
    EXPECT_EQ(FadeOptionText(3), "Mix");
    EXPECT_EQ(FadeOptionText(-1), "");
    EXPECT_EQ(MillisecondsText(250), "250 ms");
}

// Each process assembles its track under a name of its own; a killed run's file of any process
// is still known as one at the next start.
TEST(AudioTrackFile, EachProcessHasItsOwnNameAndEveryLeftoverIsRecognised) {
    const std::string mine = TrackFileName();
    EXPECT_EQ(mine, "_TempWave4Compression-" + std::to_string(::getpid()) + ".wav");
    EXPECT_NE(mine, kTrackFileName);
    EXPECT_TRUE(IsTrackFileName(mine));
    EXPECT_TRUE(IsTrackFileName(kTrackFileName));
    EXPECT_TRUE(IsTrackFileName("_TempWave4Compression-4242.wav"));
    for (const char* other :
         {"_TempWave4Compression-.wav", "_TempWave4Compression-12a.wav", "_TempWave4Compression-12.wav.bak",
          "_TempWave4Compression12.wav", "music.wav", "wav_0123456789abcdef0123456789abcdef"})
        EXPECT_FALSE(IsTrackFileName(other)) << other;
}

}  // namespace
}  // namespace trov
