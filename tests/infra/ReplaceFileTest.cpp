// Crash-safe file replacement: the new content or the old, never half of one, and never a stray
// temporary file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "infra/ReplaceFile.h"
#include "support/FileSizeLimit.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

size_t EntriesIn(const fs::path& dir) {
    size_t n = 0;
    for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it) ++n;
    return n;
}

TEST(ReplaceFile, NewAndReplacedFilesKeepTheOldPermissionsAndNoTemporaryFile) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(ReplaceFileContent(dir / "a.ini", "first", {}, &error)) << error;
    EXPECT_EQ(ReadFileBytes(dir / "a.ini"), "first");
    fs::permissions(dir / "a.ini", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(ReplaceFileContent(dir / "a.ini", std::string(100000, 'x')));
    EXPECT_EQ(ReadFileBytes(dir / "a.ini"), std::string(100000, 'x'));
    EXPECT_EQ(fs::status(dir / "a.ini").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(ReplaceFileContent(dir / "a.ini", ""));
    EXPECT_EQ(ReadFileBytes(dir / "a.ini"), "");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(ReplaceFile, TheBackupGetsTheOldContentOnlyWhenThereIsOne) {
    TempDir dir;
    ASSERT_TRUE(ReplaceFileContent(dir / "p.ini", "v1", dir / "p.bak"));
    EXPECT_FALSE(fs::exists(dir / "p.bak"));
    ASSERT_TRUE(ReplaceFileContent(dir / "p.ini", "v2", dir / "p.bak"));
    ASSERT_TRUE(ReplaceFileContent(dir / "p.ini", "v3", dir / "p.bak"));
    EXPECT_EQ(ReadFileBytes(dir / "p.ini"), "v3");
    EXPECT_EQ(ReadFileBytes(dir / "p.bak"), "v2");
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

TEST(ReplaceFile, ALinkIsFollowedAndSurvives) {
    TempDir dir;
    fs::create_directories(dir.Path() / "real");
    WriteFileBytes(dir.Path() / "real" / "s.ini", "old");
    fs::create_symlink(dir.Path() / "real" / "s.ini", dir.Path() / "link.ini");
    ASSERT_TRUE(ReplaceFileContent(dir / "link.ini", "new"));
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.ini"));
    EXPECT_EQ(ReadFileBytes(dir.Path() / "real" / "s.ini"), "new");
}

TEST(ReplaceFile, ImpossibleTargetsFailWithTheCauseAndTouchNothing) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(ReplaceFileContent(dir / "missing/x.ini", "x", {}, &error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    fs::create_directories(dir.Path() / "folder");
    EXPECT_FALSE(ReplaceFileContent(dir / "folder", "x", {}, &error));
    EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
    // A device is written, not replaced.
    EXPECT_TRUE(ReplaceFileContent("/dev/null", "x"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(ReplaceFile, AFullDiskLeavesTheOldFileAndTheOldBackupIntact) {
    TempDir dir;
    const std::string old(3000, 'o');
    ASSERT_TRUE(ReplaceFileContent(dir / "p.ini", "older"));
    ASSERT_TRUE(ReplaceFileContent(dir / "p.ini", old, dir / "p.bak"));
    int code = test::RunWithFileSizeLimit(4096, [&] {
        std::string error;
        bool ok = ReplaceFileContent(dir / "p.ini", std::string(10000, 'n'), dir / "p.bak", &error);
        if (ok) return 1;
        return error.find("File too large") != std::string::npos ? 0 : 2;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFileBytes(dir / "p.ini"), old);
    EXPECT_EQ(ReadFileBytes(dir / "p.bak"), "older");
    EXPECT_EQ(EntriesIn(dir.Path()), 2u) << "the temporary file is gone";
}

}  // namespace
}  // namespace trov
