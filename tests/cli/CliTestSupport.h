// Running the real trov program from the command-line tests, and small projects for it.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "imaging/DibPicture.h"
#include "support/TestSupport.h"
#include "video/CodecSettings.h"

namespace trov::clitest {

struct Result {
    int code = -1;
    std::string out;  // stdout and stderr together
};

inline std::string Quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The trov programs the tests start report no leak of fontconfig's cache (sanitizer builds).
inline void SuppressKnownLeaks() {
    if (const char* src = std::getenv("TROV_SOURCE_DIR"))
        setenv("LSAN_OPTIONS", ("suppressions=" + std::string(src) + "/tests/cli/lsan.supp").c_str(), 0);
}

// Runs a shell command line and collects its output; the exit code as the shell reports it.
inline Result RunShell(const std::string& commandLine) {
    SuppressKnownLeaks();
    Result r;
    FILE* p = popen((commandLine + " 2>&1").c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Runs trov in the working directory cwd (empty: this process's) with TROV_HOME set to home.
inline Result RunTrovIn(const std::string& home, const std::string& cwd, const std::string& args) {
    std::string cmd = cwd.empty() ? std::string() : "cd " + Quoted(cwd) + " && ";
    cmd += "TROV_HOME=" + Quoted(home) + " " + Quoted(TROV_EXE) + " " + args;
    return RunShell(cmd);
}

inline int ProbeFrames(const std::string& movie) {
    Result r = RunShell(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of "
        "csv=p=0 " +
        Quoted(movie));
    return r.out.empty() ? -1 : std::atoi(r.out.c_str());
}

inline int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// A small gradient BMP.
inline bool MakeBmp(const std::string& path, int w, int h) {
    CDibPicture picture;
    if (!picture.Create(w, h)) return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) picture.SetPixel(x, y, uint8_t(x * 3), uint8_t(y * 2), 90);
    return picture.SaveFile(path);
}

// A project of `entries` copies of a.bmp (made in dir) with `show` frames each and 10-frame cross
// dissolves; `settings` are extra PROJECT_SETTINGS lines.
inline std::string WriteProject(const std::string& dir, int entries, int show,
                                const std::string& settings = "", const std::string& entryExtra = "") {
    MakeBmp(dir + "/a.bmp", 160, 120);
    std::string project =
        "[PROJECT_SETTINGS]\nMovie-Size-X=160\nMovie-Size-Y=120\nFramesPerSeconds=25\n"
        "Output-AVI=project.avi\n" +
        settings;
    for (int i = 0; i < entries; ++i)
        project +=
            "[PICTURE_" + std::to_string(i) +
            "]\nFileName=a.bmp\nText-FadeIn=0\nShowPicture=" + std::to_string(show) +
            "\nText-FadeOut=0\nFade2NextPicture=10\nFading2NextPictureName=Cross Dissolve\nPictureText=\n" +
            entryExtra;
    test::WriteFileBytes(dir + "/show.ini", project);
    return dir + "/show.ini";
}

// A Motion JPEG codec settings file in dir; its path.
inline std::string WriteCodecSettings(const std::string& dir) {
    CodecSettingsRecord codec;
    if (!MakeVideoCodecSettings("MJPG", 9000, "", codec)) return {};
    const std::string name = SaveCodecSettings(codec, dir);
    return name.empty() ? std::string() : dir + "/" + name;
}

}  // namespace trov::clitest
