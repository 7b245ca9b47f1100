// The caption, colour fading and audio decisions of the editing dialogs, without windows.
#include <gtest/gtest.h>

#include <filesystem>

#include "audio/WaveTestUtil.h"
#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "settings/ApplicationSettings.h"
#include "support/RecordingPrompt.h"
#include "support/TestSupport.h"
#include "ui/AudioSettingsModel.h"
#include "ui/ColorFadingModel.h"
#include "ui/LanguageTable.h"
#include "ui/TextSettingsModel.h"
#include "ui/UiFakes.h"

namespace trov {
namespace {

class EditingModelsTest : public ::testing::Test {
protected:
    EditingModelsTest() { manager.Initialize(home.Path().string()); }
    CProjectObject& Add(const std::string& caption, int in = 25, int show = 100, int out = 15,
                        int next = 25) {
        CProjectObject o;
        o.SetFileName(home / (caption + ".jpg"));
        o.pictureText = caption;
        o.textFadeIn = in;
        o.showPicture = show;
        o.textFadeOut = out;
        o.fade2NextPicture = next;
        manager.AppendObject(o);
        return *manager.GetObject(manager.GetObjectCount() - 1);
    }
    std::string Wav(const std::string& name, int seconds) {
        std::string path = home / name;
        test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), test::RampStereo(seconds * 44100, 1)));
        return path;
    }
    test::TempDir home;
    CTROVManager manager;
    test::CTextRecordingPrompt prompt;
};

TEST_F(EditingModelsTest, PositionButtonsStoreTheirCodesAndCenterCenterIs100) {
    const auto& buttons = CTextSettingsModel::PositionButtons();
    ASSERT_EQ(buttons.size(), 9u);
    CTextSettingsModel model;
    for (const CaptionPositionButton& b : buttons) {
        ASSERT_TRUE(model.SetPosition(b.code));
        EXPECT_STREQ(CaptionPositionName(model.GetPosition()), b.key)
            << "the button's key names its position";
        EXPECT_NE(FindDefaultText(kTextSettingsDlgSection, b.key), nullptr) << b.key;
    }
    EXPECT_EQ(buttons.back().code, 100);
    EXPECT_FALSE(model.SetPosition(9));
    EXPECT_EQ(model.GetPosition(), 100);

    Add("a");
    Add("b");
    Add("c");
    model.SetFadeIn("Wipe Left");
    model.SetFadeOut("");
    EXPECT_EQ(model.Apply(manager, {0, 2}), 2);
    EXPECT_EQ(manager.GetObject(0)->textPosition, 100);
    EXPECT_EQ(manager.GetObject(1)->textPosition, 1) << "unselected objects stay";
    EXPECT_EQ(manager.GetObject(2)->textFadeInEffectName, "Wipe Left");
    EXPECT_EQ(manager.GetObject(2)->textFadeOutEffectName, kDefaultTextEffect);
    model.ResetFadings();
    EXPECT_EQ(model.GetFadeIn(), kDefaultTextEffect);
}

TEST_F(EditingModelsTest, PositionNameComesFromTheLanguageElseTheDefault) {
    CWndLanguageManager language;
    test::FakeWindow box;
    language.AddControl(&box, "Center - Center", kTextSettingsDlgSection, "CenterCenter", "TextSettingsDlg");
    CTextSettingsModel model;
    model.SetPosition(100);
    EXPECT_EQ(model.PositionName(language), "Center - Center");
    language.GetLanguageStore().SetString(kTextSettingsDlgSection, "CenterCenter", "Mitte - Mitte");
    EXPECT_EQ(model.PositionName(language), "Mitte - Mitte");
    model.SetPosition(3);
    EXPECT_EQ(model.PositionName(language), "BottomRight") << "not registered, not translated: the key";
}

TEST_F(EditingModelsTest, OnlyEffectsThatCanFadeACaptionAreListedInRegistryOrder) {
    CFadingEffectManager& effects = manager.GetCreation().GetEffects();
    std::vector<std::string> names = CTextSettingsModel::CaptionEffectNames(effects);
    ASSERT_FALSE(names.empty());
    EXPECT_LT(names.size(), size_t(effects.GetCount())) << "some effects cannot fade a caption";
    EXPECT_NE(std::find(names.begin(), names.end(), kDefaultTextEffect), names.end());
    size_t last = 0;
    std::vector<CFadingEffect*> order = effects.InRegistrationOrder();
    for (const std::string& n : names) {
        auto it =
            std::find_if(order.begin(), order.end(), [&](CFadingEffect* e) { return e->GetName() == n; });
        ASSERT_NE(it, order.end());
        EXPECT_TRUE((*it)->IsTextCapable()) << n;
        EXPECT_GE(size_t(it - order.begin()), last);
        last = size_t(it - order.begin());
    }
}

TEST_F(EditingModelsTest, SpecialTextEditCutsUpToAndIncludingTheSearchText) {
    EXPECT_EQ(CutCaptionAt("2024-07-14 Beach", " "), "Beach");
    EXPECT_EQ(CutCaptionAt("a-b-c", "-"), "b-c") << "the first occurrence";
    EXPECT_EQ(CutCaptionAt("Beach", "x"), "Beach");
    EXPECT_EQ(CutCaptionAt("Beach", ""), "Beach");
    EXPECT_EQ(CutCaptionAt("Beach", "beach"), "Beach") << "case-sensitive";
    EXPECT_EQ(CutCaptionAt("Beach", "Beach"), "");

    Add("2024-07-14 Beach");
    Add("Harbour");
    Add("14.7. Hill");
    EXPECT_EQ(ApplySpecialTextEdit(manager, {0, 1, 2}, ""), 0);
    EXPECT_EQ(manager.GetObject(0)->pictureText, "2024-07-14 Beach");
    EXPECT_EQ(ApplySpecialTextEdit(manager, {0, 1}, " "), 1);
    EXPECT_EQ(manager.GetObject(0)->pictureText, "Beach");
    EXPECT_EQ(manager.GetObject(1)->pictureText, "Harbour");
    EXPECT_EQ(manager.GetObject(2)->pictureText, "14.7. Hill") << "not selected";
}

TEST_F(EditingModelsTest, WhiteFlashLasts13FramesAt25AndGoesBeforeTheObject) {
    Add("a");
    Add("b");
    std::vector<int> at = AddColorFadings(manager, {0, 1}, ColorFadingPreset::White);
    EXPECT_EQ(at, (std::vector<int>{0, 2}));
    ASSERT_EQ(manager.GetObjectCount(), 4);
    for (int i : {0, 2}) {
        const CProjectObject* f = manager.GetObject(i);
        EXPECT_TRUE(f->IsColorFade());
        EXPECT_EQ(f->GetFileName(), "*Color-Fading*");
        EXPECT_EQ(f->colorFadeColorRef, 0xFFFFFFu);
        EXPECT_EQ(f->fade2NextPicture, 13) << "25 x 0.55 = 13.75, truncated";
        EXPECT_EQ(f->textFadeIn + f->showPicture + f->textFadeOut, 0);
        EXPECT_EQ(f->fading2NextPictureName, kDefaultTextEffect);
    }
    EXPECT_EQ(manager.GetObject(1)->pictureText, "a");
    EXPECT_EQ(manager.GetObject(1)->showPicture, 100) << "a plain flash takes nothing";
}

TEST_F(EditingModelsTest, SynchronisedFlashTakesItsFramesAndShortensWhenThereAreTooFew) {
    Add("short", 2, 10, 0, 25);
    Add("long");
    long long before = manager.GetPlayLengthFrames();
    std::vector<int> at = AddColorFadings(manager, {0, 1}, ColorFadingPreset::WhiteTakingFrames);
    EXPECT_EQ(at, (std::vector<int>{0, 2}));
    const CProjectObject* flash = manager.GetObject(0);
    const CProjectObject* shortened = manager.GetObject(1);
    EXPECT_EQ(flash->fade2NextPicture, 12) << "10 shown + 2 fade-in frames were all there was";
    EXPECT_EQ(shortened->showPicture, 0);
    EXPECT_EQ(shortened->textFadeIn, 0);
    EXPECT_EQ(shortened->textFadeOut, 0);
    EXPECT_EQ(manager.GetObject(2)->fade2NextPicture, 13);
    EXPECT_EQ(manager.GetObject(3)->showPicture, 87);
    EXPECT_EQ(manager.GetPlayLengthFrames(), before) << "the movie keeps its length";
}

TEST_F(EditingModelsTest, DefaultColourFadingIsBlackWithTheProjectFramesAfterEachObject) {
    Add("a");
    Add("b");
    Add("c");
    std::vector<int> at = AddColorFadings(manager, {2, 0}, ColorFadingPreset::Black);
    EXPECT_EQ(at, (std::vector<int>{1, 4}));
    ASSERT_EQ(manager.GetObjectCount(), 5);
    EXPECT_EQ(manager.GetObject(0)->pictureText, "a");
    EXPECT_TRUE(manager.GetObject(1)->IsColorFade());
    EXPECT_EQ(manager.GetObject(1)->colorFadeColorRef, 0u);
    EXPECT_EQ(manager.GetObject(1)->showPicture, 100);
    EXPECT_EQ(manager.GetObject(3)->pictureText, "c");
    EXPECT_TRUE(manager.GetObject(4)->IsColorFade());
    EXPECT_EQ(ColorFadingChoices().size(), 3u);
    EXPECT_TRUE(AddColorFadings(manager, {}, ColorFadingPreset::Black).empty());
}

TEST_F(EditingModelsTest, AudioBindingsFollowTheTableAndTheOptionsMirrorFadeOption) {
    Add("a");
    CProjectObject& o = Add("b");
    o.fadeOption = 2;
    o.audioStartTime = 1500;
    CAudioSettingsModel model(manager, 1);
    ASSERT_TRUE(model.IsValid());
    std::map<AudioControl, test::FakeWindow> boxes;
    std::map<AudioControl, test::FakeCheck> checks;
    CSettingsWndCommunicator binder;
    model.Bind(binder, [&](AudioControl c) -> CWindowControl* {
        switch (c) {
            case AudioControl::Normalize:
            case AudioControl::Loop:
            case AudioControl::Synchronize:
            case AudioControl::Option1:
            case AudioControl::Option2:
            case AudioControl::Option3:
                return &checks[c];
            default:
                return &boxes[c];
        }
    });
    EXPECT_EQ(binder.GetBindingCount(), 12u);
    binder.UpdateAllControls();
    EXPECT_EQ(boxes[AudioControl::StartTimeBox].GetText(), "1500");
    EXPECT_EQ(checks[AudioControl::Option1].GetCheck(), 0);
    EXPECT_EQ(checks[AudioControl::Option2].GetCheck(), 1);
    EXPECT_FALSE(boxes[AudioControl::PlayExample].IsEnabled()) << "nothing to play without a file";
    EXPECT_TRUE(boxes[AudioControl::FadingTimeBox].IsEnabled());

    model.SetFadeOption(3);
    EXPECT_EQ(model.GetFadeOption(), 3);
    int on = 0;
    model.Scratch().GetInt("FADE_OPTION", "Option2", on);
    EXPECT_EQ(on, 0) << "exactly one option is 1";

    // Synchronised: the previous object's 25 transition frames at 25 fps, and the box disabled.
    model.SetSynchronize(true);
    EXPECT_EQ(model.GetFadingTime(), 1000);
    binder.UpdateAllControls();
    EXPECT_FALSE(boxes[AudioControl::FadingTimeBox].IsEnabled());
    EXPECT_FALSE(boxes[AudioControl::FadingTimeLabel].IsEnabled());
    boxes[AudioControl::FadingTimeBox].SetText("5");
    boxes[AudioControl::StartTimeBox].SetText("soon");
    std::string refused = model.ReadControls(binder);
    EXPECT_EQ(model.GetFadingTime(), 1000) << "the synchronised time wins over the box";
    EXPECT_EQ(model.GetStartTime(), 1500);
    EXPECT_NE(refused.find("Start Time (in milliseconds): \"soon\""), std::string::npos) << refused;
}

TEST_F(EditingModelsTest, BrowseResetsTheFieldsAndAcceptRefusesAFileThatIsNoWav) {
    CProjectObject& o = Add("a");
    std::string good = Wav("music.wav", 3);
    o.audioFile = good;
    o.audioStartTime = 700;
    o.audioFadingTime = 300;
    o.fadeOption = 1;
    o.loopAudio = true;
    CAudioSettingsModel model(manager, 0);
    std::string other = Wav("other.wav", 1);
    model.Browse(other);
    EXPECT_EQ(model.GetAudioFile(), other);
    EXPECT_EQ(model.GetStartTime(), 0);
    EXPECT_EQ(model.GetFadingTime(), 0);
    EXPECT_EQ(model.GetFadeOption(), kFadeNone);
    EXPECT_FALSE(model.GetLoop());
    model.Browse("");  // a cancelled file dialog
    EXPECT_EQ(model.GetAudioFile(), other);

    std::string fake = home / "fake.wav";
    test::WriteFileBytes(fake, "this is a text file, not RIFF");
    model.Browse(fake);
    EXPECT_FALSE(model.Accept(prompt));
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0], audiosettings::kInvalidWav);
    const CProjectObject* kept = manager.GetObject(0);
    EXPECT_EQ(kept->audioFile, good) << "the object keeps its old audio";
    EXPECT_EQ(kept->audioStartTime, 700);
    EXPECT_EQ(kept->fadeOption, 1);

    model.Browse(other);
    model.SetFadeOption(2);
    ASSERT_TRUE(model.Accept(prompt));
    EXPECT_EQ(manager.GetObject(0)->audioFile, other);
    EXPECT_EQ(manager.GetObject(0)->fadeOption, 2);
    EXPECT_EQ(manager.GetObject(0)->audioStartTime, 0);
    model.Reset();
    ASSERT_TRUE(model.Accept(prompt)) << "no file is fine";
    EXPECT_EQ(manager.GetObject(0)->audioFile, "");
}

class CountingOutput : public CSoundOutput {
public:
    bool Play(const uint8_t*, size_t size, const SWaveFormat&, const std::atomic<bool>*) override {
        sizes.push_back(size);
        return true;
    }
    std::vector<size_t> sizes;
};

TEST_F(EditingModelsTest, ShortExampleSaysWhatItPlayedOrWhyNot) {
    CProjectObject& o = Add("a");
    o.audioFile = Wav("music.wav", 3);
    o.audioStartTime = 2000;
    o.loopAudio = true;
    CAudioSettingsModel model(manager, 0);
    CountingOutput out;
    EXPECT_EQ(model.PlayShortExample(out), "Played 2 seconds of " + o.audioFile + " from 2000 ms.");
    ASSERT_EQ(out.sizes.size(), 1u);
    EXPECT_EQ(out.sizes[0], 2u * 176400) << "2 s, the last one looped";
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(manager.GetTempDirectory()) / "TempUsed.wav"));

    // No sound device: a status text, promptly, and the cut file is gone too.
    CAlsaSoundOutput missing("no_such_device_here");
    std::string status = model.PlayShortExample(missing);
    EXPECT_EQ(status.rfind("No sound device could play the short example (", 0), 0u) << status;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(manager.GetTempDirectory()) / "TempUsed.wav"));

    std::string fake = home / "fake.wav";
    test::WriteFileBytes(fake, "RIFF....nonsense");
    model.Browse(fake);
    EXPECT_EQ(model.PlayShortExample(out), "Can not play " + fake + ": it does not open as a WAV file.");
    model.Reset();
    EXPECT_EQ(model.PlayShortExample(out), "No audio file chosen: nothing to play.");
    EXPECT_EQ(out.sizes.size(), 1u);
}

}  // namespace
}  // namespace trov
