// The program directory rule and the shipped language directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "infra/ProgramDirectory.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

// Restores the environment variable and the cached directory after a test.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : m_name(name) {
        if (const char* v = std::getenv(name)) m_old = v, m_had = true;
    }
    ~EnvGuard() {
        if (m_had)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
        SetProgramDirectory("");
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

TEST(ProgramDirectory, TrovHomeWinsAndIsCreated) {
    EnvGuard g("TROV_HOME");
    test::TempDir dir;
    std::string home = dir / "home/sub";
    setenv("TROV_HOME", (home + "/").c_str(), 1);
    SetProgramDirectory("");
    EXPECT_EQ(ProgramDirectory(), home);
    EXPECT_TRUE(std::filesystem::is_directory(home));
    EXPECT_EQ(ProgramSubdirectory("Temp"), home + "/Temp");
}

TEST(ProgramDirectory, WithoutTrovHomeAWritableExecutableDirectoryIsUsed) {
    EnvGuard g("TROV_HOME");
    unsetenv("TROV_HOME");
    SetProgramDirectory("");
    // The test binary lives in the (writable) build tree.
    EXPECT_EQ(ProgramDirectory(), ExecutableDirectory());
    EXPECT_FALSE(ExecutableDirectory().empty());
}

TEST(ProgramDirectory, OverrideAndShippedLanguagesFromTheSourceTree) {
    EnvGuard g("TROV_HOME");
    test::TempDir dir;
    SetProgramDirectory(dir.Path().string());
    EXPECT_EQ(ProgramDirectory(), dir.Path().string());
    std::filesystem::create_directories(dir.Path() / "Language");
    test::WriteFileBytes(dir.Path() / "Language" / "English.ini", "[X]\n");
    EXPECT_EQ(ShippedLanguageDirectory(), dir / "Language");
}

}  // namespace
}  // namespace trov
