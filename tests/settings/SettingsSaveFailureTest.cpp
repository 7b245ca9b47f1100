// Settings files are replaced whole: a save that cannot finish leaves the previous file.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/SettingsStore.h"
#include "support/FileSizeLimit.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::ReadFileBytes;
using test::TempDir;

TEST(SettingsSaveFailure, AFullDiskKeepsThePreviousFileInEveryEncoding) {
    TempDir dir;
    CSettingsStore store;
    store.SetString("TROV", "TempDir", "Temp");
    ASSERT_TRUE(store.Save(dir / "Settings.ini"));
    const std::string old = ReadFileBytes(dir / "Settings.ini");
    for (int i = 0; i < 300; ++i) store.SetInt("TROV", "Key" + std::to_string(i), i);
    for (int encoding : {CTextFile::k8Bit, CTextFile::kUtf16LE, CTextFile::kUtf16BE}) {
        int code = test::RunWithFileSizeLimit(
            old.size() * 8, [&] { return store.Save(dir / "Settings.ini", encoding) ? 1 : 0; });
        EXPECT_EQ(code, 0) << encoding;
        EXPECT_EQ(ReadFileBytes(dir / "Settings.ini"), old) << encoding;
    }
    size_t files = 0;
    for (auto it = std::filesystem::directory_iterator(dir.Path());
         it != std::filesystem::directory_iterator(); ++it)
        ++files;
    EXPECT_EQ(files, 1u);
    CSettingsStore again;
    ASSERT_TRUE(again.Load(dir / "Settings.ini"));
    std::string value;
    EXPECT_TRUE(again.GetString("TROV", "TempDir", value));
    EXPECT_FALSE(again.HasKey("TROV", "Key0"));
}

}  // namespace
}  // namespace trov
