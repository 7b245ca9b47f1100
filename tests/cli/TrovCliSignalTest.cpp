// trov -CREATE interrupted: Ctrl+C while the check runs, kill -9 in the middle of the movie, and a
// timeline without frames.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "cli/CliTestSupport.h"

extern char** environ;

namespace trov {
namespace {

namespace fs = std::filesystem;
using namespace clitest;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// trov started in the background with its stdout and stderr in one pipe.
class CRunningTrov {
public:
    CRunningTrov(const std::string& home, const std::vector<std::string>& args) {
        int fds[2];
        if (pipe(fds) != 0) return;
        m_read = fds[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        SuppressKnownLeaks();
        std::vector<std::string> env = {"TROV_HOME=" + home, "PATH=/usr/bin:/bin"};
        if (const char* lsan = std::getenv("LSAN_OPTIONS"))
            env.push_back(std::string("LSAN_OPTIONS=") + lsan);
        std::vector<char*> argv = {const_cast<char*>(TROV_EXE)}, envp;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawn(&m_pid, TROV_EXE, &actions, nullptr, argv.data(), envp.data()) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
    }
    ~CRunningTrov() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_read >= 0) close(m_read);
    }
    // Reads output until `text` appeared (true) or the program ended (false).
    bool WaitFor(const std::string& text) {
        char buf[4096];
        while (m_out.find(text) == std::string::npos) {
            ssize_t n = read(m_read, buf, sizeof buf);
            if (n <= 0) return false;
            m_out.append(buf, static_cast<size_t>(n));
        }
        return true;
    }
    void Signal(int sig) { kill(m_pid, sig); }
    // Waits for the end; the exit code, 128 + signal when killed.
    int Wait() {
        char buf[4096];
        ssize_t n;
        while ((n = read(m_read, buf, sizeof buf)) > 0) m_out.append(buf, static_cast<size_t>(n));
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    pid_t Pid() const { return m_pid; }
    const std::string& Output() const { return m_out; }

private:
    pid_t m_pid = -1;
    int m_read = -1;
    std::string m_out;
};

// A clip the check reads frame by frame: long enough that a signal lands while it runs.
std::string MakeClip(const std::string& dir, int frames) {
    const std::string clip = dir + "/clip.avi";
    RunShell("ffmpeg -nostdin -v error -f lavfi -i testsrc=size=320x240:rate=25 -frames:v " +
             std::to_string(frames) + " -c:v mjpeg -q:v 5 " + Quoted(clip));
    return clip;
}

TEST(TrovSignals, CtrlCWhileTheCheckRunsEndsWith130AndNoMovie) {
    TempDir home, work;
    const std::string clip = MakeClip(work.Path().string(), 3000);
    ASSERT_TRUE(fs::exists(clip));
    WriteProject(work.Path().string(), 1, 5);
    std::string project = ReadFileBytes(work / "show.ini");
    project +=
        "[PICTURE_1]\nFileName=clip.avi\nText-FadeIn=0\nShowPicture=2999\nText-FadeOut=0\nFade2NextPicture="
        "0\n"
        "Fading2NextPictureName=Cross Dissolve\nPictureText=\n";
    WriteFileBytes(work / "show.ini", project);
    WriteFileBytes(work / "project.avi", "the previous movie");
    CRunningTrov trov(home.Path().string(),
                      {"-PROJECT", work / "show.ini", "-CREATE", WriteCodecSettings(work.Path().string())});
    ASSERT_TRUE(trov.WaitFor("Checking consistency ...")) << trov.Output();
    trov.Signal(SIGINT);
    EXPECT_EQ(trov.Wait(), 130) << trov.Output();
    EXPECT_NE(trov.Output().find("Creation canceled!"), std::string::npos) << trov.Output();
    EXPECT_EQ(trov.Output().find("Creating the movie"), std::string::npos) << trov.Output();
    EXPECT_EQ(trov.Output().find("Progress: 100 %"), std::string::npos) << trov.Output();
    EXPECT_EQ(ReadFileBytes(work / "project.avi"), "the previous movie");
}

TEST(TrovSignals, KillNineNeverLeavesABrokenMovieUnderTheUsersName) {
    TempDir home, work;
    // Forty entries joined by 40-frame dissolves: thousands of frames to encode.
    WriteProject(work.Path().string(), 40, 5);
    std::string project = ReadFileBytes(work / "show.ini");
    for (size_t at = project.find("Fade2NextPicture=10"); at != std::string::npos;
         at = project.find("Fade2NextPicture=10", at))
        project.replace(at, 19, "Fade2NextPicture=40");
    WriteFileBytes(work / "show.ini", project);
    WriteFileBytes(work / "project.avi", "the previous movie");
    CRunningTrov trov(home.Path().string(),
                      {"-PROJECT", work / "show.ini", "-CREATE", WriteCodecSettings(work.Path().string())});
    ASSERT_TRUE(trov.WaitFor("Progress: 10 %")) << trov.Output();
    trov.Signal(SIGKILL);
    trov.Wait();
    EXPECT_EQ(ReadFileBytes(work / "project.avi"), "the previous movie");
    // What the killed run wrote is under a hidden temporary name, and the next run clears it away.
    int temporaries = 0;
    for (const auto& e : fs::directory_iterator(work.Path()))
        if (e.path().filename().string().rfind(".project.trov-", 0) == 0) ++temporaries;
    EXPECT_EQ(temporaries, 1);
    WriteProject(work.Path().string(), 2, 5);
    Result r = RunTrovIn(home.Path().string(), "",
                         "-PROJECT " + Quoted(work / "show.ini") + " -CREATE " +
                             Quoted(WriteCodecSettings(work.Path().string())));
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(ProbeFrames(work / "project.avi"), 2 * 5 + 10);
    for (const auto& e : fs::directory_iterator(work.Path()))
        EXPECT_EQ(e.path().filename().string().rfind(".project.trov-", 0), std::string::npos) << e.path();
}

TEST(TrovSignals, ATimelineWithoutFramesIsAFailedCreation) {
    TempDir home, work;
    WriteProject(work.Path().string(), 1, 0);
    WriteFileBytes(work / "project.avi", "the previous movie");
    Result r = RunTrovIn(home.Path().string(), "",
                         "-PROJECT " + Quoted(work / "show.ini") + " -CREATE " +
                             Quoted(WriteCodecSettings(work.Path().string())));
    EXPECT_EQ(r.code, 3) << r.out;
    EXPECT_NE(r.out.find("Error: No frame was written"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Movie written"), std::string::npos) << r.out;
    EXPECT_EQ(ReadFileBytes(work / "project.avi"), "the previous movie");
}

}  // namespace
}  // namespace trov
