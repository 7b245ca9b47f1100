// The options dialog's copy of the application settings and what OK does with it.
#include <gtest/gtest.h>

#include <filesystem>

#include "creation/TROVManager.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/OptionsModel.h"

namespace trov {
namespace {

TEST(OptionsModel, EditsACopyUntilOkAndThenSavesItAndMovesTheCaches) {
    test::TempDir home;
    CTROVManager manager;
    manager.Initialize(home.Path().string());
    CWndLanguageManager language;
    COptionsModel model(manager.GetAppSettings(), language);
    std::string newTemp = (home.Path() / "elsewhere").string();
    model.SetTempDirectory(newTemp);
    model.SetConsistencyCheck(false);
    model.Accept("Deutsch");
    EXPECT_EQ(model.GetTempDirectory(), newTemp);
    // Nothing reached the live settings yet.
    EXPECT_NE(manager.GetTempDirectory(), newTemp);
    EXPECT_EQ(CurrentLanguage(manager.GetAppSettings()), "English");
    model.SetTempDirectory("");  // a cancelled folder dialog changes nothing
    EXPECT_EQ(model.GetTempDirectory(), newTemp);

    std::string oldTemp = manager.GetTempDirectory();
    EXPECT_TRUE(model.Apply(manager));
    EXPECT_EQ(manager.GetTempDirectory(), newTemp);
    EXPECT_EQ(manager.GetPictureCache().GetDirectory(), newTemp);
    EXPECT_EQ(manager.GetWaveCache().GetDirectory(), newTemp);
    EXPECT_TRUE(std::filesystem::is_directory(newTemp));
    // The old folder kept its index files.
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(oldTemp) / "cache1.cache"));
    CSettingsStore saved;
    ASSERT_TRUE(saved.Load(manager.GetSettingsPath()));
    EXPECT_EQ(CurrentLanguage(saved), "Deutsch");
    int check = 1;
    EXPECT_TRUE(saved.GetInt(kTrovSettings, appkey::kConsistencyCheck, check));
    EXPECT_EQ(check, 0);
}

TEST(OptionsModel, LanguageAboutNamesTheFileOrSaysItIsNotListed) {
    test::TempDir home;
    test::WriteFileBytes(
        home.Path() / "Klingon.ini",
        "[LANGUAGE]\r\nLanguage=Klingon\r\nVersion=3.7\r\nAuthor=Worf\r\nComment=Qapla'\r\n");
    CWndLanguageManager language;
    language.ScanLanguageFiles(home.Path().string());
    CSettingsStore app;
    COptionsModel model(app, language);
    EXPECT_EQ(model.GetLanguage(), "English");
    std::string about = model.LanguageAbout("Klingon");
    EXPECT_NE(about.find("Author: Worf"), std::string::npos);
    EXPECT_NE(about.find("Klingon.ini"), std::string::npos);
    EXPECT_EQ(model.LanguageAbout("Vulcan"), "Language File: Vulcan ()");
}

}  // namespace
}  // namespace trov
