// Picture move: two crop rectangles, a sine glide between them, and a flight path drawn as it goes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "imaging/DibPicture.h"
#include "imaging/PictureTools.h"
#include "imaging/RegionResampler.h"

namespace trov {

class CSettingsStore;

// The section of the working store that holds the current entry's move margins.
inline constexpr const char* kPictureMoveSection = "CURRENT_PICTURE_MOVE";

// A rectangle in picture coordinates with rows counted from the bottom:
// columns left <= x < right, rows bottom <= y < top.
struct MoveRect {
    int left = 0;
    int bottom = 0;
    int right = 0;
    int top = 0;
    int Width() const { return right - left; }
    int Height() const { return top - bottom; }
    bool operator==(const MoveRect&) const = default;
};

// A position of the editor: pixels of the picture, y from the top.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Splits "v|v|...|" into exactly eight numbers and stores them as Left1, Top1, Right1, Bottom1,
// Left2, Top2, Right2, Bottom2 of CURRENT_PICTURE_MOVE. Anything else: false, store untouched.
bool ParsePictureMoveSettings(const std::string& text, CSettingsStore& store);

// The settings string of two editor positions on a picture of width x height ("%f|" eight times).
std::string BuildPictureMoveSettings(const PixelRect& position1, const PixelRect& position2, int width,
                                     int height);

// Rectangle of position suffix ("1" or "2") on a picture of w x h, from the margins in the store
// (percent: Left/Right of the width, Top/Bottom of the height).
MoveRect GetPictureMoveRect(const CSettingsStore& store, const std::string& suffix, int w, int h);

// The glide factor of frame j of n: 0 at j = 0, 0.5 at j = n / 2, approaching 1 (sine ease).
double PictureMoveFactor(int j, int n);

// The scale applied to a picture of pictureW x pictureH so that the tightest crop still has about
// `quality` source pixels per movie pixel, clamped to 1 .. limit.
double PictureMoveScale(int pictureW, int pictureH, int movieW, int movieH, const CSettingsStore& store,
                        double quality, double limit);

// Scales the picture for the flight (keeps it the movie's aspect, padded like Resize pads).
// Returns the scaled picture, or a copy of the source when no scaling is needed or scaling fails.
std::unique_ptr<CDibPicture> PreparePictureMoveSource(const CPicture& picture, int movieW, int movieH,
                                                      const CSettingsStore& store, double quality,
                                                      double limit, CPictureTools& tools);

// The crop rectangle of frame j of n on a source of w x h.
MoveRect PictureMoveFrameRect(const CSettingsStore& store, int j, int n, int w, int h);

// Frame j of n: the glided crop of source, scaled to the size of frame (no aspect kept), written
// over the whole of frame with resampler's tables. False when source or frame is empty.
bool RenderPictureMoveFrame(const CSettingsStore& store, int j, int n, const CPicture& source,
                            CPicture& frame, CRegionResampler& resampler, CPictureTools& tools);
// The same into a new picture of movieW x movieH.
std::unique_ptr<CDibPicture> RenderPictureMoveFrame(const CSettingsStore& store, int j, int n,
                                                    const CPicture& source, int movieW, int movieH,
                                                    CPictureTools& tools);

// A flight path: a polyline of points in percent of the picture, drawn progressively at constant speed.
class CFlightPath {
public:
    struct Offset {
        int dx;
        int dy;
    };
    struct Point {
        int x;  // column
        int y;  // row, counted from the bottom
    };

    // points: "x|y|x|y|..." in percent (y from the top); colour a Windows colour; radius in pixels.
    void Setup(const std::string& points, Colour colour, int radius);
    // Draws the stretch of frame j of n (0-based) into picture; the picture keeps earlier stretches.
    // Does nothing for fewer than two points or n < 2.
    void DrawFrame(CPicture& picture, int j, int n) const;
    // Whether DrawFrame draws anything (two points or more).
    bool Draws() const { return m_percent.size() >= 2; }
    // Draws one line from a to b: a disk at a, then the ring offsets along the line.
    void DrawSegment(CPicture& picture, double ax, double ay, double bx, double by) const;

    // Pixel points of the polyline on a picture of w x h; coordinates beyond four times the
    // largest picture side are held there.
    std::vector<Point> PixelPoints(int w, int h) const;
    // Total polyline length in pixels on a picture of w x h.
    double Length(int w, int h) const;

    const std::vector<Offset>& DiskOffsets() const { return m_disk; }
    const std::vector<Offset>& RingOffsets() const { return m_ring; }

private:
    std::vector<std::pair<double, double>> m_percent;
    std::vector<Offset> m_disk;
    std::vector<Offset> m_ring;
    int m_reach = 0;  // no offset reaches farther than this from the line, in either axis
    Colour m_colour = 255;
};

// Point text files of the editor: one "x,y" line per point in picture pixels.
bool ReadFlightPointFile(const std::string& path, std::vector<std::pair<int, int>>& points);
bool WriteFlightPointFile(const std::string& path, const std::vector<std::pair<int, int>>& points);

}  // namespace trov
