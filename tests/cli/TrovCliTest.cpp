// The trov program end to end: --help, --version, -PROJECT, -DEBUG, bad input.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "settings/SettingsStore.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

struct Result {
    int code = -1;
    std::string out;
};

// Runs trov with TROV_HOME set to home; stdout and stderr together.
Result RunTrov(const std::string& home, const std::string& args) {
    std::string cmd = "TROV_HOME='" + home + "' '" TROV_EXE "' " + args + " 2>&1";
    Result r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TEST(TrovCli, VersionAndHelp) {
    TempDir home;
    Result v = RunTrov(home.Path().string(), "--version");
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.out, "Trovamatic 3.7\n");
    Result h = RunTrov(home.Path().string(), "--help");
    EXPECT_EQ(h.code, 0);
    EXPECT_NE(h.out.find("-PROJECT"), std::string::npos);
    EXPECT_NE(h.out.find("-CREATE"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(home / "Settings.ini"));  // no start-up for --help
}

TEST(TrovCli, ProjectIsLoadedAndListed) {
    TempDir home, work;
    WriteFileBytes(work / "a.jpg", "a");
    CSettingsStore s;
    s.SetString("PICTURE_0", "FileName", "a.jpg");
    s.SetString("PICTURE_0", "PictureText", "Alpha");
    s.SetInt("PICTURE_0", "Text-FadeIn", 25);
    s.SetInt("PICTURE_0", "ShowPicture", 100);
    s.SetInt("PICTURE_0", "Text-FadeOut", 15);
    s.SetInt("PICTURE_0", "Fade2NextPicture", 25);
    ASSERT_TRUE(s.Save(work / "show.ini", 2));
    Result r = RunTrov(home.Path().string(), "-project '" + (work / "show.ini") + "'");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("Entries: 1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("a.jpg"), std::string::npos);
    EXPECT_NE(r.out.find("\"Alpha\""), std::string::npos);
    EXPECT_NE(r.out.find("Play length: 00:00:05,600\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(home / "Settings.ini"));
    EXPECT_FALSE(std::filesystem::exists(home / "TROV.log"));
}

TEST(TrovCli, MissingProjectFailsWithAMessage) {
    TempDir home;
    Result r = RunTrov(home.Path().string(), "-PROJECT /no/such/project.ini");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("Error: Can not load Project: /no/such/project.ini"), std::string::npos);
}

TEST(TrovCli, DebugWritesTheLog) {
    TempDir home;
    Result r = RunTrov(home.Path().string(), "-debug");
    EXPECT_EQ(r.code, 0);
    std::string log = ReadFileBytes(home / "TROV.log");
    EXPECT_NE(log.find("> ---\r\n"), std::string::npos);
    EXPECT_NE(log.find("> TROV Logging enabled!\r\n"), std::string::npos);
    EXPECT_NE(log.find("> Version: Trovamatic 3.7\r\n"), std::string::npos);
}

TEST(TrovCli, SwitchWithoutValueHasNoEffect) {
    TempDir home;
    Result r = RunTrov(home.Path().string(), "-PROJECT");
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("Usage:"), std::string::npos);
}

}  // namespace
}  // namespace trov
