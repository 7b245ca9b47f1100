// Makes JPEG files in memory with libjpeg's compressor, for the reader tests.
#pragma once

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>

#include <cstdio>
}

namespace trov::test {

using JpegBytes = std::vector<unsigned char>;

struct EncodeOptions {
    J_COLOR_SPACE input = JCS_RGB;       // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
    J_COLOR_SPACE stored = JCS_UNKNOWN;  // colour space in the file (JCS_UNKNOWN: libjpeg's default)
    bool progressive = false;
    bool adobeMarker = true;  // for CMYK/YCCK
    int quality = 100;
};

// Encodes width x height samples given top row first, `components` per pixel.
inline JpegBytes EncodeJpeg(int width, int height,
                            const std::function<void(int x, int y, JSAMPLE* px)>& sample,
                            const EncodeOptions& o) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = o.input == JCS_GRAYSCALE ? 1 : (o.input == JCS_CMYK ? 4 : 3);
    c.in_color_space = o.input;
    jpeg_set_defaults(&c);
    if (o.stored != JCS_UNKNOWN) jpeg_set_colorspace(&c, o.stored);
    if (!o.adobeMarker) c.write_Adobe_marker = FALSE;
    jpeg_set_quality(&c, o.quality, TRUE);
    // No chroma subsampling: flat colour areas then decode to within a few levels.
    for (int i = 0; i < c.num_components; ++i) {
        c.comp_info[i].h_samp_factor = 1;
        c.comp_info[i].v_samp_factor = 1;
    }
    if (o.progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * size_t(c.input_components));
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < width; ++x)
            sample(x, int(c.next_scanline), &row[size_t(x) * size_t(c.input_components)]);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    JpegBytes result(out, out + outSize);
    std::free(out);
    return result;
}

// A portrait phone photo stored on its side (EXIF orientation 6): 64 x 32 pixels, left half red,
// right half blue, so upright it is 32 x 64 with red on top.
inline std::string WritePhonePhoto(const std::string& path) {
    EncodeOptions o;
    JpegBytes jpeg = EncodeJpeg(
        64, 32,
        [](int x, int, JSAMPLE* px) {
            px[0] = x < 32 ? 230 : 10;
            px[1] = 10;
            px[2] = x < 32 ? 10 : 230;
        },
        o);
    // APP1 "Exif": little-endian TIFF, one entry: orientation (0x0112), SHORT, 1 value, 6.
    const unsigned char exif[] = {'E',  'x',  'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                                  0x12, 0x01, 3,   0,   1, 0, 0,   0,   6,  0, 0, 0, 0, 0, 0, 0};
    std::string file(jpeg.begin(), jpeg.begin() + 2);
    file += std::string("\xFF\xE1", 2) + char(0) + char(sizeof exif + 2);
    file.append(reinterpret_cast<const char*>(exif), sizeof exif);
    file.append(jpeg.begin() + 2, jpeg.end());
    std::ofstream(path, std::ios::binary) << file;
    return path;
}

}  // namespace trov::test
