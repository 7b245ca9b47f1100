// trov-picture: load a picture, optionally rotate, resize and caption it, and write BMP or PNG,
// so a person can look at what the imaging code makes.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "imaging/PictureTools.h"

using namespace trov;

namespace {

void Usage() {
    std::fputs(
        "usage: trov-picture INPUT OUTPUT.(bmp|png) [options]\n"
        "  --rotate DEG            90, 180, 270 (or equivalents)\n"
        "  --resize WxH            resample to W x H\n"
        "  --keep-aspect           keep the aspect ratio (bars in the background colour)\n"
        "  --quality 0|1           0 area filter (default), 1 Lanczos\n"
        "  --background RRGGBB     background colour for new pictures and bars\n"
        "  --caption TEXT          caption text (\\n breaks the line)\n"
        "  --position N            1..8 or 100 (default 1)\n"
        "  --outline N             outline radius in pixels (default 2)\n"
        "  --text-colour RRGGBB    default FFFFFF\n"
        "  --back-colour RRGGBB    default 000000\n"
        "  --face NAME             default Arial\n"
        "  --height N              LOGFONT height (negative: em pixels; default 30)\n"
        "  --width N               LOGFONT average width (0 natural; default 14)\n"
        "  --weight N              1..1000 (default 200)\n"
        "  --italic --underline --strikeout\n",
        stderr);
}

bool ParseColour(const char* s, Colour& out) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(s, &end, 16);
    if (!end || *end || std::strlen(s) != 6) return false;
    out = MakeColour(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
    return true;
}

bool SavePng(const CPicture& p, const std::string& path) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, p.GetWidth(), p.GetHeight());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) return false;
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < p.GetHeight(); ++y) {
        const uint8_t* src = p.GetRow(p.GetHeight() - 1 - y);
        auto* dst = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
        for (int x = 0; x < p.GetWidth(); ++x)
            dst[x] = (uint32_t(src[3 * x + 2]) << 16) | (uint32_t(src[3 * x + 1]) << 8) | src[3 * x];
    }
    cairo_surface_mark_dirty(s);
    const bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        Usage();
        return 2;
    }
    const std::string input = argv[1], output = argv[2];
    int rotate = 0, width = 0, height = 0, quality = 0, position = 1;
    bool keepAspect = false, caption = false;
    CaptionSettings cs;
    cs.backWidth = 2;
    LogFont font = LogFont::Default();
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "trov-picture: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        Colour c;
        if (a == "--rotate")
            rotate = std::atoi(next());
        else if (a == "--resize") {
            if (std::sscanf(next(), "%dx%d", &width, &height) != 2 || width < 1 || height < 1) {
                std::fputs("trov-picture: --resize wants WxH\n", stderr);
                return 2;
            }
        } else if (a == "--keep-aspect")
            keepAspect = true;
        else if (a == "--quality")
            quality = std::atoi(next());
        else if (a == "--background") {
            if (!ParseColour(next(), c)) return std::fputs("trov-picture: bad colour\n", stderr), 2;
            CPicture::SetDefaultBackgroundColour(c);
        } else if (a == "--caption") {
            cs.text = next();
            caption = true;
        } else if (a == "--position")
            position = std::atoi(next());
        else if (a == "--outline")
            cs.backWidth = std::atoi(next());
        else if (a == "--text-colour") {
            if (!ParseColour(next(), cs.textColour))
                return std::fputs("trov-picture: bad colour\n", stderr), 2;
        } else if (a == "--back-colour") {
            if (!ParseColour(next(), cs.backColour))
                return std::fputs("trov-picture: bad colour\n", stderr), 2;
        } else if (a == "--face")
            font.faceName = next();
        else if (a == "--height")
            font.height = std::atoi(next());
        else if (a == "--width")
            font.width = std::atoi(next());
        else if (a == "--weight")
            font.weight = std::atoi(next());
        else if (a == "--italic")
            font.italic = 1;
        else if (a == "--underline")
            font.underline = 1;
        else if (a == "--strikeout")
            font.strikeOut = 1;
        else {
            std::fprintf(stderr, "trov-picture: unknown option %s\n", a.c_str());
            Usage();
            return 2;
        }
    }

    CPictureTools tools;
    std::unique_ptr<CPicture> picture = tools.LoadPicture(input, true);
    if (!picture) {
        std::fprintf(stderr, "trov-picture: cannot read %s\n", input.c_str());
        return 1;
    }
    if (picture->IsDamaged())
        std::fprintf(stderr, "trov-picture: warning: %s\n", picture->GetDamageMessage().c_str());
    if (rotate != 0) {
        auto r = tools.Rotate(picture.get(), rotate);
        if (!r) {
            std::fprintf(stderr, "trov-picture: cannot rotate by %d degrees\n", rotate);
            return 1;
        }
        picture = std::move(r);
    }
    if (width > 0) {
        auto r = tools.ResizeWith(picture.get(), width, height, keepAspect, quality);
        if (!r) return std::fputs("trov-picture: resize failed\n", stderr), 1;
        picture = std::move(r);
    }
    if (caption && !tools.DrawCaption(picture.get(), &cs, &font, position)) {
        std::fputs("trov-picture: caption could not be drawn\n", stderr);
        return 1;
    }
    const bool png = output.size() > 4 && (output.substr(output.size() - 4) == ".png" ||
                                           output.substr(output.size() - 4) == ".PNG");
    const bool ok = png ? SavePng(*picture, output) : picture->SaveFile(output);
    if (!ok) {
        std::fprintf(stderr, "trov-picture: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
