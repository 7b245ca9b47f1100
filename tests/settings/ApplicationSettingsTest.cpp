// "Settings.ini" at start-up: seeding, layering, writing back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

TEST(ApplicationSettings, MissingFileIsCreatedWithEverySeededKeyInOrder) {
    TempDir dir;
    CSettingsStore app;
    bool ok = false;
    std::string path = InitApplicationSettings(app, dir.Path().string(), &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(path, dir / "Settings.ini");
    std::string text = ReadFileBytes(path);
    const std::string d = dir.Path().string();
    EXPECT_EQ(text,
              "[LANGUAGE]\r\nCurrentLanguage=English\r\n\r\n"
              "[PLUGIN_SETTINGS]\r\nFadingDLLDirectory=" +
                  d +
                  "/plugins\r\nImportPlugInsAtStart=1\r\n\r\n"
                  "[PROJECT_SETTINGS]\r\nApplyExifOrientation=1\r\nCropBottom=0\r\nCropLeft=0\r\nCropRight="
                  "0\r\nCropTop=0\r\n"
                  "Frames-Fading2NextPicture=25\r\nFrames-Showing-Picture=100\r\n"
                  "Frames-Text-Fade-In=25\r\nFrames-Text-Fade-Out=15\r\nFramesPerSeconds=25.000000\r\n"
                  "GlobalBackgroundColorB=0\r\n"
                  "GlobalBackgroundColorG=0\r\nGlobalBackgroundColorR=0\r\nMaxFileSizeLimit=640\r\n"
                  "Movie-Size-X=640\r\nMovie-Size-Y=480\r\nOutput-AVI=" +
                  d +
                  "/Output.avi\r\n"
                  "PictureMove_Quality=2.000000\r\nPictureMove_ScaleLimit=2.000000\r\nRescalePictures=1\r\n"
                  "TempDir=" +
                  d +
                  "/Temp\r\nUseFadingBetweenPictures=1\r\nUseTextFading=1\r\n\r\n"
                  "[TROV_SETTINGS]\r\nAutoShowNextPreviewFadingFrame=1\r\nConsistencyCheck=1\r\n"
                  "CreationEnsureItemIsVisible=1\r\nEnablePermanentCache=0\r\nEnableVideoStreamCache=0\r\n"
                  "Quality=0\r\nSplashScreenShowTime=1000\r\n\r\n");
}

TEST(ApplicationSettings, PartialFileKeepsItsValuesAndGainsTheRest) {
    TempDir dir;
    WriteFileBytes(dir / "Settings.ini", "[PROJECT_SETTINGS]\r\nMovie-Size-X=720\r\n[MINE]\r\nk=v\r\n");
    CSettingsStore app;
    InitApplicationSettings(app, dir.Path().string());
    CSettingsStore reread;
    ASSERT_TRUE(reread.Load(dir / "Settings.ini"));
    int x = 0, y = 0;
    EXPECT_TRUE(reread.GetInt(kProjectSettings, "Movie-Size-X", x));
    EXPECT_TRUE(reread.GetInt(kProjectSettings, "Movie-Size-Y", y));
    EXPECT_EQ(x, 720);
    EXPECT_EQ(y, 480);
    std::string k;
    EXPECT_TRUE(reread.GetString("MINE", "k", k));  // foreign sections survive
    EXPECT_EQ(reread.ToText(), app.ToText());
}

TEST(ApplicationSettings, FileWithAUtf8ByteOrderMarkKeepsItsFirstSection) {
    TempDir dir;
    WriteFileBytes(dir / "Settings.ini", "\xEF\xBB\xBF[PROJECT_SETTINGS]\r\nMovie-Size-X=720\r\n");
    CSettingsStore app;
    InitApplicationSettings(app, dir.Path().string());
    int x = 0;
    EXPECT_TRUE(app.GetInt(kProjectSettings, "Movie-Size-X", x));
    EXPECT_EQ(x, 720);
    CSettingsStore reread;
    ASSERT_TRUE(reread.Load(dir / "Settings.ini"));
    x = 0;
    EXPECT_TRUE(reread.GetInt(kProjectSettings, "Movie-Size-X", x));
    EXPECT_EQ(x, 720);
}

TEST(ApplicationSettings, UnwritableDirectoryRunsOnWithSettingsInMemory) {
    TempDir dir;
    // A "directory" that is a plain file cannot hold Settings.ini, not even for root.
    WriteFileBytes(dir / "file", "x");
    CSettingsStore app;
    bool ok = true;
    InitApplicationSettings(app, dir / "file", &ok);
    EXPECT_FALSE(ok);
    int x = 0;
    EXPECT_TRUE(app.GetInt(kProjectSettings, "Movie-Size-X", x));
    EXPECT_EQ(x, 640);
}

TEST(ApplicationSettings, TextDefaults) {
    CSettingsStore texts;
    SeedTextDefaults(texts);
    std::string t;
    ASSERT_TRUE(texts.GetString("TEXTS", "CanNotFindFadingEffect", t));
    EXPECT_EQ(t, "Can not find specified fading effect:");
    ASSERT_TRUE(texts.GetString("TEXTS", "AddAFadingEffect", t));
    EXPECT_NE(t.find("don\xC2\xB4t"), std::string::npos);
    EXPECT_EQ(texts.GetSection("TEXTS")->Size(), 3u);
}

}  // namespace
}  // namespace trov
