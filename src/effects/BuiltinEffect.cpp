// Frame protocol shared by the built-in effects.
#include "effects/BuiltinEffect.h"

#include "effects/EffectPixels.h"

namespace trov {

CBuiltinEffect::CBuiltinEffect(const std::string& name, const std::string& version, bool textCapable) {
    m_name = name;
    m_author = "Kestrami";
    m_version = version;
    m_textCapable = textCapable ? 1 : 0;
}

void CBuiltinEffect::End() {
    FreeBuffers();
    m_output.Reset();
    m_fittedB.reset();
    m_b = nullptr;
    m_ready = false;
}

void CBuiltinEffect::Prepare(int frameCount) {
    End();
    m_frameCount = frameCount;
    const CPicture* a = m_pictureA;
    if (!a || a->IsEmpty() || !m_output.Create(a->GetWidth(), a->GetHeight())) {
        m_output.Reset();
        return;
    }
    m_width = a->GetWidth();
    m_height = a->GetHeight();
    m_stride = CPicture::StrideFor(m_width);
    const CPicture* b = m_pictureB;
    if (b && !b->IsEmpty() && (b->GetWidth() != m_width || b->GetHeight() != m_height)) {
        m_fittedB = fx::FitPicture(m_pipelines, b, m_width, m_height, "Resizing picture 2...");
        b = m_fittedB.get();
    }
    if (!b || b->IsEmpty()) {
        // Nothing to fade to: every frame shows A.
        m_output.CopyFrom(a);
        return;
    }
    m_b = b;
    m_ready = true;
    if (m_copyAInPrepare && !m_textMode) m_output.CopyFrom(a);
    PrepareFrames();
}

CDibPicture* CBuiltinEffect::NextFrame() {
    if (m_currentFrame < 0) m_currentFrame = 0;
    if (m_currentFrame >= m_frameCount) {
        End();
        return nullptr;
    }
    if (m_output.IsEmpty()) {
        ++m_currentFrame;
        return nullptr;
    }
    ++m_currentFrame;
    if (m_ready) {
        if (m_textMode && m_copyAInTextMode) m_output.CopyFrom(m_pictureA);
        DrawFrame(m_currentFrame);
    }
    m_output.BitsChanged();
    return &m_output;
}

}  // namespace trov
