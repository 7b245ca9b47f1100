// JPEG decoding with libjpeg-turbo straight into the picture rows.
#include "imaging/JpegPicture.h"

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "infra/LargeBlocks.h"
#include "infra/Log.h"
#include "infra/UserPrompt.h"

extern "C" {
#include <jpeglib.h>
// The message codes (J_MESSAGE_CODE) the warnings are told apart by.
#include <jerror.h>
}

namespace trov {

namespace {

// libjpeg's error manager extended by the jump target and the texts we keep.
struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char fatal[JMSG_LENGTH_MAX];
    // The first warning that means lost or invalid picture data, and the first harmless one.
    char firstDamage[JMSG_LENGTH_MAX];
    char firstHarmless[JMSG_LENGTH_MAX];
    int damages;
    int harmless;
};

// Warnings after which every pixel still comes from the file: stray bytes between segments
// (common in camera files), an unknown JFIF revision or Adobe transform code, a broken ICC
// marker (the profile is not used), odd but ignored scan parameters. Every other warning (end of
// data, corrupt entropy data, lost restart markers, a broken progression) means pixels that are
// missing or invented.
bool IsHarmlessWarning(int code) {
    switch (code) {
        case JWRN_EXTRANEOUS_DATA:
        case JWRN_JFIF_MAJOR:
        case JWRN_ADOBE_XFORM:
        case JWRN_BOGUS_ICC:
        case JWRN_NOT_SEQUENTIAL:
        case JWRN_TOO_MUCH_DATA:
            return true;
        default:
            return false;
    }
}

std::atomic<int64_t> g_decoderMemoryLimit{CPicture::kMaxImageBytes};

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<JpegErrors*>(cinfo->err);
    if (cinfo->err->msg_code == JERR_NO_BACKING_STORE)
        // libjpeg asks for a backing store once its arrays would pass the limit; its own
        // words ("Backing store not supported") would tell a user nothing.
        std::snprintf(e->fatal, sizeof e->fatal, "decoding it would need more than %lld MB of working memory",
                      static_cast<long long>(g_decoderMemoryLimit.load() >> 20));
    else
        (*cinfo->err->format_message)(cinfo, e->fatal);
    std::longjmp(e->jump, 1);
}

// Warnings (level < 0) are data that libjpeg worked around: remember the first of each kind.
extern "C" void JpegEmitMessage(j_common_ptr cinfo, int level) {
    auto* e = reinterpret_cast<JpegErrors*>(cinfo->err);
    if (level >= 0) return;  // trace messages
    if (IsHarmlessWarning(cinfo->err->msg_code)) {
        if (e->harmless++ == 0) (*cinfo->err->format_message)(cinfo, e->firstHarmless);
    } else {
        if (e->damages++ == 0) (*cinfo->err->format_message)(cinfo, e->firstDamage);
    }
    ++cinfo->err->num_warnings;
}

// One row of CMYK sample quadruples to blue, green, red. Adobe writes the inks inverted; the
// choice is made once per row, not per pixel (a wide CMYK picture spent most of its time there).
void CmykRowToBgr(const JSAMPLE* s, uint8_t* d, int w, bool inverted) {
    // With c, m, y, k the "amount of white left" per ink: R = c * k / 255.
    auto put = [](unsigned c, unsigned m, unsigned y, unsigned k, uint8_t* out) {
        out[0] = uint8_t((y * k + 127) / 255);
        out[1] = uint8_t((m * k + 127) / 255);
        out[2] = uint8_t((c * k + 127) / 255);
    };
    const JSAMPLE* end = s + 4 * size_t(w);
    if (inverted) {
        for (; s != end; s += 4, d += 3) put(s[0], s[1], s[2], s[3], d);
    } else {
        for (; s != end; s += 4, d += 3) put(255u - s[0], 255u - s[1], 255u - s[2], 255u - s[3], d);
    }
}

// The rectangle that a keep-aspect resize of a w x h picture into boxW x boxH fills (the same
// rounding as CPictureTools::ResizeWith).
void FitInto(int w, int h, int boxW, int boxH, int& fitW, int& fitH) {
    const double ratio = double(w) / double(h);
    fitW = boxW;
    fitH = boxH;
    if (double(boxW) / double(boxH) <= ratio)
        fitH = int(boxW / ratio);
    else
        fitW = int(boxH * ratio);
    fitW = std::clamp(fitW, 1, boxW);
    fitH = std::clamp(fitH, 1, boxH);
}

// Picks the smallest DCT scale n/8 whose output is still at least the rectangle the picture
// will be fitted into (measured on the scaled output itself, so the resize never enlarges).
void ChooseScale(jpeg_decompress_struct& ci, int boxW, int boxH) {
    if (boxW < 1 || boxH < 1) return;
    for (unsigned n = 1; n < 8; ++n) {
        ci.scale_num = n;
        ci.scale_denom = 8;
        jpeg_calc_output_dimensions(&ci);
        const int ow = int(ci.output_width), oh = int(ci.output_height);
        int fitW = 0, fitH = 0;
        FitInto(ow, oh, boxW, boxH, fitW, fitH);
        if (ow >= fitW && oh >= fitH) return;
    }
    ci.scale_num = 1;
    ci.scale_denom = 1;
}

// The output colour space for the file's; false (with the reason in err->fatal) for one we cannot take.
bool ChooseColourSpace(jpeg_decompress_struct& ci, JpegErrors* err, bool& cmyk, bool& inverted) {
    cmyk = false;
    inverted = false;
    switch (ci.jpeg_color_space) {
        case JCS_CMYK:
        case JCS_YCCK:
            ci.out_color_space = JCS_CMYK;
            cmyk = true;
            inverted = ci.saw_Adobe_marker != 0;
            return true;
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB:
            ci.out_color_space = JCS_EXT_BGR;
            return true;
        default:
            std::snprintf(err->fatal, sizeof err->fatal, "unsupported colour space with %d components",
                          ci.num_components);
            return false;
    }
}

// The scanlines into the picture's rows (bottom-up) until the data ends. Called inside DecodeJpeg's
// setjmp, so it holds no C++ object with a destructor either.
void ReadScanlines(jpeg_decompress_struct& ci, CPicture* picture, bool cmyk, bool inverted) {
    const int h = picture->GetHeight();
    const int w = picture->GetWidth();
    JSAMPARRAY cmykRow = nullptr;
    if (cmyk)
        cmykRow =
            (*ci.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&ci), JPOOL_IMAGE, JDIMENSION(w) * 4, 1);
    while (ci.output_scanline < ci.output_height) {
        uint8_t* dst = picture->GetRow(h - 1 - int(ci.output_scanline));
        if (cmyk) {
            if (jpeg_read_scanlines(&ci, cmykRow, 1) != 1) break;
            CmykRowToBgr(cmykRow[0], dst, w, inverted);
        } else {
            JSAMPROW row = dst;
            if (jpeg_read_scanlines(&ci, &row, 1) != 1) break;
        }
    }
}

// Keeps no C++ object with a destructor alive between setjmp and a possible longjmp.
// Returns true on success; on failure err->fatal holds the reason.
bool DecodeJpeg(CPicture* picture, std::FILE* file, const unsigned char* data, size_t size, int hintW,
                int hintH, JpegErrors* err) {
    jpeg_decompress_struct ci;
    std::memset(&ci, 0, sizeof ci);
    ci.err = jpeg_std_error(&err->pub);
    err->pub.error_exit = JpegErrorExit;
    err->pub.emit_message = JpegEmitMessage;
    err->fatal[0] = 0;
    err->firstDamage[0] = 0;
    err->firstHarmless[0] = 0;
    err->damages = 0;
    err->harmless = 0;
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(&ci);
        return false;
    }
    jpeg_create_decompress(&ci);
    ci.mem->max_memory_to_use = static_cast<long>(g_decoderMemoryLimit.load());
    if (file)
        jpeg_stdio_src(&ci, file);
    else
        jpeg_mem_src(&ci, data, static_cast<unsigned long>(size));
    jpeg_read_header(&ci, TRUE);

    bool cmyk = false, inverted = false;
    bool ok = ChooseColourSpace(ci, err, cmyk, inverted);
    if (ok &&
        (ci.image_width > unsigned(CPicture::kMaxSide) || ci.image_height > unsigned(CPicture::kMaxSide))) {
        std::snprintf(err->fatal, sizeof err->fatal, "picture of %u x %u cannot be held", ci.image_width,
                      ci.image_height);
        ok = false;
    }
    if (ok) {
        ChooseScale(ci, hintW, hintH);
        // The decoder starts first: a file it refuses (one whose scans would need more working
        // memory than allowed) is then refused before a picture of its size is taken.
        jpeg_start_decompress(&ci);
        // Every row is written below; rows the data does not reach are filled then.
        if (!picture->Allocate(int(ci.output_width), int(ci.output_height))) {
            std::snprintf(err->fatal, sizeof err->fatal, "picture of %u x %u cannot be held", ci.image_width,
                          ci.image_height);
            ok = false;
        }
    }
    if (!ok) {
        jpeg_destroy_decompress(&ci);
        return false;
    }
    ReadScanlines(ci, picture, cmyk, inverted);
    picture->SetPaddingAsCreated();
    // Scanline s is memory row h - 1 - s: the rows never read are the bottom ones.
    picture->FillRowsAsCreated(0, picture->GetHeight() - int(ci.output_scanline));
    if (ci.output_scanline < ci.output_height) {
        // The rows not read keep the background colour; finishing would count as an error.
        if (err->damages++ == 0)
            std::snprintf(err->firstDamage, sizeof err->firstDamage, "only %u of %u rows could be decoded",
                          ci.output_scanline, ci.output_height);
        jpeg_abort_decompress(&ci);
    } else {
        jpeg_finish_decompress(&ci);
    }
    jpeg_destroy_decompress(&ci);
    return true;
}

// Marks the picture damaged when picture data was missing or invalid, and logs what libjpeg
// said either way (the warning is the only clue to a file that shows wrong).
void ReportWarnings(CPicture& picture, const JpegErrors& err, const std::string& what) {
    if (err.damages > 0) {
        picture.SetDamaged(what + ": " + err.firstDamage);
        WriteLog("CJpegPicture::LoadFile: " + what +
                 ": picture data missing or invalid: libjpeg: " + err.firstDamage);
    } else if (err.harmless > 0) {
        WriteLog("CJpegPicture::LoadFile: " + what +
                 ": loaded completely; libjpeg warned: " + err.firstHarmless);
    }
}

}  // namespace

void CJpegPicture::SetDecoderMemoryLimit(int64_t bytes) {
    g_decoderMemoryLimit.store(std::max<int64_t>(bytes, 1));
}

int64_t CJpegPicture::DecoderMemoryLimit() {
    return g_decoderMemoryLimit.load();
}

int ParseExifOrientation(const unsigned char* data, size_t size) {
    // "Exif\0\0", then a TIFF header (byte order, 42, offset of the first directory).
    if (!data || size < 6 + 8 || std::memcmp(data, "Exif\0\0", 6) != 0) return 1;
    const unsigned char* tiff = data + 6;
    const size_t n = size - 6;
    bool big;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        big = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else
        return 1;
    auto u16 = [&](size_t at) -> unsigned {
        return big ? unsigned(tiff[at]) << 8 | tiff[at + 1] : unsigned(tiff[at + 1]) << 8 | tiff[at];
    };
    auto u32 = [&](size_t at) -> uint32_t {
        return big ? uint32_t(u16(at)) << 16 | u16(at + 2) : uint32_t(u16(at + 2)) << 16 | u16(at);
    };
    if (u16(2) != 42) return 1;
    const uint64_t ifd = u32(4);
    if (ifd + 2 > n) return 1;
    const unsigned entries = u16(size_t(ifd));
    for (unsigned e = 0; e < entries; ++e) {
        const uint64_t at = ifd + 2 + uint64_t(e) * 12;
        if (at + 12 > n) return 1;
        if (u16(size_t(at)) != 0x0112) continue;
        // SHORT, one value, held in the entry itself.
        if (u16(size_t(at) + 2) != 3 || u32(size_t(at) + 4) != 1) return 1;
        const unsigned v = u16(size_t(at) + 8);
        return v >= 1 && v <= 8 ? int(v) : 1;
    }
    return 1;
}

int ReadJpegExifOrientation(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) return 1;
    int c0 = std::fgetc(f.get()), c1 = std::fgetc(f.get());
    if (c0 != 0xFF || c1 != 0xD8) return 1;
    // The segments up to the first scan; a camera puts the EXIF segment first or second.
    for (int segment = 0; segment < 64; ++segment) {
        int c = std::fgetc(f.get());
        if (c != 0xFF) return 1;
        int marker;
        do marker = std::fgetc(f.get());
        while (marker == 0xFF);  // fill bytes
        if (marker == EOF || marker == 0xD9 || marker == 0xDA) return 1;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;  // no length
        const int hi = std::fgetc(f.get()), lo = std::fgetc(f.get());
        if (hi == EOF || lo == EOF) return 1;
        const long length = long(hi) << 8 | lo;
        if (length < 2) return 1;
        if (marker == 0xE1 && length - 2 >= 6 + 8) {
            std::vector<unsigned char> payload(size_t(length - 2));
            if (std::fread(payload.data(), 1, payload.size(), f.get()) != payload.size()) return 1;
            if (std::memcmp(payload.data(), "Exif\0\0", 6) == 0)
                return ParseExifOrientation(payload.data(), payload.size());
            continue;  // another APP1 (XMP): look further
        }
        if (std::fseek(f.get(), length - 2, SEEK_CUR) != 0) return 1;
    }
    return 1;
}

bool CJpegPicture::LoadFile(const std::string& path, bool force) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        Reset();
        SetLastError("CJpegPicture::LoadFile: cannot open " + path);
        return false;
    }
    // Asked again for the picture it holds: keep it (reporting success, as the BMP reader does).
    if (!force && !IsEmpty() && path == GetFileName() && m_loadedHintWidth == m_hintWidth &&
        m_loadedHintHeight == m_hintHeight)
        return true;
    Reset();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) {
        SetLastError("CJpegPicture::LoadFile: cannot open " + path);
        return false;
    }
    JpegErrors err;
    const bool ok = DecodeJpeg(this, f.get(), nullptr, 0, m_hintWidth, m_hintHeight, &err);
    f.reset();
    if (!ok) {
        Reset();
        SetLastError("CJpegPicture::LoadFile: " + path + ": " + err.fatal);
        return false;
    }
    SetFileName(path);
    m_loadedHintWidth = m_hintWidth;
    m_loadedHintHeight = m_hintHeight;
    ReportWarnings(*this, err, path);
    BitsChanged();
    return true;
}

bool CJpegPicture::LoadFromMemory(const unsigned char* data, size_t size, const std::string& what) {
    Reset();
    if (!data || size == 0) {
        SetLastError("CJpegPicture::LoadFile: " + what + " is empty");
        return false;
    }
    JpegErrors err;
    if (!DecodeJpeg(this, nullptr, data, size, m_hintWidth, m_hintHeight, &err)) {
        Reset();
        SetLastError("CJpegPicture::LoadFile: " + what + ": " + err.fatal);
        return false;
    }
    ReportWarnings(*this, err, what);
    BitsChanged();
    return true;
}

void CJpegPicture::SetSizeHint(int width, int height) {
    // A half-given or negative box means no hint.
    if (width < 1 || height < 1) width = height = 0;
    m_hintWidth = width;
    m_hintHeight = height;
}

bool CJpegPicture::SaveFile(const std::string& /*path*/) {
    GetUserPrompt().Message("Currently not implemented!");
    SetLastError("CJpegPicture::SaveFile: Currently not implemented!");
    return false;
}

}  // namespace trov

// libjpeg takes its big blocks (a progressive photo's coefficients, two bytes a pixel, zeroed
// before the first scan is read) from these two functions of its system layer, which a program
// may supply in place of the library's own plain malloc and free. Ours give them mappings of their
// own with huge pages: a 16-megapixel photo's coefficients were faulted in 8,000 times, a fault
// per 4 KiB.
extern "C" {
void* jpeg_get_large(j_common_ptr cinfo, size_t size);
void jpeg_free_large(j_common_ptr cinfo, void* block, size_t size);

void* jpeg_get_large(j_common_ptr, size_t size) {
    return trov::AllocateLargeBlock(size);
}

void jpeg_free_large(j_common_ptr, void* block, size_t) {
    trov::FreeLargeBlock(block);
}
}
