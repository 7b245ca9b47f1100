// BMP reading (every common depth and compression, validated) and writing (24-bit).
#include "imaging/DibPicture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "imaging/BmpCopy.h"
#include "infra/ByteOrder.h"

namespace trov {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
// Pixels one byte of run-length data may stand for. A single-colour row takes about 2 bytes per
// 255 pixels plus its end-of-line code, so even a blank full-HD picture stays near 1,000; only
// headers that lie about the size get beyond 4,096.
constexpr uint64_t kMaxRlePixelsPerByte = 4096;

// Reads a whole file; false when it cannot be opened or read. Files above 4 GiB are refused.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot open " + path;
        return false;
    }
    f.seekg(0, std::ios::end);
    const std::streamoff len = f.tellg();
    if (len < 0) {
        error = "cannot read " + path;
        return false;
    }
    if (uint64_t(len) > (uint64_t(1) << 32)) {
        error = path + " is too large for a picture file";
        return false;
    }
    f.seekg(0, std::ios::beg);
    out.resize(size_t(len));
    if (len > 0 && !f.read(reinterpret_cast<char*>(out.data()), len)) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

// One channel of a BITFIELDS pixel: shift to bit 0 and scale to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    void Set(uint32_t m) {
        mask = m;
        shift = 0;
        max = 0;
        if (!m) return;
        while (!((m >> shift) & 1u)) ++shift;
        max = m >> shift;
    }
    uint8_t Get(uint32_t v) const {
        if (!max) return 0;
        const uint64_t c = (v & mask) >> shift;
        return uint8_t((c * 255 + max / 2) / max);
    }
};

std::string Mb(uint64_t bytes) {
    return std::to_string(bytes / (1024 * 1024)) + " MB";
}

// Sets the reason a file is refused; returns false for the caller to return.
bool Refuse(std::string& why, std::string reason) {
    why = std::move(reason);
    return false;
}

// What the bitmap header says, checked: the size, depth and compression this reader takes.
struct DibLayout {
    uint32_t hdrSize = 0;
    int64_t width = 0, height = 0;
    uint32_t bitCount = 0, compression = kBiRgb, clrUsed = 0;
    size_t paletteEntrySize = 4;
    bool topDown = false, rle = false, bitfields = false;
};

bool ParseDibHeader(const uint8_t* info, size_t infoLen, DibLayout& d, std::string& why) {
    if (infoLen < 12) return Refuse(why, "file ends inside the bitmap header");
    d.hdrSize = ReadLe32(info);
    if (d.hdrSize == 12) {
        // OS/2 core header: 16-bit sizes, 3-byte colour table entries.
        d.width = ReadLe16(info + 4);
        d.height = int16_t(ReadLe16(info + 6));
        d.bitCount = ReadLe16(info + 10);
        d.paletteEntrySize = 3;
    } else if (d.hdrSize >= 40 && d.hdrSize <= 124) {
        if (infoLen < d.hdrSize) return Refuse(why, "file ends inside the bitmap header");
        d.width = int32_t(ReadLe32(info + 4));
        d.height = int32_t(ReadLe32(info + 8));
        d.bitCount = ReadLe16(info + 14);
        d.compression = ReadLe32(info + 16);
        d.clrUsed = ReadLe32(info + 32);
    } else {
        return Refuse(why, "unsupported bitmap header size " + std::to_string(d.hdrSize));
    }
    d.topDown = d.height < 0;
    if (d.topDown) d.height = -d.height;
    const std::string size = std::to_string(d.width) + " x " + std::to_string(d.height);
    if (d.width < 1 || d.height < 1) return Refuse(why, "invalid size " + size);
    if (d.width > CPicture::kMaxSide || d.height > CPicture::kMaxSide)
        return Refuse(why, "size " + size + " exceeds the limit");
    const uint32_t bits = d.bitCount, c = d.compression;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Refuse(why, "unsupported depth of " + std::to_string(bits) + " bits");
    d.rle = c == kBiRle8 || c == kBiRle4;
    d.bitfields = c == kBiBitfields || c == kBiAlphaBitfields;
    if (c == kBiRle8 && bits != 8) return Refuse(why, "RLE8 needs 8 bits per pixel");
    if (c == kBiRle4 && bits != 4) return Refuse(why, "RLE4 needs 4 bits per pixel");
    if (d.bitfields && bits != 16 && bits != 32)
        return Refuse(why, "BITFIELDS needs 16 or 32 bits per pixel");
    if (!d.rle && !d.bitfields && c != kBiRgb)
        return Refuse(why, "unsupported compression " + std::to_string(c));
    if (d.rle && d.topDown) return Refuse(why, "a compressed bitmap cannot be top-down");
    return true;
}

// How pixel values become colours: the channel masks and the colour table (B, G, R per entry).
struct DibColours {
    Channel red, green, blue;
    std::vector<uint8_t> palette;
    size_t colours = 0;
};

// Reads the masks (inside a V2+ header, after a plain 40-byte one) and the colour table that follow
// the header; pos runs from the header's end to the first byte after them.
bool ReadDibColours(const uint8_t* info, size_t infoLen, const DibLayout& d, size_t& pos, DibColours& out,
                    std::string& why) {
    if (d.bitfields) {
        const uint8_t* m;
        if (d.hdrSize >= 52) {
            m = info + 40;
        } else {
            const size_t maskBytes = d.compression == kBiAlphaBitfields ? 16 : 12;
            if (infoLen < pos + maskBytes) return Refuse(why, "file ends inside the colour masks");
            m = info + pos;
            pos += maskBytes;
        }
        out.red.Set(ReadLe32(m));
        out.green.Set(ReadLe32(m + 4));
        out.blue.Set(ReadLe32(m + 8));
    } else if (d.bitCount == 16) {
        out.red.Set(0x7C00);
        out.green.Set(0x03E0);
        out.blue.Set(0x001F);
    }
    if (d.bitCount <= 8) {
        const size_t maxColours = size_t(1) << d.bitCount;
        out.colours = d.clrUsed ? d.clrUsed : maxColours;
        if (d.clrUsed > maxColours)
            return Refuse(why, "colour table of " + std::to_string(d.clrUsed) + " entries is too large");
        if (infoLen < pos + out.colours * d.paletteEntrySize)
            return Refuse(why, "file ends inside the colour table");
        out.palette.resize(out.colours * 3);
        for (size_t i = 0; i < out.colours; ++i)
            std::memcpy(&out.palette[3 * i], info + pos + i * d.paletteEntrySize, 3);
        pos += out.colours * d.paletteEntrySize;
    } else if (d.clrUsed) {
        // An optional colour table of a deep bitmap: skipped when it fits.
        if (uint64_t(d.clrUsed) * d.paletteEntrySize <= infoLen - pos)
            pos += size_t(d.clrUsed) * d.paletteEntrySize;
    }
    return true;
}

// Run-length data into one colour index per pixel (row-major, bottom-up). Unwritten pixels take
// colour 0 of the table, as other readers show them.
bool DecodeRle(const uint8_t* px, size_t pxLen, int w, int h, bool four, std::vector<uint8_t>& idx,
               std::string& why) {
    idx.assign(size_t(w) * size_t(h), 0);
    size_t i = 0;
    int x = 0, y = 0;
    bool ended = false;
    auto put = [&](int value) {
        if (x < w && y < h) idx[size_t(y) * size_t(w) + size_t(x)] = uint8_t(value);
        ++x;
    };
    while (!ended) {
        if (i + 2 > pxLen) break;
        const uint8_t n = px[i], v = px[i + 1];
        i += 2;
        if (n > 0) {
            for (int k = 0; k < n; ++k) put(four ? ((k & 1) ? (v & 0x0F) : (v >> 4)) : v);
        } else if (v == 0) {  // end of line
            x = 0;
            ++y;
        } else if (v == 1) {  // end of bitmap
            ended = true;
        } else if (v == 2) {  // delta
            if (i + 2 > pxLen) break;
            x += px[i];
            y += px[i + 1];
            i += 2;
        } else {  // absolute run of v pixels, padded to 16 bits
            const size_t bytes = four ? (size_t(v) + 1) / 2 : size_t(v);
            const size_t padded = (bytes + 1) & ~size_t(1);
            if (i + bytes > pxLen) break;
            for (int k = 0; k < v; ++k)
                put(four ? ((k & 1) ? (px[i + k / 2] & 0x0F) : (px[i + k / 2] >> 4)) : px[i + k]);
            i += std::min(padded, pxLen - i);
        }
        if (y >= h) ended = true;
    }
    if (!ended) return Refuse(why, "compressed pixel data ends early");
    return true;
}

// One uncompressed file row s into the BGR row d.
bool UnpackDibRow(const uint8_t* s, uint8_t* d, int w, const DibLayout& l, const DibColours& k,
                  std::string& why) {
    switch (l.bitCount) {
        case 24:
            std::memcpy(d, s, size_t(3) * size_t(w));
            return true;
        case 32:
            if (l.bitfields) {
                for (int c = 0; c < w; ++c) {
                    const uint32_t v = ReadLe32(s + 4 * c);
                    d[3 * c] = k.blue.Get(v);
                    d[3 * c + 1] = k.green.Get(v);
                    d[3 * c + 2] = k.red.Get(v);
                }
            } else {
                for (int c = 0; c < w; ++c) std::memcpy(d + 3 * c, s + 4 * c, 3);
            }
            return true;
        case 16:
            for (int c = 0; c < w; ++c) {
                const uint32_t v = ReadLe16(s + 2 * c);
                d[3 * c] = k.blue.Get(v);
                d[3 * c + 1] = k.green.Get(v);
                d[3 * c + 2] = k.red.Get(v);
            }
            return true;
        default: {  // 1, 4, 8 bits: colour table indices, most significant bits first
            const int perByte = 8 / int(l.bitCount);
            const unsigned mask = (1u << l.bitCount) - 1;
            for (int c = 0; c < w; ++c) {
                const uint8_t byte = s[c / perByte];
                const int shift = int(l.bitCount) * (perByte - 1 - c % perByte);
                const unsigned index = (byte >> shift) & mask;
                if (index >= k.colours)
                    return (why = "colour index " + std::to_string(index) + " outside the colour table"),
                           false;
                std::memcpy(d + 3 * c, &k.palette[3 * index], 3);
            }
            return true;
        }
    }
}

}  // namespace

bool CDibPicture::LoadFile(const std::string& path, bool force) try {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        Reset();
        SetLastError("CDibPicture::LoadFile: cannot open " + path);
        return false;
    }
    if (!force && !IsEmpty() && path == GetFileName()) return true;
    Reset();
    {
        std::ifstream file(path, std::ios::binary);
        if (file && ReadPlainBlock(file, path)) {
            SetFileName(path);
            return true;
        }
    }
    std::vector<uint8_t> data;
    std::string error;
    if (!ReadWholeFile(path, data, error)) {
        SetLastError("CDibPicture::LoadFile: " + error);
        return false;
    }
    if (!LoadFromMemory(data.data(), data.size(), path)) return false;
    SetFileName(path);
    return true;
} catch (const std::exception&) {
    Reset();
    SetLastError("CDibPicture::LoadFile: out of memory reading " + path);
    return false;
}

bool CDibPicture::ReadPlainBlock(std::ifstream& file, const std::string& path) {
    // The pictures of the picture cache are such files, tens of megabytes each: read through a
    // whole-file buffer, they were filled, copied and freed once more on every load.
    uint8_t head[54];
    if (!file.read(reinterpret_cast<char*>(head), sizeof head)) return false;
    const int32_t width = int32_t(ReadLe32(head + 18)), height = int32_t(ReadLe32(head + 22));
    if (head[0] != 'B' || head[1] != 'M' || ReadLe32(head + 10) != 54 || ReadLe32(head + 14) != 40 ||
        ReadLe16(head + 26) != 1 || ReadLe16(head + 28) != 24 || ReadLe32(head + 30) != 0 ||
        ReadLe32(head + 46) != 0 || width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return false;
    const int64_t bytes = int64_t(StrideFor(width)) * height;
    std::error_code ec;
    const auto length = std::filesystem::file_size(path, ec);
    if (ec || bytes > kMaxImageBytes || length < uint64_t(54 + bytes)) return false;
    if (!Allocate(width, height)) return false;
    if (!file.read(reinterpret_cast<char*>(GetBits()), std::streamsize(bytes))) {
        Reset();
        return false;
    }
    SetPaddingAsCreated();
    BitsChanged();
    return true;
}

bool CDibPicture::LoadFromMemory(const uint8_t* data, size_t size, const std::string& what) {
    Reset();
    if (!data || size < 14 || data[0] != 'B' || data[1] != 'M') {
        SetLastError("CDibPicture::LoadFile: " + what + " is not a BMP file");
        return false;
    }
    const uint32_t offBits = ReadLe32(data + 10);
    // The pixel offset of the file header counts from the file start; DecodeDib counts from the
    // information header. 0 (or nonsense) means "directly after header and colour table".
    const size_t pixelOffset = (offBits >= 14 + 12 && offBits < size) ? offBits - 14 : 0;
    return DecodeDib(data + 14, size - 14, pixelOffset, what);
}

bool CDibPicture::CreateFromPackedDib(const void* block, size_t length) {
    Reset();
    if (!block) {
        SetLastError("CDibPicture::CreateFromPackedDib: no bitmap");
        return false;
    }
    if (!DecodeDib(static_cast<const uint8_t*>(block), length, 0, "packed bitmap")) return false;
    SetFileName("Undefined");
    return true;
}

bool CDibPicture::DecodeDib(const uint8_t* info, size_t infoLen, size_t pixelOffset,
                            const std::string& what) {
    Reset();
    std::string why;
    auto fail = [&](const std::string& reason) {
        Reset();
        SetLastError("CDibPicture::LoadFile: " + what + ": " + reason);
        return false;
    };
    DibLayout l;
    if (!ParseDibHeader(info, infoLen, l, why)) return fail(why);
    size_t pos = l.hdrSize;
    DibColours k;
    if (!ReadDibColours(info, infoLen, l, pos, k, why)) return fail(why);
    if (pixelOffset >= pos && pixelOffset < infoLen) pos = pixelOffset;
    if (pos >= infoLen) return fail("no pixel data");
    const uint8_t* px = info + pos;
    const size_t pxLen = infoLen - pos;

    const int w = int(l.width), h = int(l.height);
    const uint64_t srcStride = ((uint64_t(w) * l.bitCount + 31) / 32) * 4;
    if (!l.rle && srcStride * uint64_t(h) > pxLen)
        return fail("header claims " + Mb(srcStride * uint64_t(h)) + " (" +
                    std::to_string(srcStride * uint64_t(h)) + " bytes) of pixels, the file has " +
                    std::to_string(pxLen));
    // Run-length data is small, but not that small: a few hundred bytes claiming a picture of
    // hundreds of megabytes is a damaged or hostile header, not a drawing.
    if (l.rle && uint64_t(w) * uint64_t(h) > kMaxRlePixelsPerByte * uint64_t(pxLen))
        return fail("header claims " + std::to_string(w) + " x " + std::to_string(h) + " pixels from " +
                    std::to_string(pxLen) + " bytes of compressed data");

    if (!Create(w, h)) return fail(GetLastError());
    if (l.rle) {
        std::vector<uint8_t> idx;
        if (!DecodeRle(px, pxLen, w, h, l.compression == kBiRle4, idx, why)) return fail(why);
        for (size_t i = 0; i < idx.size(); ++i)
            if (idx[i] >= k.colours)
                return fail("colour index " + std::to_string(idx[i]) + " outside the colour table");
        for (int r = 0; r < h; ++r) {
            uint8_t* d = GetRow(r);
            const uint8_t* s = &idx[size_t(r) * size_t(w)];
            for (int c = 0; c < w; ++c) std::memcpy(d + 3 * c, &k.palette[3 * size_t(s[c])], 3);
        }
        BitsChanged();
        return true;
    }
    // Row r of the file is picture row r (bottom-up) or h - 1 - r (top-down).
    for (int r = 0; r < h; ++r)
        if (!UnpackDibRow(px + srcStride * uint64_t(r), GetRow(l.topDown ? h - 1 - r : r), w, l, k, why))
            return fail(why);
    BitsChanged();
    return true;
}

namespace {

// The 24-bit BMP file of a pixel block: file header, information header, the rows as stored.
// Empty on success, otherwise what failed.
std::string WriteBmp(const std::string& path, const void* infoHeader, const uint8_t* bits, int imageSize) {
    uint8_t fileHeader[14] = {};
    fileHeader[0] = 'B';
    fileHeader[1] = 'M';
    WriteLe32(fileHeader + 2, uint32_t(imageSize) + 54);
    WriteLe16(fileHeader + 6, 0);
    WriteLe16(fileHeader + 8, 0);
    WriteLe32(fileHeader + 10, 54);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) return "cannot create " + path;
    f.write(reinterpret_cast<const char*>(fileHeader), 14);
    f.write(reinterpret_cast<const char*>(infoHeader), 40);
    f.write(reinterpret_cast<const char*>(bits), imageSize);
    f.close();
    if (!f) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return "cannot write " + path;
    }
    return {};
}

}  // namespace

bool CDibPicture::SaveFile(const std::string& path) {
    if (IsEmpty()) {
        SetLastError("CDibPicture::SaveFile: the picture is empty");
        return false;
    }
    const std::string failure = WriteBmp(path, GetHeader(), GetBits(), GetImageSize());
    if (!failure.empty()) {
        SetLastError("CDibPicture::SaveFile: " + failure);
        return false;
    }
    return true;
}

bool SaveBmpCopy(const CPicture& picture, const std::string& path) {
    if (picture.IsEmpty()) return false;
    // The information header a new picture of this size gets, as Clone() would give the copy.
    BitmapInfoHeader h{};
    h.biSize = 40;
    h.biWidth = picture.GetWidth();
    h.biHeight = picture.GetHeight();
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = 0;
    h.biSizeImage = uint32_t(picture.GetImageSize());
    return WriteBmp(path, &h, picture.GetBits(), picture.GetImageSize()).empty();
}

}  // namespace trov
