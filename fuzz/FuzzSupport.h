// Shared by the fuzz harnesses: hands a fuzz input to readers that take a path, without touching
// the disk, and keeps the program's user prompt and log quiet.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace trov::fuzz {

// The input as an anonymous in-memory file; Path() opens it like any file (a fresh descriptor
// each time, reading from the start).
class MemoryFile {
public:
    MemoryFile(const uint8_t* data, size_t size) {
        m_fd = memfd_create("trov-fuzz-input", MFD_CLOEXEC);
        if (m_fd < 0) std::abort();
        size_t done = 0;
        while (done < size) {
            ssize_t n = write(m_fd, data + done, size - done);
            if (n <= 0) std::abort();
            done += size_t(n);
        }
    }
    ~MemoryFile() { close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }
    int Descriptor() const { return m_fd; }

private:
    int m_fd = -1;
};

// A private empty directory for the run (under TMPDIR or /tmp), removed at exit.
const std::string& ScratchDirectory();

// Once per process: a user prompt that answers every question with its default without printing,
// and the program's log sent nowhere.
void QuietProgram();

}  // namespace trov::fuzz
