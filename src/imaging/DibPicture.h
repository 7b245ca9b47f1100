// The concrete picture buffer: BMP files in and out, and packed bitmaps from decoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "imaging/Picture.h"

namespace trov {

class CDibPicture : public CPicture {
public:
    CDibPicture() = default;
    ~CDibPicture() override = default;

    // Reads a BMP file: 1, 4, 8, 16, 24 or 32 bits; BI_RGB, RLE8, RLE4 or BITFIELDS; bottom-up or
    // top-down. Every file becomes a 24-bit bottom-up picture. The header is checked against the
    // file size (an RLE file may not claim more than 4,096 pixels per byte of compressed data) and
    // the limits of CPicture; a malformed file is refused (false, empty buffer,
    // GetLastError() names file and cause). Missing pixels of an RLE file that ends early are
    // kept in the background colour and mark the picture damaged.
    // With force false and path equal to the current file name of a loaded picture, nothing is
    // read and true is returned.
    bool LoadFile(const std::string& path, bool force) override;
    // Writes "BM", file size = image size + 54, offset 54, the 40-byte header, the pixels.
    bool SaveFile(const std::string& path) override;

    // Copies a packed bitmap (40-byte information header, colour table, pixels) into this buffer,
    // converting any depth/compression LoadFile accepts to 24 bits. `length` is the number of
    // readable bytes at block (the data is validated against it). Sets the name "Undefined".
    bool CreateFromPackedDib(const void* block, size_t length);

    // Decodes a BMP held in memory (file header included). Same rules as LoadFile; the file name
    // is left alone. `what` names the source in error messages.
    bool LoadFromMemory(const uint8_t* data, size_t size, const std::string& what);

private:
    // Decodes the information header + colour table + pixels; pixelOffset is counted from the
    // start of `info` (not from the file start).
    bool DecodeDib(const uint8_t* info, size_t infoLen, size_t pixelOffset, const std::string& what);
    // A file laid out as a picture block (24 bits, bottom-up, uncompressed, no colour table, the
    // rows straight after the headers), read into the picture directly. False, and nothing held,
    // when the file is not laid out so or cannot be read whole: the general reader then decides.
    bool ReadPlainBlock(std::ifstream& file, const std::string& path);
};

}  // namespace trov
