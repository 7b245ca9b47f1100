// The program directory rule: TROV_HOME, else a writable executable directory, else the XDG data directory.
#include "infra/ProgramDirectory.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

namespace trov {

namespace fs = std::filesystem;

namespace {

std::mutex g_mutex;
std::string g_directory;  // empty until decided

std::string WithoutTrailingSlash(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

bool EnsureDirectory(const std::string& dir) {
    std::error_code ec;
    if (fs::is_directory(dir, ec)) return true;
    fs::create_directories(dir, ec);
    return fs::is_directory(dir, ec);
}

bool HasFiles(const std::string& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return false;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec)) return true;
    }
    return false;
}

std::string Decide() {
    if (const char* home = std::getenv("TROV_HOME"); home && *home) {
        std::string dir = WithoutTrailingSlash(home);
        EnsureDirectory(dir);
        return dir;
    }
    std::string exeDir = ExecutableDirectory();
    if (!exeDir.empty() && access(exeDir.c_str(), W_OK | X_OK) == 0) return exeDir;
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.local/share";
    } else {
        base = "/tmp";
    }
    std::string dir = WithoutTrailingSlash(base) + "/trovamatic";
    EnsureDirectory(dir);
    return dir;
}

}  // namespace

std::string ExecutableDirectory() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    return WithoutTrailingSlash(exe.parent_path().string());
}

std::string ProgramDirectory() {
    std::lock_guard lock(g_mutex);
    if (g_directory.empty()) g_directory = Decide();
    return g_directory;
}

void SetProgramDirectory(const std::string& directory) {
    std::lock_guard lock(g_mutex);
    g_directory = directory.empty() ? std::string() : WithoutTrailingSlash(directory);
}

std::string ProgramSubdirectory(const std::string& name) {
    return ProgramDirectory() + "/" + name;
}

std::string ShippedLanguageDirectory() {
    std::string own = ProgramSubdirectory("Language");
    if (HasFiles(own)) return own;
    std::string exeDir = ExecutableDirectory();
    std::vector<std::string> candidates;
    if (!exeDir.empty()) {
        candidates.push_back(exeDir + "/Language");
        candidates.push_back(exeDir + "/../share/trovamatic/Language");
    }
#ifdef TROV_SOURCE_DIR
    candidates.push_back(std::string(TROV_SOURCE_DIR) + "/data/Language");
#endif
    candidates.push_back("/usr/local/share/trovamatic/Language");
    candidates.push_back("/usr/share/trovamatic/Language");
    for (const std::string& c : candidates) {
        if (HasFiles(c)) return fs::path(c).lexically_normal().string();
    }
    return {};
}

}  // namespace trov
