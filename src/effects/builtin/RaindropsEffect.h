// The raindrops effects: drops fall at random places and spread as rings of ripples over a base
// picture that changes from A to B. Types 1-4: "Raindrops (with One-Third-Crossfade)",
// "Raindrops (with Full-Crossfade)", "Raindrops (Big) (with One-Third-Crossfade)",
// "Raindrops (Big) (with Full-Crossfade)".
#pragma once

#include <vector>

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

class CRaindropsEffect : public CBuiltinEffect {
public:
    // type 1..4 as above; other numbers serve as type 1.
    explicit CRaindropsEffect(int type);

    bool IsBig() const { return m_type >= 3; }
    bool HasFullCrossfade() const { return m_type == 2 || m_type == 4; }
    // Schedule: new drops per frame, most drops alive, frames at the end without new drops,
    // and how many frames a drop lives (never more than the quiet frames, so the last frame is calm).
    int Rate() const { return IsBig() ? 1 : 6; }
    int MaxDrops() const { return IsBig() ? 50 : 100; }
    int QuietFrames() const { return IsBig() ? 30 : 24; }
    int Lifetime() const { return IsBig() ? 28 : 22; }
    // The schedule of a transition of n frames. From 2 x QuietFrames() frames on it is the one
    // above. A shorter transition would leave few or no frames for drops (the usual 25 frames
    // would give the "Big" variants none), so there the quiet tail is half the transition and a
    // drop's life shrinks with it: drops fall during the first half of every transition of at
    // least two frames and are gone before its last frame.
    int QuietFramesFor(int n) const;
    int LifetimeFor(int n) const;
    // Drops alive after the last frame drawn.
    int DropsAlive() const { return static_cast<int>(m_drops.size()); }
    // Drops started so far in this transition.
    int DropsStarted() const { return m_started; }
    // The picture under the drops at frame k of the running transition: A, B or the dissolve
    // between them (owned by the effect; valid until the next call).
    const CPicture* Base(int k);

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override;

private:
    struct Drop {
        int cx, cy;    // where it fell
        int birth;     // frame number of its first frame
        double reach;  // radius of the outermost ring at the end of its life
    };
    void AddRipples(const Drop& drop, int k);
    void Composite(const CPicture& base);

    int m_type;
    int m_quiet = 0;     // QuietFramesFor(N()) of the running transition
    int m_lifetime = 1;  // LifetimeFor(N())
    std::vector<Drop> m_drops;
    int m_started = 0;
    CDibPicture m_mixed;
    fx::CBlendTable m_table;
    // Per pixel: sampling offset (refraction) and highlight of the water surface.
    std::vector<float> m_offsetX, m_offsetY, m_light;
    std::vector<uint8_t> m_rowTouched;
    std::vector<float> m_profile;  // slope of one drop's ripple by distance behind its front
};

}  // namespace trov
