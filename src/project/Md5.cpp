// MD5 (RFC 1321) in the project layer itself, so that no FFmpeg header is needed below the video
// and audio layers; files are read in large blocks (the digest does not depend on the block size).
#include "project/Md5.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "infra/ByteOrder.h"

namespace trov {

namespace {

constexpr uint32_t kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

// floor(2^32 * |sin(i + 1)|)
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

inline uint32_t RotateLeft(uint32_t x, uint32_t c) {
    return (x << c) | (x >> (32 - c));
}

}  // namespace

struct CMd5::Impl {
    uint32_t state[4];
    uint64_t length = 0;  // bytes fed
    uint8_t buffer[64];   // the incomplete block

    Impl() { Reset(); }
    void Reset() {
        state[0] = 0x67452301;
        state[1] = 0xefcdab89;
        state[2] = 0x98badcfe;
        state[3] = 0x10325476;
        length = 0;
    }
    void Block(const uint8_t* p) {
        uint32_t m[16];
        for (int i = 0; i < 16; ++i) m[i] = ReadLe32(p + 4 * i);
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        for (int i = 0; i < 64; ++i) {
            uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            const uint32_t next = b + RotateLeft(a + f + kSine[i] + m[g], kShift[i]);
            a = d;
            d = c;
            c = b;
            b = next;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
    }
};

CMd5::CMd5() : m_impl(std::make_unique<Impl>()) {}

CMd5::~CMd5() = default;

void CMd5::Update(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    Impl& s = *m_impl;
    size_t used = size_t(s.length % 64);
    s.length += size;
    if (used > 0) {
        const size_t take = std::min(size, 64 - used);
        std::memcpy(s.buffer + used, p, take);
        p += take;
        size -= take;
        if (used + take < 64) return;
        s.Block(s.buffer);
    }
    for (; size >= 64; p += 64, size -= 64) s.Block(p);
    if (size > 0) std::memcpy(s.buffer, p, size);
}

std::string CMd5::FinalHex() {
    Impl& s = *m_impl;
    const uint64_t bits = s.length * 8;
    uint8_t pad[72] = {0x80};
    const size_t used = size_t(s.length % 64);
    const size_t padLength = used < 56 ? 56 - used : 120 - used;
    for (int i = 0; i < 8; ++i) pad[padLength + size_t(i)] = uint8_t(bits >> (8 * i));
    Update(pad, padLength + 8);
    static const char kHex[] = "0123456789abcdef";
    std::string hex(32, '0');
    for (int i = 0; i < 16; ++i) {
        const uint8_t byte = uint8_t(s.state[i / 4] >> (8 * (i % 4)));
        hex[2 * i] = kHex[byte >> 4];
        hex[2 * i + 1] = kHex[byte & 15];
    }
    s.Reset();
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
