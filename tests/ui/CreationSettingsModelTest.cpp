// The creation settings dialog's decisions without a window: range clamping, quality, cache
// switches, codec settings rows, the start check and the batch exit codes.
#include <gtest/gtest.h>

#include <filesystem>

#include "audio/AudioFormats.h"
#include "creation/Creation.h"
#include "settings/ApplicationSettings.h"
#include "settings/SettingsStore.h"
#include "support/TestSupport.h"
#include "ui/CreationSettingsModel.h"
#include "ui/MainViewFakes.h"
#include "ui/UiFakes.h"
#include "video/CodecSettings.h"
#include "video/VideoCodecs.h"

namespace trov {
namespace {

namespace fs = std::filesystem;
using test::CScriptedPrompt;

class CreationSettingsModelTest : public ::testing::Test {
protected:
    CreationSettingsModelTest() {
        manager.Initialize(home.Path().string());
        CSettingsStore& p = manager.GetProjectSettings();
        p.SetInt("PROJECT_SETTINGS", "Movie-Size-X", 32);
        p.SetInt("PROJECT_SETTINGS", "Movie-Size-Y", 24);
        p.SetString("PROJECT_SETTINGS", "Output-AVI", home / "movie.avi");
        ClearAudioFormatSlots();
        for (const char* title : {"Filename", "Video", "Audio"})
            list.InsertColumn(list.GetColumnCount(), title, 100);
    }
    ~CreationSettingsModelTest() override { ClearAudioFormatSlots(); }

    int SavedInt(const char* key) {
        CSettingsStore saved;
        EXPECT_TRUE(saved.Load(manager.GetSettingsPath()));
        int v = -1;
        saved.GetInt(kTrovSettings, key, v);
        return v;
    }
    static CompressionOptions Mjpeg() {
        CompressionOptions o;
        EXPECT_TRUE(MakeCompressionOptions("MJPG", 7500, "", o));
        return o;
    }

    test::TempDir home;
    test::TempDir codecs;
    CTROVManager manager;
    CScriptedPrompt prompt;
    test::FakeList list;
    CCreationSettingsModel model{manager, manager.GetCreation(), prompt, codecs.Path().string()};
};

TEST(CreationSettingsPositions, NegativesBecomeZeroAndEndsPastTheLastEntryTheLastIndex) {
    SPositionCheck c = CheckPositions("-5", "2", 2);
    EXPECT_TRUE(c.corrected);
    EXPECT_EQ(c.start, 0);
    EXPECT_EQ(c.end, 2);
    c = CheckPositions("0", "17", 2);
    EXPECT_TRUE(c.corrected);
    EXPECT_EQ(c.end, 2);
    c = CheckPositions("1", "-1", 2);
    EXPECT_TRUE(c.corrected);
    EXPECT_EQ(c.end, 0);
    // Start above end is the preparation's business; text that is no number reads as 0 unchanged.
    c = CheckPositions("2", "1", 2);
    EXPECT_FALSE(c.corrected);
    EXPECT_EQ(c.start, 2);
    c = CheckPositions("", "x", 2);
    EXPECT_FALSE(c.corrected);
    EXPECT_EQ(c.start, 0);
    EXPECT_EQ(c.end, 0);
}

TEST_F(CreationSettingsModelTest, RewritingTheBoxesDoesNotComeBackAsAChange) {
    model.Open(0, 2, 2);
    int rewrites = 0;
    std::string start = "-5", end = "2";
    // The widget's rewrite raises change notifications of its own, as a line edit does.
    std::function<void()> rewrite = [&] {
        ++rewrites;
        start = std::to_string(model.StartPosition());
        end = std::to_string(model.EndPosition());
        EXPECT_FALSE(model.PositionsChanged(start, end, rewrite));
        EXPECT_FALSE(model.PositionsChanged("-9", end, rewrite));
    };
    EXPECT_TRUE(model.PositionsChanged(start, end, rewrite));
    EXPECT_EQ(rewrites, 1);
    EXPECT_EQ(start, "0");
    EXPECT_EQ(model.StartPosition(), 0);
    EXPECT_FALSE(model.PositionsChanged("1", "2", rewrite));
    EXPECT_EQ(rewrites, 1);
    EXPECT_EQ(model.StartPosition(), 1);
}

TEST_F(CreationSettingsModelTest, QualityIsSavedAtOnceAndItsDescriptionComesFromTheLanguage) {
    manager.SetQuality(1);
    model.Open(0, 0, 0);
    EXPECT_EQ(model.QualityName(), "Final Production");
    EXPECT_EQ(model.QualityDescription().rfind("Excellent Quality", 0), 0u);
    EXPECT_TRUE(model.SelectQuality("Production"));
    EXPECT_EQ(SavedInt(appkey::kQuality), 0);
    EXPECT_TRUE(model.SelectQuality("Final Production"));
    EXPECT_EQ(SavedInt(appkey::kQuality), 1);
    EXPECT_FALSE(model.SelectQuality("Draft"));
    EXPECT_EQ(manager.GetQuality(), 1);
    model.SetTextLookup([](const std::string& key, const std::string& fallback) {
        return key == "Quality.Production" ? std::string("Gut") : fallback;
    });
    EXPECT_EQ(model.QualityDescription("Production"), "Gut");
}

TEST_F(CreationSettingsModelTest, CheckingACacheShowsItsReminderAndUncheckingShowsNothing) {
    model.Open(0, 0, 0);
    model.SetStreamCache(true);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, kStreamCacheReminder);
    EXPECT_EQ(SavedInt(appkey::kEnableVideoStreamCache), 1);
    EXPECT_TRUE(manager.GetCreation().IsStreamCacheEnabled());
    model.SetStreamCache(false);
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(SavedInt(appkey::kEnableVideoStreamCache), 0);
    EXPECT_FALSE(manager.GetCreation().IsStreamCacheEnabled());

    model.SetPermanentCache(true);
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[1].text, kPermanentCacheReminder);
    EXPECT_EQ(SavedInt(appkey::kEnablePermanentCache), 1);
    model.SetPermanentCache(false);
    EXPECT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(SavedInt(appkey::kEnablePermanentCache), 0);
}

TEST_F(CreationSettingsModelTest, CodecSettingsRowsAreSavedLoadedAndDeleted) {
    model.Open(0, 0, 0);
    // Nothing chosen: nothing saved.
    EXPECT_EQ(model.SaveCodecSettings(list), "");
    EXPECT_EQ(list.GetRowCount(), 0);

    ASSERT_TRUE(SetOutputAudioFormatByText(ListAudioFormatTexts().front()));
    ASSERT_TRUE(model.SetUpVideoCodec(Mjpeg()));
    std::string video = model.VideoText();
    EXPECT_EQ(video, GetVideoCodecName(&manager.GetCreation().GetCompressionOptions()));
    model.ChooseAudioCodec(nullptr);  // no chooser installed: the text follows the slot
    std::string audio = model.AudioText();
    EXPECT_NE(audio, kNotSetText);

    EXPECT_EQ(model.SaveCodecSettings(list), "CS_0.ini");
    EXPECT_EQ(model.SaveCodecSettings(list), "CS_1.ini");
    ASSERT_EQ(list.GetRowCount(), 2);
    EXPECT_EQ(list.GetCellText(1, 0), "CS_1.ini");
    EXPECT_EQ(list.GetCellText(1, 1), video);
    EXPECT_EQ(list.GetCellText(1, 2), audio);

    // Selecting a row sets both up again from the file.
    ClearAudioFormatSlots();
    model.Open(0, 0, 0);
    EXPECT_EQ(model.AudioText(), kNotSetText);
    EXPECT_TRUE(model.LoadCodecSettings("CS_1.ini"));
    EXPECT_EQ(model.VideoText(), video);
    EXPECT_EQ(model.AudioText(), audio);
    EXPECT_FALSE(model.LoadCodecSettings("CS_9.ini"));

    // Delete asks; No keeps the row, Yes removes file and row.
    prompt.answers = {PromptAnswer::No, PromptAnswer::Yes};
    int beeps = 0;
    model.SetBeep([&] { ++beeps; });
    EXPECT_FALSE(model.DeleteCodecSettings(list, 0));
    EXPECT_TRUE(fs::exists(codecs / "CS_0.ini"));
    EXPECT_TRUE(model.DeleteCodecSettings(list, 0));
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(prompt.asked.back().text, kDeleteCodecSettingsQuestion);
    EXPECT_EQ(prompt.asked.back().caption, kDeleteCodecSettingsCaption);
    EXPECT_FALSE(fs::exists(codecs / "CS_0.ini"));
    ASSERT_EQ(list.GetRowCount(), 1);
    EXPECT_EQ(list.GetCellText(0, 0), "CS_1.ini");
    EXPECT_EQ(list.GetCellText(0, 1), video);
    // The freed number is taken again; a fresh list shows both files.
    EXPECT_EQ(model.SaveCodecSettings(list), "CS_0.ini");
    test::FakeList fresh;
    for (const char* title : {"Filename", "Video", "Audio"})
        fresh.InsertColumn(fresh.GetColumnCount(), title, 100);
    model.FillCodecList(fresh);
    ASSERT_EQ(fresh.GetRowCount(), 2);
    EXPECT_EQ(fresh.GetCellText(0, 0), "CS_0.ini");
}

TEST_F(CreationSettingsModelTest, StartNeedsAUsableVideoSetUpForTheCurrentFile) {
    model.Open(0, 0, 0);
    EXPECT_EQ(model.VideoText(), kNotSetText);
    EXPECT_FALSE(model.CheckStart());
    EXPECT_EQ(prompt.asked.back().text, kSpecifyCodecsText);

    // No chooser is installed, so choosing fails: the error text blocks the start.
    EXPECT_FALSE(model.ChooseVideoCodec());
    EXPECT_EQ(model.VideoText(), kVideoCodecErrorText);
    EXPECT_FALSE(model.CheckStart());

    ASSERT_TRUE(model.SetUpVideoCodec(Mjpeg()));
    EXPECT_TRUE(model.CheckStart());

    // Another file: the same codec is set up for it.
    model.SetOutputFile(home / "other.avi");
    std::string stored;
    manager.GetProjectSettings().GetString("PROJECT_SETTINGS", "Output-AVI", stored);
    EXPECT_EQ(stored, home / "other.avi");
    EXPECT_TRUE(model.CheckStart());

    // A folder that does not exist is refused with its reason.
    model.SetOutputFile((home.Path() / "missing" / "m.avi").string());
    size_t before = prompt.asked.size();
    EXPECT_FALSE(model.CheckStart());
    ASSERT_EQ(prompt.asked.size(), before + 1);
    EXPECT_NE(prompt.asked.back().text.find("does not exist"), std::string::npos);

    // The next opening offers the codec of this run again.
    model.SetOutputFile(home / "movie.avi");
    model.Open(0, 0, 0);
    EXPECT_EQ(model.VideoText(), GetVideoCodecName(&manager.GetCreation().GetCompressionOptions()));
    EXPECT_TRUE(model.CheckStart());
}

// The same refusals as the command line's, with its reasons: a movie size or frame rate no
// encoder can be given keeps the dialog open even with a usable codec.
TEST_F(CreationSettingsModelTest, StartRefusesAMovieFormatTheCommandLineRefuses) {
    model.Open(0, 0, 0);
    ASSERT_TRUE(model.SetUpVideoCodec(Mjpeg()));
    ASSERT_TRUE(model.CheckStart());
    CSettingsStore& p = manager.GetProjectSettings();
    struct Case {
        int width, height;
        const char* fpsText;
        const char* reason;
    };
    for (const Case& c :
         {Case{0, 24, "25", "unusable movie size 0 x 24"}, Case{32, 24, "0", "unusable frame rate 0"},
          Case{32, 24, "5000", "unusable frame rate 5000"}}) {
        p.SetInt(kProjectSettings, "Movie-Size-X", c.width);
        p.SetInt(kProjectSettings, "Movie-Size-Y", c.height);
        p.SetString(kProjectSettings, projkey::kFramesPerSeconds, c.fpsText);
        EXPECT_FALSE(model.CheckStart()) << c.reason;
        ASSERT_FALSE(prompt.asked.empty());
        EXPECT_EQ(prompt.asked.back().text.rfind("The movie can not be created: ", 0), 0u);
        EXPECT_NE(prompt.asked.back().text.find(c.reason), std::string::npos) << prompt.asked.back().text;
    }
    // The output's problem comes first, as on the command line.
    model.SetOutputFile((home.Path() / "missing" / "m.avi").string());
    EXPECT_FALSE(model.CheckStart());
    EXPECT_NE(prompt.asked.back().text.find("does not exist"), std::string::npos);
    p.SetInt(kProjectSettings, "Movie-Size-X", 32);
    p.SetString(kProjectSettings, projkey::kFramesPerSeconds, "25");
    model.SetOutputFile(home / "movie.avi");
    EXPECT_TRUE(model.CheckStart());
}

TEST(CreationExitCodes, MatchTheCommandLine) {
    SCreationRunFacts f;
    f.hadEntries = false;
    EXPECT_EQ(CreationExitCode(f), 1);
    f = {};
    EXPECT_EQ(CreationExitCode(f), 1);  // the check found problems
    f.checkPassed = true;
    EXPECT_EQ(CreationExitCode(f), 2);  // the dialog was never confirmed
    f.dialogConfirmed = true;
    EXPECT_EQ(CreationExitCode(f), 3);
    f.cancelled = true;
    EXPECT_EQ(CreationExitCode(f), 130);
    f.written = true;
    EXPECT_EQ(CreationExitCode(f), 0);
}

}  // namespace
}  // namespace trov
