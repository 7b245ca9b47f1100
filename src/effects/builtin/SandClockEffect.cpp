// Sand clocks. For a slice at position x along the travel (length L, across length C), with
// p = k / n: h = trunc(C * cos((x / L) * 180 + phase) + 0.5), phase = -360p degrees; h = C beyond
// the front 2Lp and -C behind the back 2Lp - L. Negative h shows B, positive A, the slice scaled
// to |h| across and centred. The Right-Left and Top-Bottom types measure x from the far edge.
#include "effects/builtin/SandClockEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "infra/Angles.h"

namespace trov {

namespace {
const char* SandClockName(int type) {
    switch (type) {
        case 1:
            return "SandClock-Effekt (Left-Right)";
        case 2:
            return "SandClock-Effekt (Right-Left)";
        case 3:
            return "SandClock-Effekt (Top-Bottom)";
        case 4:
            return "SandClock-Effekt (Bottom-Top)";
        case 5:
            return "SandClock-Effekt-Blocked (Left-Right)";
        case 6:
            return "SandClock-Effekt-Blocked (Right-Left)";
        case 7:
            return "SandClock-Effekt-Blocked (Top-Bottom)";
        default:
            return "SandClock-Effekt-Blocked (Bottom-Top)";
    }
}
}  // namespace

CSandClockEffect::CSandClockEffect(int type)
    : CBuiltinEffect(SandClockName(type), "1.0", true), m_type(type < 1 || type > 8 ? 1 : type) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CSandClockEffect::DrawFrame(int k) {
    m_output.Fill(CPicture::GetDefaultBackgroundColour());
    const int direction = (m_type - 1) % 4;  // 0 LR, 1 RL, 2 TB, 3 BT
    const bool columns = direction <= 1;
    const bool fromFarEdge = direction == 1 || direction == 2;
    const int slice = m_type > 4 ? 20 : 1;
    const int along = columns ? W() : H();
    const int across = columns ? H() : W();
    const double p = double(k) / N();
    const double front = 2.0 * along * p, back = 2.0 * along * p - along, phase = -360.0 * p;
    SendStatus(m_pipelines, "Resizing picture ...");
    for (int start = 0; start < along; start += slice) {
        const int width = std::min(slice, along - start);
        const int x = fromFarEdge ? along - start - width : start;
        int h;
        if (x > front)
            h = across;
        else if (x < back)
            h = -across;
        else
            h = fx::Trunc(across * std::cos(Radians(double(x) / along * 180.0 + phase)) + 0.5);
        const int size = std::abs(h);
        if (size == 0) continue;
        const CPicture& source = h < 0 ? *B() : *A();
        const int offset = fx::Trunc((across - size) / 2.0 + 0.5);
        // The offset is measured from the top edge (rows run bottom-up) or the left edge.
        if (columns) {
            const int y0 = across - offset - size;
            if (size == across)
                m_output.CopyRect(&source, start, 0, start + width, across, 0, 0);
            else
                fx::DrawScaled(m_scaler, m_output, start, y0, width, size, source, start, 0, width, across);
        } else {
            if (size == across)
                m_output.CopyRect(&source, 0, start, across, start + width, 0, 0);
            else
                fx::DrawScaled(m_scaler, m_output, offset, start, size, width, source, 0, start, across,
                               width);
        }
    }
}

}  // namespace trov
