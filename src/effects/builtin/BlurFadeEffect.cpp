// Blur fades: frame k mixes blur(A, R k / n) and blur(B, R - R k / n) at k / n of the way to B.
#include "effects/builtin/BlurFadeEffect.h"

#include <cmath>

#include "infra/MessagePipelines.h"

namespace trov {

namespace {

const char* NameOf(int type) {
    switch (type) {
        case 1:
            return "Vertical-Blur-Fade";
        case 2:
            return "Horizontal-Blur-Fade";
        case 3:
            return "TopLeft-BottomRight-Blur-Fade";
        case 4:
            return "TopRight-BottomLeft-Blur-Fade";
        default:
            return "Blur-Fade";
    }
}

int NormalisedType(int type) {
    return type >= 1 && type <= 5 ? type : 5;
}

}  // namespace

CBlurFadeEffect::CBlurFadeEffect(int type)
    : CBuiltinEffect(NameOf(type), "1.2", true),
      m_type(NormalisedType(type)),
      m_kernel(static_cast<EBlurKernel>(NormalisedType(type))) {
    // Every frame is a complete mix; nothing of A needs to be in the output beforehand.
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CBlurFadeEffect::PrepareFrames() {
    // Captions are small: in text mode the line blurs reach less far.
    const bool text = IsTextMode();
    const int w = W(), h = H();
    switch (m_type) {
        case 1:
            m_radius = text ? w / 8 : w / 3;
            break;
        case 2:
            m_radius = text ? h / 8 : h / 3;
            break;
        case 3:
        case 4:
            m_radius = text ? (w + h) / 16 : (w + h) / 6;
            break;
        default:
            m_radius = 25.0;
            break;
    }
    if (!m_blurA.Create(w, h) || !m_blurB.Create(w, h)) {
        m_blurA.Reset();
        m_blurB.Reset();
    }
}

void CBlurFadeEffect::FreeBuffers() {
    m_blurA.Reset();
    m_blurB.Reset();
    m_blur.Free();
}

void CBlurFadeEffect::BlurWithProgress(const CPicture& source, CPicture& target, double r, int k) {
    CMessagePipelines* hub = GetPipelines();
    SendStatus(hub, "Creating Blur-Effect-Frame " + fx::FrameOfText(k, N()));
    fx::ReportProgressStart(hub, H());
    BlurRowCallback rowDone;
    if (hub) rowDone = [hub](int row) { fx::ReportProgress(hub, row); };
    const SPixelBlock block{source.GetBits(), source.GetWidth(), source.GetHeight(), source.GetStride()};
    m_blur.Blur(block, target.GetBits(), m_kernel, r, rowDone);
    fx::ReportProgress(hub, H());
}

void CBlurFadeEffect::DrawFrame(int k) {
    if (m_blurA.IsEmpty() || m_blurB.IsEmpty()) return;
    const int n = N();
    const double r = m_radius * k / n;
    BlurWithProgress(*A(), m_blurA, r, k);
    BlurWithProgress(*B(), m_blurB, m_radius - r, k);
    // The contained dissolve from blurred A to blurred B, jumped to step k of n.
    m_table.Build(k, n);
    fx::BlendPictures(m_output, m_blurA, m_blurB, m_table);
}

}  // namespace trov
