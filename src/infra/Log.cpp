// The log file: a mutex, an enabled flag and a lazily opened file, all process-wide.
#include "infra/Log.h"

#include <cstdio>
#include <ctime>
#include <mutex>

#include "infra/ProgramDirectory.h"
#include "infra/TextEncoding.h"

namespace trov {

namespace {

struct LogState {
    std::recursive_mutex mutex;
    bool enabled = false;
    std::string directory;  // empty: the program directory
    std::FILE* file = nullptr;
};

LogState& State() {
    static LogState state;
    return state;
}

std::string PathLocked(LogState& s) {
    std::string dir = s.directory.empty() ? ProgramDirectory() : s.directory;
    return dir + "/" + kLogFileName;
}

void CloseLocked(LogState& s) {
    if (s.file) {
        std::fclose(s.file);
        s.file = nullptr;
    }
}

}  // namespace

void EnableLog(bool enabled) {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    s.enabled = enabled;
}

bool IsLogEnabled() {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    return s.enabled;
}

void SetLogDirectory(const std::string& directory) {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    CloseLocked(s);
    s.directory = directory;
}

std::string GetLogPath() {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    return PathLocked(s);
}

void WriteLog(const std::string& text) {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    if (!s.enabled) return;
    char stamp[32] = "<00:00:00> ";
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "<%H:%M:%S> ", &local);
    if (!s.file) {
        std::string path = PathLocked(s);
        s.file = std::fopen(path.c_str(), "ab");
        if (!s.file) s.file = std::fopen(path.c_str(), "wb");
        if (!s.file) return;
    }
    // 8-bit text like the other settings files; characters above U+00FF cannot be written there
    // and keep their UTF-8 bytes rather than being cut to one byte.
    std::string line = stamp;
    line += FitsLatin1(text) ? Utf8ToLatin1(text) : text;
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), s.file);
    std::fflush(s.file);
}

void CloseLog() {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    CloseLocked(s);
}

void StartDebugLog() {
    EnableLog(true);
    WriteLog("---");
    WriteLog("TROV Logging enabled!");
    WriteLog(std::string("Version: ") + kProgramVersionText);
}

}  // namespace trov
