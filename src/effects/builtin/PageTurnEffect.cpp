// Page turn geometry, in coordinates along the direction of travel (u) seen from above:
//  - the cylinder's axis lies above position p, where the page leaves the table;
//  - page material at u >= p lies flat; the part the cylinder has passed is wound onto it, the
//    material just picked up outermost, its back facing out;
//  - at offset i = u - p from the axis the viewer sees the top of the cylinder at the angle of
//    the angle table; material there lies R * (180 + angle) degrees of arc from the contact line;
//  - where no wound material is on top, the lower half of the curl may show the page's front
//    from the inside; elsewhere B shows, shadowed near the curl.
#include "effects/builtin/PageTurnEffect.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "infra/Angles.h"

namespace trov {

namespace {

// Light from the upper left and toward the viewer: (along u, up from the table).
constexpr double kLightU = -0.45;
constexpr double kLightUp = 0.89;
// Back of the page: some of the picture shows through the paper.
constexpr int kPaper = 236;
constexpr int kShowThrough = 110;  // of 256

uint16_t Brightness(double f) {
    return static_cast<uint16_t>(std::clamp(f, 0.0, 1.6) * 256.0 + 0.5);
}

}  // namespace

CPageTurnEffect::CPageTurnEffect(const std::string& name, int type, bool flip)
    : CBuiltinEffect(name, "1.0", false), m_type(type >= 1 && type <= 4 ? type : 1), m_flip(flip) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CPageTurnEffect::PrepareFrames() {
    const bool horizontal = m_type <= 2;
    const int side = horizontal ? W() : H();
    m_radius = m_flip ? side / 2 : static_cast<int>(std::lround(side / 8.0));
    m_radius = std::max(1, m_radius);
    m_angles.assign(size_t(2 * m_radius + 1), 0.0);
    const double r = m_radius;
    for (int i = -m_radius; i <= m_radius; ++i) {
        double angle;
        if (i == -m_radius)
            angle = -90.0;
        else if (i == m_radius)
            angle = 90.0;
        else
            angle = Degrees(std::atan(i / std::sqrt(r * r - double(i) * i)));
        m_angles[size_t(i + m_radius)] = angle;
    }
    m_columns.assign(size_t(side), Column{0, 0, 256});
}

void CPageTurnEffect::FreeBuffers() {
    m_angles = {};
    m_columns = {};
}

void CPageTurnEffect::PlanColumns(double p, int length) {
    const int r = m_radius;
    const double circumference = 2.0 * std::numbers::pi * r;
    // Shadow on what lies beside the curl, fading out as the last of the page leaves.
    const double shadowWidth = std::max(3.0, r * 0.6);
    const double presence = std::clamp((length + r - p) / std::max(1.0, 0.5 * r), 0.0, 1.0);
    for (int u = 0; u < length; ++u) {
        Column& col = m_columns[size_t(u)];
        const double i = u - p;
        const int idx = static_cast<int>(std::lround(i)) + r;
        if (idx >= 0 && idx <= 2 * r) {
            const double angle = m_angles[size_t(idx)];
            const double a = Radians(angle);
            // Top half: outermost wound material, seen from its back.
            double material = p - r * (std::numbers::pi + a);
            while (material >= length) material -= circumference;
            if (material >= 0.0) {
                const double nu = std::sin(a), nup = std::cos(a);
                const double diffuse = std::max(0.0, nu * kLightU + nup * kLightUp);
                // Half vector between light and view (straight down onto the page).
                const double hu = kLightU, hup = kLightUp + 1.0, hl = std::sqrt(hu * hu + hup * hup);
                const double spec = std::pow(std::max(0.0, (nu * hu + nup * hup) / hl), 24.0);
                col = {2, static_cast<int>(material), Brightness(0.32 + 0.66 * diffuse + 0.12 * spec)};
                continue;
            }
            // Lower half on the near side: the page rising from the table, seen from inside.
            if (angle <= 0.0) {
                material = p + r * a;
                if (material >= 0.0 && material < length) {
                    // Lit relative to the flat page, so the bend starts without a seam.
                    const double nu = -std::sin(a), nup = std::cos(a);
                    const double lit = (nu * kLightU + nup * kLightUp) / kLightUp;
                    col = {1, static_cast<int>(material), Brightness(std::max(0.25, lit))};
                    continue;
                }
            }
        }
        if (u >= p) {
            // The flat page, as it was.
            col = {1, u, 256};
            continue;
        }
        // B, in the curl's shadow near it; the shadow falls off to nothing within a short
        // distance, so what lies farther stays exact.
        const double gap = ((p - r) - u) / shadowWidth;
        const double shade = gap < 0 ? 0.55 : gap < 1 ? 1.0 - 0.45 * (1 - gap) * (1 - gap) : 1.0;
        col = {0, u, Brightness(1.0 - (1.0 - shade) * presence)};
    }
}

namespace {

inline void Shade(uint8_t* out, const uint8_t* in, const uint8_t kind, unsigned bright) {
    for (int c = 0; c < 3; ++c) {
        unsigned v = in[c];
        if (kind == 2) v = (v * kShowThrough + kPaper * (256 - kShowThrough)) >> 8;
        v = (v * bright) >> 8;
        out[c] = static_cast<uint8_t>(v > 255 ? 255 : v);
    }
}

}  // namespace

void CPageTurnEffect::DrawHorizontal(bool mirrored) {
    const int w = W(), h = H();
    for (int y = 0; y < h; ++y) {
        const uint8_t* a = RowA(y);
        const uint8_t* b = RowB(y);
        uint8_t* out = RowOut(y);
        for (int x = 0; x < w; ++x) {
            const Column& col = m_columns[size_t(mirrored ? w - 1 - x : x)];
            const int src = mirrored ? w - 1 - col.source : col.source;
            Shade(out + 3 * x, (col.kind == 0 ? b : a) + 3 * src, col.kind, col.bright);
        }
    }
}

void CPageTurnEffect::DrawVertical(bool mirrored) {
    const int w = W(), h = H();
    for (int y = 0; y < h; ++y) {
        const Column& col = m_columns[size_t(mirrored ? h - 1 - y : y)];
        const int src = mirrored ? h - 1 - col.source : col.source;
        const uint8_t* in = col.kind == 0 ? RowB(src) : RowA(src);
        uint8_t* out = RowOut(y);
        if (col.kind != 2 && col.bright == 256) {
            std::memcpy(out, in, size_t(3) * w);
            continue;
        }
        for (int x = 0; x < w; ++x) Shade(out + 3 * x, in + 3 * x, col.kind, col.bright);
    }
}

void CPageTurnEffect::DrawFrame(int k) {
    const bool horizontal = m_type <= 2;
    const int length = horizontal ? W() : H();
    // The axis travels from the starting edge until the curl has left the picture.
    const double p = static_cast<double>(length + m_radius) * k / N();
    PlanColumns(p, length);
    const bool mirrored = m_type == 2 || m_type == 4;
    if (horizontal)
        DrawHorizontal(mirrored);
    else
        DrawVertical(mirrored);
}

}  // namespace trov
