// The files trov keeps and makes: the temporary directory (where it is, that it does not grow, what a
// killed run left there) and the folder of --make-complete-project.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "cli/CliTestSupport.h"
#include "settings/SettingsStore.h"

namespace trov {
namespace {

namespace fs = std::filesystem;
using namespace clitest;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

int FilesIn(const fs::path& dir) {
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.is_regular_file()) ++n;
    return n;
}

// A WAV that the check accepts: 16-bit stereo 44.1 kHz, a tenth of a second of silence.
std::string SilentWav() {
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto le16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    const uint32_t data = 17640;
    return "RIFF" + le32(36 + data) + "WAVEfmt " + le32(16) + le16(1) + le16(2) + le32(44100) + le32(176400) +
           le16(4) + le16(16) + "data" + le32(data) + std::string(data, '\0');
}

TEST(TrovTempDir, ARelativeTempDirLivesInTheProgramDirectory) {
    TempDir home, work, cwd;
    WriteFileBytes(home / "Settings.ini", "[PROJECT_SETTINGS]\nTempDir=MyTemp\n");
    const std::string project = WriteProject(work.Path().string(), 2, 5);
    const std::string codec = WriteCodecSettings(work.Path().string());
    Result r = RunTrovIn(home.Path().string(), cwd.Path().string(),
                         "-PROJECT " + Quoted(project) + " -CREATE " + Quoted(codec));
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_TRUE(fs::exists(home.Path() / "MyTemp" / "cache1.cache")) << r.out;
    EXPECT_FALSE(fs::exists(cwd.Path() / "MyTemp"));
}

TEST(TrovTempDir, AWindowsPathFallsBackToTheDefaultWithOneWarning) {
    TempDir home, work, cwd;
    WriteFileBytes(home / "Settings.ini", "[PROJECT_SETTINGS]\nTempDir=C:\\Programme\\TROV\\Temp\n");
    const std::string project = WriteProject(work.Path().string(), 1, 5);
    const std::string codec = WriteCodecSettings(work.Path().string());
    Result r = RunTrovIn(home.Path().string(), cwd.Path().string(),
                         "-DEBUG -PROJECT " + Quoted(project) + " -CREATE " + Quoted(codec));
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(Count(r.out, "Warning: the TempDir \"C:\\Programme\\TROV\\Temp\""), 1) << r.out;
    EXPECT_TRUE(fs::exists(home.Path() / "Temp" / "cache1.cache"));
    EXPECT_TRUE(fs::is_empty(cwd.Path()));
    EXPECT_EQ(Count(ReadFileBytes(home / "TROV.log"), "TempDir C:\\Programme\\TROV\\Temp cannot exist"), 1);
}

TEST(TrovTempDir, TheStreamCacheDoesNotGrowFromRunToRun) {
    TempDir home, work;
    WriteFileBytes(home / "Settings.ini",
                   "[TROV_SETTINGS]\nEnableVideoStreamCache=1\nEnablePermanentCache=0\n");
    const std::string project = WriteProject(work.Path().string(), 3, 5);
    const std::string codec = WriteCodecSettings(work.Path().string());
    std::vector<int> files;
    for (int run = 0; run < 3; ++run) {
        Result r =
            RunTrovIn(home.Path().string(), "", "-PROJECT " + Quoted(project) + " -CREATE " + Quoted(codec));
        ASSERT_EQ(r.code, 0) << r.out;
        EXPECT_EQ(ProbeFrames(work / "project.avi"), 3 * 5 + 2 * 10);
        files.push_back(FilesIn(home.Path() / "Temp"));
    }
    // One run's parts, pictures and indexes; before, every run added its parts to the last.
    EXPECT_GE(files[0], 8);
    EXPECT_EQ(files[1], files[0]);
    EXPECT_EQ(files[2], files[0]);
}

TEST(TrovTempDir, AKilledRunsLeftoversGoAtTheNextStartUnlessAnotherInstanceRuns) {
    TempDir home, work;
    const std::string project = WriteProject(work.Path().string(), 1, 5);
    const fs::path temp = home.Path() / "Temp";
    fs::create_directories(temp);
    const char* leftovers[] = {"VC_File_###+++$$17.avi",
                               "VC_File_###+++$$17.avipic",
                               "pic_0123456789abcdef0123456789abcdef",
                               "wav_0123456789abcdef0123456789abcdef",
                               "Temp_Current_Project_File.ini",
                               "_TempWave4Compression.wav",
                               "_TempWave4Compression-4242.wav"};
    auto plant = [&] {
        for (const char* f : leftovers) WriteFileBytes(temp / f, "left over");
        WriteFileBytes(temp / "notes.txt", "the user's own");
        WriteFileBytes(temp / "pic_holiday.jpg", "the user's own too");
    };
    plant();
    // Another instance holds the directory: nothing of its may go.
    {
        int fd = ::open(temp.c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_SH), 0);
        Result r = RunTrovIn(home.Path().string(), "", "-PROJECT " + Quoted(project));
        EXPECT_EQ(r.code, 0) << r.out;
        ::close(fd);
        for (const char* f : leftovers) EXPECT_TRUE(fs::exists(temp / f)) << f;
    }
    Result r = RunTrovIn(home.Path().string(), "", "-PROJECT " + Quoted(project));
    EXPECT_EQ(r.code, 0) << r.out;
    for (const char* f : leftovers) EXPECT_FALSE(fs::exists(temp / f)) << f;
    EXPECT_TRUE(fs::exists(temp / "notes.txt"));
    EXPECT_TRUE(fs::exists(temp / "pic_holiday.jpg"));
}

class MakeCompleteProject : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work.Path() / "photos");
        MakeBmp(work / "photos/a.bmp", 160, 120);
        WriteFileBytes(work / "music.wav", SilentWav());
        project = work / "show.ini";
        WriteFileBytes(
            project,
            "[PROJECT_SETTINGS]\nMovie-Size-X=160\nMovie-Size-Y=120\nFramesPerSeconds=25\n"
            "Output-AVI=out/show.avi\nTempDir=" +
                (work / "oldmachine/Temp") +
                "\n"
                "[PICTURE_0]\nFileName=photos/a.bmp\nText-FadeIn=0\nShowPicture=5\nText-FadeOut=0\n"
                "Fade2NextPicture=3\nFading2NextPictureName=Cross Dissolve\nPictureText=\n"
                "[PICTURE_1]\nFileName=*Color-Fading*\nIsColorFade=1\nColorFade_ColorRef=16777215\nText-"
                "FadeIn=0\nShowPicture=4\n"
                "Text-FadeOut=0\nFade2NextPicture=3\nFading2NextPictureName=Cross Dissolve\n"
                "PictureText=\nAudioFile=" +
                (work / "music.wav") + "\n");
        codec = WriteCodecSettings(work.Path().string());
    }
    TempDir home, work, folder;
    std::string project, codec;
};

TEST_F(MakeCompleteProject, TheFolderRendersFromAnywhereWithItsOwnCodecSettings) {
    const fs::path dir = folder.Path() / "complete";
    Result r = RunTrovIn(home.Path().string(), "",
                         "-PROJECT " + Quoted(project) + " -CREATE " + Quoted(codec) +
                             " --make-complete-project " + Quoted(dir.string()));
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("Render it with: " + (dir / "make.sh").string() + "\n"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir / "cs_0.ini"));
    EXPECT_EQ(ReadFileBytes(dir / "cs_0.ini"), ReadFileBytes(codec));
    EXPECT_TRUE(fs::exists(dir / "audio" / "music.wav"));
    for (const auto& e : fs::directory_iterator(dir)) EXPECT_NE(e.path().extension(), ".bak") << e.path();

    CSettingsStore copy;
    ASSERT_TRUE(copy.Load((dir / "show.ini").string()));
    std::string audio, temp, picture;
    copy.GetString("PICTURE_1", "AudioFile", audio);
    copy.GetString("PICTURE_0", "FileName", picture);
    copy.GetString("PROJECT_SETTINGS", "TempDir", temp);
    EXPECT_EQ(audio, "audio/music.wav");
    EXPECT_EQ(picture, "pictures/a.bmp");
    EXPECT_EQ(temp, "Temp");

    // Plain UTF-8: every byte above 0x7F belongs to a valid sequence (the accent is C2 B4).
    const std::string sh = ReadFileBytes(dir / "make.sh");
    EXPECT_NE(sh.find("Don\xC2\xB4t forget"), std::string::npos);
    int accents = 0;
    for (size_t i = 1; i < sh.size(); ++i) {
        if (static_cast<unsigned char>(sh[i]) != 0xB4) continue;
        ++accents;
        EXPECT_EQ(static_cast<unsigned char>(sh[i - 1]), 0xC2u);
    }
    EXPECT_EQ(accents, 1);

    // make.sh changes to its own folder, so it works from anywhere.
    fs::remove(dir / "show.avi");
    TempDir elsewhere;
    Result run =
        RunShell("cd " + Quoted(elsewhere.Path().string()) + " && TROV_HOME=" + Quoted(home.Path().string()) +
                 " " + Quoted((dir / "make.sh").string()));
    EXPECT_EQ(run.code, 0) << run.out;
    EXPECT_EQ(ProbeFrames((dir / "show.avi").string()), 5 + 3 + 4);
    EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
}

TEST_F(MakeCompleteProject, WithoutCodecSettingsItSaysHowToAddThem) {
    Result r = RunTrovIn(home.Path().string(), "",
                         "-PROJECT " + Quoted(project) + " --make-complete-project " + Quoted(folder / "c"));
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_FALSE(fs::exists(folder.Path() / "c" / "cs_0.ini"));
    EXPECT_NE(r.out.find("No codec settings are in use, so " + (folder / "c/cs_0.ini") +
                         " was not written: copy a codec settings file there"),
              std::string::npos)
        << r.out;
}

TEST_F(MakeCompleteProject, AnAudioFileThatCannotBeCopiedIsReported) {
    fs::remove(work / "music.wav");
    Result r = RunTrovIn(home.Path().string(), "",
                         "-PROJECT " + Quoted(project) + " --make-complete-project " + Quoted(folder / "c"));
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("could not be copied"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(work / "music.wav"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace trov
