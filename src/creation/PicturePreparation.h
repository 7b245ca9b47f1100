// Picture preparation: an entry's picture brought to the movie size, through the picture cache.
// Stills are fitted (aspect kept); panorama and picture-move pictures are scaled for their motion
// and cached at their prepared size; clips give their frames.
#pragma once

#include <memory>
#include <string>

#include "imaging/DibPicture.h"

namespace trov {

class CAVIFrameReader;
class CFileCache;
class CPictureTools;
class CProjectObject;
struct CreationEnvironment;

class CPicturePreparation {
public:
    // The environment's settings and pipelines are read at each call; all three must outlive this.
    CPicturePreparation(const CreationEnvironment& env, CFileCache& pictureCache, CPictureTools& tools);
    ~CPicturePreparation();
    CPicturePreparation(const CPicturePreparation&) = delete;
    CPicturePreparation& operator=(const CPicturePreparation&) = delete;

    // The entry's picture at width x height. forMotion: a panorama or picture-move entry is
    // prepared for its motion (a running creation); otherwise every entry is prepared as a still.
    // Null when unreadable.
    std::unique_ptr<CDibPicture> PreparePicture(const CProjectObject& obj, int width, int height,
                                                bool forMotion);
    // The raw picture of an entry (frame 0 of a clip; a picture rotated by its rotation).
    // fitWidth x fitHeight > 0: the picture will only be fitted into that box (aspect kept), so a
    // JPEG may be decoded at a reduced scale that still covers it.
    // failure (may be null) receives the loader's cause when the result is null.
    std::unique_ptr<CPicture> LoadObjectPicture(const CProjectObject& object, int fitWidth = 0,
                                                int fitHeight = 0, std::string* failure = nullptr);
    // The EXIF orientation the entry's picture is turned by: 1 unless the project's
    // "ApplyExifOrientation" is 1 and the entry is a JPEG that stores another.
    int ExifOrientationOf(const CProjectObject& obj) const;
    // The picture-cache name of the entry's still: its cache name, "#exif<n>" when an EXIF
    // orientation other than 1 is applied.
    std::string PictureName(const CProjectObject& obj) const;
    // A still picture brought to width x height (aspect kept) and stored in the picture cache.
    // Thread-safe form: "Quality" read beforehand.
    std::unique_ptr<CDibPicture> FinishStill(const CProjectObject& obj, const CPicture& raw, int width,
                                             int height, int quality);
    // anySize: the stored picture may have another size than w x h (prepared moving pictures).
    std::unique_ptr<CDibPicture> LookupPicture(const std::string& name, int w, int h, int rotation,
                                               bool anySize = false);

    // "PictureMove_Quality" and "PictureMove_ScaleLimit" as a creation uses them.
    struct MoveParameters {
        std::string qualityText, limitText;
        double quality = 2.0, limit = 2.0;
    };
    MoveParameters GetMoveParameters() const;
    // A panorama or picture-move picture scaled for its motion (thread-safe).
    std::unique_ptr<CDibPicture> PrepareMovingSource(const CProjectObject& obj, const CPicture& raw,
                                                     int width, int height, const MoveParameters& move);
    // The picture-cache name of such a prepared picture: every input of its preparation.
    std::string MovingSourceName(const CProjectObject& obj, const MoveParameters& move) const;
    // Thread-safe (the caches lock themselves): "Quality" read beforehand.
    void StorePicture(const CPicture& picture, const std::string& name, int w, int h, int rotation,
                      int quality);
    // "Quality" of the application settings (part of every picture-cache key).
    int Quality() const;

    // Frame `frame` of a clip, decoded (the clip stays open for the next frame).
    std::unique_ptr<CDibPicture> ReadClipFrame(const std::string& path, int frame);
    CAVIFrameReader& ClipReader() { return *m_clipReader; }

private:
    void Status(const std::string& text) const;

    const CreationEnvironment& m_env;
    CFileCache& m_pic;
    CPictureTools& m_tools;
    std::unique_ptr<CAVIFrameReader> m_clipReader;
};

// "#r#g#b" of the current background colour.
std::string BackgroundKey();
// A panorama entry (a scrolling direction, and no picture move, which takes precedence).
bool IsPanorama(const CProjectObject& obj);
// An entry whose picture moves during its show (picture move or any panorama scrolling).
bool IsMovingEntry(const CProjectObject& obj);

}  // namespace trov
