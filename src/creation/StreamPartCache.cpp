// The video stream cache's part protocol and part keys.
#include "creation/StreamPartCache.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "creation/CreationFormat.h"
#include "creation/EncodeQueue.h"
#include "creation/PicturePreparation.h"
#include "infra/Log.h"
#include "project/FileCache.h"
#include "project/ProjectObject.h"
#include "settings/SettingsStore.h"
#include "video/AVIContainer.h"
#include "video/AVIStream.h"
#include "video/StreamCheck.h"
#include "video/VideoCodecs.h"

namespace fs = std::filesystem;

namespace trov {

namespace {

constexpr const char* kProjectSection = "PROJECT_SETTINGS";

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

std::string StreamPartSettingsKey(const CSettingsStore* project, const CompressionOptions& options,
                                  int quality) {
    auto projectInt = [&](const char* key, int fallback) {
        int v = fallback;
        if (project) project->GetInt(kProjectSection, key, v);
        return v;
    };
    std::string key = Format("crop%d#%d#%d", projectInt("CropTop", 0), projectInt("CropLeft", 0),
                             projectInt("CropRight", 0));
    key += Format("#%d#size%d#%d#", projectInt("CropBottom", 0), projectInt("Movie-Size-X", 640),
                  projectInt("Movie-Size-Y", 480));
    double rate = 25.0;
    if (project) project->GetDouble(kProjectSection, "FramesPerSeconds", rate);
    char fps[64];
    std::snprintf(fps, sizeof fps, "fps%.6f#", rate);
    key += fps;
    key +=
        "codec" + FourCCToString(options.fccHandler) +
        Format("#%d#%d#", static_cast<int>(options.dwQuality), static_cast<int>(options.dwBytesPerSecond)) +
        Format("%d#", static_cast<int>(options.dwKeyFrameEvery)) + options.GetStateText() + "#";
    key += "bg" + BackgroundKey() + Format("#q%d#", quality);
    if (project) {
        std::string q, l;
        project->GetString(kProjectSection, "PictureMove_Quality", q);
        project->GetString(kProjectSection, "PictureMove_ScaleLimit", l);
        key += "mq" + q + "#" + l + "#";
        // Parts rendered with the EXIF orientation applied show other pictures (the content keys
        // of the pictures fix what each orientation is).
        if (projectInt("ApplyExifOrientation", 0) == 1) key += "exif#";
    }
    return key;
}

std::string BuildStreamPartKey(int kind, const CProjectObject& o, const CProjectObject* prev,
                               const std::string& settingsKey) {
    std::string key = Format("kind%d#", kind) + settingsKey + PictureSignature(o);
    switch (kind) {
        case kPartFadeIn:
            key += CaptionSignature(o) + Format("in%d#", o.textFadeIn) + o.textFadeInEffectName;
            break;
        case kPartShow:
            key += CaptionSignature(o);
            break;
        case kPartFadeOut:
            key += CaptionSignature(o) + Format("out%d#", o.textFadeOut) + o.textFadeOutEffectName;
            break;
        default:
            if (prev)
                key += "#from#" + PictureSignature(*prev) + Format("#%d#", prev->fade2NextPicture) +
                       prev->fading2NextPictureName;
            break;
    }
    return key;
}

CStreamPartCache::CStreamPartCache(CFileCache& cache)
    : m_cache(cache),
      m_part(std::make_unique<CAVIContainer>()),
      m_partReader(std::make_unique<CAVIContainer>()) {}

CStreamPartCache::~CStreamPartCache() = default;

void CStreamPartCache::Begin(StreamPartRun run, std::unique_ptr<CDibPicture> lastFrame) {
    m_run = std::move(run);
    m_lastFrame = std::move(lastFrame);
    m_createdParts.clear();
    m_complete.clear();
}

void CStreamPartCache::End() {
    m_partReader->Close();
    if (m_part->IsOpen()) m_part->Close();
    m_partStream = nullptr;
    m_lastFrame.reset();
}

bool CStreamPartCache::Complete(const std::string& path, int frames, std::string* why) {
    if (auto it = m_complete.find(path); it != m_complete.end()) return it->second;
    std::error_code ec;
    bool ok = false;
    if (!fs::is_regular_file(path + "pic", ec) || fs::file_size(path + "pic", ec) == 0) {
        if (why) *why = "its last frame " + path + "pic is missing";
    } else {
        const int packets = CountVideoPackets(path, why);
        ok = packets == frames;
        if (!ok && packets >= 0 && why) *why = Format("it holds %d of %d frames", packets, frames);
    }
    m_complete[path] = ok;
    return ok;
}

bool CStreamPartCache::Check(const std::string& key, int frames, bool reserve, std::string& path) {
    if (auto found = m_cache.Lookup(key)) {
        std::string why;
        if (Complete(*found, frames, &why)) {
            path = *found;
            return true;
        }
        // A part cut short (a full disk, a killed run, a damaged file) is never pasted: it goes,
        // and the phase is rendered again.
        WriteLog("CStreamPartCache::Check: dropping the damaged part " + *found + ": " + why);
        m_cache.Remove(key);
        std::error_code ec;
        fs::remove(*found, ec);
        fs::remove(*found + "pic", ec);
    }
    // Numbered from the file count, skipping names still on disk: after a restart the count
    // begins at 0 again while parts of earlier runs may still be in the index.
    int n = m_cache.GetFileCount();
    std::error_code ec;
    do {
        path = m_cache.MakePath(Format("VC_File_###+++$$%d.avi", n++));
    } while (fs::exists(path, ec) || fs::exists(path + "pic", ec));
    if (!reserve) return false;
    m_cache.RegisterFile(path);
    bool ok = false;
    const std::string partPath = path;
    m_run.queue->RunAndWait([&] { ok = m_run.openPart(partPath); });
    if (!ok) {
        m_partStream = nullptr;
        m_run.fail("Error: Can not create AVI: " + partPath);
    }
    m_createdParts.push_back(path);
    return false;
}

void CStreamPartCache::Store(const std::string& key, const std::string& path) {
    if (!m_lastFrame || !m_lastFrame->SaveFile(path + "pic")) return;  // without it the part is no use
    m_cache.RegisterFile(path + "pic");
    m_cache.Add(key, path);
}

bool CStreamPartCache::Seal(const std::string& key, const std::string& path, int frames) {
    Finish(path);
    std::string why;
    const int packets = CountVideoPackets(path, &why);
    if (packets != frames) {
        m_run.fail("Error: The stream part " + path + " holds " +
                   (packets < 0 ? "no readable frames (" + why + ")"
                                : Format("%d of its %d frames", packets, frames)));
        return false;
    }
    Store(key, path);
    m_complete[path] = true;
    return true;
}

void CStreamPartCache::Finish(const std::string& path) {
    m_run.queue->RunAndWait([&] {
        if (m_part->IsOpen() && m_part->GetFileName() == path) {
            if (!m_part->Close()) m_run.fail(m_part->GetLastError());
            m_partStream = nullptr;
        }
    });
}

int CStreamPartCache::Paste(const std::string& path, bool wantLastFrame) {
    Finish(path);
    m_partReader->Open(path, false);
    CAVIStream* s =
        m_partReader->IsOpen() ? m_partReader->GetStream(m_partReader->GetFirstVideoStreamIndex()) : nullptr;
    int length = s ? s->GetLength() : 0;
    if (!s) m_run.fail("Error: Can not read the stream part " + path);
    if (s && length > 0 && m_run.movieStream) {
        bool ok = false;
        const int target = m_run.movieStream->GetIndex();
        m_run.queue->RunAndWait([&] { ok = m_run.movie->PasteStreams(*s, target, 0, length); });
        if (!ok) m_run.fail("Error: Can not paste cached part " + path + ": " + m_run.movie->GetLastError());
    }
    m_partReader->Close();
    if (wantLastFrame && m_lastFrame) {
        CDibPicture last;
        if (last.LoadFile(path + "pic", true) && last.GetWidth() == m_lastFrame->GetWidth() &&
            last.GetHeight() == m_lastFrame->GetHeight())
            m_lastFrame->CopyFrom(&last);
    }
    return length;
}

}  // namespace trov
