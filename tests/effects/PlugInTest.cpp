// Plug-in modules: the sample module is loaded and renamed; faulty modules are skipped without a
// crash and without registering anything.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "EffectTestSupport.h"
#include "effects/FadingEffectManager.h"
#include "infra/UserPrompt.h"
#include "settings/SettingsStore.h"
#include "support/RecordingPrompt.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

namespace fs = std::filesystem;

const std::string kSample = std::string(TROV_PLUGIN_BUILD_DIR) + "/KestramiShapes.so";

std::string TestModule(const std::string& name) {
    return std::string(TROV_TEST_MODULE_DIR) + "/" + name + ".so";
}

struct PlugInTest : ::testing::Test {
    PlugInTest() { manager.SetUserPrompt(&prompt); }
    void CopyIn(const std::string& from, const std::string& as) {
        fs::copy_file(from, fs::path(dir.Path()) / as);
    }
    test::TempDir dir;
    test::CTextRecordingPrompt prompt;
    CFadingEffectManager manager;
};

TEST_F(PlugInTest, SampleModuleEffectsAreRenamedAfterTheirModuleAndNotOwned) {
    CopyIn(kSample, "KestramiShapes.so");
    EXPECT_EQ(manager.LoadPlugIns(dir.Path().string()), 2);
    CFadingEffect* diamond = manager.Find("Diamond Wipe [KestramiShapes.so]");
    CFadingEffect* blinds = manager.Find("Venetian Blinds [KestramiShapes.so]");
    ASSERT_NE(diamond, nullptr);
    ASSERT_NE(blinds, nullptr);
    EXPECT_EQ(manager.Find("Diamond Wipe"), nullptr);
    EXPECT_FALSE(diamond->IsOwnedByRegistry());
    EXPECT_TRUE(diamond->IsTextCapable());
    EXPECT_TRUE(prompt.texts.empty());
}

TEST_F(PlugInTest, PlugInEffectsFollowTheFrameProtocolAndEndOnB) {
    CopyIn(kSample, "KestramiShapes.so");
    manager.LoadPlugIns(dir.Path().string());
    auto a = test::PatternA(37, 23), b = test::PatternB(37, 23);
    for (const char* name : {"Diamond Wipe [KestramiShapes.so]", "Venetian Blinds [KestramiShapes.so]"}) {
        CFadingEffect* effect = manager.Find(name);
        ASSERT_NE(effect, nullptr) << name;
        effect->Init(a.get(), b.get(), 9);
        CDibPicture* first = nullptr;
        for (int k = 1; k <= 9; ++k) {
            CDibPicture* frame = effect->NextFrame();
            ASSERT_NE(frame, nullptr) << name << " frame " << k;
            if (!first) first = frame;
            EXPECT_EQ(frame, first);
            if (k == 9) {
                EXPECT_TRUE(test::SamePixels(*frame, *b)) << name;
            }
        }
        EXPECT_EQ(effect->NextFrame(), nullptr);
    }
    // The module's objects outlive Clear: the registry does not own them.
    manager.Clear();
}

TEST_F(PlugInTest, FaultyModulesAreSkippedAndOnlySoundObjectsRegistered) {
    for (const char* name : {"NoInfo", "AnswersY", "NoObjectExport", "LowerYes", "Throws", "HugeCount"})
        CopyIn(TestModule(name), std::string(name) + ".so");
    test::WriteFileBytes(dir.Path() / "garbage.so", "this is not a shared object");
    test::WriteFileBytes(dir.Path() / "empty.so", "");
    fs::create_directory(dir.Path() / "folder.so");
    CopyIn(kSample, "NotAPlugIn.dll");  // wrong extension: never looked at

    EXPECT_EQ(manager.LoadPlugIns(dir.Path().string()), 2);
    // "yes" in any case is accepted, "3 effects" counts 3, the null object is skipped.
    EXPECT_NE(manager.Find("Lower [LowerYes.so]"), nullptr);
    // An object that throws is skipped; the next one still comes.
    EXPECT_NE(manager.Find("Survivor [Throws.so]"), nullptr);
    EXPECT_EQ(manager.Find("Never Registered [AnswersY.so]"), nullptr);
    EXPECT_EQ(manager.Find("Never Registered [NoInfo.so]"), nullptr);
    EXPECT_EQ(manager.Find("Diamond Wipe [NotAPlugIn.dll]"), nullptr);
    EXPECT_EQ(manager.GetCount(), 2);
    // The second "Lower" of the same module is a duplicate, refused with its message.
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0],
              "Error: Can not integrate Effect! Effect already defined! Name: Lower [LowerYes.so]");
}

TEST_F(PlugInTest, LoadingTheSameDirectoryTwiceRegistersNothingNew) {
    CopyIn(kSample, "KestramiShapes.so");
    EXPECT_EQ(manager.LoadPlugIns(dir.Path().string()), 2);
    EXPECT_EQ(manager.LoadPlugIns(dir.Path().string()), 0);
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_EQ(manager.GetCount(), 2);
}

TEST_F(PlugInTest, MissingDirectoryIsSkippedSilently) {
    EXPECT_EQ(manager.LoadPlugIns((dir.Path() / "nowhere").string()), 0);
    EXPECT_EQ(manager.LoadPlugIns(""), 0);
    EXPECT_TRUE(prompt.texts.empty());
}

TEST_F(PlugInTest, ConfiguredDirectoryIsLoadedOnlyWhenImportIsOne) {
    CopyIn(kSample, "KestramiShapes.so");
    CSettingsStore settings;
    manager.SetSettings(&settings);
    settings.SetString("PLUGIN_SETTINGS", "FadingDLLDirectory", dir.Path().string());
    settings.SetInt("PLUGIN_SETTINGS", "ImportPlugInsAtStart", 0);
    EXPECT_EQ(manager.LoadConfiguredPlugIns(), 0);
    settings.SetInt("PLUGIN_SETTINGS", "ImportPlugInsAtStart", 1);
    EXPECT_EQ(manager.LoadConfiguredPlugIns(), 2);
}

TEST_F(PlugInTest, ExportsAreResolvedOncePerModuleAndEmptyNamesResolveNothing) {
    CPlugInModules modules;
    bool isNew = false;
    CPlugInModule* module = modules.Load(kSample, &isNew);
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(module->GetFileName(), "KestramiShapes.so");
    EXPECT_NE(module->GetExport("GetExportedInformation"), nullptr);
    EXPECT_EQ(module->GetExport("GetExportedInformation"), module->GetExport("GetExportedInformation"));
    EXPECT_EQ(module->GetExport(""), nullptr);
    EXPECT_EQ(module->GetExport("NoSuchExport"), nullptr);
    EXPECT_EQ(modules.Load(kSample, &isNew), module);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(modules.Count(), 1u);
    EXPECT_EQ(modules.Load(kSample + ".missing"), nullptr);
}

}  // namespace
}  // namespace trov
