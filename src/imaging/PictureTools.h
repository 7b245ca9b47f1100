// Creates, loads, resizes and rotates pictures and draws captions, reporting progress.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "imaging/Caption.h"
#include "imaging/DibPicture.h"
#include "imaging/Picture.h"

namespace trov {

class CMessagePipelines;

// Resampling filter choice of Resize(), the application setting "Quality".
enum ResizeQuality : int {
    kQualityProduction = 0,       // area-weighted average (default)
    kQualityFinalProduction = 1,  // Lanczos, support 3
};

// Where a caption lands in a picture: screen coordinates (column 0 left, row 0 TOP).
struct CaptionPlacement {
    int left = 0;    // L: first column of the text block
    int top = 0;     // T: first row of the text block
    int width = 0;   // tw: measured block width in pixels (widest line)
    int height = 0;  // th: measured block height in pixels (all lines)
    int lines = 0;   // number of laid-out lines
};

// The outline offsets (dx, dy) a caption outline of radius backWidth is drawn at, in drawing order
// (dx outer, dy inner, both from -backWidth to backWidth): those whose distance, rounded to the
// nearest integer, is at most backWidth. dy counts screen rows (positive = down).
std::vector<std::pair<int, int>> CaptionOutlineOffsets(int backWidth);

// One tools object per user (creation driver, effect, dialog). Not shared between threads; the
// pipelines registry it reports to may be shared (it is thread-safe). All returned pictures are
// new and owned by the caller.
class CPictureTools {
public:
    // pipelines: where "MaxProgress"/"CurrentProgress" go; may be null (no reports). Not owned.
    explicit CPictureTools(CMessagePipelines* pipelines = nullptr) : m_pipelines(pipelines) {}

    void SetPipelines(CMessagePipelines* pipelines) { m_pipelines = pipelines; }
    CMessagePipelines* GetPipelines() const { return m_pipelines; }

    // Process-wide "Quality" (ResizeQuality) used by every Resize(); the manager sets it from the
    // application settings. Values other than 1 mean the area filter.
    static void SetQuality(int quality);
    static int GetQuality();

    // Threads used by Resize and Rotate (the caller's thread included). 0 = one per core (at
    // most 8), the default. Results do not depend on it.
    static void SetThreadCount(int threads);
    static int GetThreadCount();

    // New picture of width x height in the default background colour, then filled with colour
    // unless it is kNoColour, named `name`. Null for impossible sizes.
    std::unique_ptr<CDibPicture> CreatePicture(int width, int height, Colour colour = kNoColour,
                                               const std::string& name = "");

    // Loads a picture file: extension "jpg"/"jpeg" -> JPEG, "bmp" -> BMP (case ignored); any other
    // extension with tryBoth: BMP first, then JPEG. Null when the file is missing or unreadable.
    // fitWidth x fitHeight (both > 0): the box the picture will be fitted into, aspect kept; a
    // JPEG is then decoded at a reduced scale still covering it (CJpegPicture::SetSizeHint).
    // failure (may be null) receives the reader's cause when the result is null.
    std::unique_ptr<CPicture> LoadPicture(const std::string& path, bool tryBoth, int fitWidth = 0,
                                          int fitHeight = 0, std::string* failure = nullptr);

    // Scales source to width x height. Same size: an exact copy. keepAspect: the largest
    // rectangle with the source's aspect ratio, centred, the bars in the default background
    // colour; without keepAspect the whole target is the picture. Filter by GetQuality().
    // Null for a null/empty source or target sizes < 1.
    std::unique_ptr<CDibPicture> Resize(const CPicture* source, int width, int height, bool keepAspect);
    // The part [left, right) x [bottom, top) of source (columns, memory rows; clipped to the
    // picture) scaled to exactly width x height, as Resize of a copy of that part would make it,
    // without the copy. Null when the part or the target is empty.
    std::unique_ptr<CDibPicture> ResizeRegion(const CPicture* source, int left, int bottom, int right,
                                              int top, int width, int height);
    // Same with an explicit filter (kQualityProduction / kQualityFinalProduction).
    std::unique_ptr<CDibPicture> ResizeWith(const CPicture* source, int width, int height, bool keepAspect,
                                            int quality);

    // Quarter/half turns: degrees is brought into 0..359 (-90 = 270, 450 = 90); 90 turns the
    // picture clockwise on screen, 270 anticlockwise. Other angles or a null source: null.
    std::unique_ptr<CDibPicture> Rotate(const CPicture* source, int degrees);
    // Left and right exchanged (each row reversed).
    std::unique_ptr<CDibPicture> Mirror(const CPicture* source);
    // The picture as a viewer shows a photo with this EXIF orientation (see
    // ReadJpegExifOrientation): 2 mirrored, 3 turned 180 degrees, 4 upside down, 5 mirrored after a
    // clockwise quarter turn, 6 a clockwise quarter turn, 7 mirrored after an anticlockwise quarter
    // turn, 8 an anticlockwise quarter turn. Null for 1, other values or a null source.
    std::unique_ptr<CDibPicture> ApplyExifOrientation(const CPicture* source, int orientation);

    // Draws the caption into picture (see CaptionRenderer.cpp for layout and placement).
    // False, drawing nothing, when an argument is missing or the text is empty.
    // Reports "MaxProgress" = (2 * backWidth + 1)^2 and "CurrentProgress" per outline offset.
    bool DrawCaption(CPicture* picture, const CaptionSettings* settings, const LogFont* font, int position);
    // The caption mask of the caption fades: a black picture of width x height with the caption
    // in white (text and outline). Null when the caption cannot be drawn.
    std::unique_ptr<CDibPicture> MakeCaptionMask(int width, int height, const CaptionSettings& settings,
                                                 const LogFont& font, int position);
    // Lays the caption out exactly as DrawCaption would (word wrap inside width - 20) and returns
    // where the block goes. False for empty text or sizes < 1.
    static bool MeasureCaption(int pictureWidth, int pictureHeight, const CaptionSettings& settings,
                               const LogFont& font, int position, CaptionPlacement& placement);

    // Sends "CurrentProgress" = 0 and "MaxProgress" = max.
    void ReportProgressStart(int max);
    void ReportProgress(int current);

private:
    CMessagePipelines* m_pipelines = nullptr;
};

// ---- pictures of project entries ----

// What LoadEntryPicture needs to know about a picture entry. (A clip's frames are read by the
// video layer's CAVIFrameReader; the creation's picture preparation does that.)
struct EntryPictureRequest {
    std::string file;           // as stored in the project (may be relative)
    std::string projectFolder;  // folder of the project file, resolves relative paths; may be empty
    int rotation = 0;           // degrees; 90/180/270 (and equivalents) rotate
    // Turn a JPEG upright as its EXIF orientation says, before the rotation above.
    bool applyExifOrientation = false;
    // The box the rotated picture will be fitted into (aspect kept), 0 x 0 when unknown or when
    // the full picture is needed. A JPEG is then decoded only as large as that fit requires.
    int fitWidth = 0;
    int fitHeight = 0;
    // Receives the reader's cause when the result is null ("... header claims ..."); may be null.
    std::string* failure = nullptr;
};

// The entry's cache key: file, "#<rotation>#", then "#<r>#<g>#<b>" of the default background;
// an applied EXIF orientation other than 1 adds "#exif<n>".
std::string EntryPictureKey(const std::string& file, int rotation, int exifOrientation = 1);

// The EXIF orientation LoadEntryPicture applies for request: 1 unless it asks for it and the
// file is a JPEG that stores one.
int EntryExifOrientation(const EntryPictureRequest& request);

// Loads the picture (with try-both), turns it upright by its EXIF orientation when asked to,
// names it with EntryPictureKey and rotates it when the rotation is not 0 and can be done (so the
// entry's rotation comes on top of the EXIF one). Null when the file cannot be read.
std::unique_ptr<CPicture> LoadEntryPicture(const EntryPictureRequest& request);

}  // namespace trov
