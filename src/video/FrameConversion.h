// BGR bitmaps to the planar 4:2:0 YUV most encoders take, without swscale: our pictures are
// bottom-up with 4-byte row padding, and one pass that reads them in place (rows flipped as it goes)
// saves the padded copy swscale needs and is several times faster than its accurate path.
#pragma once

#include <cstdint>

namespace trov {

// The target planes: Y at full size, U and V at ((width + 1) / 2) x ((height + 1) / 2).
struct Yuv420Planes {
    uint8_t* y = nullptr;
    uint8_t* u = nullptr;
    uint8_t* v = nullptr;
    int yStride = 0;
    int uStride = 0;
    int vStride = 0;
};

// ITU-R BT.601 colours. fullRange: 0..255 for Y, U and V (JPEG); otherwise Y 16..235 and U/V
// 16..240 (video). Chroma is the mean of each 2 x 2 block (of the pixels present at odd edges).
// `bits` points at the first (bottom) row of a bottom-up 24-bit picture of `stride` bytes per row.
void ConvertBgrToYuv420(const uint8_t* bits, int stride, int width, int height, bool fullRange,
                        const Yuv420Planes& out);

// Whether the AVX2 row kernel is used where the processor has it (the default). Off: the plain
// kernel everywhere, for comparing the two (both give the same bytes). Process-wide.
void SetVectorConversion(bool on);
// Whether the AVX-512 row kernel is used where the processor has it (the default). Off: AVX2 there
// too, for comparing. Process-wide.
void SetWideVectorConversion(bool on);

}  // namespace trov
