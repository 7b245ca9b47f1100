// How a creation ends when it does not simply succeed: cancelled at any moment, paused while parts
// are pasted, an exception in the job, frames that go missing, a damaged cached part, no frames at
// all — and that the previous movie survives every one of them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "audio/AudioFormats.h"
#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "effects/FadingEffect.h"
#include "effects/FadingEffectManager.h"
#include "infra/FatalReport.h"
#include "infra/UserPrompt.h"
#include "support/RecordingPrompt.h"
#include "support/TestSupport.h"
#include "video/CodecSettings.h"

namespace trov {
namespace {

namespace fs = std::filesystem;

int ProbeFrames(const std::string& file) {
    std::string out;
    std::FILE* p =
        popen(("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
               "-of csv=p=0 '" +
               file + "' 2>/dev/null")
                  .c_str(),
              "r");
    if (!p) return -1;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out.empty() ? -1 : std::atoi(out.c_str());
}

// Records status texts and the whole-creation progress; runs a hook on a status text.
class CWatchingView : public CTROVManagerView {
public:
    void OnStatusText(const std::string& text) override {
        if (onStatus) onStatus(text);
        if (text == "Creation canceled!") sawCancel = true;
        std::lock_guard lock(mutex);
        statuses += text + "\n";
    }
    void OnProgress(bool complete, int position, const std::string&) override {
        if (complete) lastComplete = position;
    }
    std::string Statuses() {
        std::lock_guard lock(mutex);
        return statuses;
    }
    std::function<void(const std::string&)> onStatus;
    std::atomic<bool> sawCancel{false};
    std::atomic<int> lastComplete{-1};

private:
    std::mutex mutex;
    std::string statuses;
};

// A transition whose third frame is an empty picture, as a failed buffer copy leaves it.
class CEmptyFrameEffect : public CFadingEffect {
public:
    CEmptyFrameEffect() { SetName("Test Empty Frame"); }
    void End() override { m_output.Reset(); }
    void Prepare(int) override {}
    CDibPicture* NextFrame() override {
        if (++m_currentFrame > m_frameCount) return nullptr;
        if (m_currentFrame == 3) {
            m_empty.Reset();
            return &m_empty;
        }
        m_output.CopyFrom(m_pictureB);
        return &m_output;
    }

private:
    CDibPicture m_empty;
};

class CreationFailure : public ::testing::Test {
protected:
    void SetUp() override {
        SetUserPrompt(&prompt);
        CPicture::SetDefaultBackgroundColour(0);
    }
    void TearDown() override {
        if (m) m->SetView(nullptr);
        m.reset();
        SetUserPrompt(nullptr);
    }

    void MakeManager(bool streamCache, const std::string& extra = "") {
        std::string settings =
            "[PROJECT_SETTINGS]\nMovie-Size-X=160\nMovie-Size-Y=120\nFramesPerSeconds=25\nTempDir=" +
            (dir / "temp") + "\nOutput-AVI=" + out +
            "\n[TROV_SETTINGS]\nCreationEnsureItemIsVisible=0\nEnableVideoStreamCache=" +
            (streamCache ? "1" : "0") + "\n" + extra;
        fs::create_directories(dir.Path() / "prog");
        test::WriteFileBytes(dir.Path() / "prog" / "Settings.ini", settings);
        m = std::make_unique<CTROVManager>();
        m->Initialize((dir.Path() / "prog").string());
        m->SetView(&view);
    }

    void AddEntries(int count, int show, int next, const std::string& effect = "Cross Dissolve") {
        const std::string path = dir / "a.bmp";
        CDibPicture p;
        ASSERT_TRUE(p.Create(160, 120));
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) p.SetPixel(x, y, uint8_t(x), uint8_t(y * 2), 40);
        ASSERT_TRUE(p.SaveFile(path));
        for (int i = 0; i < count; ++i) {
            CProjectObject o;
            o.SetFileName(path);
            o.textFadeIn = 2;
            o.showPicture = show;
            o.textFadeOut = 2;
            o.fade2NextPicture = next;
            o.pictureText = "Caption " + std::to_string(i);
            o.fading2NextPictureName = effect;
            o.font.height = -14;
            m->AppendObject(std::move(o));
        }
    }

    bool Create(const std::function<void(CCreation&)>& beforeOutput = {}) {
        CodecSettingsRecord rec;
        if (!MakeVideoCodecSettings("MJPG", 9000, "", rec)) return false;
        return m->StartCreation([&](CCreation& c, int&, int&) {
            if (beforeOutput) beforeOutput(c);
            return c.CreateNewAVI(c.GetOutputPath(), &rec.video, false);
        });
    }

    // No temporary movie is left beside the output.
    bool NoTemporaryOutput() const {
        for (const auto& e : fs::directory_iterator(dir.Path()))
            if (e.path().filename().string().find(".trov-") != std::string::npos) return false;
        return true;
    }

    test::TempDir dir;
    std::string out = dir / "out.avi";
    test::CTextRecordingPrompt prompt;
    CWatchingView view;
    std::unique_ptr<CTROVManager> m;
};

TEST_F(CreationFailure, ACancelDuringTheCheckOrThePreparationEndsTheRun) {
    MakeManager(false);
    AddEntries(3, 10, 5);
    test::WriteFileBytes(out, "the previous movie");
    view.onStatus = [&](const std::string& text) {
        if (text.rfind("Checking consistency of ", 0) == 0) m->CancelCreation();
    };
    EXPECT_FALSE(Create());
    EXPECT_TRUE(m->IsCreationCanceled());
    EXPECT_TRUE(view.sawCancel);
    EXPECT_EQ(test::ReadFileBytes(out), "the previous movie");
    EXPECT_NE(view.Statuses().find("Creation canceled!"), std::string::npos);
    EXPECT_EQ(view.Statuses().find("Writing frame"), std::string::npos) << view.Statuses();

    // Cancelled while the output is being set up (the creation dialog): nothing is written either.
    view.onStatus = {};
    view.sawCancel = false;
    EXPECT_FALSE(Create([](CCreation& c) { c.CancelCreation(); }));
    EXPECT_TRUE(view.sawCancel);
    EXPECT_EQ(test::ReadFileBytes(out), "the previous movie");
    EXPECT_TRUE(NoTemporaryOutput());

    // The next run starts afresh.
    EXPECT_TRUE(Create());
    EXPECT_EQ(ProbeFrames(out), 3 * 14 + 2 * 5);
}

TEST_F(CreationFailure, ACancelWhileTheAudioTrackIsMadeIsACancel) {
    MakeManager(false);
    AddEntries(2, 10, 5);
    SAudioFormatChoice pcm;
    ASSERT_TRUE(FindAudioFormatByDescription(kWaveFormatPcm, "44,100 Hz, 16 Bit, Stereo", {}, pcm));
    {
        std::lock_guard lock(GetAudioSlotMutex());
        GetAudioFormatSlot(kOutputAudioSlot).format = pcm.format;
    }
    view.onStatus = [&](const std::string& text) {
        if (text.rfind("Creating Audio Stream: ", 0) == 0) m->CancelCreation();
    };
    const bool written = Create();
    {
        std::lock_guard lock(GetAudioSlotMutex());
        GetAudioFormatSlot(kOutputAudioSlot) = SAudioFormatSlot();
    }
    EXPECT_FALSE(written);
    EXPECT_TRUE(view.sawCancel);
    EXPECT_EQ(view.Statuses().find("sucessfully written"), std::string::npos) << view.Statuses();
    // The video was complete: the cancelled movie keeps it.
    EXPECT_EQ(ProbeFrames(out), 2 * 14 + 5);
}

TEST_F(CreationFailure, ACancelledRunKeepsItsShorterMovieAndNeverClaimsTheWhole) {
    MakeManager(false);
    AddEntries(3, 10, 5);
    view.onStatus = [&](const std::string& text) {
        if (text.rfind("Writing frame 20 of", 0) == 0) m->CancelCreation();
    };
    EXPECT_FALSE(Create());
    EXPECT_TRUE(view.sawCancel);
    const int total = 3 * 14 + 2 * 5;
    EXPECT_GT(view.lastComplete.load(), 0);
    EXPECT_LT(view.lastComplete.load(), 10000);
    const int frames = ProbeFrames(out);
    EXPECT_GE(frames, 20);
    EXPECT_LT(frames, total);
    EXPECT_TRUE(NoTemporaryOutput());
}

TEST_F(CreationFailure, TheMovieKeepsATemporaryNameUntilItIsComplete) {
    MakeManager(false);
    AddEntries(2, 10, 5);
    test::WriteFileBytes(out, "the previous movie");
    std::string duringRun, temporary;
    view.onStatus = [&](const std::string& text) {
        if (text.rfind("Writing frame 10 of", 0) != 0) return;
        duringRun = test::ReadFileBytes(out);
        temporary = m->GetCreation().GetTemporaryOutputPath();
    };
    ASSERT_TRUE(Create());
    EXPECT_EQ(duringRun, "the previous movie");
    EXPECT_EQ(fs::path(temporary).parent_path(), dir.Path());
    EXPECT_NE(temporary, out);
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_EQ(ProbeFrames(out), 2 * 14 + 5);
    EXPECT_TRUE(NoTemporaryOutput());
}

TEST_F(CreationFailure, AnUnusableFrameRateLeavesThePreviousMovieAlone) {
    MakeManager(false);
    AddEntries(1, 5, 0);
    test::WriteFileBytes(out, "the previous movie");
    m->GetProjectSettings().SetString("PROJECT_SETTINGS", "FramesPerSeconds", "0");
    EXPECT_FALSE(Create());
    EXPECT_EQ(test::ReadFileBytes(out), "the previous movie");
    EXPECT_NE(m->GetStatusText().find("Error: Unusable frame rate 0"), std::string::npos)
        << m->GetStatusText();
    EXPECT_TRUE(NoTemporaryOutput());
}

TEST_F(CreationFailure, PauseHoldsWhileTheMovieIsPastedFromTheStreamCache) {
    MakeManager(true);
    AddEntries(3, 10, 5);
    ASSERT_TRUE(Create());
    CCreation& c = m->GetCreation();
    c.GetWorker().SetPriority(kPriorityPause);
    std::atomic<bool> written{false};
    std::thread run([&] { written = Create(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const int whilePaused = c.GetFramesWritten();
    const bool creating = c.IsCreating();
    c.GetWorker().SetPriority(kPriorityNormal);
    run.join();
    EXPECT_TRUE(creating);
    EXPECT_EQ(whilePaused, 0);
    EXPECT_TRUE(written);
    EXPECT_EQ(c.GetPastedFrames(), 3 * 14 + 2 * 5);
    EXPECT_EQ(ProbeFrames(out), 3 * 14 + 2 * 5);
}

TEST_F(CreationFailure, AnExceptionInTheJobIsReportedAndFailsTheCreation) {
    MakeManager(false, "CreationEnsureItemIsVisible=1\n");
    AddEntries(2, 5, 5);
    test::WriteFileBytes(out, "the previous movie");
    GetFatalReport().ClearText();
    m->GetCreation().Environment().ensureVisible = [](int index) {
        if (index == 1) throw std::runtime_error("the picture list is gone");
    };
    EXPECT_FALSE(Create());
    EXPECT_NE(GetFatalReport().GetText().find("Section: CTROVManager::CreateMovie"), std::string::npos);
    EXPECT_NE(m->GetStatusText().find("Error: The creation stopped: the picture list is gone"),
              std::string::npos)
        << m->GetStatusText();
    EXPECT_FALSE(m->GetCreation().IsCreating());
    EXPECT_EQ(test::ReadFileBytes(out), "the previous movie");
    EXPECT_TRUE(NoTemporaryOutput());
    // The creation can run again.
    m->GetCreation().Environment().ensureVisible = {};
    EXPECT_TRUE(Create());
    EXPECT_EQ(ProbeFrames(out), 2 * 9 + 5);
    GetFatalReport().ClearText();
}

TEST_F(CreationFailure, AFrameThatGoesMissingFailsTheCreationNamingEntryAndPhase) {
    MakeManager(false);
    ASSERT_TRUE(m->GetCreation().GetEffects().Register(new CEmptyFrameEffect));  // the registry owns it
    AddEntries(2, 5, 10, "Test Empty Frame");
    test::WriteFileBytes(out, "the previous movie");
    EXPECT_FALSE(Create());
    EXPECT_NE(m->GetStatusText().find("Error: Entry 1 ("), std::string::npos) << m->GetStatusText();
    EXPECT_NE(m->GetStatusText().find("transition: 9 of its 10 frames were written"), std::string::npos)
        << m->GetStatusText();
    EXPECT_EQ(test::ReadFileBytes(out), "the previous movie");
    EXPECT_TRUE(NoTemporaryOutput());
}

TEST_F(CreationFailure, AMovieOfNoFramesIsAFailure) {
    MakeManager(false);
    AddEntries(1, 0, 0);
    m->GetObject(0)->textFadeIn = 0;
    m->GetObject(0)->textFadeOut = 0;
    EXPECT_FALSE(Create());
    EXPECT_NE(m->GetStatusText().find("Error: No frame was written"), std::string::npos)
        << m->GetStatusText();
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(NoTemporaryOutput());
}

TEST_F(CreationFailure, ADamagedCachedPartIsDroppedAndRenderedAgain) {
    MakeManager(true);
    AddEntries(3, 10, 5);
    ASSERT_TRUE(Create());
    const int total = 3 * 14 + 2 * 5;
    // Cut the largest part in half and take another's last frame away.
    std::vector<fs::path> parts;
    for (const auto& e : fs::directory_iterator(dir.Path() / "temp"))
        if (e.path().extension() == ".avi") parts.push_back(e.path());
    ASSERT_GE(parts.size(), 3u);
    std::sort(parts.begin(), parts.end(),
              [](const fs::path& a, const fs::path& b) { return fs::file_size(a) > fs::file_size(b); });
    fs::resize_file(parts[0], fs::file_size(parts[0]) / 2);
    fs::remove(parts[1].string() + "pic");

    ASSERT_TRUE(Create());
    EXPECT_EQ(ProbeFrames(out), total);
    EXPECT_EQ(m->GetCreation().GetCreatedPartFiles().size(), 2u);
    EXPECT_LT(m->GetCreation().GetPastedFrames(), total);
    // And the third run finds every part whole again.
    ASSERT_TRUE(Create());
    EXPECT_EQ(m->GetCreation().GetCreatedPartFiles().size(), 0u);
    EXPECT_EQ(ProbeFrames(out), total);
}

}  // namespace
}  // namespace trov
