// The 24-bit picture buffer every picture, intermediate frame and output frame lives in.
//
// Layout (binding for all code that touches pixels):
//  - one memory block: the 40-byte BMP information header, directly followed by the pixels;
//  - 3 bytes per pixel in the order blue, green, red;
//  - rows stored bottom-up: row y = 0 is the BOTTOM row of the picture as shown;
//    every (x, y) coordinate of this class is in that order (x = 0 left, y = 0 bottom);
//  - row stride = 3 * width rounded up to a multiple of 4 (StrideFor()).
//
// Colours passed as one integer are Windows colour values (type Colour): red in bits 0-7,
// green in 8-15, blue in 16-23; kNoColour (all bits set, "-1") means "no colour".
//
// Threads: a picture is not synchronised. Different pictures may be used on different threads at
// once; one picture must not be changed while another thread reads it. The process-wide
// background colour is atomic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "infra/LargeBlocks.h"

namespace trov {

class CDibPicture;

// Windows colour value: 0x00BBGGRR. kNoColour (0xFFFFFFFF, i.e. -1 as a signed int) = none.
using Colour = uint32_t;
inline constexpr Colour kNoColour = 0xFFFFFFFFu;

constexpr Colour MakeColour(uint8_t r, uint8_t g, uint8_t b) {
    return Colour(r) | (Colour(g) << 8) | (Colour(b) << 16);
}
constexpr uint8_t ColourRed(Colour c) {
    return uint8_t(c & 0xFF);
}
constexpr uint8_t ColourGreen(Colour c) {
    return uint8_t((c >> 8) & 0xFF);
}
constexpr uint8_t ColourBlue(Colour c) {
    return uint8_t((c >> 16) & 0xFF);
}

// The BMP information header (BITMAPINFOHEADER), exactly as stored in files and in our blocks.
struct BitmapInfoHeader {
    uint32_t biSize;          // 40
    int32_t biWidth;          // columns
    int32_t biHeight;         // rows; positive = bottom-up (always so in our blocks)
    uint16_t biPlanes;        // 1
    uint16_t biBitCount;      // 24 in our blocks
    uint32_t biCompression;   // 0 (BI_RGB) in our blocks
    uint32_t biSizeImage;     // stride * height
    int32_t biXPelsPerMeter;  // 0
    int32_t biYPelsPerMeter;  // 0
    uint32_t biClrUsed;       // 0
    uint32_t biClrImportant;  // 0
};
static_assert(sizeof(BitmapInfoHeader) == 40, "the information header must be 40 bytes");

// Abstract picture buffer. Owns its block; empty (width/height -1, no block) after construction
// and after Reset(). Not copyable: use CopyFrom()/Clone() to duplicate pixels.
class CPicture {
public:
    // Largest side and largest pixel block a picture may have; Create() refuses bigger ones.
    static constexpr int kMaxSide = 65535;
    static constexpr int64_t kMaxImageBytes = int64_t(1) << 30;  // 1 GiB

    CPicture() = default;
    virtual ~CPicture();
    CPicture(const CPicture&) = delete;
    CPicture& operator=(const CPicture&) = delete;

    // ---- process-wide default background colour (black at start; the project sets it) ----
    static void SetDefaultBackgroundColour(Colour colour);
    static Colour GetDefaultBackgroundColour();

    // Row stride in bytes of a 24-bit picture of this width: 3 * width rounded up to 4.
    static int StrideFor(int width) { return (3 * width + 3) & ~3; }

    // ---- virtual operations ----
    // Releases the block and returns to the empty state (also clears file name and damage flag).
    virtual void Reset();
    // Loads a picture file into this buffer. With force false and path equal to the current
    // file name, nothing is read (see the subclasses for the result). On failure the buffer is
    // empty and GetLastError() says why.
    virtual bool LoadFile(const std::string& path, bool force) = 0;
    // Writes the picture as a 24-bit BMP file. False when empty or the file cannot be written.
    virtual bool SaveFile(const std::string& path) = 0;
    // Called after every change of the pixels by code outside this class (a hook for display
    // caches of subclasses; the buffer itself keeps no derived state).
    virtual void BitsChanged() {}

    // ---- block access ----
    // Header = start of the block; null when empty.
    BitmapInfoHeader* GetHeader() { return reinterpret_cast<BitmapInfoHeader*>(m_block.get()); }
    const BitmapInfoHeader* GetHeader() const {
        return reinterpret_cast<const BitmapInfoHeader*>(m_block.get());
    }
    // First pixel byte (bottom row, left column); null when empty.
    uint8_t* GetBits() { return m_bits; }
    const uint8_t* GetBits() const { return m_bits; }
    // Byte size of the pixel block = stride * height; -1 when empty.
    int GetImageSize() const { return m_bits ? GetStride() * m_height : -1; }
    // Size of the whole block (40-byte header + pixels); 0 when empty.
    size_t GetBlockSize() const { return m_bits ? 40 + size_t(GetImageSize()) : 0; }

    int GetWidth() const { return m_width; }    // -1 when empty
    int GetHeight() const { return m_height; }  // -1 when empty
    int GetStride() const { return m_bits ? StrideFor(m_width) : 0; }
    bool IsEmpty() const { return m_bits == nullptr; }

    // Pointer to the first byte of row y (0 = bottom). No range check beyond an assert.
    uint8_t* GetRow(int y);
    const uint8_t* GetRow(int y) const;

    void SetFileName(const std::string& name) { m_fileName = name; }
    const std::string& GetFileName() const { return m_fileName; }

    // Set by a loader that had to repair or skip corrupt data (e.g. a truncated JPEG): the
    // picture loaded, but is not what the file should have held. GetDamageMessage() says why.
    bool IsDamaged() const { return m_damaged; }
    const std::string& GetDamageMessage() const { return m_damageMessage; }
    void SetDamaged(const std::string& message) {
        m_damaged = true;
        m_damageMessage = message;
    }
    // Why the last LoadFile/Create failed (names file and cause); empty after success.
    const std::string& GetLastError() const { return m_lastError; }

    // ---- creation ----
    // Resets, allocates width x height, fills with the default background colour (padding bytes
    // are 0 unless that colour is grey, in which case they have its value too).
    // False (buffer stays empty) for sizes < 1, above the limits, or when memory is short.
    bool Create(int width, int height);
    // As Create, but the pixels are left as the allocator gives them: for a loader or copy that
    // writes every row itself (it calls BitsChanged when done). Photos and prepared pictures are
    // tens of megabytes; filling them first only to overwrite them costs as much as the copy.
    bool Allocate(int width, int height);
    // Rows [y0, y1) as Create leaves them (background colour, padding included), and the padding
    // bytes of every row as Create leaves them: for a block filled from elsewhere.
    void FillRowsAsCreated(int y0, int y1);
    void SetPaddingAsCreated();
    // A new CDibPicture with the same size, pixels and file name (padding included). Null if empty.
    std::unique_ptr<CDibPicture> Clone() const;

    // ---- pixel operations (all no-ops on an empty buffer) ----
    // Rectangle copy: source columns x0 <= x < x1 and rows y0 <= y < y1 go to (x + dx, y + dy).
    // keyColour == kNoColour: plain byte copy per row, clipped on all four sides of both
    //   pictures (a part that would land left of or below the target is cut off, not shifted).
    //   source may be this picture (overlapping rows are handled with memmove).
    // otherwise: pixels of exactly keyColour are skipped; checkBounds only changes speed
    //   (positions outside either picture are always ignored).
    // A null source does nothing.
    void CopyRect(const CPicture* source, int x0, int y0, int x1, int y1, int dx, int dy,
                  Colour keyColour = kNoColour, bool checkBounds = false);
    // The whole source with its lower-left corner at (x, y).
    void CopyAt(const CPicture* source, int x, int y);
    // The source rectangle moved to the origin.
    void CopyCropped(const CPicture* source, int x0, int y0, int x1, int y1);
    // Whole copy (padding included); does nothing unless both have the same width and height.
    void CopyFrom(const CPicture* source);
    // Paints every pixel. Grey (r == g == b): every byte including row padding; otherwise the
    // padding bytes keep their values. kNoColour does nothing.
    void Fill(Colour colour);
    // Every byte of the pixel block (padding included) to 0.
    void Clear();
    // Per byte i: this[i] = other[i] * m / 255 + this[i] * (255 - m) / 255, m = mask[i],
    // truncated. Does nothing unless other and mask have this picture's image size.
    void BlendWithMask(const CPicture* other, const CPicture* mask);

    // Pixel access. False on an empty buffer; a position outside the picture is ignored
    // (GetPixel leaves r, g, b unchanged, SetPixel writes nothing) and still returns true.
    bool GetPixel(int x, int y, uint8_t& r, uint8_t& g, uint8_t& b) const;
    bool SetPixel(int x, int y, uint8_t r, uint8_t g, uint8_t b);
    // Colour of a pixel, kNoColour outside the picture or when empty.
    Colour GetColour(int x, int y) const;

    // ---- display images for the GUI (replace device-context hand-over) ----
    // Packed RGB copy, rows top-down (first row = top of the picture), 3 * width bytes per row,
    // no padding: directly usable as a QImage::Format_RGB888. Empty when the picture is empty.
    std::vector<uint8_t> ToPackedRgbTopDown() const;
    // The reverse: (re)creates this picture from packed top-down RGB rows of `stride` bytes
    // (stride >= 3 * width). False on bad sizes.
    bool FromPackedRgbTopDown(const uint8_t* rgb, int width, int height, int stride);

protected:
    // Takes over a complete block (header + pixels) made by a loader; validates nothing.
    using PixelBlock = std::unique_ptr<uint8_t[], LargeBlockFree>;
    void AdoptBlock(PixelBlock block, int width, int height);
    void SetLastError(const std::string& message) { m_lastError = message; }

private:
    PixelBlock m_block;         // header + pixels; null when empty
    uint8_t* m_bits = nullptr;  // m_block + 40
    int m_width = -1;
    int m_height = -1;
    std::string m_fileName;
    bool m_damaged = false;
    std::string m_damageMessage;
    std::string m_lastError;
};

}  // namespace trov
