// The consistency check: presence of every file, then clips frame by frame, pictures decoded (and
// prepared for the creation) in parallel, and the audio files' format.
#include "creation/ConsistencyCheck.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>
#include <thread>

#include "audio/WaveFile.h"
#include "creation/Creation.h"
#include "creation/CreationFormat.h"
#include "creation/PicturePreparation.h"
#include "infra/MessagePipelines.h"
#include "infra/ParallelRows.h"
#include "project/ProjectObject.h"
#include "project/ProjectPaths.h"
#include "video/AVIContainer.h"
#include "video/AVIStream.h"

namespace fs = std::filesystem;

namespace trov {

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

namespace {

class CConsistencyCheck {
public:
    CConsistencyCheck(const std::vector<const CProjectObject*>& entries,
                      const ConsistencyCheckSettings& settings, CPicturePreparation& preparation,
                      CMessagePipelines* pipelines)
        : m_entries(entries),
          m_settings(settings),
          m_prep(preparation),
          m_pipelines(pipelines),
          m_bad(entries.size(), 0),
          m_move(preparation.GetMoveParameters()) {}

    ConsistencyFindings Run() {
        CheckFilesAndClips();
        CheckPicturesInParallel();
        for (size_t i = 0; i < m_entries.size(); ++i)
            if (m_bad[i]) m_findings.inconsistent.push_back(m_entries[i]->GetFileName());
        CheckAudio();
        return m_findings;
    }

private:
    void Status(const std::string& text) const { SendStatus(m_pipelines, text); }
    bool SizeOk() const {
        const int w = m_settings.movieWidth, h = m_settings.movieHeight;
        return w >= 1 && h >= 1 && w <= CPicture::kMaxSide && h <= CPicture::kMaxSide;
    }

    // Every entry's file is there; clips are read frame by frame; pictures are queued for decoding.
    void CheckFilesAndClips() {
        for (size_t i = 0; i < m_entries.size(); ++i) {
            const CProjectObject* obj = m_entries[i];
            if (!obj || obj->IsColorFade()) continue;
            const std::string& stored = obj->GetFileName();
            std::string path = ResolveProjectPath(NativePath(stored));
            std::string status = "Checking consistency of " + stored + "...";
            std::error_code ec;
            if (!fs::is_regular_file(path, ec)) {
                if (m_settings.decode) Status(status);
                m_findings.unreadable.push_back(stored);
                continue;
            }
            if (!m_settings.decode) continue;
            if (!obj->IsAVI()) {
                m_pictures.push_back(i);
                continue;
            }
            Status(status);
            if (!ClipReadable(path, status)) m_bad[i] = 1;
        }
    }

    bool ClipReadable(const std::string& path, const std::string& status) const {
        CAVIContainer clip;
        CAVIStream* s = clip.Open(path, false) ? clip.GetStream(clip.GetFirstVideoStreamIndex()) : nullptr;
        bool ok = s != nullptr;
        int length = ok ? s->GetLength() : 0;
        for (int k = 0; ok && k < length; ++k) {
            Status(status + Format(" Checking Frame %d of %d...", k, length - 1));
            ok = s->GetFrame(k) != nullptr;
        }
        return ok;
    }

    // Decodes one picture. It is decoded now anyway: a still is prepared at movie size and goes into
    // the picture cache, so the creation takes it from there instead of decoding it again; a moving
    // picture is scaled for its motion now, on this core, not in the frame loop.
    void CheckPicture(size_t index) {
        const CProjectObject* obj = m_entries[index];
        Status("Checking consistency of " + obj->GetFileName() + "...");
        const int w = m_settings.movieWidth, h = m_settings.movieHeight, quality = m_settings.quality;
        const bool still = !IsMovingEntry(*obj);
        const bool sizeOk = SizeOk();
        try {
            std::unique_ptr<CPicture> pic =
                still && sizeOk ? m_prep.LoadObjectPicture(*obj, w, h) : m_prep.LoadObjectPicture(*obj);
            if (!pic || pic->IsEmpty() || pic->IsDamaged()) {
                m_bad[index] = 1;
            } else if (still && sizeOk) {
                m_prep.FinishStill(*obj, *pic, w, h, quality);
            } else if (sizeOk) {
                if (auto prepared = m_prep.PrepareMovingSource(*obj, *pic, w, h, m_move)) {
                    Status("Caching picture ...");
                    m_prep.StorePicture(*prepared, CPicturePreparation::MovingSourceName(*obj, m_move), w, h,
                                        obj->rotation, quality);
                }
            }
        } catch (const std::exception&) {
            m_bad[index] = 1;  // out of memory: not usable either
        }
    }

    // Pictures are decoded on several cores at once (a photo's decoding runs on one); what they find
    // goes into m_bad by entry index, so the lists keep the project's order.
    void CheckPicturesInParallel() {
        // At most four at once: each may hold a photo at full size.
        const int workers = int(std::min(std::max(1u, std::thread::hardware_concurrency()), 4u));
        ExecuteJobs(int(m_pictures.size()), workers, [&](int k) { CheckPicture(m_pictures[size_t(k)]); });
    }

    void CheckAudio() {
        for (const CProjectObject* obj : m_entries) {
            if (!obj || obj->audioFile.empty() || obj->audioFile == kAudioCoverageEndedMarker) continue;
            std::string path = ResolveProjectPath(NativePath(obj->audioFile));
            if (m_settings.decode) Status("Checking consistency of " + obj->audioFile + "...");
            std::error_code ec;
            if (!fs::is_regular_file(path, ec)) {
                m_findings.unreadable.push_back(obj->audioFile);
                continue;
            }
            if (!m_settings.decode) continue;
            CWaveFile wave;
            const SWaveFormat* fmt = wave.Open(path) ? wave.GetFormat() : nullptr;
            if (!fmt || fmt->channels != 2 || fmt->bitsPerSample != 16 || fmt->samplesPerSec != 44100 ||
                !fmt->IsIntegerPcm())
                m_findings.audio.push_back(obj->audioFile);
        }
    }

    const std::vector<const CProjectObject*>& m_entries;
    const ConsistencyCheckSettings& m_settings;
    CPicturePreparation& m_prep;
    CMessagePipelines* m_pipelines;
    std::vector<char> m_bad;
    const CPicturePreparation::MoveParameters m_move;
    std::vector<size_t> m_pictures;
    ConsistencyFindings m_findings;
};

}  // namespace

ConsistencyFindings CheckConsistency(const std::vector<const CProjectObject*>& entries,
                                     const ConsistencyCheckSettings& settings,
                                     CPicturePreparation& preparation, CMessagePipelines* pipelines) {
    return CConsistencyCheck(entries, settings, preparation, pipelines).Run();
}

}  // namespace trov
