// Picture buffer: allocation, rectangle copies, fill, blend and pixel access.
#include "imaging/Picture.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstring>
#include <new>

#include "imaging/DibPicture.h"
#include "infra/LargeBlocks.h"

namespace trov {

namespace {
std::atomic<Colour> g_background{0};
}  // namespace

CPicture::~CPicture() = default;

void CPicture::SetDefaultBackgroundColour(Colour colour) {
    g_background.store(colour & 0xFFFFFF);
}
Colour CPicture::GetDefaultBackgroundColour() {
    return g_background.load();
}

void CPicture::Reset() {
    m_block.reset();
    m_bits = nullptr;
    m_width = -1;
    m_height = -1;
    m_fileName.clear();
    m_damaged = false;
    m_damageMessage.clear();
}

uint8_t* CPicture::GetRow(int y) {
    assert(m_bits && y >= 0 && y < m_height);
    return m_bits + size_t(y) * size_t(GetStride());
}

const uint8_t* CPicture::GetRow(int y) const {
    assert(m_bits && y >= 0 && y < m_height);
    return m_bits + size_t(y) * size_t(GetStride());
}

void CPicture::AdoptBlock(PixelBlock block, int width, int height) {
    m_block = std::move(block);
    m_bits = m_block.get() + 40;
    m_width = width;
    m_height = height;
}

bool CPicture::Create(int width, int height) {
    if (!Allocate(width, height)) return false;
    std::memset(m_bits, 0, size_t(GetImageSize()));
    const Colour bg = GetDefaultBackgroundColour();
    if (bg != 0) Fill(bg);
    BitsChanged();
    return true;
}

namespace {
// Create fills grey backgrounds byte by byte, padding included; any other colour leaves it 0.
bool IsGrey(Colour c) {
    return c != kNoColour && ColourRed(c) == ColourGreen(c) && ColourGreen(c) == ColourBlue(c);
}
}  // namespace

void CPicture::SetPaddingAsCreated() {
    const int used = 3 * m_width, stride = GetStride();
    if (!m_bits || used == stride) return;
    const Colour bg = GetDefaultBackgroundColour();
    const uint8_t pad = IsGrey(bg) ? ColourRed(bg) : 0;
    for (int y = 0; y < m_height; ++y) std::memset(GetRow(y) + used, pad, size_t(stride - used));
}

void CPicture::FillRowsAsCreated(int y0, int y1) {
    if (!m_bits) return;
    y0 = std::max(y0, 0);
    y1 = std::min(y1, m_height);
    const size_t stride = size_t(GetStride());
    const Colour bg = GetDefaultBackgroundColour();
    const uint8_t r = ColourRed(bg), g = ColourGreen(bg), b = ColourBlue(bg);
    for (int y = y0; y < y1; ++y) {
        uint8_t* row = m_bits + size_t(y) * stride;
        if (bg == kNoColour || IsGrey(bg)) {
            std::memset(row, IsGrey(bg) ? r : 0, stride);
            continue;
        }
        std::memset(row + 3 * size_t(m_width), 0, stride - 3 * size_t(m_width));
        for (int x = 0; x < m_width; ++x) {
            row[3 * x] = b;
            row[3 * x + 1] = g;
            row[3 * x + 2] = r;
        }
    }
}

bool CPicture::Allocate(int width, int height) {
    Reset();
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        m_lastError =
            "CPicture::Create: invalid size " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    const int64_t imageSize = int64_t(StrideFor(width)) * height;
    if (imageSize > kMaxImageBytes) {
        m_lastError = "CPicture::Create: " + std::to_string(width) + " x " + std::to_string(height) +
                      " exceeds the picture size limit";
        return false;
    }
    PixelBlock block(static_cast<uint8_t*>(AllocateLargeBlock(size_t(40 + imageSize))));
    if (!block) {
        m_lastError =
            "CPicture::Create: out of memory for " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    BitmapInfoHeader h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = 0;
    h.biSizeImage = uint32_t(imageSize);
    std::memcpy(block.get(), &h, sizeof h);
    AdoptBlock(std::move(block), width, height);
    m_lastError.clear();
    return true;
}

std::unique_ptr<CDibPicture> CPicture::Clone() const {
    if (!m_bits) return nullptr;
    auto copy = std::make_unique<CDibPicture>();
    // Every byte is copied over, padding included: the block needs no filling first.
    if (!copy->Allocate(m_width, m_height)) return nullptr;
    std::memcpy(copy->GetBits(), m_bits, size_t(GetImageSize()));
    copy->SetFileName(m_fileName);
    copy->BitsChanged();
    return copy;
}

void CPicture::CopyRect(const CPicture* source, int x0, int y0, int x1, int y1, int dx, int dy,
                        Colour keyColour, bool checkBounds) {
    if (!source || !source->m_bits || !m_bits) return;

    if (keyColour != kNoColour) {
        const uint8_t kr = ColourRed(keyColour), kg = ColourGreen(keyColour), kb = ColourBlue(keyColour);
        // Both variants skip positions outside either picture; checkBounds just does it up front.
        if (checkBounds) {
            x0 = std::max(x0, std::max(0, -dx));
            y0 = std::max(y0, std::max(0, -dy));
            x1 = std::min(x1, std::min(source->m_width, m_width - dx));
            y1 = std::min(y1, std::min(source->m_height, m_height - dy));
        }
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                if (x < 0 || y < 0 || x >= source->m_width || y >= source->m_height) continue;
                const int tx = x + dx, ty = y + dy;
                if (tx < 0 || ty < 0 || tx >= m_width || ty >= m_height) continue;
                const uint8_t* s = source->GetRow(y) + 3 * x;
                if (s[0] == kb && s[1] == kg && s[2] == kr) continue;
                uint8_t* d = GetRow(ty) + 3 * tx;
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
        return;
    }

    // Whole-picture fast path.
    if (dx == 0 && dy == 0 && x0 == 0 && y0 == 0 && x1 == m_width && y1 == m_height &&
        source->m_width == m_width && source->m_height == m_height) {
        if (source != this) std::memcpy(m_bits, source->m_bits, size_t(GetImageSize()));
        return;
    }

    // Clip the source rectangle to the source, then to where it lands in this picture.
    x0 = std::clamp(x0, 0, source->m_width);
    x1 = std::clamp(x1, 0, source->m_width);
    y0 = std::clamp(y0, 0, source->m_height);
    y1 = std::clamp(y1, 0, source->m_height);
    x0 = std::max(x0, -dx);
    y0 = std::max(y0, -dy);
    x1 = std::min(x1, m_width - dx);
    y1 = std::min(y1, m_height - dy);
    if (x1 <= x0 || y1 <= y0) return;

    const size_t rowBytes = size_t(3) * size_t(x1 - x0);
    const size_t sStride = size_t(source->GetStride()), dStride = size_t(GetStride());
    const uint8_t* s = source->m_bits + size_t(y0) * sStride + size_t(3) * size_t(x0);
    uint8_t* d = m_bits + size_t(y0 + dy) * dStride + size_t(3) * size_t(x0 + dx);
    const int rows = y1 - y0;
    if (source == this && dy > 0) {
        // Copying upward inside one picture: go from the top so no source row is overwritten first.
        for (int r = rows - 1; r >= 0; --r)
            std::memmove(d + size_t(r) * dStride, s + size_t(r) * sStride, rowBytes);
        return;
    }
    for (int r = 0; r < rows; ++r) {
        std::memmove(d, s, rowBytes);
        s += sStride;
        d += dStride;
    }
}

void CPicture::CopyAt(const CPicture* source, int x, int y) {
    if (!source) return;
    CopyRect(source, 0, 0, source->m_width, source->m_height, x, y, kNoColour, false);
}

void CPicture::CopyCropped(const CPicture* source, int x0, int y0, int x1, int y1) {
    CopyRect(source, x0, y0, x1, y1, -x0, -y0, kNoColour, false);
}

void CPicture::CopyFrom(const CPicture* source) {
    if (!source || !source->m_bits || !m_bits || source == this) return;
    if (source->m_width != m_width || source->m_height != m_height) return;
    std::memcpy(m_bits, source->m_bits, size_t(GetImageSize()));
}

void CPicture::Fill(Colour colour) {
    if (!m_bits || colour == kNoColour) return;
    const uint8_t r = ColourRed(colour), g = ColourGreen(colour), b = ColourBlue(colour);
    if (r == g && g == b) {
        std::memset(m_bits, r, size_t(GetImageSize()));
        return;
    }
    // One row template, copied into every row; padding keeps its bytes.
    uint8_t* first = m_bits;
    for (int x = 0; x < m_width; ++x) {
        first[3 * x] = b;
        first[3 * x + 1] = g;
        first[3 * x + 2] = r;
    }
    const size_t stride = size_t(GetStride());
    for (int y = 1; y < m_height; ++y)
        std::memcpy(m_bits + size_t(y) * stride, first, size_t(3) * size_t(m_width));
}

void CPicture::Clear() {
    if (m_bits) std::memset(m_bits, 0, size_t(GetImageSize()));
}

void CPicture::BlendWithMask(const CPicture* other, const CPicture* mask) {
    if (!m_bits || !other || !mask || !other->m_bits || !mask->m_bits) return;
    const int size = GetImageSize();
    if (other->GetImageSize() != size || mask->GetImageSize() != size) return;
    // Exact integer form of o*m/255 + t*(255-m)/255, truncated: mask 255 gives other exactly and
    // mask 0 keeps this exactly (the floating form with a rounded 1/255 can land just below).
    const uint8_t* o = other->m_bits;
    const uint8_t* m = mask->m_bits;
    uint8_t* t = m_bits;
    // v <= 255 * 255 fits 16 bits, and (v + 1 + (v >> 8)) >> 8 == v / 255 for every such v:
    // 16-bit lanes let the compiler vectorise the loop.
    for (int i = 0; i < size; ++i) {
        const uint16_t w = m[i];
        const uint16_t v = uint16_t(o[i] * w + t[i] * (255 - w));
        t[i] = uint8_t((v + 1 + (v >> 8)) >> 8);
    }
}

bool CPicture::GetPixel(int x, int y, uint8_t& r, uint8_t& g, uint8_t& b) const {
    if (!m_bits) return false;
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return true;
    const uint8_t* p = m_bits + size_t(y) * size_t(GetStride()) + size_t(3) * size_t(x);
    b = p[0];
    g = p[1];
    r = p[2];
    return true;
}

bool CPicture::SetPixel(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    if (!m_bits) return false;
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return true;
    uint8_t* p = m_bits + size_t(y) * size_t(GetStride()) + size_t(3) * size_t(x);
    p[0] = b;
    p[1] = g;
    p[2] = r;
    return true;
}

Colour CPicture::GetColour(int x, int y) const {
    if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height) return kNoColour;
    const uint8_t* p = m_bits + size_t(y) * size_t(GetStride()) + size_t(3) * size_t(x);
    return MakeColour(p[2], p[1], p[0]);
}

std::vector<uint8_t> CPicture::ToPackedRgbTopDown() const {
    std::vector<uint8_t> out;
    if (!m_bits) return out;
    const size_t rowBytes = size_t(3) * size_t(m_width);
    out.resize(rowBytes * size_t(m_height));
    for (int y = 0; y < m_height; ++y) {
        const uint8_t* s = GetRow(m_height - 1 - y);
        uint8_t* d = out.data() + size_t(y) * rowBytes;
        for (int x = 0; x < m_width; ++x) {
            d[3 * x] = s[3 * x + 2];
            d[3 * x + 1] = s[3 * x + 1];
            d[3 * x + 2] = s[3 * x];
        }
    }
    return out;
}

bool CPicture::FromPackedRgbTopDown(const uint8_t* rgb, int width, int height, int stride) {
    if (!rgb || width < 1 || height < 1 || stride < 3 * width) {
        Reset();
        m_lastError = "CPicture::FromPackedRgbTopDown: invalid image";
        return false;
    }
    if (!Create(width, height)) return false;
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = rgb + size_t(y) * size_t(stride);
        uint8_t* d = GetRow(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            d[3 * x] = s[3 * x + 2];
            d[3 * x + 1] = s[3 * x + 1];
            d[3 * x + 2] = s[3 * x];
        }
    }
    BitsChanged();
    return true;
}

}  // namespace trov
