// Fuzz harness: the JPEG reader with its error manager, at full size and with a size hint that
// makes it decode scaled.
#include "FuzzSupport.h"
#include "imaging/JpegPicture.h"

using namespace trov;

namespace {

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
