// Fuzz harness: the BMP reader, as a file and as a packed bitmap (file header left off).
#include "FuzzSupport.h"
#include "imaging/DibPicture.h"

using namespace trov;

namespace {

// A decoded picture must be usable to its last byte.
void Touch(const CDibPicture& picture) {
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
    CDibPicture picture;
    if (picture.LoadFromMemory(data, size, "fuzz.bmp")) Touch(picture);
    if (size > 14) {
        CDibPicture packed;
        if (packed.CreateFromPackedDib(data + 14, size - 14)) Touch(packed);
    }
    return 0;
}
