// Picture preparation: loading an entry's picture, fitting stills, scaling moving pictures, and
// the picture cache they go through.
#include "creation/PicturePreparation.h"

#include "creation/Creation.h"
#include "creation/CreationFormat.h"
#include "creation/PanoramaScrollingEffect.h"
#include "creation/PictureMove.h"
#include "imaging/BmpCopy.h"
#include "imaging/PictureTools.h"
#include "infra/MessagePipelines.h"
#include "project/FileCache.h"
#include "project/Md5.h"
#include "project/ProjectObject.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"
#include "settings/SettingsStore.h"
#include "video/AVIFrameReader.h"

namespace trov {

namespace {

constexpr const char* kProjectSection = "PROJECT_SETTINGS";
constexpr const char* kTrovSection = "TROV_SETTINGS";

std::string PictureCacheKey(const std::string& name, int w, int h, int rotation, int quality) {
    // The background key is part of the index key too, so a new background colour never reuses
    // pictures whose bars were painted in the old one.
    return name + Format("_%d_%d", w, h) + Format("#%d#_%d_%d", rotation, w, h) + Format("###%d", quality) +
           BackgroundKey();
}

}  // namespace

std::string BackgroundKey() {
    Colour c = CPicture::GetDefaultBackgroundColour();
    return Format("#%d#%d#%d", ColourRed(c), ColourGreen(c), ColourBlue(c));
}

bool IsPanorama(const CProjectObject& obj) {
    return obj.panoramaScrolling && IsPanoramaDirection(obj.panoramaScrollingType) && !obj.pictureMove;
}

bool IsMovingEntry(const CProjectObject& obj) {
    return obj.pictureMove || (obj.panoramaScrolling && IsPanoramaDirection(obj.panoramaScrollingType));
}

CPicturePreparation::CPicturePreparation(const CreationEnvironment& env, CFileCache& pictureCache,
                                         CPictureTools& tools)
    : m_env(env), m_pic(pictureCache), m_tools(tools), m_clipReader(std::make_unique<CAVIFrameReader>()) {}

CPicturePreparation::~CPicturePreparation() = default;

void CPicturePreparation::Status(const std::string& text) const {
    SendStatus(m_env.pipelines, text);
}

int CPicturePreparation::Quality() const {
    int v = 0;
    if (m_env.appSettings) m_env.appSettings->GetInt(kTrovSection, "Quality", v);
    return v;
}

std::unique_ptr<CDibPicture> CPicturePreparation::LookupPicture(const std::string& name, int w, int h,
                                                                int rotation, bool anySize) {
    auto path = m_pic.Lookup(PictureCacheKey(name, w, h, rotation, Quality()));
    if (!path) return nullptr;
    Status("Getting picture from cache...");
    auto pic = std::make_unique<CDibPicture>();
    if (!pic->LoadFile(*path, true)) return nullptr;
    if (!anySize && (pic->GetWidth() != w || pic->GetHeight() != h)) return nullptr;
    return pic;
}

CPicturePreparation::MoveParameters CPicturePreparation::GetMoveParameters() const {
    // As the preparation of a creation repairs them: a quality that is missing or below 1 makes
    // both values 2.
    MoveParameters p;
    CSettingsStore* project = m_env.projectSettings;
    if (project) {
        project->GetString(kProjectSection, "PictureMove_Quality", p.qualityText);
        project->GetString(kProjectSection, "PictureMove_ScaleLimit", p.limitText);
    }
    if (!project || !project->GetDouble(kProjectSection, "PictureMove_Quality", p.quality) || p.quality < 1) {
        p.qualityText.assign(1, '2');
        p.limitText.assign(1, '2');
        p.quality = p.limit = 2.0;
    } else {
        p.limit = 2.0;
        project->GetDouble(kProjectSection, "PictureMove_ScaleLimit", p.limit);
    }
    return p;
}

std::string CPicturePreparation::MovingSourceName(const CProjectObject& obj,
                                                  const MoveParameters& move) const {
    if (obj.pictureMove)
        return PictureName(obj) + "#move#" + obj.pictureMoveSettings + "#" + move.qualityText + "#" +
               move.limitText;
    return PictureName(obj) + Format("#pan%d", obj.panoramaScrollingType);
}

namespace {

EntryPictureRequest RequestFor(const CProjectObject& object, const CSettingsStore* project) {
    EntryPictureRequest req;
    req.file = object.GetFileName();
    req.projectFolder = GetProjectDirectory();
    req.rotation = object.rotation;
    int apply = 0;
    if (project) project->GetInt(kProjectSection, projkey::kApplyExifOrientation, apply);
    req.applyExifOrientation = apply == 1 && !object.IsColorFade();
    return req;
}

}  // namespace

int CPicturePreparation::ExifOrientationOf(const CProjectObject& obj) const {
    if (obj.IsAVI() || obj.IsColorFade()) return 1;
    return EntryExifOrientation(RequestFor(obj, m_env.projectSettings));
}

std::string CPicturePreparation::PictureName(const CProjectObject& obj) const {
    const int exif = ExifOrientationOf(obj);
    return exif == 1 ? obj.GetCacheName() : obj.GetCacheName() + Format("#exif%d", exif);
}

std::unique_ptr<CDibPicture> CPicturePreparation::PrepareMovingSource(const CProjectObject& obj,
                                                                      const CPicture& raw, int width,
                                                                      int height,
                                                                      const MoveParameters& move) {
    if (obj.pictureMove) {
        CSettingsStore store;
        ParsePictureMoveSettings(obj.pictureMoveSettings, store);
        return PreparePictureMoveSource(raw, width, height, store, move.quality, move.limit, m_tools);
    }
    auto scaled = PreparePanoramaPicture(raw, obj.panoramaScrollingType, width, height, m_tools);
    return scaled ? std::move(scaled) : raw.Clone();
}

void CPicturePreparation::StorePicture(const CPicture& picture, const std::string& name, int w, int h,
                                       int rotation, int quality) {
    std::string dir = m_pic.GetDirectory();
    if (dir.empty() || picture.IsEmpty()) return;
    std::string file =
        m_pic.MakePath("pic_" + Md5Hex(name + BackgroundKey() + Format("#%d#_%d_%d", rotation, w, h) +
                                       Format("###%d", quality)));
    if (!SaveBmpCopy(picture, file)) return;
    m_pic.Add(PictureCacheKey(name, w, h, rotation, quality), file);
    m_pic.RegisterFile(file);
}

std::unique_ptr<CPicture> CPicturePreparation::LoadObjectPicture(const CProjectObject& object, int fitWidth,
                                                                 int fitHeight, std::string* failure) {
    std::string path = ResolveProjectPath(NativePath(object.GetFileName()));
    if (object.IsAVI()) {
        auto frame = ReadClipFrame(path, 0);
        if (frame)
            frame->SetFileName(EntryPictureKey(object.GetFileName(), 0));
        else if (failure)
            *failure = "the first frame of the clip cannot be read";
        return frame;
    }
    EntryPictureRequest req = RequestFor(object, m_env.projectSettings);
    req.fitWidth = fitWidth;
    req.fitHeight = fitHeight;
    req.failure = failure;
    return LoadEntryPicture(req);
}

std::unique_ptr<CDibPicture> CPicturePreparation::ReadClipFrame(const std::string& path, int frame) {
    return m_clipReader->ReadVideoFrame(path, frame);
}

std::unique_ptr<CDibPicture> CPicturePreparation::PreparePicture(const CProjectObject& obj, int width,
                                                                 int height, bool forMotion) {
    if (width < 1 || height < 1) return nullptr;
    const std::string& path = obj.GetFileName();
    if (obj.IsColorFade()) {
        Status("Creating picture: " + path + " ...");
        return m_tools.CreatePicture(width, height, obj.colorFadeColorRef, "Color Bitmap");
    }
    const bool moving = forMotion && IsMovingEntry(obj);
    const int rotation = obj.IsAVI() ? 0 : obj.rotation;
    if (!moving) {
        if (auto cached = LookupPicture(PictureName(obj), width, height, rotation)) return cached;
    }
    // Moving pictures are prepared once (by the consistency check, or here) and kept in the picture
    // cache at their prepared size.
    const MoveParameters move = GetMoveParameters();
    std::string movingName;
    if (moving && !obj.IsAVI()) {
        movingName = MovingSourceName(obj, move);
        if (auto cached = LookupPicture(movingName, width, height, rotation, true)) return cached;
    }
    Status("Reading picture: " + path + " ...");
    // A still that is only fitted to the frame needs no more pixels than the frame; panorama and
    // picture-move entries keep the full picture (they show parts of it enlarged).
    const bool stillFit = !IsMovingEntry(obj);
    std::unique_ptr<CPicture> raw = stillFit ? LoadObjectPicture(obj, width, height) : LoadObjectPicture(obj);
    if (!raw || raw->IsEmpty()) return nullptr;

    if (!moving) return FinishStill(obj, *raw, width, height, Quality());
    auto prepared = PrepareMovingSource(obj, *raw, width, height, move);
    if (prepared && !movingName.empty()) {
        Status("Caching picture ...");
        StorePicture(*prepared, movingName, width, height, rotation, Quality());
    }
    return prepared;
}

std::unique_ptr<CDibPicture> CPicturePreparation::FinishStill(const CProjectObject& obj, const CPicture& raw,
                                                              int width, int height, int quality) {
    std::unique_ptr<CDibPicture> result;
    if (raw.GetWidth() != width || raw.GetHeight() != height) {
        Status("Resizing picture ...");
        result = m_tools.Resize(&raw, width, height, true);
        if (result) result->SetFileName(obj.GetFileName());
    }
    if (!result) result = raw.Clone();
    if (!result) return nullptr;
    Status("Caching picture ...");
    StorePicture(*result, PictureName(obj), width, height, obj.IsAVI() ? 0 : obj.rotation, quality);
    return result;
}

}  // namespace trov
