// Runs the independent checkers (ffprobe, ffmpeg) and captures what they print.
#pragma once

#include <cstdio>
#include <string>

namespace trov::test {

// Output (stdout and stderr) of a shell command.
inline std::string RunCommand(const std::string& command) {
    std::string out;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

// One value of `ffprobe -show_entries` for the first stream of a kind ("a" or "v").
inline std::string ProbeStream(const std::string& path, const std::string& kind, const std::string& entry) {
    std::string out =
        RunCommand("ffprobe -v error -select_streams " + kind + ":0 -show_entries stream=" + entry +
                   " -of default=nw=1:nk=1 '" + path + "'");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// Errors ffmpeg reports while decoding the whole file (empty when clean).
inline std::string DecodeErrors(const std::string& path) {
    return RunCommand("ffmpeg -nostdin -v error -i '" + path + "' -f null -");
}

}  // namespace trov::test
