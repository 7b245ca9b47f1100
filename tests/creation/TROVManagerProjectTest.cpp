// The manager's project side: pipelines and progress, application settings, project load/save/
// backup/sort/paths, play length, options, hostile project files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "imaging/Picture.h"
#include "imaging/PictureTools.h"
#include "infra/TextEncoding.h"
#include "infra/UserPrompt.h"
#include "project/Md5.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"
#include "support/FileSizeLimit.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

struct RecordingView : CTROVManagerView {
    std::vector<std::string> statuses;
    std::vector<std::pair<int, std::string>> progress[2];
    int refreshes = 0;
    void OnStatusText(const std::string& t) override { statuses.push_back(t); }
    void OnProgress(bool complete, int pos, const std::string& text) override {
        progress[complete ? 1 : 0].emplace_back(pos, text);
    }
    void OnProjectRefreshed() override { ++refreshes; }
};

struct RecordingPrompt : CUserPrompt {
    std::vector<std::string> texts;
    PromptAnswer answer = PromptAnswer::Yes;
    PromptAnswer Ask(const std::string& text, const std::string&, PromptButtons, PromptAnswer) override {
        texts.push_back(text);
        return answer;
    }
};

class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUserPrompt(&prompt);
        fs::create_directories(home.Path());
        ASSERT_TRUE(manager.Initialize(home.Path().string()));
        manager.SetView(&view);
    }
    void TearDown() override {
        manager.SetView(nullptr);
        SetUserPrompt(nullptr);
        SetProjectDirectory("");
    }
    std::string Work(const std::string& name) { return work / name; }
    // Decodes a UTF-16 LE project file for comparisons.
    static std::string Utf16File(const std::string& path) {
        std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        std::string out;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            AppendUtf8(
                out, static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
        return out;
    }

    RecordingPrompt prompt;
    TempDir home;
    TempDir work;
    RecordingView view;
    CTROVManager manager;
};

TEST_F(ManagerTest, PipelinesAreCreatedWithTheManagerListeningAndProgressIsComputed) {
    CMessagePipelines& p = manager.GetPipelines();
    p.Send("MaxProgress", 400);
    p.Send("CurrentProgress", 100);
    EXPECT_EQ(manager.GetProgressPosition(false), 2500);
    EXPECT_EQ(manager.GetProgressText(false), "25 %");
    p.Send("CurrentProgressComplete", 5);  // no maximum yet
    EXPECT_EQ(manager.GetProgressPosition(true), 0);
    EXPECT_EQ(manager.GetProgressText(true), "0 %");
    p.Send("MaxProgressComplete", 3);
    p.Send("CurrentProgressComplete", 1);
    EXPECT_EQ(view.progress[1].back(), (std::pair<int, std::string>{3333, "33 %"}));
    p.Send("Status", "hello");
    p.Send("Timer1_RemainingTime", "00:01:00");
    EXPECT_EQ(manager.GetStatusText(), "hello");
    EXPECT_EQ(manager.GetTimeText(true), "00:01:00");
    EXPECT_TRUE(prompt.texts.empty());
    // Names are case-sensitive and DEBUG does not exist.
    p.Send("status", "x");
    p.Send("DEBUG", "x");
    ASSERT_EQ(prompt.texts.size(), 2u);
    EXPECT_EQ(prompt.texts[0], "Error: Message send to a Message Pipeline, which is not known: status");
    EXPECT_FALSE(p.Create("Status"));
    EXPECT_EQ(prompt.texts.back(), "Error! Message Pipeline already exist: Status");
}

TEST_F(ManagerTest, StartUpWritesSettingsAndSeedsTheProject) {
    EXPECT_TRUE(fs::exists(home / "Settings.ini"));
    EXPECT_TRUE(fs::is_directory(home / "Temp"));
    EXPECT_EQ(manager.GetPictureCache().GetDirectory(), home / "Temp");
    std::string out;
    ASSERT_TRUE(manager.GetProjectSettings().GetString(kProjectSettings, "Output-AVI", out));
    EXPECT_EQ(out, home / "Output.avi");
    EXPECT_FALSE(manager.IsVideoStreamCacheEnabled());
}

TEST_F(ManagerTest, PartialSettingsFileIsCompletedAtTheNextStart) {
    TempDir other;
    WriteFileBytes(other / "Settings.ini",
                   "[PROJECT_SETTINGS]\r\nMovie-Size-X=720\r\n[TROV_SETTINGS]\r\n"
                   "EnableVideoStreamCache=1\r\n");
    CTROVManager m;
    m.Initialize(other.Path().string());
    int x = 0, y = 0;
    m.GetProjectSettings().GetInt(kProjectSettings, "Movie-Size-X", x);
    m.GetProjectSettings().GetInt(kProjectSettings, "Movie-Size-Y", y);
    EXPECT_EQ(x, 720);
    EXPECT_EQ(y, 480);
    EXPECT_TRUE(m.IsVideoStreamCacheEnabled());
    std::string text = ReadFileBytes(other / "Settings.ini");
    EXPECT_NE(text.find("Movie-Size-X=720\r\n"), std::string::npos);
    EXPECT_NE(text.find("SplashScreenShowTime=1000\r\n"), std::string::npos);
}

TEST_F(ManagerTest, OptionSettersSaveAtOnce) {
    manager.SetQuality(1);
    EXPECT_NE(ReadFileBytes(home / "Settings.ini").find("Quality=1\r\n"), std::string::npos);
    manager.SetPermanentCache(true);
    EXPECT_TRUE(manager.IsPermanentCacheEnabled());
    manager.SetAutoShowNextPreviewFadingFrame(false);
    std::string text = ReadFileBytes(home / "Settings.ini");
    EXPECT_NE(text.find("EnablePermanentCache=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("AutoShowNextPreviewFadingFrame=0\r\n"), std::string::npos);
    EXPECT_EQ(manager.GetQuality(), 1);
    // The resize filter follows the setting, at once and at the next start.
    EXPECT_EQ(CPictureTools::GetQuality(), 1);
    manager.SetQuality(0);
    EXPECT_EQ(CPictureTools::GetQuality(), 0);
    CTROVManager next;
    manager.SetQuality(1);
    CPictureTools::SetQuality(0);
    next.Initialize(home.Path().string());
    EXPECT_EQ(CPictureTools::GetQuality(), 1);
    CPictureTools::SetQuality(0);
}

TEST_F(ManagerTest, HandWrittenProjectLoadsAndSavesInCanonicalOrder) {
    WriteFileBytes(Work("pic.jpg"), "jpeg bytes");
    // 8-bit, sections out of order, comments, blanks, a gap after PICTURE_1.
    WriteFileBytes(Work("hand.ini"),
                   "// my slide show\r\n"
                   "[PICTURE_1]\r\n"
                   "FileName=pic.jpg\r\n"
                   "PictureText=Sch\xF6n\r\n"
                   "  ShowPicture = 50\r\n"
                   "[PROJECT_SETTINGS]\r\n"
                   "FramesPerSeconds=25\r\n"
                   "Movie-Size-X=320\r\n"
                   "// comment inside\r\n"
                   "[PICTURE_0]\r\n"
                   "FileName=*Color-Fading*\r\n"
                   "IsColorFade=1\r\n"
                   "Fade2NextPicture=10\r\n"
                   "[PICTURE_3]\r\n"
                   "FileName=never.jpg\r\n");
    ASSERT_TRUE(manager.LoadProject(Work("hand.ini")));
    ASSERT_EQ(manager.GetObjectCount(), 2);
    EXPECT_TRUE(manager.GetObject(0)->IsColorFade());
    EXPECT_EQ(manager.GetObject(1)->pictureText, "Sch\xC3\xB6n");
    EXPECT_EQ(manager.GetObject(1)->showPicture, 50);
    EXPECT_EQ(manager.GetObject(1)->GetContentKey(), Md5Hex("jpeg bytes"));  // relative to the project
    EXPECT_EQ(manager.GetObject(2), nullptr);
    EXPECT_EQ(manager.GetProjectPath(), Work("hand.ini"));
    EXPECT_EQ(GetProjectDirectory(), work.Path().string());
    EXPECT_EQ(view.statuses.back(), "Project loaded: " + Work("hand.ini"));
    int x = 0;
    manager.GetProjectSettings().GetInt(kProjectSettings, "Movie-Size-X", x);
    EXPECT_EQ(x, 320);

    ASSERT_TRUE(manager.SaveProject(Work("hand.ini")));
    std::string text = Utf16File(Work("hand.ini"));
    size_t p0 = text.find("[PICTURE_0]"), p1 = text.find("[PICTURE_1]"), ps = text.find("[PROJECT_SETTINGS]");
    ASSERT_NE(p0, std::string::npos);
    EXPECT_LT(p0, p1);
    EXPECT_LT(p1, ps);
    EXPECT_EQ(text.find("PICTURE_3"), std::string::npos);
    EXPECT_EQ(text.find("//"), std::string::npos);
    EXPECT_NE(text.find("PictureText=Sch\xC3\xB6n\r\n"), std::string::npos);
    EXPECT_NE(text.find("FileName=pic.jpg\r\n"), std::string::npos);
    EXPECT_NE(text.find("Movie-Size-Y=480\r\n"), std::string::npos);  // the defaults under it
    // The previous version is beside it as ".bak".
    EXPECT_EQ(ReadFileBytes(Work("hand.bak")).substr(0, 17), "// my slide show\r");
    EXPECT_EQ(view.statuses.back(), "Project saved: " + Work("hand.ini"));

    // Loading the saved form gives the same project.
    CTROVManager again;
    again.Initialize(home.Path().string());
    ASSERT_TRUE(again.LoadProject(Work("hand.ini")));
    ASSERT_EQ(again.GetObjectCount(), 2);
    CSettingsStore a, b;
    manager.GetObject(1)->SaveToStore(a, "X");
    again.GetObject(1)->SaveToStore(b, "X");
    EXPECT_EQ(a.ToText(), b.ToText());
}

TEST_F(ManagerTest, BackupNamesAndAProjectWithoutObjects) {
    ASSERT_TRUE(manager.SaveProject(Work("empty.ini")));
    std::string text = Utf16File(Work("empty.ini"));
    EXPECT_EQ(text.find("[PICTURE_"), std::string::npos);
    EXPECT_EQ(text.rfind("[PROJECT_SETTINGS]", 0), 0u);
    EXPECT_FALSE(fs::exists(Work("empty.bak")));
    ASSERT_TRUE(manager.SaveProject(Work("empty.ini")));
    EXPECT_TRUE(fs::exists(Work("empty.bak")));
    // A project that is itself named ".bak" gets its backup as ".bak2".
    ASSERT_TRUE(manager.SaveProject(Work("old.bak")));
    ASSERT_TRUE(manager.SaveProject(Work("old.bak")));
    EXPECT_TRUE(fs::exists(Work("old.bak2")));
    // A name without extension, in a folder with a dot.
    fs::create_directories(work.Path() / "v1.2");
    ASSERT_TRUE(manager.SaveProject(Work("v1.2/show")));
    ASSERT_TRUE(manager.SaveProject(Work("v1.2/show")));
    EXPECT_TRUE(fs::exists(Work("v1.2/show.bak")));
}

TEST_F(ManagerTest, FailedSaveKeepsTheOldFileWhereItWas) {
    ASSERT_TRUE(manager.SaveProject(Work("p.ini")));
    std::string before = ReadFileBytes(Work("p.ini"));
    EXPECT_FALSE(manager.SaveProject(Work("nodir/p.ini")));
    EXPECT_EQ(view.statuses.back(), "Error: Can not save Project: " + Work("nodir/p.ini"));
    EXPECT_EQ(manager.GetProjectPath(), Work("p.ini"));
    EXPECT_FALSE(fs::exists(Work("nodir")));
    // The new content cannot be written beside the old file (the disk is full): the old file stays
    // where it was and no backup is made.
    for (int i = 0; i < 200; ++i)
        manager.AppendObject(
            CProjectObject::FromFile("/x/p" + std::to_string(i) + ".jpg", manager.GetProjectSettings()));
    int code = test::RunWithFileSizeLimit(before.size() + 100, [&] {
        if (manager.SaveProject(Work("p.ini"))) return 1;
        return view.statuses.back() == "Error: Can not save Project: " + Work("p.ini") ? 0 : 2;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFileBytes(Work("p.ini")), before);
    EXPECT_FALSE(fs::exists(Work("p.bak")));
}

TEST_F(ManagerTest, AFullDiskDuringASaveLeavesTheProjectAndItsBackupAsTheyWere) {
    manager.AppendObject(CProjectObject::FromFile("/x/first.jpg", manager.GetProjectSettings()));
    ASSERT_TRUE(manager.SaveProject(Work("show.ini")));
    manager.AppendObject(CProjectObject::FromFile("/x/second.jpg", manager.GetProjectSettings()));
    ASSERT_TRUE(manager.SaveProject(Work("show.ini")));
    const std::string project = ReadFileBytes(Work("show.ini")), backup = ReadFileBytes(Work("show.bak"));
    ASSERT_NE(project, backup);
    for (int i = 0; i < 500; ++i)
        manager.AppendObject(
            CProjectObject::FromFile("/x/more" + std::to_string(i) + ".jpg", manager.GetProjectSettings()));
    // The limit lets the save begin and stops it in the middle of the new file.
    int code = test::RunWithFileSizeLimit(project.size() * 3, [&] {
        if (manager.SaveProject(Work("show.ini"))) return 1;
        return view.statuses.back() == "Error: Can not save Project: " + Work("show.ini") ? 0 : 2;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFileBytes(Work("show.ini")), project);
    EXPECT_EQ(ReadFileBytes(Work("show.bak")), backup);
    size_t files = 0;
    for (auto it = fs::directory_iterator(work.Path()); it != fs::directory_iterator(); ++it) ++files;
    EXPECT_EQ(files, 2u) << "no temporary file is left";
    // With room on the disk the same save goes through.
    ASSERT_TRUE(manager.SaveProject(Work("show.ini")));
    EXPECT_EQ(ReadFileBytes(Work("show.bak")), project);
}

TEST_F(ManagerTest, UnreadableProjectKeepsTheCurrentOne) {
    manager.AppendObject(CProjectObject::FromFile("/x/a.jpg", manager.GetProjectSettings()));
    EXPECT_FALSE(manager.LoadProject(Work("missing.ini")));
    EXPECT_EQ(view.statuses.back(), "Error: Can not load Project: " + Work("missing.ini"));
    EXPECT_EQ(manager.GetObjectCount(), 1);
}

TEST_F(ManagerTest, HostileProjectFilesLoadWithoutHarm) {
    std::string binary;
    for (int i = 0; i < 200000; ++i) binary.push_back(static_cast<char>((i * 7 + i / 13) & 0xFF));
    WriteFileBytes(Work("binary.ini"), binary);
    EXPECT_TRUE(manager.LoadProject(Work("binary.ini")));
    EXPECT_EQ(manager.GetObjectCount(), 0);

    WriteFileBytes(Work("zero.ini"), "");
    EXPECT_TRUE(manager.LoadProject(Work("zero.ini")));
    EXPECT_EQ(manager.GetObjectCount(), 0);

    WriteFileBytes(Work("flat.ini"), std::string(50u << 20, 'p'));
    EXPECT_TRUE(manager.LoadProject(Work("flat.ini")));
    EXPECT_EQ(manager.GetObjectCount(), 0);

    WriteFileBytes(Work("longline.ini"), "[PICTURE_0]\nFileName=" + std::string(1u << 20, 'n') + "\n");
    EXPECT_TRUE(manager.LoadProject(Work("longline.ini")));
    ASSERT_EQ(manager.GetObjectCount(), 1);
    EXPECT_EQ(manager.GetObject(0)->GetFileName().size(), 1u << 20);

    // Absurd numbers stay numbers, brought into range.
    WriteFileBytes(Work("absurd.ini"),
                   "[PROJECT_SETTINGS]\nFramesPerSeconds=0\n[PICTURE_0]\nFileName=a.jpg\n"
                   "ShowPicture=99999999999\nText-FadeIn=-5\n");
    EXPECT_TRUE(manager.LoadProject(Work("absurd.ini")));
    EXPECT_EQ(manager.GetObject(0)->showPicture, kMaxFrameCount);
    EXPECT_EQ(manager.GetObject(0)->textFadeIn, 0);
    EXPECT_EQ(manager.GetFrameRate(), 25.0f);
    EXPECT_FALSE(manager.GetPlayLength().empty());

    EXPECT_FALSE(manager.LoadProject(work.Path().string()));  // a directory
}

TEST_F(ManagerTest, TenThousandEntries) {
    CSettingsStore s;
    s.SetInt(kProjectSettings, "Movie-Size-X", 640);
    for (int i = 0; i < 10000; ++i) {
        s.SetString("PICTURE_" + std::to_string(i), "FileName", "/missing/p" + std::to_string(i) + ".jpg");
        s.SetInt("PICTURE_" + std::to_string(i), "ShowPicture", 1);
    }
    ASSERT_TRUE(s.Save(Work("big.ini"), 2));
    ASSERT_TRUE(manager.LoadProject(Work("big.ini")));
    EXPECT_EQ(manager.GetObjectCount(), 10000);
    EXPECT_EQ(manager.GetObject(9999)->GetFileName(), "/missing/p9999.jpg");
    EXPECT_EQ(manager.GetPlayLength(), "00:06:40,000");  // 10,000 frames at 40 ms
    ASSERT_TRUE(manager.SaveProject(Work("big.ini")));
}

TEST_F(ManagerTest, PlayLength) {
    EXPECT_EQ(manager.GetPlayLength(), "00:00:00,000");
    CProjectObject o;
    o.textFadeIn = 25, o.showPicture = 100, o.textFadeOut = 15, o.fade2NextPicture = 25;
    manager.AppendObject(o);
    EXPECT_EQ(manager.GetPlayLength(), "00:00:05,600");
    manager.AppendObject(o);  // the first transition now counts: 165 + 140 frames
    EXPECT_EQ(manager.GetPlayLength(), "00:00:12,200");
    manager.GetProjectSettings().SetFloat(kProjectSettings, "FramesPerSeconds", 29.97f);
    EXPECT_EQ(manager.GetPlayLength(), "00:00:10,065");  // int(33.37 ms) = 33 per frame
    EXPECT_EQ(CTROVManager::FormatPlayLength(65040), "00:01:05,040");
    EXPECT_EQ(CTROVManager::FormatPlayLength(100LL * 3600000 + 1), "100:00:00,001");
}

TEST_F(ManagerTest, AbsurdFrameCountsAreClampedOnceAtLoadAndThePlayLengthUsesThem) {
    // The numbers of the report: "-1000060 frames", play length 0, "Writing frame 358 of 133".
    WriteFileBytes(Work("absurd.ini"),
                   "[PROJECT_SETTINGS]\nFramesPerSeconds=30,5\n"
                   "[PICTURE_0]\nFileName=a.jpg\nText-FadeIn=-1000060\nShowPicture=100\nText-FadeOut=-3\n"
                   "Fade2NextPicture=25\n"
                   "[PICTURE_1]\nFileName=b.jpg\nText-FadeIn=10\nShowPicture=2000000000\nText-FadeOut=5\n"
                   "Fade2NextPicture=7\n");
    ASSERT_TRUE(manager.LoadProject(Work("absurd.ini")));
    ASSERT_EQ(manager.GetObjectCount(), 2);
    EXPECT_EQ(manager.GetObject(0)->textFadeIn, 0);
    EXPECT_EQ(manager.GetObject(0)->textFadeOut, 0);
    EXPECT_EQ(manager.GetObject(0)->GetTotalFrames(), 125);
    EXPECT_EQ(manager.GetObject(1)->showPicture, kMaxFrameCount);
    // One note for the front end, naming the file and the count.
    ASSERT_EQ(manager.GetLoadNotes().size(), 1u);
    EXPECT_NE(manager.GetLoadNotes()[0].find("absurd.ini"), std::string::npos) << manager.GetLoadNotes()[0];
    EXPECT_NE(manager.GetLoadNotes()[0].find("3 frame counts"), std::string::npos)
        << manager.GetLoadNotes()[0];
    // "30,5" is 30.5 frames per second here as in the creation: int(1000 / 30.5) = 32 ms a frame.
    EXPECT_FLOAT_EQ(manager.GetFrameRate(), 30.5f);
    const long long frames = 125 + 10 + kMaxFrameCount + 5;
    EXPECT_EQ(manager.GetPlayLengthFrames(), frames);
    EXPECT_EQ(manager.GetPlayLength(), CTROVManager::FormatPlayLength(32 * frames));
    // The progress total of a creation is the same number of frames.
    EXPECT_EQ(manager.GetCreation().ComputeTotalFrames(0, 1), frames);
    // Saved and loaded again: nothing left to clamp, no note.
    ASSERT_TRUE(manager.SaveProject(Work("absurd.ini")));
    ASSERT_TRUE(manager.LoadProject(Work("absurd.ini")));
    EXPECT_TRUE(manager.GetLoadNotes().empty());
    EXPECT_EQ(manager.GetPlayLengthFrames(), frames);
}

TEST_F(ManagerTest, SortingIsStableAndByCodeUnits) {
    const char* names[] = {"/p/b.jpg", "/p/a0.jpg", "/p/a.jpg", "/p/B.jpg", "/p/a.jpg"};
    const char* captions[] = {"x", "y", "first a", "z", "second a"};
    for (int i = 0; i < 5; ++i) {
        CProjectObject o = CProjectObject::FromFile(names[i], manager.GetProjectSettings());
        o.pictureText = captions[i];
        manager.AppendObject(o);
    }
    manager.SortProject(SortProjectBy::Names);
    std::vector<std::string> got;
    for (int i = 0; i < 5; ++i) got.push_back(manager.GetObject(i)->pictureText);
    // "B" < "a" < "a0" < "b" by code units; the two "a.jpg" keep their order.
    EXPECT_EQ(got, (std::vector<std::string>{"z", "first a", "second a", "y", "x"}));
    EXPECT_EQ(view.statuses.back(), "Picture list sorted by names!");
    manager.SortProject(SortProjectBy::Text);
    EXPECT_EQ(manager.GetObject(0)->pictureText, "first a");
    EXPECT_EQ(manager.GetObject(4)->pictureText, "z");
    EXPECT_EQ(view.statuses.back(), "Picture list sorted by text!");
}

TEST_F(ManagerTest, RelativeAndAbsolutePaths) {
    fs::create_directories(work.Path() / "show" / "pics");
    WriteFileBytes(Work("show/pics/a.jpg"), "a");
    WriteFileBytes(Work("up.jpg"), "u");
    WriteFileBytes(Work("song.wav"), "w");
    CProjectObject a = CProjectObject::FromFile(Work("show/pics/a.jpg"), manager.GetProjectSettings());
    a.audioFile = Work("song.wav");
    manager.AppendObject(a);
    manager.AppendObject(CProjectObject::FromFile(Work("up.jpg"), manager.GetProjectSettings()));
    manager.AppendObject(CProjectObject::FromFile("/usr/share/elsewhere.jpg", manager.GetProjectSettings()));
    manager.GetProjectSettings().SetString(kProjectSettings, "Output-AVI", Work("show/out.avi"));

    manager.MakePathsRelative();  // never saved: nothing happens
    EXPECT_EQ(manager.GetObject(0)->GetFileName(), Work("show/pics/a.jpg"));

    ASSERT_TRUE(manager.SaveProject(Work("show/show.ini")));
    std::string keyBefore = manager.GetObject(0)->GetContentKey();
    prompt.answer = PromptAnswer::No;
    EXPECT_FALSE(manager.AskAndMakePathsRelative(prompt));
    EXPECT_EQ(manager.GetObject(0)->GetFileName(), Work("show/pics/a.jpg"));
    prompt.answer = PromptAnswer::Yes;
    EXPECT_TRUE(manager.AskAndMakePathsRelative(prompt));
    EXPECT_EQ(manager.GetObject(0)->GetFileName(), "pics/a.jpg");
    EXPECT_EQ(manager.GetObject(0)->GetContentKey(), keyBefore);
    EXPECT_EQ(manager.GetObject(0)->audioFile, "../song.wav");
    EXPECT_EQ(manager.GetObject(1)->GetFileName(), "../up.jpg");
    EXPECT_EQ(manager.GetObject(2)->GetFileName(), "/usr/share/elsewhere.jpg");
    std::string out;
    manager.GetProjectSettings().GetString(kProjectSettings, "Output-AVI", out);
    EXPECT_EQ(out, "out.avi");

    // Saved with relative paths, loaded from elsewhere: the paths still resolve.
    ASSERT_TRUE(manager.SaveProject(Work("show/show.ini")));
    SetProjectDirectory("/");
    CTROVManager other;
    other.Initialize(home.Path().string());
    ASSERT_TRUE(other.LoadProject(Work("show/show.ini")));
    EXPECT_EQ(other.GetObject(0)->GetContentKey(), keyBefore);

    other.MakePathsAbsolute();
    EXPECT_EQ(other.GetObject(0)->GetFileName(), Work("show/pics/a.jpg"));
    EXPECT_EQ(other.GetObject(0)->audioFile, Work("song.wav"));
    EXPECT_EQ(other.GetObject(1)->GetFileName(), Work("up.jpg"));
    EXPECT_EQ(other.GetObject(2)->GetFileName(), "/usr/share/elsewhere.jpg");  // cannot be opened: kept
    other.GetProjectSettings().GetString(kProjectSettings, "Output-AVI", out);
    EXPECT_EQ(out, "out.avi");  // no such file yet: kept
}

TEST_F(ManagerTest, ObjectListOperations) {
    for (const char* n : {"/a.jpg", "/b.jpg", "/c.jpg"})
        manager.AppendObject(CProjectObject::FromFile(n, manager.GetProjectSettings()));
    EXPECT_TRUE(manager.MoveObject(0, 2));
    EXPECT_EQ(manager.GetObject(2)->pictureText, "a");
    EXPECT_TRUE(manager.InsertObject(3, CProjectObject::FromFile("/d.jpg", manager.GetProjectSettings())));
    EXPECT_FALSE(manager.InsertObject(9, CProjectObject{}));
    EXPECT_FALSE(manager.RemoveObject(-1));
    EXPECT_TRUE(manager.RemoveObject(0));
    EXPECT_EQ(manager.GetObject(0)->pictureText, "c");
    EXPECT_EQ(manager.GetObject(-1), nullptr);
    EXPECT_FALSE(manager.MoveObject(0, 5));
    manager.ResetProject();
    EXPECT_EQ(manager.GetObjectCount(), 0);
    EXPECT_TRUE(manager.GetProjectPath().empty());
}

TEST_F(ManagerTest, AddingFilesAndColourFadings) {
    WriteFileBytes(Work("one.jpg"), "1");
    EXPECT_EQ(manager.AddFiles({Work("one.jpg")}), 1);
    EXPECT_EQ(view.statuses.back(), "Sucessfully add 1 new picture / AVI!");
    EXPECT_NE(std::find(view.statuses.begin(), view.statuses.end(),
                        "Reading Information from " + Work("one.jpg") + " ..."),
              view.statuses.end());
    EXPECT_EQ(manager.AddFiles({Work("two.jpg"), Work("three.jpg")}, 0), 2);
    EXPECT_EQ(view.statuses.back(), "Sucessfully add 2 new pictures / AVIs!");
    EXPECT_EQ(manager.GetObject(0)->pictureText, "two");
    EXPECT_EQ(manager.GetObject(2)->pictureText, "one");
    EXPECT_EQ(manager.GetObject(0)->showPicture, 100);

    EXPECT_TRUE(manager.InsertColorFading(ColorFadingPreset::WhiteTakingFrames, 2));
    EXPECT_TRUE(manager.GetObject(2)->IsColorFade());
    EXPECT_EQ(manager.GetObject(2)->fade2NextPicture, 13);
    EXPECT_EQ(manager.GetObject(3)->showPicture, 87);
}

TEST_F(ManagerTest, ResetCopiesTheDefaultsAndAppliesTheBackground) {
    CSettingsStore dialog;
    dialog.CopySection(manager.GetProjectSettings(), kProjectSettings);
    dialog.SetInt(kProjectSettings, "GlobalBackgroundColorR", 10);
    dialog.SetInt(kProjectSettings, "GlobalBackgroundColorB", 300);
    ASSERT_TRUE(manager.SetProjectSettingsAsDefault(dialog, prompt));
    EXPECT_NE(ReadFileBytes(home / "Settings.ini").find("GlobalBackgroundColorR=10\r\n"), std::string::npos);
    manager.ResetProject();
    EXPECT_EQ(CPicture::GetDefaultBackgroundColour(), 10u | (255u << 16));
    CTROVManager fresh;
    fresh.Initialize(home.Path().string());
    int r = 0;
    fresh.GetProjectSettings().GetInt(kProjectSettings, "GlobalBackgroundColorR", r);
    EXPECT_EQ(r, 10);
    CPicture::SetDefaultBackgroundColour(0);
}

}  // namespace
}  // namespace trov
