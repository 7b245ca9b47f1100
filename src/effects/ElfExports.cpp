// ELF dynamic symbol tables read with bounded reads; every offset and size from the file is
// checked against the file's length before it is used.
#include "effects/ElfExports.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace trov {

namespace {

#if defined(__x86_64__)
constexpr int kNativeMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int kNativeMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int kNativeMachine = EM_386;
#elif defined(__arm__)
constexpr int kNativeMachine = EM_ARM;
#elif defined(__riscv)
constexpr int kNativeMachine = EM_RISCV;
#elif defined(__powerpc64__)
constexpr int kNativeMachine = EM_PPC64;
#elif defined(__s390x__)
constexpr int kNativeMachine = EM_S390;
#else
constexpr int kNativeMachine = -1;  // not checked
#endif

constexpr unsigned char kNativeClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kNativeData = ELFDATA2LSB;
#else
constexpr unsigned char kNativeData = ELFDATA2MSB;
#endif

// A symbol table larger than this is not a plug-in's (libc has about 3,000 symbols).
constexpr uint64_t kMaxSymbols = 4u << 20;

class CFile {
public:
    explicit CFile(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat st {};
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode)) m_size = uint64_t(st.st_size);
    }
    ~CFile() {
        if (m_fd >= 0) ::close(m_fd);
    }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    uint64_t Size() const { return m_size; }
    // True when [offset, offset + length) lies inside the file and could be read whole.
    bool Read(uint64_t offset, void* out, uint64_t length) const {
        if (offset > m_size || length > m_size - offset) return false;
        auto* p = static_cast<char*>(out);
        while (length > 0) {
            const ssize_t n = ::pread(m_fd, p, size_t(length), off_t(offset));
            if (n <= 0) return false;
            p += n;
            offset += uint64_t(n);
            length -= uint64_t(n);
        }
        return true;
    }

private:
    int m_fd = -1;
    uint64_t m_size = 0;
};

bool Fail(std::string& cause, const char* why) {
    cause = why;
    return false;
}

}  // namespace

bool ReadElfExports(const std::string& path, std::vector<std::string>& names, std::string& cause) {
    names.clear();
    CFile file(path);
    if (!file.IsOpen()) return Fail(cause, "cannot be opened");
    unsigned char ident[EI_NIDENT];
    if (!file.Read(0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return Fail(cause, "is not an ELF file");
    if (ident[EI_CLASS] != kNativeClass)
        return Fail(cause, sizeof(void*) == 8 ? "is a 32-bit module" : "is a 64-bit module");
    if (ident[EI_DATA] != kNativeData) return Fail(cause, "has the other byte order");

    ElfW(Ehdr) eh;
    if (!file.Read(0, &eh, sizeof eh)) return Fail(cause, "ends inside its ELF header");
    if (eh.e_type != ET_DYN) return Fail(cause, "is not a shared object");
    if (kNativeMachine >= 0 && eh.e_machine != kNativeMachine)
        return Fail(cause, "is built for another machine");
    if (eh.e_shoff == 0) return Fail(cause, "has no section table (no dynamic symbol table to read)");
    if (eh.e_shentsize != sizeof(ElfW(Shdr))) return Fail(cause, "has a section table of unknown layout");

    // With 0xFF00 sections or more the count is kept in the first section's size.
    uint64_t count = eh.e_shnum;
    if (count == 0) {
        ElfW(Shdr) first;
        if (!file.Read(eh.e_shoff, &first, sizeof first))
            return Fail(cause, "has a section table past its end");
        count = first.sh_size;
    }
    if (count == 0 || count > file.Size() / sizeof(ElfW(Shdr)) || eh.e_shoff > file.Size() ||
        count * sizeof(ElfW(Shdr)) > file.Size() - eh.e_shoff)
        return Fail(cause, "has a section table past its end");
    auto section = [&](uint64_t index, ElfW(Shdr) & out) {
        return index < count && file.Read(eh.e_shoff + index * sizeof(ElfW(Shdr)), &out, sizeof out);
    };

    ElfW(Shdr) dynsym{}, strtab{};
    bool found = false;
    for (uint64_t i = 0; i < count && !found; ++i) {
        ElfW(Shdr) s;
        if (!section(i, s)) return Fail(cause, "has a section table past its end");
        if (s.sh_type == SHT_DYNSYM) {
            dynsym = s;
            found = true;
        }
    }
    if (!found) return Fail(cause, "has no dynamic symbol table");
    if (!section(dynsym.sh_link, strtab) || strtab.sh_type != SHT_STRTAB)
        return Fail(cause, "has a dynamic symbol table without its string table");
    const uint64_t entry = dynsym.sh_entsize ? dynsym.sh_entsize : sizeof(ElfW(Sym));
    if (entry != sizeof(ElfW(Sym))) return Fail(cause, "has a dynamic symbol table of unknown layout");
    const uint64_t symbols = dynsym.sh_size / entry;
    if (symbols > kMaxSymbols || dynsym.sh_offset > file.Size() ||
        dynsym.sh_size > file.Size() - dynsym.sh_offset || strtab.sh_offset > file.Size() ||
        strtab.sh_size > file.Size() - strtab.sh_offset)
        return Fail(cause, "has a dynamic symbol table past its end");

    std::vector<ElfW(Sym)> table(static_cast<size_t>(symbols));
    std::string strings(size_t(strtab.sh_size), '\0');
    if ((symbols > 0 && !file.Read(dynsym.sh_offset, table.data(), symbols * entry)) ||
        (!strings.empty() && !file.Read(strtab.sh_offset, strings.data(), strings.size())))
        return Fail(cause, "has a dynamic symbol table past its end");
    for (const ElfW(Sym) & sym : table) {
        if (sym.st_shndx == SHN_UNDEF || sym.st_name == 0 || sym.st_name >= strings.size()) continue;
        const unsigned bind = ELF64_ST_BIND(sym.st_info), type = ELF64_ST_TYPE(sym.st_info);
        const unsigned visibility = ELF64_ST_VISIBILITY(sym.st_other);
        if (bind != STB_GLOBAL && bind != STB_WEAK) continue;
        if (visibility != STV_DEFAULT && visibility != STV_PROTECTED) continue;
        if (type == STT_SECTION || type == STT_FILE) continue;
        const size_t end = strings.find('\0', sym.st_name);
        if (end == std::string::npos) continue;  // a name running off the table is no name
        names.emplace_back(strings, sym.st_name, end - sym.st_name);
    }
    cause.clear();
    return true;
}

}  // namespace trov
