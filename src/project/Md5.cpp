// MD5 through libavutil; files are read in large blocks (the digest does not depend on the block size).
#include "project/Md5.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <vector>

extern "C" {
#include <libavutil/md5.h>
#include <libavutil/mem.h>
}

namespace trov {

struct CMd5::Impl {
    AVMD5* ctx = nullptr;
    ~Impl() { av_free(ctx); }
};

CMd5::CMd5() : m_impl(std::make_unique<Impl>()) {
    m_impl->ctx = av_md5_alloc();
    if (!m_impl->ctx) throw std::bad_alloc();
    av_md5_init(m_impl->ctx);
}

CMd5::~CMd5() = default;

void CMd5::Update(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    // av_md5_update takes the length as size_t in FFmpeg 5.1 but as int in older releases; feed in
    // slices that fit either.
    constexpr size_t kSlice = size_t(1) << 30;
    while (size > 0) {
        size_t n = size < kSlice ? size : kSlice;
        av_md5_update(m_impl->ctx, p, n);
        p += n;
        size -= n;
    }
}

std::string CMd5::FinalHex() {
    uint8_t digest[16];
    av_md5_final(m_impl->ctx, digest);
    av_md5_init(m_impl->ctx);
    static const char kHex[] = "0123456789abcdef";
    std::string hex(32, '0');
    for (int i = 0; i < 16; ++i) {
        hex[2 * i] = kHex[digest[i] >> 4];
        hex[2 * i + 1] = kHex[digest[i] & 15];
    }
    return hex;
}

std::string Md5Hex(std::string_view bytes) {
    CMd5 md5;
    md5.Update(bytes);
    return md5.FinalHex();
}

bool Md5OfFile(const std::string& path, std::string& hex) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    CMd5 md5;
    // Never more than the file needs and never zero-filled: a 2,000-entry project hashes 2,000
    // files on load, and clearing a 1 MiB block for each small one cost more than hashing it.
    constexpr size_t kBlock = 1 << 20;
    struct stat st {};
    size_t size = ::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) : kBlock;
    size_t blockSize = std::min(kBlock, std::max<size_t>(size + 1, 4096));
    std::unique_ptr<uint8_t[]> block(new uint8_t[blockSize]);
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, block.get(), blockSize);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        md5.Update(block.get(), static_cast<size_t>(n));
    }
    ::close(fd);
    if (!ok) return false;
    hex = md5.FinalHex();
    return true;
}

}  // namespace trov
