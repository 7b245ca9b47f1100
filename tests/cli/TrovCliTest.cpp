// The trov program end to end: --help, --version, -PROJECT, -DEBUG, -CREATE, bad input.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "imaging/DibPicture.h"
#include "settings/SettingsStore.h"
#include "support/TestSupport.h"
#include "video/CodecSettings.h"

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

TEST(TrovCli, CreateWritesTheMovieWhereAskedWithPlainProgressLines) {
    TempDir home, work;
    CDibPicture picture;
    ASSERT_TRUE(picture.Create(160, 120));
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) picture.SetPixel(x, y, uint8_t(x), uint8_t(y * 2), 90);
    ASSERT_TRUE(picture.SaveFile((work / "a.bmp")));
    std::string project =
        "[PROJECT_SETTINGS]\nMovie-Size-X=160\nMovie-Size-Y=120\nFramesPerSeconds=25\nOutput-AVI=" +
        (work / "project.avi") + "\n";
    for (int i = 0; i < 2; ++i)
        project += "[PICTURE_" + std::to_string(i) +
                   "]\nFileName=a.bmp\nText-FadeIn=0\nShowPicture=30\nText-FadeOut=0\nFade2NextPicture=10\n"
                   "Fading2NextPictureName=Cross Dissolve\nPictureText=\n";
    WriteFileBytes(work / "show.ini", project);
    CodecSettingsRecord codec;
    ASSERT_TRUE(MakeVideoCodecSettings("MJPG", 9000, "", codec));
    const std::string codecFile = SaveCodecSettings(codec, work.Path().string());
    ASSERT_FALSE(codecFile.empty());

    const std::string movie = (work / "asked.avi");
    Result r = RunTrov(home.Path().string(), "-PROJECT '" + (work / "show.ini") + "' -CREATE '" +
                                                 (work / codecFile) + "' --output '" + movie + "'");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_TRUE(std::filesystem::exists(movie));
    EXPECT_FALSE(std::filesystem::exists(work / "project.avi"));
    EXPECT_NE(r.out.find("Output-AVI sucessfully written: " + movie), std::string::npos) << r.out;
    // Not a terminal: progress comes as a line per tenth, never as a line per frame.
    EXPECT_NE(r.out.find("Progress: 50 %"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Progress: 100 %"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Writing frame"), std::string::npos) << r.out;
    std::string frames;
    FILE* p = popen(("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                     "-of csv=p=0 '" +
                     movie + "'")
                        .c_str(),
                    "r");
    ASSERT_TRUE(p);
    std::array<char, 64> buf{};
    while (fgets(buf.data(), int(buf.size()), p)) frames += buf.data();
    pclose(p);
    EXPECT_EQ(std::atoi(frames.c_str()), 30 + 10 + 30);
}

// 70 bytes whose header claims 30000 x 30000 pixels.
std::string HugeBmp() {
    std::string b(70, '\0');
    b[0] = 'B';
    b[1] = 'M';
    b[10] = 54;
    b[14] = 40;
    for (int at : {18, 22}) {
        b[size_t(at)] = char(30000 & 0xFF);
        b[size_t(at) + 1] = char(30000 >> 8);
    }
    b[26] = 1;
    b[28] = 24;
    return b;
}

TEST(TrovCli, ARefusedPictureIsReportedWithTheReadersCause) {
    TempDir home, work;
    WriteFileBytes(work / "huge.bmp", HugeBmp());
    WriteFileBytes(work / "show.ini", "[PROJECT_SETTINGS]\nMovie-Size-X=160\nMovie-Size-Y=120\nOutput-AVI=" +
                                          (work / "out.avi") +
                                          "\n[PICTURE_0]\nFileName=huge.bmp\nShowPicture=5\n"
                                          "Fading2NextPictureName=Cross Dissolve\n");
    CodecSettingsRecord codec;
    ASSERT_TRUE(MakeVideoCodecSettings("MJPG", 9000, "", codec));
    const std::string codecFile = SaveCodecSettings(codec, work.Path().string());
    Result r = RunTrov(home.Path().string(),
                       "-DEBUG -PROJECT '" + (work / "show.ini") + "' -CREATE '" + (work / codecFile) + "'");
    EXPECT_NE(r.code, 0) << r.out;
    // The message block as it stands, then the reader's cause for the file.
    EXPECT_NE(r.out.find("Inconsistency detected:\r\n\r\nhuge.bmp\r\n"), std::string::npos) << r.out;
    const size_t cause = r.out.find("huge.bmp: CDibPicture::LoadFile: ");
    ASSERT_NE(cause, std::string::npos) << r.out;
    EXPECT_NE(r.out.find("header claims", cause), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(work / "out.avi"));
    // With -DEBUG the same line is in the log.
    const std::string log = ReadFileBytes(home.Path() / "TROV.log");
    EXPECT_NE(log.find("CCreation::StartCreation: huge.bmp: CDibPicture::LoadFile: "), std::string::npos)
        << log;
    EXPECT_NE(log.find("header claims"), std::string::npos) << log;
}

TEST(TrovCli, AbsurdFrameCountsAreClampedWithOneNote) {
    TempDir home, work;
    WriteFileBytes(work / "absurd.ini",
                   "[PROJECT_SETTINGS]\nFramesPerSeconds=30,5\n"
                   "[PICTURE_0]\nFileName=a.jpg\nText-FadeIn=-1000060\nShowPicture=61\nText-FadeOut=0\n"
                   "Fade2NextPicture=0\n");
    Result r = RunTrov(home.Path().string(), "-PROJECT '" + (work / "absurd.ini") + "'");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out.find("-1000060"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("   61 frames  a.jpg"), std::string::npos) << r.out;
    size_t notes = 0;
    for (size_t at = r.out.find("outside 0 ... 1000000 frames"); at != std::string::npos;
         at = r.out.find("outside 0 ... 1000000 frames", at + 1))
        ++notes;
    EXPECT_EQ(notes, 1u) << r.out;
    // 61 frames at 30.5 per second: int(1000 / 30.5) = 32 ms each.
    EXPECT_NE(r.out.find("Play length: 00:00:01,952"), std::string::npos) << r.out;
}

TEST(TrovCli, AProjectWithAUtf8ByteOrderMarkKeepsItsFirstSection) {
    TempDir home, work;
    WriteFileBytes(work / "bom.ini",
                   "\xEF\xBB\xBF[PICTURE_0]\r\nFileName=a.jpg\r\nShowPicture=10\r\n"
                   "[PICTURE_1]\r\nFileName=b.jpg\r\nShowPicture=10\r\n");
    Result r = RunTrov(home.Path().string(), "-PROJECT '" + (work / "bom.ini") + "'");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("Entries: 2"), std::string::npos) << r.out;
}

TEST(TrovCli, ListsTheEffectsAndWarnsAboutUnknownArguments) {
    TempDir home;
    Result r = RunTrov(home.Path().string(), "--list-effects --no-such-switch");
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("   1  Cross Dissolve\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" 127  RGB Move\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ignoring the unknown argument \"--no-such-switch\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Usage:"), std::string::npos);
}

}  // namespace
}  // namespace trov
