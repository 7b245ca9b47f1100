// Common frame protocol of the built-in effects: the base does the bookkeeping, each family only
// prepares its steps and draws frame k.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "effects/FadingEffect.h"

namespace trov {

class CBuiltinEffect : public CFadingEffect {
public:
    // Frees the output and the family's buffers; harmless when repeated.
    void End() final;
    // Draws frame k = currentFrame + 1 (1..n). Null, after End, once the count is reached.
    // Also null when there is nothing to show (picture A missing or empty).
    CDibPicture* NextFrame() final;
    // Ends, creates the output at A's size, copies A into it (unless text mode or the family
    // draws whole frames itself) and lets the family prepare. A picture B of another size than A
    // is fitted to A's size first ("Resizing picture 2..."), so no effect ever reads past B.
    void Prepare(int frameCount) final;

protected:
    CBuiltinEffect(const std::string& name, const std::string& version, bool textCapable);

    // Family hooks. PrepareFrames runs after the output exists and before frame 1.
    virtual void PrepareFrames() {}
    // k = 1..n. The output holds the previous frame (or A after Prepare); in text mode the base
    // has copied A into it first when copyAInTextMode is set.
    virtual void DrawFrame(int k) = 0;
    virtual void FreeBuffers() {}

    // What Prepare/NextFrame do with A (families that draw complete frames switch these off).
    bool m_copyAInPrepare = true;
    bool m_copyAInTextMode = true;

    // Valid between Prepare and End: the pictures to read (B possibly fitted) and their geometry.
    const CPicture* A() const { return m_pictureA; }
    const CPicture* B() const { return m_b; }
    int W() const { return m_width; }
    int H() const { return m_height; }
    int N() const { return m_frameCount; }
    int Stride() const { return m_stride; }
    // True when A and B are usable and the output exists.
    bool Ready() const { return m_ready; }
    const uint8_t* RowA(int y) const { return m_pictureA->GetRow(y); }
    const uint8_t* RowB(int y) const { return m_b->GetRow(y); }
    uint8_t* RowOut(int y) { return m_output.GetRow(y); }

private:
    const CPicture* m_b = nullptr;
    std::unique_ptr<CDibPicture> m_fittedB;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
    bool m_ready = false;
};

}  // namespace trov
