// The synchronisation run driven by a fake clock (the ms handed to each call), and the arithmetic
// that turns the recorded times into frame counts.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ui/SynchronizeModel.h"

namespace trov {
namespace {

// Records what the run asked to play.
class FakeSound : public CSyncSound {
public:
    bool Play(int entry, int offsetMs) override {
        played.push_back({entry, offsetMs});
        return works;
    }
    void Stop() override { ++stops; }
    std::vector<std::pair<int, int>> played;
    int stops = 0;
    bool works = true;
};

SSyncEntry Entry(int fadeIn, int show, int fadeOut, int fade2Next, std::string audio = {}) {
    SSyncEntry e;
    e.textFadeIn = fadeIn;
    e.showPicture = show;
    e.textFadeOut = fadeOut;
    e.fade2Next = fade2Next;
    e.audioFile = std::move(audio);
    return e;
}

TEST(SynchronizeModelTest, PressesAfter2000And3010MsGiveCumulativeFrames50And125At25Fps) {
    std::vector<SSyncEntry> entries{Entry(0, 1, 0, 10, "a.wav"), Entry(2, 1, 3, 10), Entry(0, 1, 0, 10)};
    FakeSound sound;
    CSynchronizeModel model(entries, 25.0f, &sound);
    const int64_t t0 = 987654;  // any clock reading: the run counts from its start
    ASSERT_TRUE(model.Start(0, 2, t0));
    EXPECT_EQ(sound.played, (std::vector<std::pair<int, int>>{{0, 0}}));
    model.Tick(t0 + 1000);
    EXPECT_EQ(model.CurrentTimeMs(), 1000);
    EXPECT_EQ(model.PictureTimeMs(), 1000);
    ASSERT_TRUE(model.NextPicture(t0 + 2000));
    ASSERT_TRUE(model.NextPicture(t0 + 5010));
    EXPECT_EQ(model.Durations(), (std::vector<int64_t>{2000, 3010}));
    EXPECT_EQ(model.PressTimes(), (std::vector<int64_t>{2000, 5010}));
    EXPECT_EQ(model.CurrentIndex(), 2);

    std::vector<SSyncFrames> f = model.Apply();
    ASSERT_EQ(f.size(), 2u);
    // 50 frames up to the first press, rnd(5010 / 40) = 125 up to the second.
    EXPECT_EQ(f[0].showPicture, 40);
    EXPECT_EQ(f[0].textFadeIn + f[0].showPicture + f[0].textFadeOut + f[0].fade2Next, 50);
    EXPECT_EQ(f[1].showPicture, 75 - 15);
    EXPECT_EQ(f[1].textFadeIn + f[1].showPicture + f[1].textFadeOut + f[1].fade2Next, 75);
    EXPECT_EQ(f[1].textFadeIn, 2);
    EXPECT_EQ(f[1].textFadeOut, 3);
}

TEST(SynchronizeModelTest, CumulativeRoundingKeepsEveryPictureWithinHalfAFrameOfItsPress) {
    // 30 fps: 33.33 ms a frame. Truncating every duration would lose a frame every few pictures.
    std::vector<SSyncEntry> entries(40, Entry(0, 0, 0, 0));
    std::vector<int64_t> durations(39, 1010);
    std::vector<SSyncFrames> f = CSynchronizeModel::ApplyDurations(entries, 0, durations, 30.0f);
    ASSERT_EQ(f.size(), 39u);
    long long frames = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        frames += f[i].showPicture;
        double pressMs = 1010.0 * double(i + 1);
        EXPECT_LE(std::abs(frames * (1000.0 / 30.0) - pressMs), 1000.0 / 60.0 + 1e-3) << i;
    }
}

TEST(SynchronizeModelTest, ADurationShorterThanTheFadesTakesCaptionFadesInTurnThenTheTransition) {
    // 25 fps: 200 ms = 5 frames against 5 + 3 + 10 frames of fades.
    std::vector<SSyncEntry> entries{Entry(5, 40, 3, 10), Entry(0, 1, 0, 0)};
    std::vector<SSyncFrames> f = CSynchronizeModel::ApplyDurations(entries, 0, {200}, 25.0f);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].textFadeIn, 0);
    EXPECT_EQ(f[0].textFadeOut, 0);
    EXPECT_EQ(f[0].fade2Next, 5);
    EXPECT_EQ(f[0].showPicture, 0);

    // 600 ms = 15 frames: three frames short, taken in, out, in.
    f = CSynchronizeModel::ApplyDurations(entries, 0, {600}, 25.0f);
    EXPECT_EQ(f[0].textFadeIn, 3);
    EXPECT_EQ(f[0].textFadeOut, 2);
    EXPECT_EQ(f[0].fade2Next, 10);
    EXPECT_EQ(f[0].showPicture, 0);

    // A press at once: everything gives way and ShowPicture stays 0, never negative.
    f = CSynchronizeModel::ApplyDurations(entries, 0, {0}, 25.0f);
    EXPECT_EQ(f[0].textFadeIn + f[0].textFadeOut + f[0].fade2Next + f[0].showPicture, 0);
}

TEST(SynchronizeModelTest, TheLastEntryKeepsItsTransitionOutOfTheCount) {
    std::vector<SSyncEntry> entries{Entry(0, 1, 0, 10), Entry(2, 1, 2, 30)};
    std::vector<SSyncFrames> f = CSynchronizeModel::ApplyDurations(entries, 1, {400}, 25.0f);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].index, 1);
    EXPECT_EQ(f[0].fade2Next, 30);
    EXPECT_EQ(f[0].showPicture, 10 - 4);
    // Durations past the end of the list are dropped; a rate of 0 counts 40 ms a frame.
    f = CSynchronizeModel::ApplyDurations(entries, 1, {400, 400, 400}, 0.0f);
    EXPECT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].showPicture, 6);
}

TEST(SynchronizeModelTest, AnEndBelowTheStartIsRaisedAndTheRunEndsAfterThatEntry) {
    std::vector<SSyncEntry> entries(5, Entry(0, 1, 0, 0, "a.wav"));
    FakeSound sound;
    CSynchronizeModel model(entries, 25.0f, &sound);
    EXPECT_FALSE(model.Start(7, 9, 0)) << "a start past the list";
    ASSERT_TRUE(model.Start(3, 1, 0));
    EXPECT_EQ(model.StartPosition(), 3);
    EXPECT_EQ(model.EndPosition(), 3);
    EXPECT_TRUE(model.NextPicture(500));
    EXPECT_FALSE(model.IsRunning());
    EXPECT_EQ(model.CurrentIndex(), -1);
    EXPECT_EQ(sound.stops, 1) << "the music stops with the run";
    EXPECT_FALSE(model.NextPicture(600));
    EXPECT_EQ(model.Durations(), (std::vector<int64_t>{500}));
}

TEST(SynchronizeModelTest, AStartWithoutAudioPlaysTheEarlierPieceFromWhereItWouldBe) {
    // 30 fps; entries 1 and 2 (11 + 20 frames) lie between the piece of entry 1 and the start at 3.
    std::vector<SSyncEntry> entries{Entry(0, 5, 0, 0, "first.wav"), Entry(1, 5, 2, 3, "second.wav"),
                                    Entry(0, 15, 0, 5), Entry(0, 5, 0, 0), Entry(0, 5, 0, 0, "third.wav")};
    FakeSound sound;
    CSynchronizeModel model(entries, 30.0f, &sound);
    int piece = 0;
    EXPECT_EQ(model.WalkBackOffset(3, piece), 1033);  // rnd(31 x 1000 / 30)
    EXPECT_EQ(piece, 1);
    ASSERT_TRUE(model.Start(3, 4, 100));
    EXPECT_EQ(sound.played, (std::vector<std::pair<int, int>>{{1, 1033}}));
    // The next entry with audio plays its own piece from the beginning.
    ASSERT_TRUE(model.NextPicture(1100));
    EXPECT_EQ(sound.played.back(), (std::pair<int, int>{4, 0}));
    std::vector<SSyncPiece> pieces = model.Pieces();
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[1].runTimeMs, 1000);

    // Nothing earlier has audio: the run starts in silence.
    std::vector<SSyncEntry> silent{Entry(0, 5, 0, 0), Entry(0, 5, 0, 0)};
    FakeSound quiet;
    CSynchronizeModel none(silent, 25.0f, &quiet);
    EXPECT_EQ(none.WalkBackOffset(1, piece), 0);
    EXPECT_EQ(piece, -1);
    ASSERT_TRUE(none.Start(1, 1, 0));
    EXPECT_TRUE(quiet.played.empty());
}

TEST(SynchronizeModelTest, AClipAdvancesByItselfAfterItsDurationAndRefusesPresses) {
    std::vector<SSyncEntry> entries{Entry(0, 5, 0, 0, "a.wav"), Entry(0, 49, 0, 0), Entry(0, 5, 0, 0)};
    entries[1].isClip = true;
    entries[1].clipFrames = 50;  // 2000 ms at 25 fps
    FakeSound sound;
    CSynchronizeModel model(entries, 25.0f, &sound);
    ASSERT_TRUE(model.Start(0, 2, 0));
    ASSERT_TRUE(model.NextPicture(1000));
    EXPECT_TRUE(model.AutoAdvance());
    EXPECT_FALSE(model.NextEnabled());
    EXPECT_FALSE(model.NextPicture(1500)) << "a clip takes no press";
    EXPECT_FALSE(model.Tick(2998));
    EXPECT_EQ(model.CurrentIndex(), 1);
    // The tick that notices the end comes a little late; the clip still gets exactly its length.
    EXPECT_TRUE(model.Tick(3003));
    EXPECT_EQ(model.CurrentIndex(), 2);
    EXPECT_FALSE(model.AutoAdvance());
    EXPECT_TRUE(model.NextEnabled());
    EXPECT_EQ(model.PictureTimeMs(), 3);
    ASSERT_TRUE(model.NextPicture(4000));
    EXPECT_EQ(model.Durations(), (std::vector<int64_t>{1000, 2000, 1000}));
}

TEST(SynchronizeModelTest, APressBeforeAMixingEntrysFadingTimeIsIgnored) {
    std::vector<SSyncEntry> entries{Entry(0, 5, 0, 0, "a.wav"), Entry(0, 5, 0, 0, "b.wav"),
                                    Entry(0, 5, 0, 0)};
    entries[1].fadeOption = 3;
    entries[1].audioFadingTime = 1500;
    FakeSound sound;
    CSynchronizeModel model(entries, 25.0f, &sound);
    ASSERT_TRUE(model.Start(0, 2, 0));
    model.Tick(1000);
    EXPECT_FALSE(model.NextEnabled());
    EXPECT_FALSE(model.NextPicture(1200));
    EXPECT_TRUE(model.Durations().empty());
    model.Tick(1500);
    EXPECT_TRUE(model.NextEnabled());
    EXPECT_TRUE(model.NextPicture(1600));
    // Entry 2 does not mix: a press right away counts.
    EXPECT_TRUE(model.NextPicture(1610));
    EXPECT_EQ(model.Durations(), (std::vector<int64_t>{1600, 10}));
}

TEST(SynchronizeModelTest, StopKeepsTheDurationsAndWithoutSoundTheClockStillTimesTheRun) {
    std::vector<SSyncEntry> entries(4, Entry(0, 5, 0, 0, "a.wav"));
    FakeSound sound;
    sound.works = false;  // no device
    CSynchronizeModel model(entries, 25.0f, &sound);
    ASSERT_TRUE(model.Start(0, 3, 50));
    EXPECT_FALSE(model.SoundWorked());
    ASSERT_TRUE(model.NextPicture(850));
    ASSERT_TRUE(model.NextPicture(1250));
    model.Stop();
    EXPECT_FALSE(model.IsRunning());
    EXPECT_EQ(model.Durations(), (std::vector<int64_t>{800, 400}));
    std::vector<SSyncFrames> f = model.Apply();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].showPicture, 20);
    EXPECT_EQ(f[1].showPicture, 10);
    // A new run starts afresh.
    ASSERT_TRUE(model.Start(2, 3, 5000));
    EXPECT_TRUE(model.Durations().empty());
    EXPECT_EQ(model.CurrentTimeMs(), 0);
}

TEST(SynchronizeModelTest, TimesShowHoursMinutesSecondsAndMilliseconds) {
    EXPECT_EQ(CSynchronizeModel::FormatTime(65020), "00:01:05,020");
    EXPECT_EQ(CSynchronizeModel::FormatTime(3723004), "01:02:03,004");
    EXPECT_EQ(CSynchronizeModel::FormatTime(0), "00:00:00,000");
    EXPECT_EQ(CSynchronizeModel::FormatTime(360000000), "100:00:00,000");
}

TEST(SynchronizeModelTest, TheTimerTicksOnItsOwnThreadUntilStopped) {
    CSyncTimer timer;
    std::atomic<int> ticks{0};
    std::atomic<int64_t> last{0};
    const int64_t before = CSyncTimer::NowMs();
    timer.Start([&](int64_t now) {
        last = now;
        ++ticks;
    });
    while (ticks.load() < 5) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_GE(last.load(), before);
    const int after = ticks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ticks.load(), after) << "no tick after Stop";
}

}  // namespace
}  // namespace trov
