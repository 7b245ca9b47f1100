// The video stream cache: each phase of an entry (caption fade-in, show, caption fade-out,
// transition) is recorded as a part file of its own, indexed by a key of every input that decides
// its frames, and pasted into the movie; a later run pastes an unchanged phase instead of
// rendering it again. Each part keeps its last frame beside it ("<part>pic"), the picture the next
// phase starts from.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imaging/DibPicture.h"

namespace trov {

class CAVIContainer;
class CAVIStream;
class CEncodeQueue;
class CFileCache;
class CProjectObject;
class CSettingsStore;
struct CompressionOptions;

// Part kinds of the video stream cache.
enum StreamPartKind : int { kPartFadeIn = 1, kPartShow = 2, kPartFadeOut = 3, kPartTransition = 4 };

// The part of a stream-part key that every part of a run shares: crop, movie size, frame rate,
// codec, background colour, quality and the picture-move parameters.
std::string StreamPartSettingsKey(const CSettingsStore* projectSettings, const CompressionOptions& options,
                                  int quality);
// The key of a stream part: every input that decides the part's frames. prev: the entry before
// (its picture and transition decide a transition part); may be null.
std::string BuildStreamPartKey(int kind, const CProjectObject& entry, const CProjectObject* prev,
                               const std::string& settingsKey);

// What a run of the part cache writes into. Container work runs on the encoder thread.
struct StreamPartRun {
    CEncodeQueue* queue = nullptr;
    CAVIContainer* movie = nullptr;  // the movie parts are pasted into
    CAVIStream* movieStream = nullptr;
    // Creates `path` as a video file like the movie and makes it the part being recorded
    // (SetRecording); false when it cannot.
    std::function<bool(const std::string& path)> openPart;
    // A write failure, which ends the creation.
    std::function<void(const std::string& error)> fail;
};

class CStreamPartCache {
public:
    explicit CStreamPartCache(CFileCache& cache);
    ~CStreamPartCache();
    CStreamPartCache(const CStreamPartCache&) = delete;
    CStreamPartCache& operator=(const CStreamPartCache&) = delete;

    // A creation starts: lastFrame is the buffer each part's last frame is kept in (movie size).
    void Begin(StreamPartRun run, std::unique_ptr<CDibPicture> lastFrame);
    // Closes what is still open.
    void End();

    // True with the part's file in `path` when the key has a part on disk that really holds
    // `frames` frames (its packets are counted) and its last frame. A part that does not is taken
    // out of the index and deleted, so that it is rendered again. Otherwise `path` is a new part file
    // name; with `reserve` that file is created and recorded into from now on.
    bool Check(const std::string& key, int frames, bool reserve, std::string& path);
    // Closes the part just recorded and, when it holds `frames` frames, indexes it (with its last
    // frame beside it). False, with the creation failed, when it does not: a part is in the index
    // only when it is complete.
    bool Seal(const std::string& key, const std::string& path, int frames);
    // Pastes the part into the movie; wantLastFrame: its stored last frame goes into LastFrame().
    // Returns the part's frame count. A part that cannot be read fails the creation.
    int Paste(const std::string& path, bool wantLastFrame);

    // The file being recorded into (null when none): frames go there instead of the movie.
    CAVIStream* Recording() const { return m_partStream; }
    CAVIContainer& PartFile() { return *m_part; }
    void SetRecording(CAVIStream* stream) { m_partStream = stream; }
    CDibPicture* LastFrame() const { return m_lastFrame.get(); }
    // Part files made in this run.
    const std::vector<std::string>& CreatedParts() const { return m_createdParts; }

private:
    // Closes the part being recorded when it is `path`.
    void Finish(const std::string& path);
    // Indexes a sealed part and saves its last frame beside it.
    void Store(const std::string& key, const std::string& path);
    // Whether the part file holds `frames` frames and its last frame (remembered for this run).
    bool Complete(const std::string& path, int frames, std::string* why);

    CFileCache& m_cache;
    StreamPartRun m_run;
    std::unique_ptr<CAVIContainer> m_part;
    CAVIStream* m_partStream = nullptr;
    std::unique_ptr<CAVIContainer> m_partReader;
    std::unique_ptr<CDibPicture> m_lastFrame;
    std::vector<std::string> m_createdParts;
    std::map<std::string, bool> m_complete;  // part path -> verified in this run
};

}  // namespace trov
