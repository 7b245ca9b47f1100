// Pixel helpers shared by the effects.
#include "effects/EffectPixels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "imaging/PictureTools.h"
#include "infra/MessagePipelines.h"

namespace trov::fx {

void CBlendTable::Build(double progress, int steps) {
    if (steps < 1) steps = 1;
    const bool whole = progress == std::floor(progress) && std::fabs(progress) < 1e12;
    const long long p = whole ? static_cast<long long>(progress) : 0;
    // A mix depends on a and on b - a only: the step for each of the 511 differences is worked
    // out once, then added to every a (the same operations as for each pair on its own).
    long long wholeStep[511];
    double step[511];
    for (int d = -255; d <= 255; ++d) {
        if (whole) {
            // floor((a * steps + p * d) / steps) = a + floor(p * d / steps), exact.
            const long long num = p * d;
            wholeStep[d + 255] = num >= 0 ? num / steps : -((-num + steps - 1) / steps);
        } else {
            step[d + 255] = d * progress / steps;
        }
    }
    for (int a = 0; a < 256; ++a) {
        uint8_t* row = &m_table[size_t(a) << 8];
        for (int b = 0; b < 256; ++b) {
            long long v;
            if (whole) {
                v = a + wholeStep[b - a + 255];
            } else {
                const double d = a + step[b - a + 255];
                v = d < 0 ? -1 : (d > 255 ? 256 : static_cast<long long>(d));
            }
            row[b] = static_cast<uint8_t>(std::clamp<long long>(v, 0, 255));
        }
    }
}

void CBlendTable::Apply(uint8_t* out, const uint8_t* a, const uint8_t* b, size_t bytes) const {
    const uint8_t* t = m_table.data();
    // Where both pictures hold the same bytes, every mix is that byte (the mix of x and x is x at
    // any progress), and comparing runs faster than looking up: a caption fade's two pictures
    // differ only around the caption.
    constexpr size_t kRun = 64;
    size_t i = 0;
    for (; i + kRun <= bytes; i += kRun) {
        if (std::memcmp(a + i, b + i, kRun) == 0) {
            if (out != a && out != b) std::memcpy(out + i, a + i, kRun);
            continue;
        }
        for (size_t k = i; k < i + kRun; ++k) out[k] = t[(size_t(a[k]) << 8) | b[k]];
    }
    for (; i < bytes; ++i) out[i] = t[(size_t(a[i]) << 8) | b[i]];
}

void BlendPictures(CPicture& out, const CPicture& a, const CPicture& b, const CBlendTable& table) {
    if (out.IsEmpty() || a.IsEmpty() || b.IsEmpty()) return;
    const int size = out.GetImageSize();
    if (a.GetImageSize() != size || b.GetImageSize() != size) return;
    table.Apply(out.GetBits(), a.GetBits(), b.GetBits(), size_t(size));
}

// Weights per destination pixel in units of 1/1024, summing to exactly 1024.
void CRectScaler::BuildTaps(int srcLen, int dstLen, int dstFrom, int dstTo, std::vector<Tap>& taps,
                            std::vector<uint16_t>& weights) {
    taps.clear();
    weights.clear();
    const double scale = double(srcLen) / dstLen;  // source pixels per destination pixel
    // A source pixel wholly inside the interval overlaps it by exactly 1.0: one weight for all.
    const int whole = int(1.0 / scale * 1024.0 + 0.5);
    for (int j = dstFrom; j < dstTo; ++j) {
        double s0 = j * scale, s1 = (j + 1) * scale;
        int first = std::clamp(int(std::floor(s0)), 0, srcLen - 1);
        int last = std::clamp(int(std::ceil(s1)) - 1, first, srcLen - 1);
        Tap tap;
        tap.first = first;
        tap.offset = int(weights.size());
        int sum = 0, heaviest = 0, heaviestWeight = -1;
        for (int i = first; i <= last; ++i) {
            int w;
            if (double(i) >= s0 && i + 1.0 <= s1) {
                w = whole;
            } else {
                double overlap = std::min(s1, double(i + 1)) - std::max(s0, double(i));
                w = overlap > 0 ? int(overlap / scale * 1024.0 + 0.5) : 0;
            }
            if (w > heaviestWeight) {
                heaviestWeight = w;
                heaviest = i - first;
            }
            weights.push_back(uint16_t(w));
            sum += w;
        }
        tap.count = last - first + 1;
        // Rounding rest goes to the heaviest tap so that flat areas stay exactly flat. Shrinking
        // by more than about 45, the rounded weights can exceed 1024 by more than the heaviest
        // holds; then the excess is taken one unit a tap, in order, so no weight goes below zero.
        int rest = 1024 - sum;
        uint16_t* w = &weights[size_t(tap.offset)];
        if (w[heaviest] + rest >= 0) {
            w[heaviest] = uint16_t(w[heaviest] + rest);
        } else {
            while (rest < 0)
                for (int t = 0; t < tap.count && rest < 0; ++t)
                    if (w[t] > 0) {
                        --w[t];
                        ++rest;
                    }
        }
        taps.push_back(tap);
    }
}

// Rebuilds the taps only when the call's lengths or visible range differ from the last call's
// (effects scale the same rectangle sizes over and over).
void CRectScaler::TapsFor(int srcLen, int dstLen, int dstFrom, int dstTo, TapSet& set) {
    const std::array<int, 4> key{srcLen, dstLen, dstFrom, dstTo};
    if (set.key == key) return;
    BuildTaps(srcLen, dstLen, dstFrom, dstTo, set.taps, set.weights);
    set.key = key;
}

void CRectScaler::Scale(CPicture& dst, int dx, int dy, int dw, int dh, const CPicture& src, int sx, int sy,
                        int sw, int sh) {
    if (dst.IsEmpty() || src.IsEmpty() || dw <= 0 || dh <= 0) return;
    // Clip the source rectangle, keeping the destination mapping of what remains proportional.
    int sx1 = std::min(sx + sw, src.GetWidth()), sy1 = std::min(sy + sh, src.GetHeight());
    sx = std::max(sx, 0);
    sy = std::max(sy, 0);
    sw = sx1 - sx;
    sh = sy1 - sy;
    if (sw <= 0 || sh <= 0) return;
    // Visible part of the destination rectangle, in rectangle coordinates.
    const int jx0 = std::max(0, -dx), jx1 = std::min(dw, dst.GetWidth() - dx);
    const int jy0 = std::max(0, -dy), jy1 = std::min(dh, dst.GetHeight() - dy);
    if (jx0 >= jx1 || jy0 >= jy1) return;

    // Plain copy when the sizes agree.
    if (sw == dw && sh == dh) {
        dst.CopyRect(&src, sx + jx0, sy + jy0, sx + jx1, sy + jy1, dx - sx, dy - sy);
        return;
    }
    TapsFor(sw, dw, jx0, jx1, m_x);
    TapsFor(sh, dh, jy0, jy1, m_y);
    const std::ptrdiff_t stride = src.GetStride();
    if (sw == 1 && dw == 1) {
        // One column (the sand clocks draw a frame as a row of them): the same sums as below,
        // kept in registers instead of a work row.
        for (int j = jy0; j < jy1; ++j) {
            const Tap& ty = m_y.taps[size_t(j - jy0)];
            const uint8_t* s = src.GetRow(sy + ty.first) + size_t(sx) * 3;
            const uint16_t* w = &m_y.weights[size_t(ty.offset)];
            uint32_t b = 0, g = 0, r = 0;
            for (int t = 0; t < ty.count; ++t, s += stride) {
                b += s[0] * uint32_t(w[t]);
                g += s[1] * uint32_t(w[t]);
                r += s[2] * uint32_t(w[t]);
            }
            uint8_t* d = dst.GetRow(dy + j) + size_t(dx) * 3;
            d[0] = uint8_t(std::min<uint32_t>((b * 1024u + (1u << 19)) >> 20, 255));
            d[1] = uint8_t(std::min<uint32_t>((g * 1024u + (1u << 19)) >> 20, 255));
            d[2] = uint8_t(std::min<uint32_t>((r * 1024u + (1u << 19)) >> 20, 255));
        }
        return;
    }
    // Same width: every horizontal tap is one source pixel of weight 1024, so the horizontal pass
    // is the rounding shift of each sum alone (in the same 32-bit arithmetic).
    const bool sameWidth = sw == dw;
    m_column.assign(size_t(sw) * 3, 0);
    for (int j = jy0; j < jy1; ++j) {
        const Tap& ty = m_y.taps[size_t(j - jy0)];
        // Vertical pass into one row of the source's width (weights sum to 1024).
        uint32_t* col = m_column.data();
        std::fill(col, col + size_t(sw) * 3, 0u);
        const uint8_t* s = src.GetRow(sy + ty.first) + size_t(sx) * 3;
        for (int t = 0; t < ty.count; ++t, s += stride) {
            const uint32_t w = m_y.weights[size_t(ty.offset + t)];
            if (!w) continue;
            for (int i = 0; i < sw * 3; ++i) col[i] += s[i] * w;
        }
        // Horizontal pass into the destination row.
        uint8_t* d = dst.GetRow(dy + j) + size_t(dx + jx0) * 3;
        if (sameWidth) {
            const uint32_t* c = col + size_t(jx0) * 3;
            for (int i = 0; i < (jx1 - jx0) * 3; ++i)
                d[i] = uint8_t(std::min<uint32_t>((c[i] * 1024u + (1u << 19)) >> 20, 255));
            continue;
        }
        for (int i = jx0; i < jx1; ++i, d += 3) {
            const Tap& tx = m_x.taps[size_t(i - jx0)];
            uint32_t b = 0, g = 0, r = 0;
            const uint32_t* c = col + size_t(tx.first) * 3;
            const uint16_t* w = &m_x.weights[size_t(tx.offset)];
            for (int t = 0; t < tx.count; ++t, c += 3) {
                b += c[0] * w[t];
                g += c[1] * w[t];
                r += c[2] * w[t];
            }
            d[0] = uint8_t(std::min<uint32_t>((b + (1u << 19)) >> 20, 255));
            d[1] = uint8_t(std::min<uint32_t>((g + (1u << 19)) >> 20, 255));
            d[2] = uint8_t(std::min<uint32_t>((r + (1u << 19)) >> 20, 255));
        }
    }
}

void DrawScaled(CRectScaler& scaler, CPicture& dst, int dx, int dy, int dw, int dh, const CPicture& src,
                int sx, int sy, int sw, int sh) {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    if (CPictureTools::GetQuality() != kQualityFinalProduction || (sw == dw && sh == dh)) {
        scaler.Scale(dst, dx, dy, dw, dh, src, sx, sy, sw, sh);
        return;
    }
    CPictureTools tools;
    std::unique_ptr<CDibPicture> part;
    const CPicture* from = &src;
    if (sx != 0 || sy != 0 || sw != src.GetWidth() || sh != src.GetHeight()) {
        part = std::make_unique<CDibPicture>();
        if (!part->Create(sw, sh)) return;
        part->CopyCropped(&src, sx, sy, sx + sw, sy + sh);
        from = part.get();
    }
    std::unique_ptr<CDibPicture> scaled = tools.ResizeWith(from, dw, dh, false, kQualityFinalProduction);
    if (scaled)
        dst.CopyAt(scaled.get(), dx, dy);
    else
        scaler.Scale(dst, dx, dy, dw, dh, src, sx, sy, sw, sh);
}

std::string FrameOfText(int k, int n) {
    char text[64];
    std::snprintf(text, sizeof text, "%d of %d ...", k, n);
    return text;
}

void ReportProgressStart(CMessagePipelines* pipelines, int max) {
    SendValue(pipelines, pipeline::kCurrentProgress, 0);
    SendValue(pipelines, pipeline::kMaxProgress, max);
}

void ReportProgress(CMessagePipelines* pipelines, int current) {
    SendValue(pipelines, pipeline::kCurrentProgress, current);
}

std::unique_ptr<CDibPicture> FitPicture(CMessagePipelines* pipelines, const CPicture* source, int width,
                                        int height, const std::string& statusText) {
    if (!source || source->IsEmpty() || width < 1 || height < 1) return nullptr;
    SendStatus(pipelines, statusText);
    auto out = std::make_unique<CDibPicture>();
    if (!out->Create(width, height)) return nullptr;
    if (source->GetWidth() == width && source->GetHeight() == height) {
        out->CopyFrom(source);
    } else {
        CRectScaler scaler;
        scaler.Scale(*out, 0, 0, width, height, *source, 0, 0, source->GetWidth(), source->GetHeight());
    }
    return out;
}

}  // namespace trov::fx
