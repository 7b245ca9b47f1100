// The creation driver: frame timeline, write step, stream cache protocol, picture preparation,
// consistency check and cache maintenance.
#include "creation/Creation.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "audio/AudioFormats.h"
#include "audio/AudioTrack.h"
#include "audio/WaveCache.h"
#include "audio/WaveFile.h"
#include "creation/PanoramaScrollingEffect.h"
#include "creation/PictureMove.h"
#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"
#include "infra/Log.h"
#include "infra/MessagePipelines.h"
#include "infra/ProgramDirectory.h"
#include "infra/UserPrompt.h"
#include "project/Md5.h"
#include "project/ProjectObject.h"
#include "project/ProjectPaths.h"
#include "settings/SettingsStore.h"
#include "video/AVIContainer.h"
#include "video/AVIStream.h"
#include "video/VideoCodecs.h"

namespace fs = std::filesystem;

namespace trov {

namespace {

constexpr const char* kProjectSection = "PROJECT_SETTINGS";
constexpr const char* kTrovSection = "TROV_SETTINGS";
constexpr const char* kCrossDissolve = "Cross Dissolve";

std::string Format(const char* fmt, int a) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a);
    return buf;
}
std::string Format(const char* fmt, int a, int b) {
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}
std::string Format(const char* fmt, int a, int b, int c) {
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, a, b, c);
    return buf;
}

bool SamePixels(const CPicture& a, const CPicture& b) {
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() &&
           a.GetImageSize() == b.GetImageSize() &&
           std::memcmp(a.GetBits(), b.GetBits(), static_cast<size_t>(a.GetImageSize())) == 0;
}

bool IsPanorama(const CProjectObject& obj) {
    return obj.panoramaScrolling && IsPanoramaDirection(obj.panoramaScrollingType) && !obj.pictureMove;
}

std::shared_ptr<CDibPicture> Share(std::unique_ptr<CDibPicture> p) {
    return std::shared_ptr<CDibPicture>(std::move(p));
}

}  // namespace

// ---- ConsistencyFindings ----

std::string ConsistencyFindings::Message() const {
    auto join = [](const std::vector<std::string>& list) {
        std::string s;
        for (const auto& p : list) s += p + "\r\n";
        return s;
    };
    std::string text;
    if (!unreadable.empty())
        text += "Some files could not be read:\r\n\r\n" + join(unreadable) +
                "\r\nPlease check the file names and / or check if another application currently uses these "
                "files.\r\n\r\n";
    if (!inconsistent.empty())
        text +=
            "Inconsistency detected:\r\n\r\n" + join(inconsistent) +
            "\r\nPlease check, if the file could be read (check if TROV is able to read the file)! For "
            "example: if you use a JPG which is created with \"multiple passes\", it could be, that TROV can "
            "not read this JPG (then you have to re-save the JPG with a picture edit tool)!\r\n\r\n";
    if (!audio.empty())
        text += "Inconsistency of audio files detected:\r\n\r\n" + join(audio) +
                "\r\nPlease check, if these files are WAV files with 16 Bit, Stereo at 44,100 KHz!\r\n\r\n";
    return text;
}

// ---- construction and settings access ----

CCreation::CCreation(CreationEnvironment env)
    : m_env(std::move(env)), m_tools(m_env.pipelines), m_timer("Timer1", m_env.pipelines) {
    m_output = std::make_unique<CAVIContainer>();
    m_part = std::make_unique<CAVIContainer>();
    m_partReader = std::make_unique<CAVIContainer>();
    m_clipReader = std::make_unique<CAVIContainer>();
    m_pic = m_env.pictureCache ? m_env.pictureCache : &m_ownPictureCache;
    m_stream = m_env.streamCache ? m_env.streamCache : &m_ownStreamCache;
    m_wave = m_env.waveCache ? m_env.waveCache : &m_ownWaveCache;
    m_streamCacheOn = m_env.streamCacheEnabled;
    if (!m_env.effects) {
        m_ownEffects = std::make_unique<CFadingEffectManager>();
        m_ownEffects->SetSettings(m_env.appSettings);
        m_ownEffects->SetPipelines(m_env.pipelines);
        m_ownEffects->SetUserPrompt(m_env.prompt);
        RegisterBuiltinEffects(*m_ownEffects);
        m_ownEffects->LoadConfiguredPlugIns();
        m_env.effects = m_ownEffects.get();
    }
}

CCreation::~CCreation() {
    if (m_queue) m_queue->Flush();
    m_queue.reset();
    m_timer.Stop();
}

CUserPrompt& CCreation::Prompt() const {
    return m_env.prompt ? *m_env.prompt : GetUserPrompt();
}

std::string CCreation::Text(const std::string& key, const std::string& fallback) const {
    std::string value = fallback;
    if (m_env.languageTexts) m_env.languageTexts->GetString("TEXTS", key, value);
    return value;
}

int CCreation::ProjectInt(const char* key, int fallback) const {
    int v = fallback;
    if (m_env.projectSettings) m_env.projectSettings->GetInt(kProjectSection, key, v);
    return v;
}

std::string CCreation::ProjectString(const char* key) const {
    std::string value;
    if (m_env.projectSettings) m_env.projectSettings->GetString(kProjectSection, key, value);
    return value;
}

double CCreation::ProjectDouble(const char* key, double fallback) const {
    double v = fallback;
    if (m_env.projectSettings) m_env.projectSettings->GetDouble(kProjectSection, key, v);
    return v;
}

int CCreation::AppInt(const char* section, const char* key, int fallback) const {
    int v = fallback;
    if (m_env.appSettings) m_env.appSettings->GetInt(section, key, v);
    return v;
}

void CCreation::Status(const std::string& text) const {
    SendStatus(m_env.pipelines, text);
}

void CCreation::Value(const char* pipe, int value) const {
    SendValue(m_env.pipelines, pipe, value);
}

void CCreation::CallOnGui(const std::function<void()>& fn) {
    if (m_env.handoff)
        m_env.handoff->Call(fn);
    else
        fn();
}

int CCreation::ObjectCount() const {
    return m_env.objectCount ? m_env.objectCount() : 0;
}

CProjectObject* CCreation::Object(int index) const {
    if (!m_env.object || index < 0 || index >= ObjectCount()) return nullptr;
    return m_env.object(index);
}

void CCreation::SetRange(int first, int last) {
    m_first = std::max(first, 0);
    m_last = std::max(last, m_first);
}

int CCreation::ComputeTotalFrames(int first, int last) const {
    long long total = 0;
    for (int i = first; i <= last; ++i) {
        if (const CProjectObject* o = Object(i)) total += std::max(o->GetTotalFrames(), 0);
    }
    if (const CProjectObject* o = Object(last)) total -= std::max(o->fade2NextPicture, 0);
    return static_cast<int>(std::clamp<long long>(total, 0, 2000000000));
}

// ---- caches ----

std::string CCreation::GetTempDirectory() const {
    std::string dir;
    if (m_env.appSettings) m_env.appSettings->GetString(kProjectSection, "TempDir", dir);
    if (dir.empty()) dir = ProgramSubdirectory("Temp");
    return NativePath(dir);
}

void CCreation::InitCaches() {
    std::string dir = GetTempDirectory();
    std::error_code ec;
    fs::create_directories(dir, ec);
    for (CFileCache* c : {m_pic, m_stream, m_wave}) c->SetDirectory(dir);
    m_pic->LoadIndex(kPictureCacheIndex);
    m_stream->LoadIndex(kStreamCacheIndex);
    m_wave->LoadIndex(kWaveCacheIndex);
    m_streamCacheOn = AppInt(kTrovSection, "EnableVideoStreamCache", 0) == 1;
}

void CCreation::CheckTempDirectoryAtStart(bool batchMode) {
    if (batchMode || AppInt(kTrovSection, "EnablePermanentCache", 0) == 1) return;
    std::string dir = m_pic->GetDirectory();
    if (dir.empty()) dir = GetTempDirectory();
    std::vector<fs::path> files;
    std::error_code ec;
    bool onlyIndexes = true;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        files.push_back(entry.path());
        std::string name = entry.path().filename().string();
        // The index files alone are what a clean temporary directory holds.
        if (name != kPictureCacheIndex && name != kStreamCacheIndex && name != kWaveCacheIndex)
            onlyIndexes = false;
    }
    if (files.empty() || onlyIndexes) return;
    PromptAnswer a = Prompt().Ask(
        "There are files in your current temp directory. Do you want to delete these files?\r\n\r\n(Temp "
        "directory: " +
            dir + ")",
        "TROV Start - Delete temp files!", PromptButtons::YesNoCancel, PromptAnswer::No);
    if (a != PromptAnswer::Yes) return;
    for (const auto& f : files) fs::remove(f, ec);
    // The indexes named files that are gone now.
    for (CFileCache* c : {m_pic, m_stream, m_wave}) c->Clear(false);
}

void CCreation::SaveCaches() {
    m_pic->SaveIndex(kPictureCacheIndex);
    m_stream->SaveIndex(kStreamCacheIndex);
    m_wave->SaveIndex(kWaveCacheIndex);
}

void CCreation::ResetCaches() {
    bool permanent = AppInt(kTrovSection, "EnablePermanentCache", 0) == 1;
    for (CFileCache* c : {m_pic, m_stream, m_wave}) c->Clear(!permanent);
}

void CCreation::ClearCache() {
    std::string dir;
    if (m_env.projectSettings) m_env.projectSettings->GetString(kProjectSection, "TempDir", dir);
    dir = dir.empty() ? GetTempDirectory() : NativePath(dir);
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec))
        if (entry.is_regular_file(ec)) files.push_back(entry.path());
    PromptAnswer a = Prompt().Ask(
        "Do you want to delete all files from the temp directory?\r\n\r\n(Temp directory: " + dir + ")",
        "TROV - Delete temp files!", PromptButtons::YesNoCancel, PromptAnswer::No);
    if (a == PromptAnswer::Yes)
        for (const auto& f : files) fs::remove(f, ec);
    Status("Cache cleared!");
    ResetCaches();
}

// ---- picture cache and preparation ----

std::string CCreation::BackgroundKey() {
    Colour c = CPicture::GetDefaultBackgroundColour();
    return Format("#%d#%d#%d", ColourRed(c), ColourGreen(c), ColourBlue(c));
}

namespace {
std::string PictureCacheKey(const std::string& name, int w, int h, int rotation, int quality) {
    // The background key is part of the index key too, so a new background colour never reuses
    // pictures whose bars were painted in the old one.
    return name + Format("_%d_%d", w, h) + Format("#%d#_%d_%d", rotation, w, h) + Format("###%d", quality) +
           CCreation::BackgroundKey();
}
}  // namespace

std::unique_ptr<CDibPicture> CCreation::LookupPicture(const std::string& name, int w, int h, int rotation,
                                                     bool anySize) {
    int quality = AppInt(kTrovSection, "Quality", 0);
    auto path = m_pic->Lookup(PictureCacheKey(name, w, h, rotation, quality));
    if (!path) return nullptr;
    Status("Getting picture from cache...");
    auto pic = std::make_unique<CDibPicture>();
    if (!pic->LoadFile(*path, true)) return nullptr;
    if (!anySize && (pic->GetWidth() != w || pic->GetHeight() != h)) return nullptr;
    return pic;
}

CCreation::MoveParameters CCreation::GetMoveParameters() const {
    // As the preparation of a creation repairs them: a quality that is missing or below 1 makes
    // both values 2.
    MoveParameters p;
    p.qualityText = ProjectString("PictureMove_Quality");
    p.limitText = ProjectString("PictureMove_ScaleLimit");
    if (!m_env.projectSettings || !m_env.projectSettings->GetDouble(kProjectSection, "PictureMove_Quality", p.quality) ||
        p.quality < 1) {
        p.qualityText = p.limitText = "2";
        p.quality = p.limit = 2.0;
    } else {
        p.limit = ProjectDouble("PictureMove_ScaleLimit", 2.0);
    }
    return p;
}

std::string CCreation::MovingSourceName(const CProjectObject& obj, const MoveParameters& move) {
    if (obj.pictureMove)
        return obj.GetCacheName() + "#move#" + obj.pictureMoveSettings + "#" + move.qualityText + "#" + move.limitText;
    return obj.GetCacheName() + Format("#pan%d", obj.panoramaScrollingType);
}

std::unique_ptr<CDibPicture> CCreation::PrepareMovingSource(const CProjectObject& obj, const CPicture& raw,
                                                            int width, int height, const MoveParameters& move) {
    if (obj.pictureMove) {
        CSettingsStore store;
        ParsePictureMoveSettings(obj.pictureMoveSettings, store);
        return PreparePictureMoveSource(raw, width, height, store, move.quality, move.limit, m_tools);
    }
    auto scaled = PreparePanoramaPicture(raw, obj.panoramaScrollingType, width, height, m_tools);
    return scaled ? std::move(scaled) : raw.Clone();
}

void CCreation::StorePicture(const CPicture& picture, const std::string& name, int w, int h, int rotation) {
    StorePicture(picture, name, w, h, rotation, AppInt(kTrovSection, "Quality", 0));
}

void CCreation::StorePicture(const CPicture& picture, const std::string& name, int w, int h, int rotation,
                             int quality) {
    std::string dir = m_pic->GetDirectory();
    if (dir.empty() || picture.IsEmpty()) return;
    std::string file =
        m_pic->MakePath("pic_" + Md5Hex(name + BackgroundKey() + Format("#%d#_%d_%d", rotation, w, h) +
                                        Format("###%d", quality)));
    auto copy = picture.Clone();
    if (!copy || !copy->SaveFile(file)) return;
    m_pic->Add(PictureCacheKey(name, w, h, rotation, quality), file);
    m_pic->RegisterFile(file);
}

void CCreation::RotateObjects(const std::vector<CProjectObject*>& objects, int degrees) {
    for (CProjectObject* o : objects) {
        if (!o || o->IsAVI()) continue;
        int r = (o->rotation + degrees) % 360;
        if (r < 0) r += 360;
        o->rotation = r;
    }
}

std::unique_ptr<CPicture> CCreation::LoadObjectPicture(const CProjectObject& object, int fitWidth,
                                                       int fitHeight) {
    std::string path = ResolveProjectPath(NativePath(object.GetFileName()));
    if (object.IsAVI()) {
        auto frame = ReadClipFrame(path, 0);
        if (frame) frame->SetFileName(EntryPictureKey(object.GetFileName(), 0));
        return frame;
    }
    EntryPictureRequest req;
    req.file = object.GetFileName();
    req.projectFolder = GetProjectDirectory();
    req.isVideo = false;
    req.rotation = object.rotation;
    req.fitWidth = fitWidth;
    req.fitHeight = fitHeight;
    return LoadEntryPicture(req);
}

std::unique_ptr<CDibPicture> CCreation::ReadClipFrame(const std::string& path, int frame) {
    if (m_clipReader->GetFileName() != path || !m_clipReader->IsOpen()) {
        if (!m_clipReader->Open(path, false)) return nullptr;
    }
    CAVIStream* s = m_clipReader->GetStream(m_clipReader->GetFirstVideoStreamIndex());
    if (!s) return nullptr;
    const BitmapInfoHeader* h = s->GetFrame(frame);
    if (!h) return nullptr;
    auto pic = std::make_unique<CDibPicture>();
    size_t len = 40 + static_cast<size_t>(CPicture::StrideFor(h->biWidth)) *
                          static_cast<size_t>(std::abs(h->biHeight));
    if (!pic->CreateFromPackedDib(h, len)) return nullptr;
    return pic;
}

std::unique_ptr<CDibPicture> CCreation::PreparePicture(int index, int width, int height, bool formatOnly) {
    CProjectObject* obj = Object(index);
    if (!obj || width < 1 || height < 1) return nullptr;
    const std::string& path = obj->GetFileName();
    if (obj->IsColorFade()) {
        Status("Creating picture: " + path + " ...");
        return m_tools.CreatePicture(width, height, obj->colorFadeColorRef, "Color Bitmap");
    }
    bool moving =
        m_creating.load() && !formatOnly &&
        (obj->pictureMove || (obj->panoramaScrolling && IsPanoramaDirection(obj->panoramaScrollingType)));
    int rotation = obj->IsAVI() ? 0 : obj->rotation;
    if (!moving) {
        if (auto cached = LookupPicture(obj->GetCacheName(), width, height, rotation)) return cached;
    }
    // Moving pictures are prepared once (by the consistency check, or here) and kept in the picture
    // cache at their prepared size.
    const MoveParameters move = GetMoveParameters();
    std::string movingName;
    if (moving && !obj->IsAVI()) {
        movingName = MovingSourceName(*obj, move);
        if (auto cached = LookupPicture(movingName, width, height, rotation, true)) return cached;
    }
    Status("Reading picture: " + path + " ...");
    // A still that is only fitted to the frame needs no more pixels than the frame; panorama and
    // picture-move entries keep the full picture (they show parts of it enlarged).
    const bool stillFit = !moving && !obj->pictureMove &&
                          !(obj->panoramaScrolling && IsPanoramaDirection(obj->panoramaScrollingType));
    std::unique_ptr<CPicture> raw =
        stillFit ? LoadObjectPicture(*obj, width, height) : LoadObjectPicture(*obj);
    if (!raw || raw->IsEmpty()) return nullptr;

    if (!moving) return FinishStill(*obj, *raw, width, height);
    auto prepared = PrepareMovingSource(*obj, *raw, width, height, move);
    if (prepared && !movingName.empty()) {
        Status("Caching picture ...");
        StorePicture(*prepared, movingName, width, height, rotation);
    }
    return prepared;
}

std::unique_ptr<CDibPicture> CCreation::FinishStill(const CProjectObject& obj, const CPicture& raw, int width,
                                                    int height) {
    return FinishStill(obj, raw, width, height, AppInt(kTrovSection, "Quality", 0));
}

std::unique_ptr<CDibPicture> CCreation::FinishStill(const CProjectObject& obj, const CPicture& raw, int width,
                                                    int height, int quality) {
    std::unique_ptr<CDibPicture> result;
    if (raw.GetWidth() != width || raw.GetHeight() != height) {
        Status("Resizing picture ...");
        result = m_tools.Resize(&raw, width, height, true);
        if (result) result->SetFileName(obj.GetFileName());
    }
    if (!result) result = raw.Clone();
    if (!result) return nullptr;
    Status("Caching picture ...");
    StorePicture(*result, obj.GetCacheName(), width, height, obj.IsAVI() ? 0 : obj.rotation, quality);
    return result;
}

// ---- consistency check ----

ConsistencyFindings CCreation::CheckConsistency() {
    ConsistencyFindings f;
    bool check = AppInt(kTrovSection, "ConsistencyCheck", 1) == 1;
    int count = ObjectCount();
    const int w = ProjectInt("Movie-Size-X", 640), h = ProjectInt("Movie-Size-Y", 480);
    const bool sizeOk = w >= 1 && h >= 1 && w <= CPicture::kMaxSide && h <= CPicture::kMaxSide;
    const int quality = AppInt(kTrovSection, "Quality", 0);
    const MoveParameters move = GetMoveParameters();
    // Pictures are decoded on every core at once (a photo's decoding runs on one); what they find
    // goes into `inconsistent` by entry index, so the lists keep the project's order.
    std::vector<int> pictures;
    std::vector<char> bad(static_cast<size_t>(std::max(count, 0)), 0);
    for (int i = 0; i < count; ++i) {
        const CProjectObject* obj = Object(i);
        if (!obj || obj->IsColorFade()) continue;
        const std::string& stored = obj->GetFileName();
        std::string path = ResolveProjectPath(NativePath(stored));
        std::string status = "Checking consistency of " + stored + "...";
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) {
            if (check) Status(status);
            f.unreadable.push_back(stored);
            continue;
        }
        if (!check) continue;
        if (!obj->IsAVI()) {
            pictures.push_back(i);
            continue;
        }
        Status(status);
        CAVIContainer clip;
        CAVIStream* s = clip.Open(path, false) ? clip.GetStream(clip.GetFirstVideoStreamIndex()) : nullptr;
        bool ok = s != nullptr;
        int length = ok ? s->GetLength() : 0;
        for (int k = 0; ok && k < length; ++k) {
            Status(status + Format(" Checking Frame %d of %d...", k, length - 1));
            ok = s->GetFrame(k) != nullptr;
        }
        if (!ok) bad[static_cast<size_t>(i)] = 1;
    }
    std::atomic<size_t> next{0};
    auto checkPictures = [&] {
        for (size_t k = next++; k < pictures.size(); k = next++) {
            const CProjectObject* obj = Object(pictures[k]);
            Status("Checking consistency of " + obj->GetFileName() + "...");
            // The picture is decoded now anyway: a still is prepared at movie size and goes into
            // the picture cache, so the creation takes it from there instead of decoding it again.
            const bool still = !obj->pictureMove &&
                               !(obj->panoramaScrolling && IsPanoramaDirection(obj->panoramaScrollingType));
            try {
                std::unique_ptr<CPicture> pic =
                    still && sizeOk ? LoadObjectPicture(*obj, w, h) : LoadObjectPicture(*obj);
                if (!pic || pic->IsEmpty() || pic->IsDamaged()) {
                    bad[static_cast<size_t>(pictures[k])] = 1;
                } else if (still && sizeOk) {
                    FinishStill(*obj, *pic, w, h, quality);
                } else if (sizeOk) {
                    // A moving picture is scaled for its motion now, on this core, not in the frame loop.
                    if (auto prepared = PrepareMovingSource(*obj, *pic, w, h, move)) {
                        Status("Caching picture ...");
                        StorePicture(*prepared, MovingSourceName(*obj, move), w, h, obj->rotation, quality);
                    }
                }
            } catch (const std::exception&) {
                bad[static_cast<size_t>(pictures[k])] = 1;  // out of memory: not usable either
            }
        }
    };
    // At most four at once: each may hold a photo at full size.
    const size_t workers =
        std::min<size_t>({pictures.size(), std::max(1u, std::thread::hardware_concurrency()), size_t(4)});
    std::vector<std::thread> threads;
    for (size_t t = 1; t < workers; ++t) {
        try {
            threads.emplace_back(checkPictures);
        } catch (const std::exception&) {
            break;  // no more threads to be had: the ones there are do the rest
        }
    }
    checkPictures();
    for (std::thread& t : threads) t.join();
    for (int i = 0; i < count; ++i)
        if (bad[static_cast<size_t>(i)]) f.inconsistent.push_back(Object(i)->GetFileName());
    for (int i = 0; i < count; ++i) {
        const CProjectObject* obj = Object(i);
        if (!obj || obj->audioFile.empty() || obj->audioFile == kAudioCoverageEndedMarker) continue;
        std::string path = ResolveProjectPath(NativePath(obj->audioFile));
        if (check) Status("Checking consistency of " + obj->audioFile + "...");
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) {
            f.unreadable.push_back(obj->audioFile);
            continue;
        }
        if (!check) continue;
        CWaveFile wave;
        const SWaveFormat* fmt = wave.Open(path) ? wave.GetFormat() : nullptr;
        if (!fmt || fmt->channels != 2 || fmt->bitsPerSample != 16 || fmt->samplesPerSec != 44100 ||
            !fmt->IsIntegerPcm())
            f.audio.push_back(obj->audioFile);
    }
    return f;
}

// ---- preparation and output ----

bool CCreation::PrepareCreation(const SettingsStep& settingsStep) {
    m_prepared = false;
    int count = ObjectCount();
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        const CProjectObject* obj = Object(i);
        const std::string name = obj ? obj->fading2NextPictureName : std::string();
        if (obj && m_env.effects && m_env.effects->Find(name)) continue;
        std::string msg = Format("Error at picture position %d:\r\n", i) +
                          Text("CanNotFindFadingEffect", "Can not find specified fading effect:") + " " +
                          name + "\r\n\r\n";
        if (!name.empty())
            msg += Text(
                "MaybeUpdateTROVOrUseDLL",
                "This error means, that you have selected one fading, that is not installed to TROV. Please "
                "update your project or update TROV or add the DLL with the plug-in for the fading you have "
                "selected!");
        else
            msg += Text(
                "AddAFadingEffect",
                "Please set a fading effect to this picture! If you don\xC2\xB4t want a fading effect to the "
                "next picture, please also add a fading effect to the picture; then set the frames fading to "
                "next picture to 0.");
        Prompt().Message(msg, "TROV");
        return false;
    }
    if (m_env.projectSettings) {
        double q = 0;
        if (!m_env.projectSettings->GetDouble(kProjectSection, "PictureMove_Quality", q) || q < 1) {
            m_env.projectSettings->SetString(kProjectSection, "PictureMove_Quality", "2");
            m_env.projectSettings->SetString(kProjectSection, "PictureMove_ScaleLimit", "2");
        }
    }
    m_preview = AppInt(kTrovSection, "ShowPreview", 0) == 1;
    std::string out = m_outputOverride;
    if (out.empty() && m_env.projectSettings)
        m_env.projectSettings->GetString(kProjectSection, "Output-AVI", out);
    m_outputPath = out.empty() ? std::string() : ResolveProjectPath(NativePath(out));
    if (m_outputPath.empty()) {
        Prompt().Message("Error: No output file is set (\"Output-AVI\").", "TROV");
        return false;
    }
    int first = 0, last = count - 1;
    m_cancel = false;
    if (!settingsStep || !settingsStep(*this, first, last)) return false;
    if (!m_output->IsWriting() || !m_outputStream) return false;
    SetRange(std::clamp(first, 0, count - 1), std::clamp(last, 0, count - 1));
    m_cancel = false;
    m_prepared = true;
    return true;
}

bool CCreation::CreateNewAVI(const std::string& fileName, const CompressionOptions* options,
                             bool isCachePart) {
    CAVIContainer& avi = isCachePart ? *m_part : *m_output;
    WriteLog("CTROVManager::CreateNewAVI: Trying to create AVI! FileName: " + fileName);
    if (!avi.CreateFile(fileName)) {
        Status("Error: Can not create AVI: " + fileName);
        WriteLog("CTROVManager::CreateNewAVI: Error: Can not create AVI: " + fileName);
        return false;
    }
    WriteLog("CTROVManager::CreateNewAVI: AVI created!");
    int w = ProjectInt("Movie-Size-X", 640), h = ProjectInt("Movie-Size-Y", 480);
    double fps = ProjectDouble("FramesPerSeconds", 25.0);
    auto fail = [&](const std::string& why) {
        WriteLog("CTROVManager::CreateNewAVI: Error! Can not create Compressed Stream From Existing Stream!");
        if (!why.empty()) Status(why);
        avi.Close();
        std::error_code ec;
        fs::remove(fileName, ec);
        return false;
    };
    if (w < 1 || h < 1 || w > CPicture::kMaxSide || h > CPicture::kMaxSide || !(fps > 0) || fps > 1000)
        return fail(Format("Error: Unusable movie size %d x %d or frame rate.", w, h));
    BitmapInfoHeader header{};
    header.biSize = 40;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<uint32_t>(CPicture::StrideFor(w)) * static_cast<uint32_t>(h);
    WriteLog("CTROVManager::CreateNewAVI: Create New Video Stream...");
    auto stream = avi.CreateVideoStream(header, 1.0, fps);
    if (!stream || !stream->CreateCompressedStream(header, options)) return fail("");
    CAVIStream* raw = stream.get();
    if (avi.AddStream(std::move(stream)) < 0) return fail("");
    if (isCachePart) {
        m_partStream = raw;
        m_partPath = fileName;
    } else {
        m_outputStream = raw;
        m_options = raw->GetOptions();
    }
    WriteLog("CTROVManager::CreateNewAVI: AVI ready for creation!");
    return true;
}

void CCreation::CloseOutput() {
    if (m_queue) m_queue->Flush();
    m_outputStream = nullptr;
}

// ---- stream cache protocol ----

bool CCreation::CheckStreamPart(const std::string& key, bool reserve, std::string& path) {
    if (auto found = m_stream->Lookup(key)) {
        std::error_code ec;
        if (fs::is_regular_file(*found, ec) && fs::file_size(*found, ec) > 0) {
            path = *found;
            return true;
        }
    }
    // Numbered from the file count, skipping names still on disk: after a restart the count
    // begins at 0 again while parts of earlier runs may still be in the index.
    int n = m_stream->GetFileCount();
    std::error_code ec;
    do {
        path = m_stream->MakePath(Format("VC_File_###+++$$%d.avi", n++));
    } while (fs::exists(path, ec) || fs::exists(path + "pic", ec));
    if (!reserve) return false;
    m_stream->RegisterFile(path);
    bool ok = false;
    const std::string partPath = path;
    m_queue->RunAndWait([&] { ok = CreateNewAVI(partPath, &m_options, true); });
    if (!ok) {
        m_partStream = nullptr;
        m_writeFailed = true;
        m_writeError = "Error: Can not create AVI: " + partPath;
    }
    m_createdParts.push_back(path);
    return false;
}

void CCreation::StoreStreamPart(const std::string& key, const std::string& path) {
    if (IsCreationCanceled() || m_writeFailed) return;
    m_stream->Add(key, path);
    if (m_lastFrameBuffer && m_lastFrameBuffer->SaveFile(path + "pic")) m_stream->RegisterFile(path + "pic");
}

void CCreation::FinishStreamPart(const std::string& path) {
    m_queue->RunAndWait([&] {
        if (m_part->IsOpen() && m_part->GetFileName() == path) {
            if (!m_part->Close()) {
                m_writeFailed = true;
                m_writeError = m_part->GetLastError();
            }
            m_partStream = nullptr;
        }
    });
    m_partReader->Open(path, false);
}

void CCreation::PasteStreamPart(const std::string& path, bool wantLastFrame, bool countFrames) {
    FinishStreamPart(path);
    CAVIStream* s =
        m_partReader->IsOpen() ? m_partReader->GetStream(m_partReader->GetFirstVideoStreamIndex()) : nullptr;
    int length = s ? s->GetLength() : 0;
    if (s && length > 0 && m_outputStream) {
        bool ok = false;
        m_queue->RunAndWait([&] { ok = m_output->PasteStreams(*s, m_outputStream->GetIndex(), 0, length); });
        if (!ok) {
            m_writeFailed = true;
            m_writeError = "Error: Can not paste cached part " + path + ": " + m_output->GetLastError();
        }
    }
    m_partReader->Close();
    if (wantLastFrame && m_lastFrameBuffer) {
        CDibPicture last;
        if (last.LoadFile(path + "pic", true) && last.GetWidth() == m_lastFrameBuffer->GetWidth() &&
            last.GetHeight() == m_lastFrameBuffer->GetHeight())
            m_lastFrameBuffer->CopyFrom(&last);
    }
    int written = m_framesWritten.load();
    if (countFrames) {
        Status(Format("Writing frame (%d - %d) of %d ...", written, written + length, m_totalFrames));
        m_framesWritten += length;
        m_pastedFrames += length;
        Value(pipeline::kCurrentProgressComplete, m_framesWritten.load());
        m_timer.SetCounts(m_framesWritten.load(), m_totalFrames);
    }
}

// ---- part keys ----

namespace {
std::string PictureSignature(const CProjectObject& o) {
    std::string s = o.GetCacheName();
    s += Format("#rot%d#cf%d#", o.IsAVI() ? 0 : o.rotation, o.IsColorFade() ? 1 : 0);
    s += Format("%d#pan%d#%d#", static_cast<int>(o.colorFadeColorRef), o.panoramaScrolling ? 1 : 0,
                o.panoramaScrollingType);
    s += Format("mv%d#", o.pictureMove ? 1 : 0) + o.pictureMoveSettings + "#" + o.flightPoints;
    s += Format("#%d#%d#", static_cast<int>(o.flightPointsColor), o.flightPointsRadius);
    // The show length decides the last frame of clips, flights and scrolls.
    s += Format("show%d#", o.showPicture);
    return s;
}

std::string CaptionSignature(const CProjectObject& o) {
    std::string s = Format("tc%d#%d#", static_cast<int>(o.textColor), static_cast<int>(o.textBackColor));
    s += Format("%d#%d#", o.textBackWidth, o.textPosition);
    return s + o.GetFontKey() + "#text:" + o.pictureText + "#";
}
}  // namespace

std::string CCreation::StreamPartKey(int kind, int index) const {
    const CProjectObject* o = Object(index);
    if (!o) return {};
    std::string key = Format("kind%d#", kind);
    key += Format("crop%d#%d#%d", ProjectInt("CropTop", 0), ProjectInt("CropLeft", 0),
                  ProjectInt("CropRight", 0));
    key += Format("#%d#size%d#%d#", ProjectInt("CropBottom", 0), ProjectInt("Movie-Size-X", 640),
                  ProjectInt("Movie-Size-Y", 480));
    char fps[64];
    std::snprintf(fps, sizeof fps, "fps%.6f#", ProjectDouble("FramesPerSeconds", 25.0));
    key += fps;
    key += "codec" + FourCCToString(m_options.fccHandler) +
           Format("#%d#%d#", static_cast<int>(m_options.dwQuality),
                  static_cast<int>(m_options.dwBytesPerSecond)) +
           Format("%d#", static_cast<int>(m_options.dwKeyFrameEvery)) + m_options.GetStateText() + "#";
    key += "bg" + BackgroundKey() + Format("#q%d#", AppInt(kTrovSection, "Quality", 0));
    std::string moveParams;
    if (m_env.projectSettings) {
        std::string q, l;
        m_env.projectSettings->GetString(kProjectSection, "PictureMove_Quality", q);
        m_env.projectSettings->GetString(kProjectSection, "PictureMove_ScaleLimit", l);
        moveParams = "mq" + q + "#" + l + "#";
    }
    key += moveParams;
    key += PictureSignature(*o);
    switch (kind) {
        case kPartFadeIn:
            key += CaptionSignature(*o) + Format("in%d#", o->textFadeIn) + o->textFadeInEffectName;
            break;
        case kPartShow:
            key += CaptionSignature(*o);
            break;
        case kPartFadeOut:
            key += CaptionSignature(*o) + Format("out%d#", o->textFadeOut) + o->textFadeOutEffectName;
            break;
        default: {
            const CProjectObject* prev = Object(index - 1);
            if (prev)
                key += "#from#" + PictureSignature(*prev) + Format("#%d#", prev->fade2NextPicture) +
                       prev->fading2NextPictureName;
            break;
        }
    }
    return key;
}

// ---- the write step ----

bool CCreation::WriteFrame(const std::shared_ptr<const CDibPicture>& frame) {
    if (!frame || frame->IsEmpty()) return false;
    if (m_worker.IsWorkerThread()) m_worker.CheckPause();
    std::shared_ptr<const CDibPicture> out = frame;
    CropMargins margins{ProjectInt("CropTop", 0), ProjectInt("CropLeft", 0), ProjectInt("CropRight", 0),
                        ProjectInt("CropBottom", 0)};
    int written = m_framesWritten.load();
    if (!margins.IsZero()) {
        if (m_cropSource && (m_cropSource == frame || SamePixels(*m_cropSource, *frame))) {
            out = m_cropResult;
        } else {
            m_cropSource = frame;
            Status(Format("Cropping picture %d of %d ...", written + 1, m_totalFrames));
            auto cropped = CropFrame(*frame, margins, m_tools);
            m_cropResult = cropped ? std::shared_ptr<const CDibPicture>(std::move(cropped)) : frame;
            out = m_cropResult;
        }
    }
    Status(Format("Writing frame %d of %d ...", written + 1, m_totalFrames));
    ++m_framesWritten;
    Value(pipeline::kCurrentProgressComplete, m_framesWritten.load());
    m_timer.SetCounts(m_framesWritten.load(), m_totalFrames);
    if (m_preview && m_env.preview) m_env.preview->ShowFrame(*out);
    CAVIStream* target = (m_streamCacheOn && m_partStream) ? m_partStream : m_outputStream;
    if (!target) return false;
    m_queue->Post([this, target, out] { EncodeFrame(target, out); });
    return true;
}

// Runs on the encoder thread. A frame object written again right after itself is, with an
// intra-only codec, not encoded again: the stream repeats its packet.
void CCreation::EncodeFrame(CAVIStream* target, const std::shared_ptr<const CDibPicture>& frame) {
    if (m_writeFailed) return;
    if (frame == m_encodedLast && target == m_encodedTarget && target->CanRepeatFrames() &&
        target->RepeatLastFrame()) {
        ++m_reusedPackets;
        return;
    }
    if (!target->WriteFrame(*frame)) {
        m_writeError = "Error: Can not write frame: " + target->GetLastError();
        m_writeFailed = true;
        return;
    }
    m_encodedLast = frame;
    m_encodedTarget = target;
}

bool CCreation::Stopped() const {
    return m_cancel.load() || m_writeFailed.load();
}

// Frames in flight are copies of effect outputs; recycling their buffers spares an allocation,
// the kernel's zeroing of fresh pages and a fill for every frame.
struct CCreation::FramePool {
    std::mutex mutex;
    std::vector<std::unique_ptr<CDibPicture>> free;
};

std::shared_ptr<const CDibPicture> CCreation::PooledCopy(const CPicture& frame) {
    if (!m_framePool) m_framePool = std::make_shared<FramePool>();
    std::unique_ptr<CDibPicture> buffer;
    {
        std::lock_guard<std::mutex> lock(m_framePool->mutex);
        while (!m_framePool->free.empty() && !buffer) {
            buffer = std::move(m_framePool->free.back());
            m_framePool->free.pop_back();
            if (buffer->GetWidth() != frame.GetWidth() || buffer->GetHeight() != frame.GetHeight())
                buffer.reset();
        }
    }
    if (!buffer) {
        buffer = std::make_unique<CDibPicture>();
        if (!buffer->Create(frame.GetWidth(), frame.GetHeight())) return nullptr;
    }
    std::memcpy(buffer->GetBits(), frame.GetBits(), static_cast<size_t>(frame.GetImageSize()));
    buffer->BitsChanged();
    std::weak_ptr<FramePool> pool = m_framePool;
    return std::shared_ptr<const CDibPicture>(buffer.release(), [pool](const CDibPicture* p) {
        std::unique_ptr<CDibPicture> owned(const_cast<CDibPicture*>(p));
        if (auto alive = pool.lock()) {
            std::lock_guard<std::mutex> lock(alive->mutex);
            // A few spare buffers cover the frames in the encode queue; more would only hold memory.
            if (alive->free.size() < 8) alive->free.push_back(std::move(owned));
        }
    });
}

bool CCreation::WriteCopy(const CPicture& frame) {
    if (frame.IsEmpty()) return false;
    auto copy = PooledCopy(frame);
    if (!copy) return false;
    WriteFrame(copy);
    return !Stopped();
}

bool CCreation::WriteRepeated(const std::shared_ptr<const CDibPicture>& frame, int count) {
    for (int k = 0; k < count; ++k) {
        WriteFrame(frame);
        if (Stopped()) return false;
    }
    return true;
}

CaptionDrawing CCreation::CaptionOf(const CProjectObject& obj) const {
    CaptionDrawing c;
    c.settings.text = obj.pictureText;
    c.settings.textColour = obj.textColor;
    c.settings.backColour = obj.textBackColor;
    c.settings.backWidth = obj.textBackWidth;
    c.font = obj.font;
    c.position = obj.textPosition;
    return c;
}

std::shared_ptr<CDibPicture> CCreation::Captioned(const CProjectObject& obj, const CPicture& bare) {
    auto copy = bare.Clone();
    if (!copy) return nullptr;
    if (!obj.pictureText.empty()) {
        CaptionDrawing c = CaptionOf(obj);
        m_tools.DrawCaption(copy.get(), &c.settings, &c.font, c.position);
    }
    return Share(std::move(copy));
}

CFadingEffect* CCreation::FindEffect(const std::string& name) const {
    return m_env.effects ? m_env.effects->Find(name) : nullptr;
}

bool CCreation::RunTransition(const CProjectObject& prev, const CPicture& from,
                              const std::shared_ptr<const CDibPicture>& to) {
    int n = prev.fade2NextPicture;
    CFadingEffect* fx = FindEffect(prev.fading2NextPictureName);
    if (n <= 0) return true;
    int done = 0;
    if (fx) {
        fx->Init(&from, to.get(), n);
        for (; done < n; ++done) {
            CDibPicture* f = fx->NextFrame();
            if (!f || !WriteCopy(*f)) break;
        }
        fx->End();
        if (Stopped()) return false;
        if (done < n) ++done;  // the frame that came back null
    }
    // An effect that ends early (or vanished) still fills its frames, so the timeline and any
    // audio stay in step: the rest shows the end picture.
    return WriteRepeated(to, n - done);
}

bool CCreation::RunCaptionPhase(const CProjectObject& obj, bool fadeIn, const CPicture& bare,
                                const std::shared_ptr<const CDibPicture>& captioned) {
    int n = fadeIn ? obj.textFadeIn : obj.textFadeOut;
    if (n <= 0) return true;
    if (obj.pictureText.empty()) return WriteRepeated(captioned, n);
    CFadingEffect* fx = FindEffect(fadeIn ? obj.textFadeInEffectName : obj.textFadeOutEffectName);
    // A caption effect that is not installed fades with Cross Dissolve instead of dropping frames.
    if (!fx) fx = FindEffect(kCrossDissolve);
    if (!fx) return WriteRepeated(captioned, n);
    int written = 0;
    bool ok =
        RunCaptionFade(*fx, n, fadeIn, bare, *captioned, CaptionOf(obj), m_tools, [&](const CPicture& f) {
            ++written;
            return WriteCopy(f);
        });
    if (!ok || Stopped()) return false;
    return WriteRepeated(fadeIn ? captioned : Share(bare.Clone()), n - written);
}

// ---- the frame loop ----

bool CCreation::CreateMovie() {
    if (!m_prepared || !m_outputStream) return false;
    m_prepared = false;
    m_movieWritten = false;
    m_writeFailed = false;
    m_writeError.clear();
    m_createdParts.clear();
    m_pastedFrames = 0;
    m_codecDescription = GetVideoCodecName(&m_options);
    m_creating = true;
    m_timer.Start();
    m_queue = std::make_unique<CEncodeQueue>(3);
    m_reusedPackets = 0;
    m_encodedLast.reset();
    m_encodedTarget = nullptr;

    // Audio stream, made before any frame so the file header can hold it.
    int audioIndex = -1;
    std::vector<uint8_t> audioFormat = OutputAudioFormat();
    if (!audioFormat.empty()) {
        auto s = m_output->CreateAudioStream(audioFormat);
        if (s) audioIndex = m_output->AddStream(std::move(s));
        if (audioIndex < 0) Status("Error: Can not create the audio stream: " + m_output->GetLastError());
    }

    const int w = ProjectInt("Movie-Size-X", 640), h = ProjectInt("Movie-Size-Y", 480);
    m_totalFrames = ComputeTotalFrames(m_first, m_last);
    m_framesWritten = 0;
    Value(pipeline::kCurrentProgressComplete, 0);
    Value(pipeline::kMaxProgressComplete, m_totalFrames);
    m_timer.SetCounts(0, m_totalFrames);

    m_lastFrameBuffer = m_tools.CreatePicture(w, h);
    CPanoramaScrollingEffect panorama;
    panorama.SetPipelines(m_env.pipelines);
    panorama.SetOutputSize(w, h);
    m_moveStore.RemoveSection(kPictureMoveSection);
    bool ensureVisible = AppInt(kTrovSection, "CreationEnsureItemIsVisible", 1) == 1;

    std::shared_ptr<const CDibPicture> prevLast;
    const CProjectObject* prev = nullptr;
    for (int i = m_first; i <= m_last; ++i) {
        if (Stopped()) break;
        CProjectObject* obj = Object(i);
        if (!obj) break;
        if (ensureVisible && m_env.ensureVisible) CallOnGui([&] { m_env.ensureVisible(i); });
        const bool hasTransition = prev && prevLast && prev->fade2NextPicture > 0;
        // Phases without frames are neither recorded nor looked up.
        const int phaseFrames[5] = {0, obj->textFadeIn, obj->showPicture, obj->textFadeOut,
                                    hasTransition ? prev->fade2NextPicture : 0};
        std::string keys[5];
        bool cached[5] = {true, true, true, true, true};
        if (m_streamCacheOn) {
            for (int kind = 1; kind <= 4; ++kind) {
                if (phaseFrames[kind] <= 0) continue;
                keys[kind] = StreamPartKey(kind, i);
                std::string unused;
                cached[kind] = CheckStreamPart(keys[kind], false, unused);
            }
        }
        const bool allCached = m_streamCacheOn && cached[1] && cached[2] && cached[3] && cached[4];

        // The object's first picture (bare) and, for moving pictures, their prepared source.
        std::shared_ptr<const CDibPicture> picture;
        std::unique_ptr<CDibPicture> prepared;
        CFlightPath flight;
        const bool isPanorama = IsPanorama(*obj);
        if (allCached) {
            picture = Share(m_tools.CreatePicture(w, h));
        } else {
            if (obj->pictureMove) ParsePictureMoveSettings(obj->pictureMoveSettings, m_moveStore);
            prepared = PreparePicture(i, w, h);
            if (!prepared) {
                // Unreadable picture: the timeline keeps its length with a blank frame.
                Status("Error: Can not read picture: " + obj->GetFileName());
                picture = Share(m_tools.CreatePicture(w, h));
            } else if (isPanorama && !obj->IsAVI()) {
                picture = Share(GetPanoramaStartFrame(*prepared, obj->panoramaScrollingType, w, h));
            } else if (obj->pictureMove && !obj->IsAVI()) {
                flight.Setup(obj->flightPoints, obj->flightPointsColor, obj->flightPointsRadius);
                picture =
                    Share(RenderPictureMoveFrame(m_moveStore, 0, obj->showPicture, *prepared, w, h, m_tools));
            } else {
                picture = Share(std::move(prepared));
            }
            if (!picture) picture = Share(m_tools.CreatePicture(w, h));
        }
        if (!picture) break;
        std::shared_ptr<const CDibPicture> objLast = picture;

        // Runs one phase: rendered straight into the output, or recorded as a part and pasted.
        auto phase = [&](int kind, const std::function<void()>& render) {
            if (phaseFrames[kind] <= 0) return;
            if (!m_streamCacheOn) {
                render();
                return;
            }
            std::string path;
            if (CheckStreamPart(keys[kind], true, path)) {
                PasteStreamPart(path, true, true);
                objLast = Share(m_lastFrameBuffer->Clone());
                return;
            }
            render();
            if (m_lastFrameBuffer && objLast) m_lastFrameBuffer->CopyFrom(objLast.get());
            StoreStreamPart(keys[kind], path);
            PasteStreamPart(path, false, false);
        };

        // Transition from the previous object into this one.
        if (hasTransition) phase(kPartTransition, [&] { RunTransition(*prev, *prevLast, picture); });
        if (Stopped()) break;

        Status("Adding text ...");
        std::shared_ptr<const CDibPicture> captioned =
            obj->pictureText.empty() ? picture : Captioned(*obj, *picture);
        if (!captioned) captioned = picture;

        phase(kPartFadeIn, [&] { RunCaptionPhase(*obj, true, *picture, captioned); });
        if (Stopped()) break;

        std::shared_ptr<const CDibPicture> captionedLast = captioned;
        phase(kPartShow, [&] {
            const int n = obj->showPicture;
            if (obj->IsAVI()) {
                std::string path = ResolveProjectPath(NativePath(obj->GetFileName()));
                std::shared_ptr<const CDibPicture> lastBare = picture, lastOut = captioned;
                for (int f = 1; f <= n && !Stopped(); ++f) {
                    auto frame = ReadClipFrame(path, f);
                    if (frame && (frame->GetWidth() != w || frame->GetHeight() != h)) {
                        Status(Format("Resizing picture %d of %d (", f + 1, n + 1) + path + ") ...");
                        frame = m_tools.Resize(frame.get(), w, h, true);
                    }
                    if (frame) {
                        lastBare = Share(std::move(frame));
                        Status("Adding text ...");
                        lastOut = obj->pictureText.empty() ? lastBare : Captioned(*obj, *lastBare);
                    }
                    // A frame that cannot be read repeats the one before, keeping the length.
                    WriteFrame(lastOut);
                }
                objLast = lastBare;
                captionedLast = lastOut;
            } else if (obj->pictureMove && prepared) {
                std::shared_ptr<const CDibPicture> bare;
                for (int j = 0; j < n && !Stopped(); ++j) {
                    flight.DrawFrame(*prepared, j, n);
                    auto frame = RenderPictureMoveFrame(m_moveStore, j, n, *prepared, w, h, m_tools);
                    if (!frame) frame = picture->Clone();
                    bare = Share(std::move(frame));
                    auto out = obj->pictureText.empty() ? bare : Captioned(*obj, *bare);
                    WriteFrame(out);
                    captionedLast = out;
                }
                if (bare) objLast = bare;
            } else if (isPanorama && prepared) {
                CaptionDrawing cap = CaptionOf(*obj);
                panorama.SetDirection(obj->panoramaScrollingType);
                panorama.SetCaption(obj->pictureText.empty() ? nullptr : &cap.settings, &cap.font,
                                    cap.position, &m_tools);
                panorama.SetKeepLastFrame(true);
                panorama.Init(prepared.get(), nullptr, n);
                for (int k = 0; k < n; ++k) {
                    CDibPicture* f = panorama.NextFrame();
                    if (!f || !WriteCopy(*f)) break;
                }
                if (panorama.GetLastFrame()) {
                    objLast = Share(panorama.GetLastFrame()->Clone());
                    captionedLast = obj->pictureText.empty() ? objLast : Captioned(*obj, *objLast);
                }
                panorama.End();
            } else {
                WriteRepeated(captioned, n);
            }
        });
        if (Stopped()) break;
        if (m_streamCacheOn && (isPanorama || obj->pictureMove || obj->IsAVI()) &&
            captionedLast == captioned && objLast != picture) {
            // The show part came from the cache: its stored last frame is the object's last frame.
            captionedLast = obj->pictureText.empty() ? objLast : Captioned(*obj, *objLast);
        }

        phase(kPartFadeOut, [&] { RunCaptionPhase(*obj, false, *objLast, captionedLast); });
        if (Stopped()) break;

        prevLast = objLast;
        prev = obj;
        if ((i + 1) % 20 == 0) SaveCaches();
    }

    // After the loop: everything queued reaches the file before the audio and the close.
    if (m_queue) m_queue->Flush();
    if (m_env.preview) m_env.preview->ClearPreview();
    Value(pipeline::kCurrentProgressComplete, m_totalFrames);
    m_partReader->Close();
    if (m_part->IsOpen()) m_part->Close();
    m_partStream = nullptr;

    bool cancelled = IsCreationCanceled();
    bool ok = !cancelled && !m_writeFailed;
    if (ok && audioIndex >= 0 && !WriteAudioTrack(audioIndex))
        Status("Error: Can not write the audio track!");
    CloseOutput();
    bool closed = m_output->Close();
    m_queue.reset();
    m_encodedLast.reset();
    m_encodedTarget = nullptr;
    if (m_writeFailed) {
        Status(m_writeError.empty() ? std::string("Error: Can not write the movie!") : m_writeError);
    } else if (!closed) {
        Status("Error: Can not complete " + m_outputPath + ": " + m_output->GetLastError());
    } else if (ok) {
        Status("Output-AVI sucessfully written: " + m_outputPath);
        m_movieWritten = true;
    }
    if (cancelled) Status("Creation canceled!");
    m_cropSource.reset();
    m_cropResult.reset();
    m_lastFrameBuffer.reset();
    if (m_env.effects) m_env.effects->EndAll();
    SaveCaches();
    m_timer.Stop();
    m_creating = false;
    return true;
}

std::vector<uint8_t> CCreation::OutputAudioFormat() const {
    std::lock_guard<std::recursive_mutex> lock(GetAudioSlotMutex());
    const SWaveFormat& f = GetAudioFormatSlot(kOutputAudioSlot).format;
    if (f.formatTag == 0) return {};
    return f.ToBytes();
}

bool CCreation::WriteAudioTrack(int audioIndex) {
    std::vector<SAudioEntry> entries;
    for (int i = 0; i < ObjectCount(); ++i) {
        const CProjectObject* o = Object(i);
        SAudioEntry e;
        e.audioFile = o->audioFile.empty()
                          ? std::string()
                          : ResolveProjectPath(NativePath(StripCoverageMarker(o->audioFile)));
        if (o->audioFile == kAudioCoverageEndedMarker) e.audioFile = o->audioFile;
        e.audioStartTime = o->audioStartTime;
        e.normalize = o->normalizeAudio == 1;
        e.fadingTime = o->audioFadingTime;
        e.synchronize = o->synchronizeFF2NP;
        e.fadeOption = o->fadeOption;
        e.loop = o->loopAudio;
        e.textFadeIn = o->textFadeIn;
        e.showPicture = o->showPicture;
        e.textFadeOut = o->textFadeOut;
        e.fade2Next = o->fade2NextPicture;
        entries.push_back(std::move(e));
    }
    SAudioTrackSettings settings;
    settings.framesPerSecond =
        m_outputStream ? m_outputStream->GetFrameRate() : ProjectDouble("FramesPerSeconds", 25.0);
    settings.framesPerSecondsSetting = ProjectInt("FramesPerSeconds", 1);
    settings.firstEntry = m_first;
    settings.lastEntry = m_last;
    settings.tempDir = GetTempDirectory();
    CAVIAudioSink sink(*m_output, audioIndex);
    CWaveCache waveCache(*m_wave, m_env.pipelines);
    SAudioTrackContext context;
    context.pipelines = m_env.pipelines;
    context.waveCache = &waveCache;
    context.isCancelled = [this] { return IsCreationCanceled(); };
    context.prompt = m_env.prompt;
    return CreateAudioTrack(entries, settings, sink, context);
}

bool CCreation::StartCreation(const SettingsStep& settingsStep) {
    if (ObjectCount() == 0) return false;
    if (m_creating.load()) {
        AskCancel();
        return false;
    }
    ConsistencyFindings findings = CheckConsistency();
    if (!findings.Empty()) {
        Prompt().Message(findings.Message(), "TROV");
        return false;
    }
    // The project as this run sees it, for as long as it runs.
    std::string copyPath;
    if (m_env.saveProjectCopy) {
        copyPath = (fs::path(GetTempDirectory()) / kCurrentProjectFile).string();
        std::error_code ec;
        fs::create_directories(GetTempDirectory(), ec);
        if (!m_env.saveProjectCopy(copyPath)) {
            WriteLog("CCreation::StartCreation: Can not write " + copyPath);
            copyPath.clear();
        }
    }
    bool prepared = false;
    CallOnGui([&] { prepared = PrepareCreation(settingsStep); });
    if (prepared && m_worker.Submit([this] { CreateMovie(); }))
        m_worker.WaitIdle();
    else
        prepared = false;
    if (!copyPath.empty()) {
        std::error_code ec;
        fs::remove(copyPath, ec);
    }
    return prepared && m_movieWritten;
}

void CCreation::AskCancel() {
    if (!m_creating.load()) return;
    if (Prompt().Ask("Do you want to cancel the creation?", "Warning!", PromptButtons::YesNoCancel,
                     PromptAnswer::No) == PromptAnswer::Yes)
        CancelCreation();
}

}  // namespace trov
