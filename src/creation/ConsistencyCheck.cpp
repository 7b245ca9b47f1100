// The consistency check: presence of every file, then clips frame by frame, pictures decoded (and
// prepared for the creation) in parallel, and the audio files' format.
#include "creation/ConsistencyCheck.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

#include "audio/AudioDecoder.h"
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
                "\r\nPlease check, if these files are audio files (WAV, MP3, FLAC, Ogg Vorbis, Opus ...) "
                "that can "
                "be read!\r\n\r\n";
    return text;
}

std::string ConsistencyFindings::CauseLines() const {
    std::string lines;
    for (const Cause& c : causes) lines += c.path + ": " + c.cause + "\n";
    return lines;
}

namespace {

// Why a path that is not a readable file was refused.
std::string MissingCause(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return "is a folder, not a file";
    if (fs::exists(path, ec)) return "is not a regular file";
    return "no such file (looked for " + path + ")";
}

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
          m_cause(entries.size()),
          m_move(preparation.GetMoveParameters()) {}

    ConsistencyFindings Run() {
        CheckFilesAndClips();
        CheckPicturesInParallel();
        for (size_t i = 0; i < m_entries.size(); ++i)
            if (m_bad[i]) {
                m_findings.inconsistent.push_back(m_entries[i]->GetFileName());
                m_inconsistentCauses.push_back(
                    {m_entries[i]->GetFileName(), m_cause[i].empty() ? "cannot be read" : m_cause[i]});
            }
        CheckAudio();
        // In the order of the message's blocks.
        for (auto* list : {&m_unreadableCauses, &m_inconsistentCauses, &m_audioCauses})
            m_findings.causes.insert(m_findings.causes.end(), list->begin(), list->end());
        return m_findings;
    }

private:
    void Status(const std::string& text) const { SendStatus(m_pipelines, text); }
    bool Cancelled() const { return m_settings.cancelled && m_settings.cancelled(); }
    bool SizeOk() const {
        const int w = m_settings.movieWidth, h = m_settings.movieHeight;
        return w >= 1 && h >= 1 && w <= CPicture::kMaxSide && h <= CPicture::kMaxSide;
    }

    // Every entry's file is there; clips are read frame by frame; pictures are queued for decoding.
    void CheckFilesAndClips() {
        for (size_t i = 0; i < m_entries.size() && !Cancelled(); ++i) {
            const CProjectObject* obj = m_entries[i];
            if (!obj || obj->IsColorFade()) continue;
            const std::string& stored = obj->GetFileName();
            std::string path = ResolveProjectPath(NativePath(stored));
            std::string status = "Checking consistency of " + stored + "...";
            std::error_code ec;
            if (!fs::is_regular_file(path, ec)) {
                if (m_settings.decode) Status(status);
                m_findings.unreadable.push_back(stored);
                m_unreadableCauses.push_back({stored, MissingCause(path)});
                continue;
            }
            if (!m_settings.decode) continue;
            if (!obj->IsAVI()) {
                const uintmax_t size = fs::file_size(path, ec);
                m_pictures.emplace_back(ec ? 0 : size, i);
                continue;
            }
            Status(status);
            if (!ClipReadable(path, status, m_cause[i])) m_bad[i] = 1;
        }
    }

    bool ClipReadable(const std::string& path, const std::string& status, std::string& cause) const {
        CAVIContainer clip;
        if (!clip.Open(path, false)) {
            cause = "cannot be opened as an AVI file";
            return false;
        }
        CAVIStream* s = clip.GetStream(clip.GetFirstVideoStreamIndex());
        if (!s) {
            cause = "has no video stream";
            return false;
        }
        const int length = s->GetLength();
        for (int k = 0; k < length && !Cancelled(); ++k) {
            Status(status + Format(" Checking Frame %d of %d...", k, length - 1));
            if (!s->GetFrame(k)) {
                cause = Format("frame %d of %d cannot be decoded", k, length - 1);
                return false;
            }
        }
        return true;
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
            std::string& cause = m_cause[index];  // this entry's alone: no other thread writes it
            std::unique_ptr<CPicture> pic = still && sizeOk ? m_prep.LoadObjectPicture(*obj, w, h, &cause)
                                                            : m_prep.LoadObjectPicture(*obj, 0, 0, &cause);
            if (!pic || pic->IsEmpty() || pic->IsDamaged()) {
                if (pic && pic->IsDamaged()) cause = pic->GetDamageMessage();
                m_bad[index] = 1;
            } else if (still && sizeOk) {
                m_prep.FinishStill(*obj, *pic, w, h, quality);
            } else if (sizeOk) {
                if (auto prepared = m_prep.PrepareMovingSource(*obj, *pic, w, h, m_move)) {
                    pic.reset();  // the photo at full size is not needed while the prepared one is written
                    Status("Caching picture ...");
                    m_prep.StorePicture(*prepared, m_prep.MovingSourceName(*obj, m_move), w, h, obj->rotation,
                                        quality);
                }
            }
        } catch (const std::exception& e) {
            m_bad[index] = 1;  // out of memory: not usable either
            m_cause[index] = std::string("reading it failed: ") + e.what();
        }
    }

    // Pictures are decoded on several cores at once (a photo's decoding runs on one); what they find
    // goes into m_bad by entry index, so the lists keep the project's order.
    void CheckPicturesInParallel() {
        // Biggest files first: the check ends when its last photo is done, and a big one started
        // last would leave the other cores idle meanwhile.
        std::stable_sort(m_pictures.begin(), m_pictures.end(),
                         [](const auto& x, const auto& y) { return x.first > y.first; });
        // At most four at once: each may hold a photo at full size.
        const int workers = int(std::min(std::max(1u, std::thread::hardware_concurrency()), 4u));
        ExecuteJobs(int(m_pictures.size()), workers, [&](int k) {
            if (!Cancelled()) CheckPicture(m_pictures[size_t(k)].second);
        });
    }

    void CheckAudio() {
        for (const CProjectObject* obj : m_entries) {
            if (Cancelled()) return;
            if (!obj || obj->audioFile.empty() || obj->audioFile == kAudioCoverageEndedMarker) continue;
            std::string path = ResolveProjectPath(NativePath(obj->audioFile));
            if (m_settings.decode) Status("Checking consistency of " + obj->audioFile + "...");
            std::error_code ec;
            if (!fs::is_regular_file(path, ec)) {
                m_findings.unreadable.push_back(obj->audioFile);
                m_unreadableCauses.push_back({obj->audioFile, MissingCause(path)});
                continue;
            }
            if (!m_settings.decode) continue;
            // Any layout of PCM is converted and anything else FFmpeg decodes is decoded for the
            // track: only files nothing can play are findings.
            std::string reason;
            if (!IsPlayableAudioFile(path, &reason)) {
                m_findings.audio.push_back(obj->audioFile);
                m_audioCauses.push_back(
                    {obj->audioFile, reason.empty() ? "its audio does not decode" : reason});
            }
        }
    }

    const std::vector<const CProjectObject*>& m_entries;
    const ConsistencyCheckSettings& m_settings;
    CPicturePreparation& m_prep;
    CMessagePipelines* m_pipelines;
    std::vector<char> m_bad;
    std::vector<std::string> m_cause;  // by entry index, like m_bad
    std::vector<ConsistencyFindings::Cause> m_unreadableCauses, m_inconsistentCauses, m_audioCauses;
    const CPicturePreparation::MoveParameters m_move;
    std::vector<std::pair<uintmax_t, size_t>> m_pictures;  // file size, entry index
    ConsistencyFindings m_findings;
};

}  // namespace

ConsistencyFindings CheckConsistency(const std::vector<const CProjectObject*>& entries,
                                     const ConsistencyCheckSettings& settings,
                                     CPicturePreparation& preparation, CMessagePipelines* pipelines) {
    return CConsistencyCheck(entries, settings, preparation, pipelines).Run();
}

}  // namespace trov
