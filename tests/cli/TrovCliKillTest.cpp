// trov -CREATE killed with SIGKILL at twenty moments: whatever the killed runs leave in the cache,
// the next run succeeds and its movie is frame for frame the one a run with an empty cache makes.
// (About a minute: exclude with `ctest -E TrovKillNine` where that is too long.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "cli/CliTestSupport.h"

namespace trov {
namespace {

namespace fs = std::filesystem;
using namespace clitest;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// Starts trov with its output thrown away; the random effects draw alike in every run.
pid_t StartTrov(const std::string& home, const std::vector<std::string>& args) {
    SuppressKnownLeaks();
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid != 0) return pid;
    int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    setenv("TROV_HOME", home.c_str(), 1);
    setenv("TROV_SEED", "18", 1);
    std::vector<char*> argv = {const_cast<char*>(TROV_EXE)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(TROV_EXE, argv.data());
    _exit(127);
}

int WaitTrov(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string FrameMd5(const std::string& movie) {
    Result r = RunShell("ffmpeg -nostdin -v error -i " + Quoted(movie) + " -map 0:v -f framemd5 -");
    // Only the hash lines: the header names the input.
    std::string lines;
    size_t at = 0;
    while (at < r.out.size()) {
        size_t end = r.out.find('\n', at);
        std::string line = r.out.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line[0] != '#') lines += line + "\n";
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return lines;
}

// Four pictures with captions, joined by a dissolve and a wipe; 160 x 120, 62 frames.
std::string WriteKillProject(const std::string& dir) {
    std::string project =
        "[PROJECT_SETTINGS]\nMovie-Size-X=160\nMovie-Size-Y=120\nFramesPerSeconds=25\nOutput-AVI=movie.avi\n";
    const char* transitions[] = {"Cross Dissolve", "Box-Wipe", "Cross Dissolve", "Cross Dissolve"};
    for (int i = 0; i < 4; ++i) {
        const std::string name = "p" + std::to_string(i) + ".bmp";
        MakeBmp(dir + "/" + name, 96 + 16 * i, 72 + 8 * i);
        project +=
            "[PICTURE_" + std::to_string(i) + "]\nFileName=" + name +
            "\nText-FadeIn=0\nShowPicture=10\nText-FadeOut=0\nFade2NextPicture=" + (i < 3 ? "8" : "0") +
            "\nFading2NextPictureName=" + transitions[i] + "\nPictureText=Entry " + std::to_string(i) + "\n";
    }
    WriteFileBytes(dir + "/show.ini", project);
    return dir + "/show.ini";
}

TEST(TrovKillNine, TwentyKillsAtRandomMomentsNeverChangeTheNextRunsMovie) {
    TempDir clean, home, work;
    const std::string project = WriteKillProject(work.Path().string());
    const std::string codec = WriteCodecSettings(work.Path().string());
    const std::string cacheSettings = "[TROV_SETTINGS]\nEnableVideoStreamCache=1\nEnablePermanentCache=1\n";
    const std::vector<std::string> args = {"-PROJECT", project, "-CREATE", codec};

    // The reference: a run with an empty cache, timed to choose the moments from.
    WriteFileBytes(clean / "Settings.ini", cacheSettings);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(WaitTrov(StartTrov(clean.Path().string(), args)), 0);
    const auto full = std::chrono::steady_clock::now() - start;
    const std::string reference = FrameMd5(work / "movie.avi");
    ASSERT_EQ(Count(reference, "\n"), 4 * 10 + 3 * 8);

    WriteFileBytes(home / "Settings.ini", cacheSettings);
    std::mt19937 random(18);
    const auto limit = std::chrono::duration_cast<std::chrono::microseconds>(full).count();
    std::uniform_int_distribution<long long> moment(0, std::max<long long>(1, limit));
    int killed = 0;
    for (int k = 0; k < 20; ++k) {
        fs::remove(work / "movie.avi");
        // Every other killed run starts from an empty cache, so that kills land while parts,
        // pictures and indexes are being written, not only while they are pasted.
        if (k % 2 == 0) fs::remove_all(home.Path() / "Temp");
        pid_t pid = StartTrov(home.Path().string(), args);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        kill(pid, SIGKILL);
        if (WaitTrov(pid) == 128 + SIGKILL) ++killed;
        ASSERT_EQ(WaitTrov(StartTrov(home.Path().string(), args)), 0) << "the run after kill " << k;
        ASSERT_EQ(FrameMd5(work / "movie.avi"), reference) << "the run after kill " << k;
    }
    // Most kills land while the run is still going (some may come after a warm run ended).
    EXPECT_GE(killed, 8);
}

}  // namespace
}  // namespace trov
