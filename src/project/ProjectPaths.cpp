// Project paths: the project folder, separators, relative and absolute forms.
#include "project/ProjectPaths.h"

#include <filesystem>
#include <mutex>

namespace trov {

namespace {
std::mutex g_mutex;
std::string g_projectDirectory;

size_t LastSeparator(const std::string& path) {
    if (path.find('/') == std::string::npos) return path.rfind('\\');
    return path.rfind('/');
}
}  // namespace

std::string GetProjectDirectory() {
    std::lock_guard lock(g_mutex);
    return g_projectDirectory;
}

void SetProjectDirectory(const std::string& directory) {
    std::lock_guard lock(g_mutex);
    g_projectDirectory = directory;
    while (g_projectDirectory.size() > 1 && g_projectDirectory.back() == '/') g_projectDirectory.pop_back();
}

std::string NativePath(const std::string& path) {
    if (path.find('\\') == std::string::npos || path.find('/') != std::string::npos) return path;
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

std::string ResolveProjectPath(const std::string& path) {
    if (path.empty()) return path;
    std::string p = NativePath(path);
    if (p.front() == '/') return p;
    std::string dir = GetProjectDirectory();
    if (dir.empty()) return p;
    return (std::filesystem::path(dir) / p).lexically_normal().string();
}

std::string MakeRelativePath(const std::string& file, const std::string& projectFile) {
    // Walk both paths directory by directory from the start while their prefixes up to the
    // next "/" are equal (case-sensitive: Linux file names are).
    size_t common = 0;
    for (;;) {
        size_t nf = file.find('/', common), np = projectFile.find('/', common);
        if (nf == std::string::npos || np == std::string::npos || nf != np) break;
        if (file.compare(common, nf + 1 - common, projectFile, common, np + 1 - common) != 0) break;
        common = nf + 1;
    }
    // Only the root in common (or nothing): the two lie in different trees; keep the absolute path.
    if (common <= 1) return {};
    std::string result;
    for (size_t i = common; i < projectFile.size(); ++i)
        if (projectFile[i] == '/') result += "../";
    return result + file.substr(common);
}

std::string FileNamePart(const std::string& path) {
    size_t s = LastSeparator(path);
    return s == std::string::npos ? path : path.substr(s + 1);
}

std::string DirectoryPart(const std::string& path) {
    size_t s = LastSeparator(path);
    if (s == std::string::npos) return {};
    if (s == 0) return "/";
    return path.substr(0, s);
}

}  // namespace trov
