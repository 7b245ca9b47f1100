// trov -CREATE refuses what it cannot or must not do before any file is touched, with one exit code
// and one message per cause; relative --output paths; a failed project load.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "cli/CliTestSupport.h"

namespace trov {
namespace {

namespace fs = std::filesystem;
using namespace clitest;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

class TrovRefusal : public ::testing::Test {
protected:
    Result Create(const std::string& project, const std::string& extra = "") {
        return RunTrovIn(home.Path().string(), "",
                         "-PROJECT " + Quoted(project) + " -CREATE " + Quoted(codec) + " " + extra);
    }
    TempDir home, work;
    std::string codec = WriteCodecSettings(work.Path().string());
};

TEST_F(TrovRefusal, NothingToCreateAndUnknownCodecSettingsHaveTheirOwnCodes) {
    WriteFileBytes(work / "empty.ini", "[PROJECT_SETTINGS]\nMovie-Size-X=160\n");
    Result r = Create(work / "empty.ini");
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("nothing to create: the project has no entries"), std::string::npos) << r.out;

    const std::string project = WriteProject(work.Path().string(), 1, 5);
    r = RunTrovIn(home.Path().string(), "", "-PROJECT " + Quoted(project) + " -CREATE no-such-codec.ini");
    EXPECT_EQ(r.code, 2) << r.out;
    EXPECT_NE(r.out.find("codec settings file not found: no-such-codec.ini"), std::string::npos) << r.out;
}

TEST_F(TrovRefusal, CheckFindingsGiveOneAndSaySo) {
    const std::string project = WriteProject(work.Path().string(), 2, 5);
    fs::remove(work / "a.bmp");
    Result r = Create(project, "--output " + Quoted(work / "m.avi"));
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("Some files could not be read:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("did not pass the checks"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(work / "m.avi"));
}

TEST_F(TrovRefusal, UnusableSizeOrFrameRateLeavesThePreviousMovieAlone) {
    WriteFileBytes(work / "project.avi", "the previous movie");
    for (const char* settings : {"FramesPerSeconds=0\n", "Movie-Size-X=100000\n", "Movie-Size-Y=0\n"}) {
        SCOPED_TRACE(settings);
        const std::string project = WriteProject(work.Path().string(), 1, 5);
        // The later key wins over the one WriteProject put first.
        std::string text = ReadFileBytes(project);
        text.insert(text.find("[PICTURE_0]"), settings);
        WriteFileBytes(project, text);
        Result r = Create(project);
        EXPECT_EQ(r.code, 2) << r.out;
        EXPECT_NE(r.out.find(std::string(settings).find("Size") != std::string::npos ? "unusable movie size "
                                                                                     : "unusable frame rate"),
                  std::string::npos)
            << r.out;
        EXPECT_EQ(ReadFileBytes(work / "project.avi"), "the previous movie");
    }
}

TEST_F(TrovRefusal, AMissingOutputFolderIsNamed) {
    const std::string project = WriteProject(work.Path().string(), 1, 5);
    Result r = Create(project, "--output " + Quoted(work / "no/such/folder/m.avi"));
    EXPECT_EQ(r.code, 2) << r.out;
    EXPECT_NE(r.out.find("the folder " + (work / "no/such/folder") + " of the output does not exist"),
              std::string::npos)
        << r.out;
}

TEST_F(TrovRefusal, TheOutputMustNotBeOneOfTheProjectsOwnFiles) {
    // A WAV that the check accepts: 16-bit stereo 44.1 kHz, a tenth of a second of silence.
    std::string wav = "RIFF";
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto le16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    const uint32_t data = 17640;
    wav += le32(36 + data) + "WAVEfmt " + le32(16) + le16(1) + le16(2) + le32(44100) + le32(176400) +
           le16(4) + le16(16) + "data" + le32(data) + std::string(data, '\0');
    WriteFileBytes(work / "music.wav", wav);
    const std::string project = WriteProject(work.Path().string(), 2, 5, "", "AudioFile=music.wav\n");
    fs::create_symlink(work / "a.bmp", work / "link.avi");
    const std::string picture = ReadFileBytes(work / "a.bmp");
    const std::string projectText = ReadFileBytes(project);
    struct Case {
        std::string output, what;
    };
    for (const Case& c :
         {Case{work / "a.bmp", "the picture of entry 0"}, Case{project, "the project file"},
          Case{work / "music.wav", "the audio file of entry 0"},
          Case{work / "link.avi", "the picture of entry 0"},
          Case{work / "./sub/../a.bmp", "the picture of entry 0"}, Case{codec, "an input of this run"}}) {
        SCOPED_TRACE(c.output);
        fs::create_directories(work.Path() / "sub");
        Result r = Create(project, "--output " + Quoted(c.output));
        EXPECT_EQ(r.code, 2) << r.out;
        EXPECT_NE(r.out.find(c.what), std::string::npos) << r.out;
    }
    EXPECT_EQ(ReadFileBytes(work / "a.bmp"), picture);
    EXPECT_EQ(ReadFileBytes(project), projectText);
    EXPECT_EQ(ReadFileBytes(work / "music.wav"), wav);
}

TEST_F(TrovRefusal, ARelativeOutputResolvesAgainstTheWorkingDirectory) {
    TempDir cwd;
    const std::string project = WriteProject(work.Path().string(), 2, 5);
    fs::create_directories(cwd.Path() / "movies");
    Result r =
        RunTrovIn(home.Path().string(), cwd.Path().string(),
                  "-PROJECT " + Quoted(project) + " -CREATE " + Quoted(codec) + " --output movies/m.avi");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(ProbeFrames(cwd / "movies/m.avi"), 5 + 10 + 5);
    EXPECT_FALSE(fs::exists(work / "movies"));
    EXPECT_NE(r.out.find("Movie written: " + (cwd / "movies/m.avi")), std::string::npos) << r.out;
}

TEST_F(TrovRefusal, AFailedProjectLoadPrintsItsErrorOnce) {
    Result r = RunTrovIn(home.Path().string(), "", "-PROJECT /no/such/project.ini -CREATE " + Quoted(codec));
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_EQ(Count(r.out, "Can not load Project: /no/such/project.ini"), 1) << r.out;
}

}  // namespace
}  // namespace trov
