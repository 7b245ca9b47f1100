// Helpers shared by the tests: a private temporary directory and file utilities.
#pragma once

#include <filesystem>
#include <string>

namespace trov::test {

// A fresh directory under the system temp dir, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFileBytes(const std::filesystem::path& path);

// The directory of the bundled real photos (shared/bench-photos) when present, else empty.
std::filesystem::path BenchPhotosDir();

}  // namespace trov::test
