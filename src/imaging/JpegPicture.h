// A picture read from a JPEG file (libjpeg-turbo, IJG v6 interface).
#pragma once

#include <string>

#include "imaging/DibPicture.h"

namespace trov {

// Holds its pixels like a CDibPicture (everything but loading and saving behaves the same).
class CJpegPicture : public CDibPicture {
public:
    CJpegPicture() = default;
    ~CJpegPicture() override = default;

    // Decodes a JPEG file into a 24-bit bottom-up picture (top scanline -> last row).
    // Grey-scale files give equal red, green and blue; CMYK and YCCK files (Adobe-inverted too)
    // are converted to RGB. Data that libjpeg can only warn about still loads. When picture data
    // was missing or invalid (a truncated file, corrupt scan data) the picture is marked damaged
    // (IsDamaged()); warnings after which every pixel is intact (stray bytes before a marker, an
    // unknown JFIF revision) are only logged. A fatal decoder error gives false
    // and an empty buffer. With force false and path equal to the current file name of a loaded
    // picture, nothing is read and true is returned.
    bool LoadFile(const std::string& path, bool force) override;
    // Shows "Currently not implemented!" through the user prompt and returns false.
    bool SaveFile(const std::string& path) override;

    // Decodes a JPEG held in memory (same rules as LoadFile; the file name is left alone).
    bool LoadFromMemory(const unsigned char* data, size_t size, const std::string& what);

    // Tells the next loads that the picture will be fitted (aspect kept) into width x height.
    // The decoder then scales by the smallest n/8 whose output still covers that fitted size, so
    // the later resize only shrinks and far fewer pixels are decoded. 0 x 0 (the default) or a
    // box the picture already fits into decodes at full size.
    void SetSizeHint(int width, int height);

    // The working memory one decode may take beyond the picture itself, process-wide. Files of
    // several scans (progressive, or one colour at a time) keep every coefficient of the picture
    // at full size, whatever the output scale: a few hundred bytes can declare a picture that
    // would need gigabytes. Such a file is refused instead. The default is as large as the
    // largest picture there can be, which no real photo reaches.
    static void SetDecoderMemoryLimit(int64_t bytes);
    static int64_t DecoderMemoryLimit();

private:
    int m_hintWidth = 0;
    int m_hintHeight = 0;
    // The hint the held picture was decoded with (a changed hint makes LoadFile read again).
    int m_loadedHintWidth = 0;
    int m_loadedHintHeight = 0;
};

// The EXIF orientation (1 ... 8, as cameras and phones store it in the APP1 "Exif" segment) of a
// JPEG file: 1 = upright, 2 mirrored, 3 upside down, 4 mirrored upside down, 5 mirrored and
// turned, 6 to be turned 90 degrees clockwise, 7 mirrored and turned, 8 to be turned 90 degrees
// anticlockwise. 1 when the file is no JPEG, has no such segment or holds another value. Reads
// only the segments in front of the picture data.
int ReadJpegExifOrientation(const std::string& path);
// The orientation from the payload of an APP1 segment ("Exif\0\0" and a TIFF structure).
int ParseExifOrientation(const unsigned char* data, size_t size);

}  // namespace trov
