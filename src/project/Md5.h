// MD5 digests (RFC 1321) as 32 lower-case hexadecimal digits: content keys of files and text digests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace trov {

// Incremental MD5. Not copyable; one object per digest.
class CMd5 {
public:
    CMd5();
    ~CMd5();
    CMd5(const CMd5&) = delete;
    CMd5& operator=(const CMd5&) = delete;

    void Update(const void* data, size_t size);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
    // The digest of everything fed so far as 32 lower-case hex digits; the object starts afresh.
    std::string FinalHex();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// MD5 of bytes (a UTF-8 text is hashed as its bytes).
std::string Md5Hex(std::string_view bytes);

// MD5 of a whole file. False, and hex untouched, when the file cannot be opened or read.
// Others may read the file at the same time.
bool Md5OfFile(const std::string& path, std::string& hex);

}  // namespace trov
