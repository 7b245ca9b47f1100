// Fuzz harness: the JPEG reader with its error manager, at an eighth, at full size (pictures up
// to 4 megapixels) and with a size hint that makes it decode scaled.
#include "FuzzSupport.h"
#include "imaging/JpegPicture.h"

using namespace trov;

namespace {

constexpr int64_t kFullDecodePixels = int64_t(4) << 20;
// Pictures whose eighth is itself above that: a few hundred bytes can declare 65000 x 65000.
constexpr int64_t kEighthDecodePixels = kFullDecodePixels * 64;

// The size the frame header declares, found the way the decoder finds it: marker after marker
// from the start of image, each segment skipped by its length; 0 when there is none.
int64_t DeclaredPixels(const uint8_t* data, size_t size) {
    size_t i = 2;
    while (i + 4 <= size) {
        if (data[i] != 0xFF) {  // garbage between segments: the decoder looks for the next marker
            ++i;
            continue;
        }
        const uint8_t marker = data[i + 1];
        if (marker == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (marker == 0x00) {  // a stuffed zero outside any segment: skipped as garbage
            i += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return 0;              // end of image or scan before any frame
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length
            i += 2;
            continue;
        }
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (i + 9 > size) return 0;
            const int height = data[i + 5] << 8 | data[i + 6], width = data[i + 7] << 8 | data[i + 8];
            return int64_t(width) * height;
        }
        i += 2 + size_t(data[i + 2] << 8 | data[i + 3]);
    }
    return 0;
}

void Touch(const CPicture& picture) {
    if (picture.IsEmpty()) return;
    volatile uint8_t sink = 0;
    for (int y = 0; y < picture.GetHeight(); ++y) {
        const uint8_t* row = picture.GetRow(y);
        sink = sink ^ row[0] ^ row[3 * picture.GetWidth() - 1];
    }
    (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::QuietProgram();
    // Files of several scans keep all their coefficients at full size even for an eighth: under
    // the sanitizers every 100 MB of them costs most of a second. The bound is the program's own,
    // lowered; files above it take the refusal path, the one the program takes above its bound.
    static const bool bounded = (CJpegPicture::SetDecoderMemoryLimit(int64_t(128) << 20), true);
    (void)bounded;
    // The eighth-size decode first: cheap at any declared size, and it tells the size. A few
    // hundred bytes can declare a 16-megapixel picture; decoding those at full size costs a
    // second each under the sanitizers and starves the search, so they are taken at 1/8 only
    // (the unit tests decode such a file at full size).
    if (DeclaredPixels(data, size) > kEighthDecodePixels) {
        // Their refusal at full size is quick; decoding even their eighth is not (66 megapixels).
        CJpegPicture refused;
        if (int64_t(3) * DeclaredPixels(data, size) > CPicture::kMaxImageBytes)
            (void)refused.LoadFromMemory(data, size, "fuzz.jpg");
        return 0;
    }
    CJpegPicture eighth;
    eighth.SetSizeHint(1, 1);
    if (!eighth.LoadFromMemory(data, size, "fuzz.jpg")) return 0;
    Touch(eighth);
    if (int64_t(eighth.GetWidth()) * eighth.GetHeight() * 64 > kFullDecodePixels) return 0;

    CJpegPicture picture;
    if (!picture.LoadFromMemory(data, size, "fuzz.jpg")) return 0;
    Touch(picture);
    int w = picture.GetWidth(), h = picture.GetHeight();
    // A box a few times smaller than the picture: the decoder picks one of its n/8 scales.
    CJpegPicture scaled;
    scaled.SetSizeHint(w / (1 + int(size % 7)) + 1, h / (1 + int(size % 5)) + 1);
    if (scaled.LoadFromMemory(data, size, "fuzz.jpg")) Touch(scaled);
    return 0;
}
