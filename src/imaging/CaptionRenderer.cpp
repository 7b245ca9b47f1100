// Caption drawing with Pango + Cairo (fontconfig fonts) into 24-bit picture buffers.
//
// The text block is laid out once; its glyph coverage is rendered once into an 8-bit mask, and
// the outline is composited from that mask at every offset of the disc of radius backWidth.
// Drawing the same coverage n times in one colour leaves a pixel at p * prod(1 - a_i) +
// c * (1 - prod(1 - a_i)), so the outline is one pass of products followed by one blend.
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/CaptionOverlay.h"
#include "imaging/PictureTools.h"

namespace trov {

const char* CaptionPositionName(int position) {
    switch (position) {
        case kCaptionBottomLeft:
            return "BottomLeft";
        case kCaptionBottomCenter:
            return "BottomCenter";
        case kCaptionBottomRight:
            return "BottomRight";
        case kCaptionCenterLeft:
            return "CenterLeft";
        case kCaptionCenterRight:
            return "CenterRight";
        case kCaptionTopLeft:
            return "TopLeft";
        case kCaptionTopCenter:
            return "TopCenter";
        case kCaptionTopRight:
            return "TopRight";
        case kCaptionCenterCenter:
            return "CenterCenter";
        default:
            return "";
    }
}

namespace {
constexpr int kMaxBackWidth = 100;
bool OffsetDrawn(int dx, int dy, int backWidth) {
    return int(std::sqrt(double(dx * dx + dy * dy)) + 0.5) <= backWidth;
}
}  // namespace

std::vector<std::pair<int, int>> CaptionOutlineOffsets(int backWidth) {
    std::vector<std::pair<int, int>> out;
    for (int dx = -backWidth; dx <= backWidth; ++dx)
        for (int dy = -backWidth; dy <= backWidth; ++dy)
            if (OffsetDrawn(dx, dy, backWidth)) out.emplace_back(dx, dy);
    return out;
}

namespace {

struct GObjectUnref {
    void operator()(void* p) const {
        if (p) g_object_unref(p);
    }
};
struct FontDescFree {
    void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};
struct SurfaceFree {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoFree {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using ContextPtr = std::unique_ptr<PangoContext, GObjectUnref>;
using LayoutPtr = std::unique_ptr<PangoLayout, GObjectUnref>;
using FontDescPtr = std::unique_ptr<PangoFontDescription, FontDescFree>;

enum class HAlign { Left, Centre, Right };
enum class VAlign { Top, Centre, Bottom };

// Unknown positions are drawn centred, like CenterCenter.
void AlignmentOf(int position, HAlign& h, VAlign& v) {
    switch (position) {
        case kCaptionBottomLeft:
            h = HAlign::Left;
            v = VAlign::Bottom;
            return;
        case kCaptionBottomCenter:
            h = HAlign::Centre;
            v = VAlign::Bottom;
            return;
        case kCaptionBottomRight:
            h = HAlign::Right;
            v = VAlign::Bottom;
            return;
        case kCaptionCenterLeft:
            h = HAlign::Left;
            v = VAlign::Centre;
            return;
        case kCaptionCenterRight:
            h = HAlign::Right;
            v = VAlign::Centre;
            return;
        case kCaptionTopLeft:
            h = HAlign::Left;
            v = VAlign::Top;
            return;
        case kCaptionTopCenter:
            h = HAlign::Centre;
            v = VAlign::Top;
            return;
        case kCaptionTopRight:
            h = HAlign::Right;
            v = VAlign::Top;
            return;
        default:
            h = HAlign::Centre;
            v = VAlign::Centre;
            return;
    }
}

std::string ExpandLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Pango takes only valid UTF-8 (it drops the whole text otherwise). Bytes that are not part of a
// valid sequence are taken as Latin-1 characters, which is what old project files hold.
std::string ValidUtf8(const std::string& text) {
    if (g_utf8_validate(text.data(), gssize(text.size()), nullptr)) return text;
    std::string out;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* bad = nullptr;
        if (g_utf8_validate(p, gssize(end - p), &bad)) {
            out.append(p, end);
            break;
        }
        out.append(p, bad);
        const unsigned char c = static_cast<unsigned char>(*bad);
        if (c == 0) {
            out += ' ';
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
        p = bad + 1;
    }
    return out;
}

ContextPtr NewContext() {
    static std::once_flag fcOnce;
    std::call_once(fcOnce, [] { FcInit(); });
    // The default font map is per thread, so contexts made here are never shared across threads.
    PangoFontMap* map = pango_cairo_font_map_get_default();
    ContextPtr ctx(pango_font_map_create_context(map));
    cairo_font_options_t* fo = cairo_font_options_create();
    cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
    // Unhinted metrics: the layout must not depend on the device.
    cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(ctx.get(), fo);
    cairo_font_options_destroy(fo);
    return ctx;
}

FontDescPtr DescriptionAt(const LogFont& font, double emPixels) {
    FontDescPtr d(pango_font_description_new());
    pango_font_description_set_family(d.get(), font.faceName.empty() ? "Sans" : font.faceName.c_str());
    pango_font_description_set_absolute_size(d.get(), emPixels * PANGO_SCALE);
    const int weight = font.weight <= 0 ? 400 : std::clamp(int(font.weight), 100, 1000);
    pango_font_description_set_weight(d.get(), PangoWeight(weight));
    pango_font_description_set_style(d.get(), font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return d;
}

// Em size in pixels for the LOGFONT height: negative = character (em) height, positive = cell
// height (ascent + descent), 0 = the default of 30 cell pixels.
double EmPixels(PangoContext* ctx, const LogFont& font) {
    if (font.height < 0) return std::min(-double(font.height), 2000.0);
    const double cell = font.height == 0 ? 30.0 : std::min(double(font.height), 2000.0);
    constexpr double kRef = 100.0;
    FontDescPtr ref = DescriptionAt(font, kRef);
    PangoFontMetrics* m = pango_context_get_metrics(ctx, ref.get(), nullptr);
    const double asc = pango_font_metrics_get_ascent(m), desc = pango_font_metrics_get_descent(m);
    pango_font_metrics_unref(m);
    const double cellAtRef = (asc + desc) / PANGO_SCALE;
    if (cellAtRef <= 0) return cell;
    return cell * kRef / cellAtRef;
}

// GDI's average character width (the weighted a-z + space average of the OS/2 version 1 table),
// measured from this face's advances at the given em size.
double AverageCharWidth(PangoContext* ctx, PangoFontDescription* desc) {
    static const std::pair<char, int> kWeights[] = {
        {'a', 64}, {'b', 14}, {'c', 27}, {'d', 35}, {'e', 100}, {'f', 20}, {'g', 14}, {'h', 42}, {'i', 63},
        {'j', 3},  {'k', 6},  {'l', 35}, {'m', 20}, {'n', 56},  {'o', 56}, {'p', 17}, {'q', 4},  {'r', 49},
        {'s', 56}, {'t', 71}, {'u', 31}, {'v', 10}, {'w', 18},  {'x', 3},  {'y', 18}, {'z', 2},  {' ', 166}};
    thread_local std::map<std::string, double> cache;
    char* descText = pango_font_description_to_string(desc);
    const std::string key = descText;
    g_free(descText);
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    LayoutPtr lay(pango_layout_new(ctx));
    pango_layout_set_font_description(lay.get(), desc);
    double sum = 0;
    for (auto [ch, w] : kWeights) {
        const char s[2] = {ch, 0};
        pango_layout_set_text(lay.get(), s, 1);
        PangoRectangle logical;
        pango_layout_get_extents(lay.get(), nullptr, &logical);
        sum += w * double(logical.width) / PANGO_SCALE;
    }
    const double avg = sum / 1000.0;
    cache[key] = avg;
    return avg;
}

// One laid-out caption: measured block and (optionally) its glyph coverage.
struct CaptionBlock {
    int tw = 0, th = 0, lines = 0;
    // Coverage mask, row-major top-down; pixel (mx, my) lies at block offset (mx0 + mx, my0 + my).
    std::vector<uint8_t> mask;
    int maskW = 0, maskH = 0, mx0 = 0, my0 = 0;
};

bool LayOut(const std::string& text, const LogFont& font, HAlign align, int wrapWidth, bool render,
            CaptionBlock& out) {
    ContextPtr ctx = NewContext();
    const double em = EmPixels(ctx.get(), font);
    FontDescPtr desc = DescriptionAt(font, em);
    // The LOGFONT width is the average character width: a horizontal scale of the glyphs.
    double sx = 1.0;
    if (font.width > 0) {
        const double avg = AverageCharWidth(ctx.get(), desc.get());
        if (avg > 0) sx = std::clamp(double(font.width) / avg, 0.05, 20.0);
    }
    LayoutPtr lay(pango_layout_new(ctx.get()));
    pango_layout_set_font_description(lay.get(), desc.get());
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.underline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.strikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(lay.get(), attrs);
    pango_attr_list_unref(attrs);
    pango_layout_set_width(lay.get(), int(std::max(1.0, wrapWidth / sx) * PANGO_SCALE));
    pango_layout_set_wrap(lay.get(), PANGO_WRAP_WORD);
    pango_layout_set_alignment(lay.get(), align == HAlign::Left     ? PANGO_ALIGN_LEFT
                                          : align == HAlign::Centre ? PANGO_ALIGN_CENTER
                                                                    : PANGO_ALIGN_RIGHT);
    const std::string valid = ValidUtf8(text);
    pango_layout_set_text(lay.get(), valid.c_str(), int(valid.size()));

    PangoRectangle ink, logical;
    pango_layout_get_extents(lay.get(), &ink, &logical);
    const double ps = PANGO_SCALE;
    const double lx = logical.x / ps * sx, ly = logical.y / ps;
    out.tw = int(std::ceil(logical.width / ps * sx - 1e-6));
    out.th = int(std::ceil(logical.height / ps - 1e-6));
    out.lines = pango_layout_get_line_count(lay.get());
    if (!render) return true;

    // The mask covers ink and logical rectangles together (italic ink overhangs the logical box;
    // centred lines start right of x = 0), in block coordinates (block top-left = 0, 0).
    const double ux0 = std::min(ink.x, logical.x) / ps * sx - lx;
    const double ux1 = std::max(ink.x + ink.width, logical.x + logical.width) / ps * sx - lx;
    const double uy0 = std::min(ink.y, logical.y) / ps - ly;
    const double uy1 = std::max(ink.y + ink.height, logical.y + logical.height) / ps - ly;
    out.mx0 = int(std::floor(ux0)) - 1;
    out.my0 = int(std::floor(uy0)) - 1;
    out.maskW = int(std::ceil(ux1)) + 1 - out.mx0;
    out.maskH = int(std::ceil(uy1)) + 1 - out.my0;
    if (out.maskW <= 0 || out.maskH <= 0 || int64_t(out.maskW) * out.maskH > (int64_t(1) << 28)) return false;

    std::unique_ptr<cairo_surface_t, SurfaceFree> surface(
        cairo_image_surface_create(CAIRO_FORMAT_A8, out.maskW, out.maskH));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return false;
    {
        std::unique_ptr<cairo_t, CairoFree> cr(cairo_create(surface.get()));
        // Translate, then scale: the layout itself was made with an identity matrix, so the scale
        // only stretches the drawn glyphs and keeps the measured spacing.
        cairo_translate(cr.get(), -out.mx0 - lx, -out.my0 - ly);
        cairo_scale(cr.get(), sx, 1.0);
        cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
        cairo_move_to(cr.get(), 0, 0);
        pango_cairo_show_layout(cr.get(), lay.get());
    }
    cairo_surface_flush(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    out.mask.resize(size_t(out.maskW) * size_t(out.maskH));
    for (int y = 0; y < out.maskH; ++y)
        std::copy_n(data + size_t(y) * size_t(stride), size_t(out.maskW),
                    out.mask.begin() + ptrdiff_t(y) * out.maskW);
    return true;
}

void Place(int W, int H, int tw, int th, int backWidth, HAlign h, VAlign v, int& L, int& T) {
    switch (h) {
        case HAlign::Left:
            L = 10;
            break;
        case HAlign::Centre:
            L = (W - tw) / 2;
            break;
        case HAlign::Right:
            L = W - tw - 10;
            break;
    }
    switch (v) {
        case VAlign::Bottom:
            T = H - 21 - backWidth - th;
            break;
        case VAlign::Centre:
            T = H - 1 - th - backWidth - (H - th) / 2;
            break;
        case VAlign::Top:
            T = 19 - backWidth;
            break;
    }
}

// Where a caption lands on the picture, in screen rows (top-down): the block's mask and the
// region that may change (the mask grown by the outline radius, clipped to the box around the
// block and to the picture).
struct CaptionArea {
    int mx0 = 0, my0 = 0;  // mask origin
    int rx0 = 0, rx1 = 0, ry0 = 0, ry1 = 0;
    int Width() const { return rx1 - rx0; }
    int Height() const { return ry1 - ry0; }
    bool Empty() const { return rx1 <= rx0 || ry1 <= ry0; }
};

CaptionArea AreaOf(const CaptionBlock& block, int W, int H, int L, int T, int bw) {
    CaptionArea a;
    const int bx0 = std::max(0, L - 10 - bw), bx1 = std::min(W, L + block.tw + 10 + bw);
    const int by0 = std::max(0, T - 10 - bw), by1 = std::min(H, T + block.th + 10 + bw);
    a.mx0 = L + block.mx0;
    a.my0 = T + block.my0;
    a.rx0 = std::max(bx0, a.mx0 - bw);
    a.rx1 = std::min(bx1, a.mx0 + block.maskW + bw);
    a.ry0 = std::max(by0, a.my0 - bw);
    a.ry1 = std::min(by1, a.my0 + block.maskH + bw);
    return a;
}

// remain[p] = prod over outline offsets of (1 - coverage): how much of the picture shows. One
// step of progress per offset of the (2 bw + 1)^2 square.
std::vector<float> OutlineRemain(const CaptionBlock& block, const CaptionArea& a, int bw,
                                 CPictureTools* progress) {
    const int rw = a.Width();
    std::vector<float> remain(size_t(rw) * size_t(a.Height()), 1.0f);
    float keep[256];
    for (int i = 0; i < 256; ++i) keep[i] = 1.0f - float(i) / 255.0f;
    int visited = 0;
    for (int dx = -bw; dx <= bw; ++dx) {
        for (int dy = -bw; dy <= bw; ++dy) {
            ++visited;
            if (OffsetDrawn(dx, dy, bw)) {
                // Mask row my lands on screen row my0 + my + dy; column mx on mx0 + mx + dx.
                const int yStart = std::max(a.ry0, a.my0 + dy),
                          yEnd = std::min(a.ry1, a.my0 + block.maskH + dy);
                const int xStart = std::max(a.rx0, a.mx0 + dx),
                          xEnd = std::min(a.rx1, a.mx0 + block.maskW + dx);
                for (int sy = yStart; sy < yEnd; ++sy) {
                    const uint8_t* m = block.mask.data() + size_t(sy - a.my0 - dy) * size_t(block.maskW) +
                                       size_t(xStart - a.mx0 - dx);
                    float* r = remain.data() + size_t(sy - a.ry0) * size_t(rw) + size_t(xStart - a.rx0);
                    for (int k = 0; k < xEnd - xStart; ++k) r[k] *= keep[m[k]];
                }
            }
            if (progress) progress->ReportProgress(visited);
        }
    }
    return remain;
}

}  // namespace

bool CPictureTools::MeasureCaption(int pictureWidth, int pictureHeight, const CaptionSettings& settings,
                                   const LogFont& font, int position, CaptionPlacement& placement) try {
    if (settings.text.empty() || pictureWidth < 1 || pictureHeight < 1) return false;
    HAlign h;
    VAlign v;
    AlignmentOf(position, h, v);
    CaptionBlock block;
    if (!LayOut(ExpandLineBreaks(settings.text), font, h, pictureWidth - 20, false, block)) return false;
    const int bw = std::clamp(settings.backWidth, 0, kMaxBackWidth);
    placement.width = block.tw;
    placement.height = block.th;
    placement.lines = block.lines;
    Place(pictureWidth, pictureHeight, block.tw, block.th, bw, h, v, placement.left, placement.top);
    return true;
} catch (const std::exception&) {
    return false;
}

std::shared_ptr<const CCaptionOverlay> CCaptionOverlay::Build(int width, int height,
                                                              const CaptionSettings& settings,
                                                              const LogFont& font, int position,
                                                              CPictureTools* progress) try {
    if (settings.text.empty() || width < 1 || height < 1) return nullptr;
    HAlign h;
    VAlign v;
    AlignmentOf(position, h, v);
    CaptionBlock block;
    if (!LayOut(ExpandLineBreaks(settings.text), font, h, width - 20, true, block)) return nullptr;
    const int bw = std::clamp(settings.backWidth, 0, kMaxBackWidth);
    int L = 0, T = 0;
    Place(width, height, block.tw, block.th, bw, h, v, L, T);
    const CaptionArea area = AreaOf(block, width, height, L, T, bw);

    std::shared_ptr<CCaptionOverlay> o(new CCaptionOverlay);
    o->m_width = width;
    o->m_height = height;
    o->m_settings = settings;
    const int steps = (2 * bw + 1) * (2 * bw + 1);
    if (progress) progress->ReportProgressStart(steps);
    if (area.Empty()) {
        if (progress) progress->ReportProgress(steps);
        return o;  // the caption lies entirely outside the picture
    }
    o->m_remain = OutlineRemain(block, area, bw, progress);
    o->m_mask = std::move(block.mask);
    o->m_maskW = block.maskW;
    o->m_maskH = block.maskH;
    o->m_mx0 = area.mx0;
    o->m_my0 = area.my0;
    o->m_rx0 = area.rx0;
    o->m_rx1 = area.rx1;
    o->m_ry0 = area.ry0;
    o->m_ry1 = area.ry1;
    return o;
} catch (const std::exception&) {
    return nullptr;
}

bool CPictureTools::DrawCaption(CPicture* picture, const CaptionSettings* settings, const LogFont* font,
                                int position) try {
    if (!picture || picture->IsEmpty() || !settings || !font || settings->text.empty()) return false;
    auto overlay =
        CCaptionOverlay::Build(picture->GetWidth(), picture->GetHeight(), *settings, *font, position, this);
    return overlay && overlay->Composite(*picture);
} catch (const std::exception&) {
    return false;
}

std::unique_ptr<CDibPicture> CPictureTools::MakeCaptionMask(int width, int height,
                                                            const CaptionSettings& settings,
                                                            const LogFont& font, int position) try {
    auto mask = CreatePicture(width, height, 0x000000, "");
    if (!mask) return nullptr;
    mask->Clear();
    CaptionSettings white = settings;
    white.textColour = 0xFFFFFF;
    white.backColour = 0xFFFFFF;
    if (!DrawCaption(mask.get(), &white, &font, position)) return nullptr;
    return mask;
} catch (const std::exception&) {
    return nullptr;
}

// ---- the font dialog's view of a logical font ------------------------------------------------------

CaptionFace CaptionFaceOf(const LogFont& font) {
    ContextPtr ctx = NewContext();
    CaptionFace face;
    face.family = font.faceName.empty() ? "Sans" : font.faceName;
    face.emPixels = EmPixels(ctx.get(), font);
    face.weight = font.weight <= 0 ? 400 : std::clamp(int(font.weight), 100, 1000);
    face.italic = font.italic != 0;
    face.underline = font.underline != 0;
    face.strikeOut = font.strikeOut != 0;
    if (font.width > 0) {
        FontDescPtr desc = DescriptionAt(font, face.emPixels);
        const double avg = AverageCharWidth(ctx.get(), desc.get());
        if (avg > 0) face.horizontalScale = std::clamp(double(font.width) / avg, 0.05, 20.0);
    }
    return face;
}

LogFont LogFontForFace(const CaptionFace& face, const LogFont& base) {
    LogFont font = base;
    font.faceName = face.family;
    font.weight = std::clamp(face.weight, 100, 1000);
    font.italic = face.italic ? 1 : 0;
    font.underline = face.underline ? 1 : 0;
    font.strikeOut = face.strikeOut ? 1 : 0;
    const double em = std::clamp(face.emPixels, 1.0, 2000.0);
    ContextPtr ctx = NewContext();
    font.height = -int(std::lround(em));
    if (base.height >= 0) {
        // The cell height (ascent + descent) of this face at that em size.
        FontDescPtr ref = DescriptionAt(font, 100.0);
        PangoFontMetrics* m = pango_context_get_metrics(ctx.get(), ref.get(), nullptr);
        const double cellAtRef =
            double(pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m)) / PANGO_SCALE;
        pango_font_metrics_unref(m);
        font.height =
            cellAtRef > 0 ? std::max(1, int(std::lround(em * cellAtRef / 100.0))) : int(std::lround(em));
    }
    if (base.width > 0) {
        FontDescPtr desc = DescriptionAt(font, EmPixels(ctx.get(), font));
        const double avg = AverageCharWidth(ctx.get(), desc.get());
        font.width = std::max(1, int(std::lround(face.horizontalScale * avg)));
    }
    return font;
}

}  // namespace trov
