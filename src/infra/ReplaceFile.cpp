// Crash-safe file replacement: temporary file, fsync, rename, fsync of the folder.
#include "infra/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace trov {

namespace {

namespace fs = std::filesystem;

std::string TempNameBeside(const fs::path& path) {
    static std::atomic<unsigned> counter{0};
    std::string name(1, '.');
    name += path.filename().string();
    name += ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
    return (path.parent_path() / name).string();
}

// A link is replaced where it points, so the link itself survives the save.
std::string WriteTarget(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    fs::path target = fs::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

bool Fail(std::string* error, const std::string& what, int code) {
    if (error) *error = what + ": " + std::strerror(code);
    return false;
}

// Writes everything, retrying short writes and interruptions; errno is set on failure.
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// A device or a pipe cannot be replaced, only written.
bool WriteInPlace(const std::string& path, std::string_view bytes, std::string* error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return Fail(error, path, errno);
    bool ok = WriteAll(fd, bytes);
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    return ok || Fail(error, path, code);
}

// The old content under backupPath: a hard link costs nothing; a copy where links are refused.
bool KeepBackup(const std::string& path, const std::string& backupPath, std::string* error) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return true;
    fs::remove(backupPath, ec);
    if (::link(path.c_str(), backupPath.c_str()) == 0) return true;
    fs::copy_file(path, backupPath, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        if (error) *error = "cannot keep " + backupPath + ": " + ec.message();
        return false;
    }
    return true;
}

// Makes the rename itself durable; a folder that cannot be opened or synced is no failure of the write.
void SyncFolderOf(const std::string& path) {
    std::string folder = fs::path(path).parent_path().string();
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool ReplaceFileContent(const std::string& named, std::string_view bytes, const std::string& backupPath,
                        std::string* error) {
    const std::string path = WriteTarget(named);
    std::string temp = TempNameBeside(path);
    mode_t mode = 0666;
    struct stat old {};
    bool replacing = ::stat(path.c_str(), &old) == 0;
    if (replacing) {
        if (S_ISDIR(old.st_mode)) return Fail(error, path, EISDIR);
        if (!S_ISREG(old.st_mode)) return WriteInPlace(path, bytes, error);
        mode = old.st_mode & 07777;
    }
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return Fail(error, temp, errno);
    // The umask applied at creation; the file it replaces decides the final permissions.
    if (replacing) ::fchmod(fd, mode);
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return Fail(error, path, code);
    }
    if (!backupPath.empty() && !KeepBackup(path, backupPath, error)) {
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        code = errno;
        ::unlink(temp.c_str());
        return Fail(error, path, code);
    }
    SyncFolderOf(path);
    return true;
}

}  // namespace trov
