// BMP reading (every common depth and compression, validated) and writing (24-bit).
#include "imaging/DibPicture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

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
    auto fail = [&](const std::string& why) {
        Reset();
        SetLastError("CDibPicture::LoadFile: " + what + ": " + why);
        return false;
    };
    if (infoLen < 12) return fail("file ends inside the bitmap header");
    const uint32_t hdrSize = ReadLe32(info);
    int64_t width = 0, height = 0;
    uint32_t bitCount = 0, compression = kBiRgb, clrUsed = 0;
    size_t paletteEntrySize = 4;
    if (hdrSize == 12) {
        // OS/2 core header: 16-bit sizes, 3-byte colour table entries.
        width = ReadLe16(info + 4);
        height = int16_t(ReadLe16(info + 6));
        bitCount = ReadLe16(info + 10);
        paletteEntrySize = 3;
    } else if (hdrSize >= 40 && hdrSize <= 124) {
        if (infoLen < hdrSize) return fail("file ends inside the bitmap header");
        width = int32_t(ReadLe32(info + 4));
        height = int32_t(ReadLe32(info + 8));
        bitCount = ReadLe16(info + 14);
        compression = ReadLe32(info + 16);
        clrUsed = ReadLe32(info + 32);
    } else {
        return fail("unsupported bitmap header size " + std::to_string(hdrSize));
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width < 1 || height < 1)
        return fail("invalid size " + std::to_string(width) + " x " + std::to_string(height));
    if (width > kMaxSide || height > kMaxSide)
        return fail("size " + std::to_string(width) + " x " + std::to_string(height) + " exceeds the limit");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return fail("unsupported depth of " + std::to_string(bitCount) + " bits");
    const bool rle = compression == kBiRle8 || compression == kBiRle4;
    const bool bitfields = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (compression == kBiRle8 && bitCount != 8) return fail("RLE8 needs 8 bits per pixel");
    if (compression == kBiRle4 && bitCount != 4) return fail("RLE4 needs 4 bits per pixel");
    if (bitfields && bitCount != 16 && bitCount != 32) return fail("BITFIELDS needs 16 or 32 bits per pixel");
    if (!rle && !bitfields && compression != kBiRgb)
        return fail("unsupported compression " + std::to_string(compression));
    if (rle && topDown) return fail("a compressed bitmap cannot be top-down");

    size_t pos = hdrSize;
    // Channel masks: inside a V2+ header, after a plain 40-byte one.
    Channel red, green, blue;
    if (bitfields) {
        const uint8_t* m;
        if (hdrSize >= 52) {
            m = info + 40;
        } else {
            const size_t maskBytes = compression == kBiAlphaBitfields ? 16 : 12;
            if (infoLen < pos + maskBytes) return fail("file ends inside the colour masks");
            m = info + pos;
            pos += maskBytes;
        }
        red.Set(ReadLe32(m));
        green.Set(ReadLe32(m + 4));
        blue.Set(ReadLe32(m + 8));
    } else if (bitCount == 16) {
        red.Set(0x7C00);
        green.Set(0x03E0);
        blue.Set(0x001F);
    }

    // Colour table.
    std::vector<uint8_t> palette;  // B, G, R per entry
    size_t colours = 0;
    if (bitCount <= 8) {
        const size_t maxColours = size_t(1) << bitCount;
        colours = clrUsed ? clrUsed : maxColours;
        if (clrUsed > maxColours)
            return fail("colour table of " + std::to_string(clrUsed) + " entries is too large");
        if (infoLen < pos + colours * paletteEntrySize) return fail("file ends inside the colour table");
        palette.resize(colours * 3);
        for (size_t i = 0; i < colours; ++i)
            std::memcpy(&palette[3 * i], info + pos + i * paletteEntrySize, 3);
        pos += colours * paletteEntrySize;
    } else if (clrUsed) {
        // An optional colour table of a deep bitmap: skipped when it fits.
        if (uint64_t(clrUsed) * paletteEntrySize <= infoLen - pos) pos += size_t(clrUsed) * paletteEntrySize;
    }
    if (pixelOffset >= pos && pixelOffset < infoLen) pos = pixelOffset;
    if (pos >= infoLen) return fail("no pixel data");
    const uint8_t* px = info + pos;
    const size_t pxLen = infoLen - pos;

    const int w = int(width), h = int(height);
    const uint64_t srcStride = ((uint64_t(w) * bitCount + 31) / 32) * 4;
    if (!rle && srcStride * uint64_t(h) > pxLen)
        return fail("header claims " + Mb(srcStride * uint64_t(h)) + " (" +
                    std::to_string(srcStride * uint64_t(h)) + " bytes) of pixels, the file has " +
                    std::to_string(pxLen));
    // Run-length data is small, but not that small: a few hundred bytes claiming a picture of
    // hundreds of megabytes is a damaged or hostile header, not a drawing.
    if (rle && uint64_t(w) * uint64_t(h) > kMaxRlePixelsPerByte * uint64_t(pxLen))
        return fail("header claims " + std::to_string(w) + " x " + std::to_string(h) + " pixels from " +
                    std::to_string(pxLen) + " bytes of compressed data");

    if (!Create(w, h)) return fail(GetLastError());
    // Row r of the file is picture row r (bottom-up) or h - 1 - r (top-down).
    auto dstRow = [&](int r) { return GetRow(topDown ? h - 1 - r : r); };

    if (rle) {
        // Unwritten pixels take colour 0 of the table, as other readers show them.
        std::vector<uint8_t> idx(size_t(w) * size_t(h), 0);
        size_t i = 0;
        int x = 0, y = 0;
        bool ended = false;
        auto put = [&](int value) {
            if (x < w && y < h) idx[size_t(y) * size_t(w) + size_t(x)] = uint8_t(value);
            ++x;
        };
        const bool four = compression == kBiRle4;
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
        if (!ended) return fail("compressed pixel data ends early");
        for (size_t k = 0; k < idx.size(); ++k)
            if (idx[k] >= colours)
                return fail("colour index " + std::to_string(idx[k]) + " outside the colour table");
        for (int r = 0; r < h; ++r) {
            uint8_t* d = GetRow(r);
            const uint8_t* s = &idx[size_t(r) * size_t(w)];
            for (int c = 0; c < w; ++c) std::memcpy(d + 3 * c, &palette[3 * size_t(s[c])], 3);
        }
        BitsChanged();
        return true;
    }

    for (int r = 0; r < h; ++r) {
        const uint8_t* s = px + srcStride * uint64_t(r);
        uint8_t* d = dstRow(r);
        switch (bitCount) {
            case 24:
                std::memcpy(d, s, size_t(3) * size_t(w));
                break;
            case 32:
                if (bitfields) {
                    for (int c = 0; c < w; ++c) {
                        const uint32_t v = ReadLe32(s + 4 * c);
                        d[3 * c] = blue.Get(v);
                        d[3 * c + 1] = green.Get(v);
                        d[3 * c + 2] = red.Get(v);
                    }
                } else {
                    for (int c = 0; c < w; ++c) std::memcpy(d + 3 * c, s + 4 * c, 3);
                }
                break;
            case 16:
                for (int c = 0; c < w; ++c) {
                    const uint32_t v = ReadLe16(s + 2 * c);
                    d[3 * c] = blue.Get(v);
                    d[3 * c + 1] = green.Get(v);
                    d[3 * c + 2] = red.Get(v);
                }
                break;
            default: {  // 1, 4, 8 bits: colour table indices, most significant bits first
                const int perByte = 8 / int(bitCount);
                const unsigned mask = (1u << bitCount) - 1;
                for (int c = 0; c < w; ++c) {
                    const uint8_t byte = s[c / perByte];
                    const int shift = int(bitCount) * (perByte - 1 - c % perByte);
                    const unsigned index = (byte >> shift) & mask;
                    if (index >= colours)
                        return fail("colour index " + std::to_string(index) + " outside the colour table");
                    std::memcpy(d + 3 * c, &palette[3 * index], 3);
                }
                break;
            }
        }
    }
    BitsChanged();
    return true;
}

bool CDibPicture::SaveFile(const std::string& path) {
    if (IsEmpty()) {
        SetLastError("CDibPicture::SaveFile: the picture is empty");
        return false;
    }
    uint8_t fileHeader[14] = {};
    fileHeader[0] = 'B';
    fileHeader[1] = 'M';
    WriteLe32(fileHeader + 2, uint32_t(GetImageSize()) + 54);
    WriteLe16(fileHeader + 6, 0);
    WriteLe16(fileHeader + 8, 0);
    WriteLe32(fileHeader + 10, 54);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) {
        SetLastError("CDibPicture::SaveFile: cannot create " + path);
        return false;
    }
    f.write(reinterpret_cast<const char*>(fileHeader), 14);
    f.write(reinterpret_cast<const char*>(GetHeader()), 40);
    f.write(reinterpret_cast<const char*>(GetBits()), GetImageSize());
    f.close();
    if (!f) {
        SetLastError("CDibPicture::SaveFile: cannot write " + path);
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return false;
    }
    return true;
}

}  // namespace trov
