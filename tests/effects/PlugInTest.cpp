// Plug-in modules: the sample module is loaded and renamed; faulty modules are skipped without a
// crash and without registering anything.
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "EffectTestSupport.h"
#include "effects/ElfExports.h"
#include "effects/FadingEffectManager.h"
#include "infra/Log.h"
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

// The log written while fn runs.
std::string LogOf(const std::function<void()>& fn) {
    test::TempDir logDir;
    SetLogDirectory(logDir.Path().string());
    EnableLog(true);
    fn();
    EnableLog(false);
    CloseLog();
    std::string log = test::ReadFileBytes(GetLogPath());
    SetLogDirectory("");
    return log;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(PlugInTest, ForeignLibrariesAreNeverOpenedAndEachRefusalIsLoggedOnce) {
    unsetenv("TROV_FOREIGN_START_UP_RAN");
    for (const char* name : {"Foreign", "NoInfo", "NoObjectExport", "AnswersY"})
        CopyIn(TestModule(name), std::string(name) + ".so");
    CopyIn(kSample, "KestramiShapes.so");
    test::WriteFileBytes(dir.Path() / "garbage.so", "this is not a shared object");
    test::WriteFileBytes(dir.Path() / "empty.so", "");
    int registered = 0;
    const std::string log = LogOf([&] { registered = manager.LoadPlugIns(dir.Path().string()); });
    EXPECT_EQ(registered, 2);
    // The foreign library's start-up code did not run (it would set the variable).
    EXPECT_EQ(std::getenv("TROV_FOREIGN_START_UP_RAN"), nullptr);
    for (const char* name :
         {"Foreign.so", "NoInfo.so", "NoObjectExport.so", "AnswersY.so", "garbage.so", "empty.so"})
        EXPECT_EQ(Count(log, std::string(name) + " refused: "), 1u) << name << "\n" << log;
    EXPECT_NE(log.find("Foreign.so refused: does not export GetExportedInformation"), std::string::npos)
        << log;
    EXPECT_NE(log.find("NoObjectExport.so refused: does not export GetExportedObject"), std::string::npos)
        << log;
    EXPECT_NE(log.find("garbage.so refused: is not an ELF file"), std::string::npos) << log;
    EXPECT_EQ(log.find("KestramiShapes.so refused"), std::string::npos) << log;
    EXPECT_TRUE(prompt.texts.empty());
}

TEST_F(PlugInTest, AModuleReachedThroughLinksIsRegisteredOnceUnderItsOwnName) {
    CopyIn(kSample, "KestramiShapes.so");
    fs::create_symlink("KestramiShapes.so", dir.Path() / "Alias.so");
    fs::create_symlink("KestramiShapes.so", dir.Path() / "ZAlias.so");
    fs::create_hard_link(dir.Path() / "KestramiShapes.so", dir.Path() / "AHardLink.so");
    EXPECT_EQ(manager.LoadPlugIns(dir.Path().string()), 2);
    EXPECT_EQ(manager.GetCount(), 2);
    // The plain files are the hard link and the original; the smaller name wins between them,
    // and never a symbolic link's name.
    EXPECT_NE(manager.Find("Diamond Wipe [AHardLink.so]"), nullptr);
    EXPECT_NE(manager.Find("Venetian Blinds [AHardLink.so]"), nullptr);
    for (const std::string& name : manager.GetNames())
        EXPECT_EQ(name.find("Alias"), std::string::npos) << name;
    EXPECT_TRUE(prompt.texts.empty());
    // Loading the folder again, or the same file through a link, adds nothing.
    EXPECT_EQ(manager.LoadPlugIns(dir.Path().string()), 0);
    CPlugInModules modules;
    bool isNew = false;
    CPlugInModule* first = modules.Load((dir.Path() / "Alias.so").string(), &isNew);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(modules.Load((dir.Path() / "KestramiShapes.so").string(), &isNew), first);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(modules.Count(), 1u);
}

TEST_F(PlugInTest, ALinkAloneKeepsItsOwnNameAndALinkToItsTargetNameWins) {
    test::TempDir elsewhere;
    fs::copy_file(kSample, elsewhere.Path() / "KestramiShapes-1.0.so");
    fs::create_symlink(elsewhere.Path() / "KestramiShapes-1.0.so", dir.Path() / "KestramiShapes.so");
    EXPECT_EQ(manager.LoadPlugIns(dir.Path().string()), 2);
    EXPECT_NE(manager.Find("Diamond Wipe [KestramiShapes.so]"), nullptr);

    CFadingEffectManager other;
    other.SetUserPrompt(&prompt);
    // Another copy: one file opened twice in a process is one set of effect objects.
    test::TempDir second, elsewhere2;
    fs::copy_file(kSample, elsewhere2.Path() / "KestramiShapes-1.0.so");
    fs::create_symlink(elsewhere2.Path() / "KestramiShapes-1.0.so", second.Path() / "A.so");
    fs::create_symlink(elsewhere2.Path() / "KestramiShapes-1.0.so", second.Path() / "KestramiShapes-1.0.so");
    EXPECT_EQ(other.LoadPlugIns(second.Path().string()), 2);
    EXPECT_NE(other.Find("Diamond Wipe [KestramiShapes-1.0.so]"), nullptr);
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(ElfExports, TheSampleModuleShowsItsTwoExportsAndNothingHidden) {
    std::vector<std::string> names;
    std::string cause;
    ASSERT_TRUE(ReadElfExports(kSample, names, cause)) << cause;
    EXPECT_NE(std::find(names.begin(), names.end(), "GetExportedInformation"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "GetExportedObject"), names.end());
    // Built with hidden visibility: the effect classes are not exported.
    for (const std::string& n : names) EXPECT_EQ(n.find("CBuiltinEffect"), std::string::npos) << n;
    names.clear();
    ASSERT_TRUE(ReadElfExports(TestModule("Foreign"), names, cause)) << cause;
    EXPECT_NE(std::find(names.begin(), names.end(), "ForeignFunction"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "GetExportedInformation"), names.end());
}

TEST(ElfExports, DamagedAndForeignFilesAreRefusedWithACause) {
    test::TempDir dir;
    const std::string good = test::ReadFileBytes(kSample);
    ASSERT_GT(good.size(), 1000u);
    std::vector<std::pair<std::string, std::string>> cases;
    for (size_t length : {size_t(0), size_t(3), size_t(16), size_t(63), size_t(64), size_t(1000),
                          good.size() / 2, good.size() - 1})
        cases.push_back({"cut at " + std::to_string(length), good.substr(0, length)});
    auto patched = [&](size_t at, const std::string& bytes) {
        std::string b = good;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    cases.push_back({"32-bit class", patched(EI_CLASS, std::string(1, char(ELFCLASS32)))});
    cases.push_back({"big-endian", patched(EI_DATA, std::string(1, char(ELFDATA2MSB)))});
    cases.push_back({"executable type", patched(offsetof(Elf64_Ehdr, e_type), std::string("\x02\x00", 2))});
    cases.push_back({"other machine", patched(offsetof(Elf64_Ehdr, e_machine), std::string("\xB7\x00", 2))});
    cases.push_back({"section table far away", patched(offsetof(Elf64_Ehdr, e_shoff),
                                                       std::string("\x00\x00\x00\x00\x00\x00\x00\x70", 8))});
    cases.push_back(
        {"huge section count", patched(offsetof(Elf64_Ehdr, e_shnum), std::string("\xFF\xFE", 2))});
    for (const auto& [what, bytes] : cases) {
        test::WriteFileBytes(dir.Path() / "m.so", bytes);
        std::vector<std::string> names;
        std::string cause;
        EXPECT_FALSE(ReadElfExports((dir.Path() / "m.so").string(), names, cause)) << what;
        EXPECT_FALSE(cause.empty()) << what;
        EXPECT_TRUE(names.empty()) << what;
    }
    std::vector<std::string> names;
    std::string cause;
    EXPECT_FALSE(ReadElfExports((dir.Path() / "missing.so").string(), names, cause));
    EXPECT_FALSE(ReadElfExports(dir.Path().string(), names, cause));  // a folder
}

// Every single-byte change in the headers and tables of a module gives an answer, never a crash.
TEST(ElfExports, EveryByteOfTheHeaderCanBeWrong) {
    test::TempDir dir;
    const std::string good = test::ReadFileBytes(kSample);
    Elf64_Ehdr eh;
    std::memcpy(&eh, good.data(), sizeof eh);
    std::vector<size_t> spots;
    for (size_t i = 0; i < sizeof eh; ++i) spots.push_back(i);
    for (size_t i = 0; i < size_t(eh.e_shnum) * sizeof(Elf64_Shdr); i += 3) spots.push_back(eh.e_shoff + i);
    for (size_t at : spots) {
        if (at >= good.size()) continue;
        std::string b = good;
        b[at] = char(b[at] ^ 0xA5);
        test::WriteFileBytes(dir.Path() / "m.so", b);
        std::vector<std::string> names;
        std::string cause;
        const bool ok = ReadElfExports((dir.Path() / "m.so").string(), names, cause);
        EXPECT_TRUE(ok || !cause.empty()) << at;
    }
}

}  // namespace
}  // namespace trov
