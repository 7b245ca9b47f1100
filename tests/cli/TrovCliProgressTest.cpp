// What trov prints while it works: phases and tenths when not on a terminal, a line redrawn at most
// ten times a second on one, --quiet and --verbose.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "cli/CliTestSupport.h"
#include "cli/TrovCommand.h"

namespace trov {
namespace {

namespace fs = std::filesystem;
using namespace clitest;
using test::TempDir;

std::string DemoProject() {
    return std::string(std::getenv("TROV_SOURCE_DIR")) + "/demo/demo.ini";
}
std::string DemoCodec() {
    return std::string(std::getenv("TROV_SOURCE_DIR")) + "/demo/cs_demo.ini";
}

int Lines(const std::string& text) {
    return Count(text, "\n");
}

TEST(TrovProgress, TheDemoThroughAPipeShowsPhasesAndTenthsButNothingPerFrame) {
    TempDir home, work;
    Result r = RunTrovIn(home.Path().string(), "",
                         "-PROJECT " + Quoted(DemoProject()) + " -CREATE " + Quoted(DemoCodec()) +
                             " --output " + Quoted(work / "demo.avi") + " 2>&1 | cat");
    ASSERT_NE(r.out.find("Movie written: "), std::string::npos) << r.out;
    for (const char* perItem : {"Resizing picture", "Creating Underwater-Effect-Frame", "Creating Textfading",
                                "Writing frame", "Initializing Effect", "Adding text", "Caching picture"})
        EXPECT_EQ(r.out.find(perItem), std::string::npos) << perItem << "\n" << r.out;
    EXPECT_EQ(Count(r.out, "Checking consistency ...\n"), 1) << r.out;
    EXPECT_EQ(Count(r.out, "Creating the movie ...\n"), 1) << r.out;
    EXPECT_EQ(Count(r.out, "Progress: "), 10) << r.out;
    EXPECT_EQ(Count(r.out, "Output-AVI sucessfully written: "), 1) << r.out;
    // The listing of the six entries and these lines; 250 before.
    EXPECT_LE(Lines(r.out), 30) << r.out;
}

TEST(TrovProgress, QuietShowsOnlyTheResultAndVerboseEveryStatus) {
    TempDir home, work;
    const std::string project = WriteProject(work.Path().string(), 2, 20);
    const std::string codec = WriteCodecSettings(work.Path().string());
    const std::string create =
        "-PROJECT " + Quoted(project) + " -CREATE " + Quoted(codec) + " --output " + Quoted(work / "m.avi");
    Result quiet = RunTrovIn(home.Path().string(), "", create + " --quiet");
    EXPECT_EQ(quiet.code, 0) << quiet.out;
    EXPECT_NE(quiet.out.find("Movie written: "), std::string::npos) << quiet.out;
    EXPECT_EQ(quiet.out.find("Progress: "), std::string::npos) << quiet.out;
    EXPECT_EQ(quiet.out.find("Creating the movie"), std::string::npos) << quiet.out;
    EXPECT_EQ(quiet.out.find("sucessfully written"), std::string::npos) << quiet.out;

    Result verbose = RunTrovIn(home.Path().string(), "", create + " -v");
    EXPECT_EQ(verbose.code, 0) << verbose.out;
    EXPECT_NE(verbose.out.find("Writing frame 1 of 50 ...\n"), std::string::npos) << verbose.out;
    EXPECT_NE(verbose.out.find("Writing frame 50 of 50 ...\n"), std::string::npos) << verbose.out;
    EXPECT_EQ(Count(verbose.out, "Progress: "), 10) << verbose.out;
}

TEST(TrovProgress, OnATerminalTheLineIsRedrawnAtMostTenTimesASecond) {
    if (RunShell("command -v script").code != 0) GTEST_SKIP() << "script(1) is not installed";
    TempDir home, work;
    const std::string trov = "TROV_HOME=" + Quoted(home.Path().string()) + " " + Quoted(TROV_EXE) +
                             " -PROJECT " + Quoted(DemoProject()) + " -CREATE " + Quoted(DemoCodec()) +
                             " --output " + Quoted(work / "demo.avi");
    const auto start = std::chrono::steady_clock::now();
    // script(1) gives trov a terminal and copies what it draws there into the pipe.
    Result r = RunShell("script -qfec " + Quoted(trov) + " /dev/null");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(r.code, 0) << r.out.substr(0, 2000);
    ASSERT_NE(r.out.find("Movie written: "), std::string::npos);
    const int redraws = Count(r.out, "\r\033[K[");
    // Ten a second, and one after each line printed above the progress line (phases, results).
    EXPECT_GE(redraws, 1);
    EXPECT_LE(redraws, static_cast<int>(seconds * 10) + 20) << seconds << " s";
    EXPECT_LT(r.out.size(), 64u * 1024u);
}

// A fake clock for the view.
struct FakeClock {
    std::chrono::steady_clock::time_point now{};
    CTerminalView::Clock Get() {
        return [this] { return now; };
    }
};

std::string Drain(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    return out;
}

TEST(TerminalView, ThrottlesRedrawsButShowsTheLastStateAndEveryProblem) {
    FakeClock clock;
    std::FILE* out = std::tmpfile();
    ASSERT_TRUE(out);
    {
        CTerminalView view(out, true, Verbosity::Normal, clock.Get());
        // 5,000 updates in 5 simulated seconds, an effect's per-row progress among them.
        for (int i = 1; i <= 5000; ++i) {
            clock.now += std::chrono::milliseconds(1);
            view.OnProgress(false, i, std::to_string(i % 100) + " %");
            if (i % 50 == 0) view.OnProgress(true, i, std::to_string(i / 50) + " %");
        }
        EXPECT_LE(view.GetRedrawCount(), 51);
        EXPECT_GE(view.GetRedrawCount(), 45);
        clock.now += std::chrono::milliseconds(1);
        view.OnProgress(true, 10000, "100 %");
        view.Finish();
        clock.now += std::chrono::milliseconds(1);
        view.OnStatusText("Error: Can not write frame: disk full");
    }
    const std::string text = Drain(out);
    std::fclose(out);
    // The last state is drawn before the line is ended, even inside the 100 ms.
    const size_t last = text.rfind("\r\033[K[", text.find("Error:"));
    ASSERT_NE(last, std::string::npos);
    const std::string lastState = "\r\033[K[0 % | 100 % |";
    EXPECT_EQ(text.compare(last, lastState.size(), lastState), 0) << text.substr(last);
    // A problem gets a line of its own.
    EXPECT_NE(text.find("\nError: Can not write frame: disk full\n"), std::string::npos);
}

TEST(TerminalView, PlainOutputClassifiesStatusTexts) {
    EXPECT_EQ(ClassifyStatus("Error: Can not create AVI: x.avi"), StatusKind::Problem);
    EXPECT_EQ(ClassifyStatus("Warning: the TempDir \"C:\\T\" of s.ini cannot exist on this system"),
              StatusKind::Problem);
    EXPECT_EQ(ClassifyStatus("Creation canceled!"), StatusKind::Milestone);
    EXPECT_EQ(ClassifyStatus("Output-AVI sucessfully written: m.avi"), StatusKind::Milestone);
    EXPECT_EQ(ClassifyStatus("Writing frame 7 of 9 ..."), StatusKind::Phase);
    EXPECT_EQ(ClassifyStatus("Writing frame (0 - 45) of 90 ..."), StatusKind::Phase);
    EXPECT_EQ(PhaseLine("Writing frame (0 - 45) of 90 ..."), PhaseLine("Writing frame 7 of 9 ..."));
    EXPECT_EQ(ClassifyStatus("Checking consistency of a.jpg... Checking Frame 3 of 9..."), StatusKind::Phase);
    EXPECT_EQ(ClassifyStatus("Resizing picture ..."), StatusKind::Detail);
    EXPECT_EQ(ClassifyStatus("Creating Underwater-Effect-Frame 3 of 50 ..."), StatusKind::Detail);

    std::FILE* out = std::tmpfile();
    ASSERT_TRUE(out);
    {
        CTerminalView view(out, false, Verbosity::Normal);
        for (const char* file : {"a.jpg", "b.jpg", "c.jpg"}) {
            view.OnStatusText(std::string("Checking consistency of ") + file + "...");
            view.OnStatusText("Resizing picture ...");
        }
        for (int i = 1; i <= 200; ++i) {
            view.OnStatusText("Writing frame " + std::to_string(i) + " of 200 ...");
            view.OnProgress(true, i * 50, std::to_string(i / 2) + " %");
        }
        view.OnStatusText("Output-AVI sucessfully written: m.avi");
    }
    const std::string text = Drain(out);
    std::fclose(out);
    EXPECT_EQ(
        text,
        "Checking consistency ...\nCreating the movie ...\n"
        "Progress: 10 %, 00:00:00 elapsed, 00:00:00 left\nProgress: 20 %, 00:00:00 elapsed, 00:00:00 left\n"
        "Progress: 30 %, 00:00:00 elapsed, 00:00:00 left\nProgress: 40 %, 00:00:00 elapsed, 00:00:00 left\n"
        "Progress: 50 %, 00:00:00 elapsed, 00:00:00 left\nProgress: 60 %, 00:00:00 elapsed, 00:00:00 left\n"
        "Progress: 70 %, 00:00:00 elapsed, 00:00:00 left\nProgress: 80 %, 00:00:00 elapsed, 00:00:00 left\n"
        "Progress: 90 %, 00:00:00 elapsed, 00:00:00 left\nProgress: 100 %, 00:00:00 elapsed, 00:00:00 left\n"
        "Output-AVI sucessfully written: m.avi\n");
}

}  // namespace
}  // namespace trov
