// Project objects: keys and defaults, round trips, derived keys, creation, colour fadings, normalisation.
#include <gtest/gtest.h>

#include "infra/MessagePipelines.h"
#include "project/Md5.h"
#include "project/ProjectObject.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"
#include "settings/SettingsStore.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::TempDir;
using test::WriteFileBytes;

struct StatusRecorder : CMessagePipelineListener {
    std::vector<std::string> texts;
    void OnMessage(const std::string&, int32_t) override {}
    void OnMessage(const std::string&, const std::string& t) override { texts.push_back(t); }
};

TEST(ProjectObject, DefaultsAreWrittenUnderEveryKey) {
    CProjectObject o;
    CSettingsStore s;
    o.SaveToStore(s, "S");
    EXPECT_EQ(s.GetSection("S")->Size(), 44u);
    auto get = [&](const char* k) {
        std::string v = "<missing>";
        s.GetString("S", k, v);
        return v;
    };
    EXPECT_EQ(get("FileName"), "");
    EXPECT_EQ(get("PanoramaScrollingType"), "-1");
    EXPECT_EQ(get("Font_Height"), "30");
    EXPECT_EQ(get("Font_Width"), "14");
    EXPECT_EQ(get("Font_Weight"), "200");
    EXPECT_EQ(get("Font_PitchAndFamily"), "34");
    EXPECT_EQ(get("Font_Name"), "Arial");
    EXPECT_EQ(get("Font_TextColor"), "16777215");
    EXPECT_EQ(get("Font_TextBackColor"), "5242880");
    EXPECT_EQ(get("TextBackWidth"), "2");
    EXPECT_EQ(get("TextPosition"), "1");
    EXPECT_EQ(get("FadeOption"), "-1");
    EXPECT_EQ(get("TextFadeInEffectName"), "Cross Dissolve");
    EXPECT_EQ(get("TextFadeOutEffectName"), "Cross Dissolve");
    EXPECT_EQ(get("FlightPointsColor"), "255");
    EXPECT_EQ(get("FlightPointsRadius"), "10");
    EXPECT_EQ(get("IsColorFade"), "0");
}

TEST(ProjectObject, SaveLoadRoundTripKeepsEveryField) {
    CProjectObject a;
    a.SetFileName("/no/such/file.jpg");
    a.textFadeIn = 1, a.showPicture = 2, a.textFadeOut = 3, a.fade2NextPicture = 4;
    a.pictureText = "Caption = with equals \xE2\x82\xAC";
    a.fading2NextPictureName = "Zoom In";
    a.colorFadeColorRef = 0x123456;
    a.panoramaScrolling = true, a.panoramaScrollingType = 3;
    a.pictureMove = true, a.pictureMoveSettings = "1;2;3";
    a.font.height = -40, a.font.italic = 1, a.font.faceName = "Liberation Serif";
    a.textColor = 0xFF, a.textBackColor = kNoColour;
    a.audioFile = "/music/a.wav", a.audioStartTime = 1500, a.normalizeAudio = 1, a.audioFadingTime = 800;
    a.synchronizeFF2NP = 1, a.fadeOption = kFadeMix, a.loopAudio = true;
    a.flightPoints = "10,20;30,40", a.rotation = 2;
    CSettingsStore s;
    a.SaveToStore(s, "PICTURE_0");
    CProjectObject b;
    ASSERT_TRUE(b.LoadFromStore(s, "PICTURE_0"));
    CSettingsStore s2;
    b.SaveToStore(s2, "PICTURE_0");
    EXPECT_EQ(s.ToText(), s2.ToText());
    EXPECT_EQ(b.textBackColor, kNoColour);
    EXPECT_EQ(b.font.height, -40);
}

TEST(ProjectObject, LoadNeedsFileNameAndKeepsValuesOfMissingKeys) {
    CSettingsStore s;
    s.SetInt("A", "ShowPicture", 99);
    CProjectObject o;
    o.showPicture = 7;
    EXPECT_FALSE(o.LoadFromStore(s, "A"));
    EXPECT_EQ(o.showPicture, 7);
    s.SetString("B", "FileName", "x.jpg");
    s.SetInt("B", "Text-FadeIn", 5);
    EXPECT_TRUE(o.LoadFromStore(s, "B"));
    EXPECT_EQ(o.textFadeIn, 5);
    EXPECT_EQ(o.showPicture, 7);
    EXPECT_EQ(o.GetFileName(), "x.jpg");
}

TEST(ProjectObject, BooleansAreTrueOnlyForOneAndBytesTakeTheLowByte) {
    CSettingsStore s;
    s.SetString("A", "FileName", "x.jpg");
    s.SetInt("A", "LoopAudio", 2);
    s.SetInt("A", "PanoramaScrolling", 1);
    s.SetInt("A", "Font_Italic", 257);
    s.SetInt("A", "Font_CharSet", -1);
    CProjectObject o;
    o.loopAudio = true;
    ASSERT_TRUE(o.LoadFromStore(s, "A"));
    EXPECT_FALSE(o.loopAudio);
    EXPECT_TRUE(o.panoramaScrolling);
    EXPECT_EQ(o.font.italic, 1);
    EXPECT_EQ(o.font.charSet, 255);
}

TEST(ProjectObject, FaceNamesAreCutTo31Units) {
    EXPECT_EQ(CutFaceName(std::string(40, 'F')), std::string(31, 'F'));
    EXPECT_EQ(CutFaceName("Arial"), "Arial");
    // 30 letters and a character outside the BMP (two units) do not fit; the pair is not split.
    EXPECT_EQ(CutFaceName(std::string(30, 'a') + "\xF0\x9F\x98\x80"), std::string(30, 'a'));
    CSettingsStore s;
    s.SetString("A", "FileName", "x");
    s.SetString("A", "Font_Name", std::string(100, 'Z'));
    CProjectObject o;
    ASSERT_TRUE(o.LoadFromStore(s, "A"));
    EXPECT_EQ(o.font.faceName.size(), 31u);
}

TEST(ProjectObject, ContentKeysOfEqualFilesMatchAndColourFadingsHaveNone) {
    TempDir dir;
    WriteFileBytes(dir / "a.jpg", "same bytes");
    WriteFileBytes(dir / "b.jpg", "same bytes");
    CMessagePipelines pipes;
    StatusRecorder rec;
    pipes.Create("Status");
    pipes.AddListener("Status", &rec, false);
    CProjectObject a, b;
    a.SetFileName(dir / "a.jpg", &pipes);
    b.SetFileName(dir / "b.jpg");
    EXPECT_EQ(a.GetContentKey(), Md5Hex("same bytes"));
    EXPECT_EQ(a.GetContentKey(), b.GetContentKey());
    EXPECT_EQ(a.GetPictureKey(), b.GetPictureKey());
    EXPECT_EQ(a.GetPictureKey(), Md5Hex("same bytes") + "#0#");
    b.rotation = 1;
    EXPECT_NE(a.GetPictureKey(), b.GetPictureKey());
    ASSERT_EQ(rec.texts.size(), 1u);
    EXPECT_EQ(rec.texts[0], "Creating hashkey for: " + (dir / "a.jpg"));

    // A later missing file must not keep the old key (it would name the wrong cached picture).
    a.SetFileName(dir / "gone.jpg", &pipes);
    EXPECT_TRUE(a.GetContentKey().empty());
    EXPECT_EQ(a.GetCacheName(), dir / "gone.jpg");
    EXPECT_EQ(rec.texts.size(), 1u);

    CSettingsStore s;
    s.SetString("C", "FileName", "*Color-Fading*");
    s.SetInt("C", "IsColorFade", 1);
    CProjectObject c;
    ASSERT_TRUE(c.LoadFromStore(s, "C"));
    EXPECT_TRUE(c.IsColorFade());
    EXPECT_EQ(c.GetCacheName(), "*Color-Fading*");
    pipes.Clear();
}

TEST(ProjectObject, RelativePathsAreHashedFromTheProjectDirectory) {
    TempDir dir;
    std::filesystem::create_directories(dir.Path() / "pics");
    WriteFileBytes(dir.Path() / "pics" / "p.jpg", "abc");
    SetProjectDirectory(dir.Path().string());
    CProjectObject o;
    o.SetFileName("pics/p.jpg");
    EXPECT_EQ(o.GetContentKey(), "900150983cd24fb0d6963f7d28e17f72");
    o.SetFileName("pics\\p.jpg");  // written by a program that used backslashes
    EXPECT_EQ(o.GetContentKey(), "900150983cd24fb0d6963f7d28e17f72");
    SetProjectDirectory("");
}

TEST(ProjectObject, DerivedValues) {
    CProjectObject o;
    o.textFadeIn = 25, o.showPicture = 100, o.textFadeOut = 15, o.fade2NextPicture = 25;
    EXPECT_EQ(o.GetTotalFrames(), 165);
    o.showPicture = 2147483647;
    EXPECT_EQ(o.GetTotalFrames(), 2147483647);
    EXPECT_EQ(o.GetFontKey(), "Arial#30#14#0#0#200#0#0#0#0#0#0#0#34#");
    auto avi = [](const std::string& path) {
        CProjectObject x;
        x.SetFileName(path);
        return x.IsAVI();
    };
    EXPECT_TRUE(avi("/clips/show.AVI"));
    EXPECT_TRUE(avi("/clips/show.avi"));
    EXPECT_FALSE(avi("/clips.avi/show.jpg"));
    EXPECT_FALSE(avi("/clips/show.avi.jpg"));
    EXPECT_FALSE(avi("/clips/show.jpg"));
    EXPECT_TRUE(avi("/a.avi.x/show.avi") == false);  // the first ".AVI" is not at the last dot
}

TEST(ProjectObject, FromFileTakesCaptionAndFrameDefaults) {
    CSettingsStore settings;
    SeedProjectSettings(settings, "/prog");
    settings.SetInt(kProjectSettings, "Frames-Showing-Picture", 77);
    CProjectObject o = CProjectObject::FromFile("/photos/Summer.Holiday.jpg", settings);
    EXPECT_EQ(o.pictureText, "Summer.Holiday");
    EXPECT_EQ(o.textFadeIn, 25);
    EXPECT_EQ(o.showPicture, 77);
    EXPECT_EQ(o.textFadeOut, 15);
    EXPECT_EQ(o.fade2NextPicture, 25);
    EXPECT_EQ(CProjectObject::FromFile("noext", CSettingsStore{}).pictureText, "noext");
    EXPECT_EQ(CProjectObject::FromFile("C:\\pics\\x.bmp", CSettingsStore{}).pictureText, "x");
}

TEST(ProjectObject, ColourFadingPresets) {
    CSettingsStore settings;
    SeedProjectSettings(settings, "/prog");
    CProjectObject black = CProjectObject::MakeColorFading(ColorFadingPreset::Black, settings, 25.0, nullptr);
    EXPECT_TRUE(black.IsColorFade());
    EXPECT_EQ(black.GetFileName(), "*Color-Fading*");
    EXPECT_TRUE(black.GetContentKey().empty());
    EXPECT_EQ(black.colorFadeColorRef, 0u);
    EXPECT_EQ(black.GetTotalFrames(), 165);

    CProjectObject white = CProjectObject::MakeColorFading(ColorFadingPreset::White, settings, 25.0, nullptr);
    EXPECT_EQ(white.colorFadeColorRef, 0xFFFFFFu);
    EXPECT_EQ(white.GetTotalFrames(), 13);  // int(25 * 0.55)
    EXPECT_EQ(white.fading2NextPictureName, "Cross Dissolve");

    // Taking 13 frames: ShowPicture 5 gives 5, Text-FadeIn 4 gives 4, Text-FadeOut 2 gives 2,
    // and the rest of 2 shortens the fading itself.
    CProjectObject sel;
    sel.showPicture = 5, sel.textFadeIn = 4, sel.textFadeOut = 2;
    CProjectObject taking =
        CProjectObject::MakeColorFading(ColorFadingPreset::WhiteTakingFrames, settings, 25.0, &sel);
    EXPECT_EQ(sel.showPicture + sel.textFadeIn + sel.textFadeOut, 0);
    EXPECT_EQ(taking.fade2NextPicture, 11);
    CProjectObject big;
    big.showPicture = 100, big.textFadeIn = 3;
    taking = CProjectObject::MakeColorFading(ColorFadingPreset::WhiteTakingFrames, settings, 30.0, &big);
    EXPECT_EQ(big.showPicture, 84);  // int(30 * 0.55) = 16
    EXPECT_EQ(big.textFadeIn, 3);
    EXPECT_EQ(taking.fade2NextPicture, 16);
}

TEST(ProjectObjectNormalise, AudioFadingTimesAndMixOptions) {
    std::vector<CProjectObject> objs(4);
    for (auto& o : objs) o.textFadeIn = 10, o.showPicture = 20, o.textFadeOut = 10, o.fade2NextPicture = 10;
    objs[0].fadeOption = kFadeMix;  // no previous: nothing to limit
    objs[0].audioFadingTime = 999999;
    objs[1].synchronizeFF2NP = 1;
    objs[1].fadeOption = kFadeIn;
    objs[2].fadeOption = kFadeMix;  // objs[1] is not a mix: it loses its fade option
    objs[2].audioFadingTime = 999999;
    objs[3].fadeOption = kFadeOut;  // last: without its transition
    objs[3].audioFadingTime = 999999;
    std::vector<CProjectObject*> list;
    for (auto& o : objs) list.push_back(&o);
    NormalizeProjectObjects(list, 25, nullptr);
    EXPECT_EQ(objs[0].audioFadingTime, 999999);
    EXPECT_EQ(objs[1].audioFadingTime, 400);  // 40 ms * 10 transition frames of objs[0]
    EXPECT_EQ(objs[1].fadeOption, kFadeNone);
    EXPECT_EQ(objs[2].audioFadingTime, 2000);   // 40 ms * 50 frames of objs[1]
    EXPECT_EQ(objs[3].audioFadingTime, 1600);   // 40 ms * 40 frames
    NormalizeProjectObjects(list, 0, nullptr);  // a zero frame rate counts as 25 instead of dividing by zero
    EXPECT_EQ(objs[3].audioFadingTime, 1600);
}

// Answers with fixed frame counts and records what it was asked.
class CFakeClipCounter : public IClipFrameCounter {
public:
    int CountClipFrames(const std::string& path) override {
        asked.push_back(path);
        return path == "/clips/a.avi" ? 120 : -1;
    }
    std::vector<std::string> asked;
};

TEST(ProjectObjectNormalise, AviFrameCountThroughTheGivenCounter) {
    std::vector<CProjectObject> objs(3);
    objs[0].SetFileName("/clips/a.avi");
    objs[1].SetFileName("/clips/broken.avi");
    objs[2].SetFileName("/pics/p.jpg");
    for (auto& o : objs) o.showPicture = 5;
    CFakeClipCounter counter;
    std::vector<CProjectObject*> list{&objs[0], &objs[1], &objs[2]};
    NormalizeProjectObjects(list, 25, &counter);
    EXPECT_EQ(objs[0].showPicture, 119);
    EXPECT_EQ(objs[1].showPicture, 5);
    EXPECT_EQ(objs[2].showPicture, 5);
    EXPECT_EQ(counter.asked.size(), 2u);
    objs[0].showPicture = 7;
    NormalizeProjectObjects(list, 25, nullptr);  // no counter: clip lengths stay
    EXPECT_EQ(objs[0].showPicture, 7);
}

TEST(ProjectObjectNormalise, AbsurdFrameCountsAreClampedAndCountedOnce) {
    std::vector<CProjectObject> objs(3);
    objs[0].textFadeIn = -1000060;
    objs[0].showPicture = 75;
    objs[0].textFadeOut = 2000000000;
    objs[0].fade2NextPicture = -1;
    objs[1].showPicture = kMaxFrameCount;  // the largest sane count stays
    objs[1].fadeOption = kFadeIn;
    objs[1].audioFadingTime = 2000000000;
    objs[2].SetFileName("/clips/long.avi");
    objs[2].showPicture = -5;
    objs[2].textFadeIn = kMaxFrameCount + 1;
    std::vector<CProjectObject*> list{&objs[0], &objs[1], &objs[2]};
    // A clip's shown frames are its real length, even beyond the limit for typed counts.
    struct CFixedCounter : IClipFrameCounter {
        int frames = 3 * kMaxFrameCount;
        int CountClipFrames(const std::string&) override { return frames; }
    } counter;
    EXPECT_EQ(NormalizeProjectObjects(list, 25, &counter), 4);
    EXPECT_EQ(objs[0].textFadeIn, 0);
    EXPECT_EQ(objs[0].showPicture, 75);
    EXPECT_EQ(objs[0].textFadeOut, kMaxFrameCount);
    EXPECT_EQ(objs[0].fade2NextPicture, 0);
    EXPECT_EQ(objs[1].showPicture, kMaxFrameCount);
    EXPECT_EQ(objs[2].textFadeIn, kMaxFrameCount);
    EXPECT_EQ(objs[2].showPicture, 3 * kMaxFrameCount - 1);
    // The audio fade is limited by the clamped frames (40 ms each), not by the absurd ones.
    EXPECT_EQ(objs[1].audioFadingTime, 40LL * kMaxFrameCount);
    // Nothing left to clamp: a second refresh reports nothing.
    EXPECT_EQ(NormalizeProjectObjects(list, 25, &counter), 0);
    // A clip that cannot be measured keeps only a sane stored count.
    counter.frames = -1;
    objs[2].showPicture = -7;
    EXPECT_EQ(NormalizeProjectObjects(list, 25, &counter), 1);
    EXPECT_EQ(objs[2].showPicture, 0);
    // Without a counter a clip's count is clamped like any other.
    objs[2].showPicture = -9;
    EXPECT_EQ(NormalizeProjectObjects(list, 25, nullptr), 1);
    EXPECT_EQ(objs[0].GetTotalFrames(), 75 + kMaxFrameCount);
}

}  // namespace
}  // namespace trov
