// Panorama scrolling: a movie-sized window slides across a picture scaled to the movie's height or width.
#pragma once

#include <memory>
#include <optional>

#include "effects/FadingEffect.h"
#include "imaging/Caption.h"
#include "imaging/CaptionOverlay.h"
#include "imaging/PictureTools.h"

namespace trov {

// Directions (PanoramaScrollingType): 1 left to right, 2 right to left, 3 top to bottom,
// 4 bottom to top; -1 not configured (shown as a still picture).
enum PanoramaDirection : int {
    kPanoramaNone = -1,
    kPanoramaLeftToRight = 1,
    kPanoramaRightToLeft = 2,
    kPanoramaTopToBottom = 3,
    kPanoramaBottomToTop = 4,
};

bool IsPanoramaDirection(int direction);

// Scales a picture for scrolling: directions 1/2 to the movie height, 3/4 to the movie width,
// the other side in proportion (rounded). Null when the direction is none or scaling fails.
std::unique_ptr<CDibPicture> PreparePanoramaPicture(const CPicture& picture, int direction, int movieW,
                                                    int movieH, CPictureTools& tools);

// The window the scroll starts from: direction 2 the rightmost columns, 3 the topmost rows,
// 1 and 4 the origin. A source smaller than the movie is centred on the background colour.
std::unique_ptr<CDibPicture> GetPanoramaStartFrame(const CPicture& prepared, int direction, int movieW,
                                                   int movieH);

// The scroll as a fading effect: Init(prepared picture, null, frame count), NextFrame per frame.
// Frame k (1-based) is c = trunc(k * distance / count) pixels into the scroll, so the first
// frame is one step in and the last shows the far end.
class CPanoramaScrollingEffect : public CFadingEffect {
public:
    CPanoramaScrollingEffect();
    ~CPanoramaScrollingEffect() override;

    void SetOutputSize(int width, int height);
    void SetDirection(int direction);
    int GetDirection() const { return m_direction; }
    // Draws this caption on every frame; tools must outlive the effect's use. Null settings: none.
    void SetCaption(const CaptionSettings* settings, const LogFont* font, int position, CPictureTools* tools);
    // Keeps a copy of the last frame (without caption) for the outgoing transition.
    void SetKeepLastFrame(bool keep) { m_keepLast = keep; }
    const CDibPicture* GetLastFrame() const { return m_lastFrame.get(); }

    // Scroll distance (pixels) and the offset c of frame k (1-based) of the current Init.
    int GetDistance() const { return m_distance; }
    int OffsetOfFrame(int k) const;

    void End() override;
    CDibPicture* NextFrame() override;
    void Prepare(int frameCount) override;

private:
    // Copies the window at offset c of the source into the output.
    void DrawWindow(int c);

    int m_width = 0;
    int m_height = 0;
    int m_direction = kPanoramaNone;
    int m_distance = 0;
    double m_step = 0.0;
    bool m_keepLast = false;
    std::unique_ptr<CDibPicture> m_lastFrame;
    std::optional<CaptionSettings> m_caption;
    LogFont m_font;
    int m_position = 1;
    CPictureTools* m_tools = nullptr;
    // The caption laid out for the output size on the first frame that draws it.
    std::shared_ptr<const CCaptionOverlay> m_overlay;
    int m_overlayWidth = 0, m_overlayHeight = 0;  // the size it was built for (0: not yet)
};

}  // namespace trov
