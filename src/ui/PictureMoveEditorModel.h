// What the picture-move editor decides, without a window: the view area and its zoom, the
// rectangle being edited and the two positions, the frame preview (the renderer's own rectangle of
// each frame), the flight points with their colour, radius, list rows and point files, the quality
// values, drawing and moving a rectangle with the mouse, and what OK hands back. The Qt dialog
// shows what this class holds and forwards its controls' events.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "creation/PictureMove.h"
#include "imaging/DibPicture.h"
#include "project/ProjectObject.h"
#include "settings/SettingsStore.h"
#include "ui/UiControls.h"

namespace trov {

class CPicturePreparation;

namespace pmove {
// The editor's store: the rectangle being edited, whether both positions are set, the quality.
inline constexpr const char* kCurrent = "CURRENT";
inline constexpr const char* kPosX = "PosX";
inline constexpr const char* kPosY = "PosY";
inline constexpr const char* kWidth = "Width";
inline constexpr const char* kHeight = "Height";
inline constexpr const char* kPositions = "POSITIONS";
inline constexpr const char* kBothSet = "BothSet";
inline constexpr const char* kProject = "PROJECT_SETTINGS";
inline constexpr const char* kQuality = "PictureMove_Quality";
inline constexpr const char* kScaleLimit = "PictureMove_ScaleLimit";
// The flight point list: its columns (a built-in list section) and its rows' prefix.
inline constexpr const char* kPointList = "FLIGHT_POINT_LIST";
inline constexpr const char* kPointRows = "FlightPoints";

inline constexpr const char* kPointFileFilter = "Text Files (*.txt)";
inline constexpr const char* kPictureFilter = "BMP Files (*.bmp)";
inline constexpr const char* kPointsSaved = "Point-Text-File sucessfully saved: ";
inline constexpr const char* kPointsNotSaved = "Point-Text-File could not be saved: ";
inline constexpr const char* kPointsLoaded = "Point-Text-File sucessfully loaded: ";
inline constexpr const char* kPointsNotLoaded = "Point-Text-File could not be loaded: ";
inline constexpr const char* kPictureSaved = "Picture sucessfully saved: ";
inline constexpr const char* kPictureNotSaved = "Picture could not be saved: ";
inline constexpr const char* kHelpText =
    "Internal Scale Factor: Used to scale up the current picture. The higher this value, the better get your "
    "results, but the more memory you need.\r\n\r\nMaximum Scale Factor: Used to limit internal scaling. "
    "This "
    "value limits the calculation of different internal values.\r\n\r\nIf your Picture Move in your final "
    "video is to angular, try to increase both values.";
}  // namespace pmove

// The part of the picture the editor's window shows: origin and size in picture pixels.
struct SViewArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const SViewArea&) const = default;
};
// "Zoom In": 95 % of the size (truncated); when the width shrank by more than 2 pixels the origin
// moves by half the shrinkage, so the view stays centred. Never below kMinViewSide.
SViewArea ZoomedIn(const SViewArea& view);
// "Zoom Out": the size divided by 0.95 (truncated), the origin moved back by half the growth.
// Never beyond kMaxViewFactor times the picture's larger side.
SViewArea ZoomedOut(const SViewArea& view, int pictureWidth, int pictureHeight);
inline constexpr int kMinViewSide = 8;
inline constexpr int kMaxViewFactor = 4;

// Where a view area sits in a window of windowW x windowH: scaled to fit, aspect kept, centred.
struct SViewMapping {
    double scale = 1.0;  // window pixels per picture pixel
    double offsetX = 0.0, offsetY = 0.0;
    SViewArea view;
    // Window point -> picture pixel (truncated towards minus infinity).
    std::pair<int, int> ToPicture(double wx, double wy) const;
    // Picture point -> window point.
    std::pair<double, double> ToWindow(double px, double py) const;
};
SViewMapping MapView(const SViewArea& view, int windowW, int windowH);

// Whole numbers and decimals typed into boxes: the whole text (spaces around allowed) must be one.
bool ParseWholeNumber(const std::string& text, int& value);
bool ParseDecimalNumber(const std::string& text, double& value);
// The refusal of a text that is no number; the box gets its previous value back.
std::string NotANumberMessage(const std::string& text, bool whole);

// The picture the editor shows and the rectangles refer to: the entry's picture (rotated as the
// movie shows it) brought to the movie's aspect exactly as the renderer prepares it, at scale 1.
std::unique_ptr<CDibPicture> PictureMoveEditorPicture(CPicturePreparation& preparation,
                                                      const CProjectObject& object, int movieW, int movieH);

class CPictureMoveEditorModel {
public:
    // The editor on a picture of pictureW x pictureH (the editor picture): positions from the
    // entry's settings string, flight points, colour and radius from the entry, the quality from
    // the project settings. The rectangle being edited starts as the whole picture.
    CPictureMoveEditorModel(const CProjectObject& object, int pictureW, int pictureH,
                            const CSettingsStore& projectSettings);

    CSettingsStore& Store() { return m_store; }
    const CSettingsStore& Store() const { return m_store; }
    int PictureWidth() const { return m_w; }
    int PictureHeight() const { return m_h; }

    // ---- the view ----
    const SViewArea& View() const { return m_view; }
    void ZoomIn() { m_view = ZoomedIn(m_view); }
    void ZoomOut() { m_view = ZoomedOut(m_view, m_w, m_h); }
    void ShowWholePicture();

    // ---- the rectangle being edited and the two positions ----
    const PixelRect& Current() const { return m_current; }
    // Sets the rectangle (kept inside the picture, at least 1 x 1) and writes it into "CURRENT".
    void SetCurrent(const PixelRect& rect);
    // "Update Values": the four boxes (already in "CURRENT") become the rectangle. False, with the
    // refusal in message and "CURRENT" rewritten from the old rectangle, when one is no number.
    bool UpdateValues(std::string& message);
    // "Set as Position 1" (which 1) or "2": the rectangle becomes that position; "BothSet" follows.
    void SetAsPosition(int which);
    const PixelRect& Position(int which) const { return which == 1 ? m_pos1 : m_pos2; }
    bool PositionSet(int which) const;
    bool BothSet() const { return PositionSet(1) && PositionSet(2); }
    // "x, y, width x height" of a position, "-" when it is not set.
    std::string PositionText(int which) const;

    // ---- frames ----
    // The entry's ShowPicture frames (at least 1); the slider runs 0 .. FrameCount() - 1.
    int FrameCount() const { return m_frames; }
    int Frame() const { return m_frame; }
    // Goes to frame j (clamped) and makes its rectangle the current one (when both are set).
    void GoToFrame(int j);
    void FirstFrame() { GoToFrame(0); }
    void PreviousFrame() { GoToFrame(m_frame - 1); }
    void NextFrame() { GoToFrame(m_frame + 1); }
    void LastFrame() { GoToFrame(m_frames - 1); }
    // The crop of frame j as the renderer computes it, in editor pixels (y from the top).
    PixelRect FrameRect(int j) const;

    // ---- flight points (picture pixels, y from the top) ----
    const std::vector<std::pair<int, int>>& Points() const { return m_points; }
    // A left click with point adding on: appended when inside the picture. False otherwise.
    bool AddPoint(int x, int y);
    // Removes point index; false when there is none.
    bool DeletePoint(int index);
    // The point the list shows as current (-1 none): the last added or imported one.
    int CurrentPoint() const { return m_currentPoint; }
    void SetCurrentPoint(int index);
    Colour PointColour() const { return m_colour; }
    void SetPointColour(Colour colour) { m_colour = colour; }
    int Radius() const { return m_radius; }
    // "Radius:" box: a whole number 1 .. 500; else false with the refusal in message (radius kept).
    bool SetRadiusText(const std::string& text, std::string& message);
    // Writes the rows into "FlightPoints_COLUMN0/1" and refills list from them.
    void FillPointList(CListControl& list);
    // The list's columns from the built-in section.
    void InitializePointList(CListControl& list) const;
    // The point files. Import empties the points and takes every line with a comma whose two
    // halves start with a number; the last point becomes the current one. status: the result text.
    bool ImportPoints(const std::string& path, std::string& status);
    bool ExportPoints(const std::string& path, std::string& status) const;

    // "Save Picture": writes picture as BMP; status: the result text.
    static bool SavePicture(const CPicture& picture, const std::string& path, std::string& status);

    // ---- the mouse (picture pixels) ----
    // A press inside the rectangle picks it up to move it; elsewhere it starts a new one.
    void MousePress(int x, int y);
    void MouseMove(int x, int y);
    // A drawn rectangle smaller than 2 x 2 pixels is taken as a stray click: the old one stays.
    void MouseRelease(int x, int y);
    bool Dragging() const { return m_drag != Drag::None; }

    // ---- OK ----
    // Checks the quality boxes (already in the store): numbers of 1 .. 16. False with the refusal
    // in message, the old values back in the store. Then fills edited with the settings string
    // (when both positions are set; otherwise the entry's string stays), the flight points in
    // percent, their colour and radius.
    bool Accept(CProjectObject& edited, std::string& message);
    std::string QualityText() const;
    std::string ScaleLimitText() const;

private:
    void WriteCurrent();
    void WriteBothSet();
    void LoadPositions(const std::string& settings);
    void LoadPoints(const std::string& points);
    PixelRect Clamped(PixelRect rect) const;
    PixelRect FromMoveRect(const MoveRect& r) const;
    bool CheckQualityValue(const char* key, const std::string& old, std::string& message);

    enum class Drag { None, Draw, Move };

    int m_w = 1, m_h = 1;
    CSettingsStore m_store;
    SViewArea m_view;
    PixelRect m_current;
    PixelRect m_pos1, m_pos2;
    std::string m_oldSettings;
    int m_frames = 1;
    int m_frame = 0;
    std::vector<std::pair<int, int>> m_points;
    int m_currentPoint = -1;
    Colour m_colour = 255;
    int m_radius = 10;
    // The creation's defaults when the project has none.
    std::string m_quality = std::string(1, '2');
    std::string m_limit = std::string(1, '2');
    Drag m_drag = Drag::None;
    int m_anchorX = 0, m_anchorY = 0;
    PixelRect m_before;
};

}  // namespace trov
