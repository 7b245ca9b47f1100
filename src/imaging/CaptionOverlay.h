// A caption laid out and rasterised once for one picture size, then composited onto any number of
// pictures of that size (every frame of a moving picture, a clip, a panorama or a caption fade).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/Caption.h"
#include "imaging/Picture.h"

namespace trov {

class CPictureTools;

// Immutable once built, so one overlay may be composited from several threads at once.
class CCaptionOverlay {
public:
    // Lays the caption out for a width x height picture and computes its coverage and outline.
    // progress (may be null) receives the outline steps as DrawCaption reports them. Null when
    // there is nothing to lay out (empty text, no area) or the layout fails.
    static std::shared_ptr<const CCaptionOverlay> Build(int width, int height,
                                                        const CaptionSettings& settings, const LogFont& font,
                                                        int position, CPictureTools* progress = nullptr);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const CaptionSettings& Settings() const { return m_settings; }
    // True when the caption lies wholly outside the picture: compositing changes nothing.
    bool IsEmpty() const { return m_rx1 <= m_rx0 || m_ry1 <= m_ry0; }

    // Draws the caption in its own colours; false (picture untouched) for a picture of another size.
    bool Composite(CPicture& picture) const;
    // The same coverage and outline in other colours (white on white gives the fade mask).
    bool Composite(CPicture& picture, Colour text, Colour back) const;

private:
    CCaptionOverlay() = default;

    int m_width = 0, m_height = 0;
    CaptionSettings m_settings;
    // Glyph coverage, top-down, its pixel (0, 0) on screen column m_mx0, screen row m_my0.
    std::vector<uint8_t> m_mask;
    int m_maskW = 0, m_maskH = 0, m_mx0 = 0, m_my0 = 0;
    // The region that may change (screen rows top-down) and how much of the picture shows
    // through the outline at each of its pixels.
    int m_rx0 = 0, m_rx1 = 0, m_ry0 = 0, m_ry1 = 0;
    std::vector<float> m_remain;
};

}  // namespace trov
