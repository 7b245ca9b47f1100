// Flipping stripes. A tile turns during dur = 2 * trunc(n / 3) frames (the flip stretches: n) from
// its start frame s; at u = (k - s) * 180 / dur degrees it shows A squeezed to 1 - sin(u) of its
// size (u <= 90) or B squeezed to sin(u - 90) (u > 90), centred in its cell on the background.
// Start frames are held inside [0, n - dur] so that every tile has turned by frame n.
#include "effects/builtin/StripesEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "infra/Angles.h"

namespace trov {

namespace {
const char* StripesName(int type) {
    switch (type) {
        case 1:
            return "Left-Right-Stripes";
        case 2:
            return "Right-Left-Stripes";
        case 3:
            return "Top-Bottom-Stripes";
        case 4:
            return "Bottom-Top-Stripes";
        case 5:
            return "Horizontal-Random-Stripes";
        case 6:
            return "Vertical-Random-Stripes";
        case 7:
            return "Vertical-Flip-Stretch";
        default:
            return "Horizontal-Flip-Stretch";
    }
}
}  // namespace

CStripesEffect::CStripesEffect(int type)
    : CBuiltinEffect(StripesName(type), "1.1", true), m_type(type < 1 || type > 8 ? 1 : type) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CStripesEffect::PrepareFrames() {
    const int n = N();
    const bool flip = m_type >= 7;
    m_tile = flip ? std::max(W(), H()) : 30;
    m_columns = (W() + m_tile - 1) / m_tile;
    m_rows = (H() + m_tile - 1) / m_tile;
    m_duration = flip ? n : 2 * (n / 3);
    const int latest = std::max(n - m_duration, 0);
    // The spacing of the start frames counts whole tiles only, as the cut tile at the edge.
    const int fullColumns = W() / 30, fullRows = H() / 30;
    const double perColumn = fullColumns > 1 ? double(n - m_duration) / (fullColumns - 1) : 0.0;
    const double perRow = fullRows > 1 ? double(n - m_duration) / (fullRows - 1) : 0.0;
    m_starts.assign(size_t(m_columns) * size_t(m_rows), 0);
    for (int row = 0; row < m_rows; ++row)
        for (int column = 0; column < m_columns; ++column) {
            int s = 0;
            switch (m_type) {
                case 1:
                    s = fx::Trunc(perColumn * column);
                    break;
                case 2:
                    s = n - fx::Trunc(perColumn * column) - m_duration;
                    break;
                case 3:
                    s = n - fx::Trunc(perRow * row) - m_duration;
                    break;
                case 4:
                    s = fx::Trunc(perRow * row);
                    break;
                case 5:
                case 6:
                    s = std::rand() % (latest + 1);
                    break;
                default:
                    s = 0;
                    break;
            }
            m_starts[size_t(row) * size_t(m_columns) + size_t(column)] = std::clamp(s, 0, latest);
        }
}

void CStripesEffect::DrawFrame(int k) {
    m_output.Fill(CPicture::GetDefaultBackgroundColour());
    // Cards turn about a vertical axis (squeezed horizontally) or about a horizontal one.
    const bool squeezeX = m_type == 1 || m_type == 2 || m_type == 6 || m_type == 7;
    for (int row = 0; row < m_rows; ++row)
        for (int column = 0; column < m_columns; ++column) {
            const int x0 = column * m_tile, y0 = row * m_tile;
            const int cw = std::min(m_tile, W() - x0), ch = std::min(m_tile, H() - y0);
            const int s = m_starts[size_t(row) * size_t(m_columns) + size_t(column)];
            // With fewer than 3 frames the turn takes no time: B from the start frame on.
            if (k >= s + m_duration) {
                m_output.CopyRect(B(), x0, y0, x0 + cw, y0 + ch, 0, 0);
                continue;
            }
            if (k <= s) {
                m_output.CopyRect(A(), x0, y0, x0 + cw, y0 + ch, 0, 0);
                continue;
            }
            const double u = double(k - s) * 180.0 / m_duration;
            const bool front = u <= 90.0;
            const double factor = front ? 1.0 - std::sin(Radians(u)) : std::sin(Radians(u - 90.0));
            const CPicture& face = front ? *A() : *B();
            if (squeezeX) {
                const int sw = fx::Trunc(cw * factor + 0.5);
                if (sw > 0)
                    fx::DrawScaled(m_scaler, m_output, x0 + (cw - sw) / 2, y0, sw, ch, face, x0, y0, cw, ch);
            } else {
                const int sh = fx::Trunc(ch * factor + 0.5);
                if (sh > 0)
                    fx::DrawScaled(m_scaler, m_output, x0, y0 + (ch - sh) / 2, cw, sh, face, x0, y0, cw, ch);
            }
        }
}

}  // namespace trov
