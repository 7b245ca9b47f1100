// The frame loop: the timeline of every entry (transition, caption fade-in, show, caption
// fade-out), the write step and its encoder thread, and the audio track. Pictures come from
// CPicturePreparation, cached phases from CStreamPartCache; the set-up is in CreationSetup.cpp.
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
#include "creation/CreationFormat.h"
#include "creation/PanoramaScrollingEffect.h"
#include "creation/PictureMove.h"
#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"
#include "infra/Log.h"
#include "infra/MessagePipelines.h"
#include "infra/ProgramDirectory.h"
#include "infra/UserPrompt.h"
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

bool SamePixels(const CPicture& a, const CPicture& b) {
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() &&
           a.GetImageSize() == b.GetImageSize() &&
           std::memcmp(a.GetBits(), b.GetBits(), static_cast<size_t>(a.GetImageSize())) == 0;
}

std::shared_ptr<CDibPicture> Share(std::unique_ptr<CDibPicture> p) {
    return std::shared_ptr<CDibPicture>(std::move(p));
}

}  // namespace

void CCreation::CloseOutput() {
    if (m_queue) m_queue->Flush();
    m_outputStream = nullptr;
}

// ---- stream parts ----

std::string CCreation::StreamPartKey(int kind, int index) const {
    const CProjectObject* o = Object(index);
    if (!o) return {};
    return BuildStreamPartKey(
        kind, *o, Object(index - 1),
        StreamPartSettingsKey(m_env.projectSettings, m_options, AppInt(kTrovSection, "Quality", 0)));
}

void CCreation::FailWrite(const std::string& error) {
    m_writeFailed = true;
    m_writeError = error;
}

void CCreation::PastePart(const std::string& path, bool wantLastFrame, bool countFrames) {
    // A movie made from the cache writes no frame itself, so the pause is honoured here too.
    if (m_worker.IsWorkerThread()) m_worker.CheckPause();
    const int length = m_parts.Paste(path, wantLastFrame);
    if (!countFrames) return;
    int written = m_framesWritten.load();
    Status(Format("Writing frame (%d - %d) of %d ...", written, written + length, m_totalFrames));
    m_framesWritten += length;
    m_pastedFrames += length;
    Value(pipeline::kCurrentProgressComplete, m_framesWritten.load());
    m_timer.SetCounts(m_framesWritten.load(), m_totalFrames);
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
    CAVIStream* target = (m_streamCacheOn && m_parts.Recording()) ? m_parts.Recording() : m_outputStream;
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

int CCreation::GetRenderThreads() const {
    if (m_renderThreads > 0) return m_renderThreads;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 64u));
}

void CCreation::StartRenderPool() {
    // The render threads share the frame pool: it must exist before they start.
    if (!m_framePool) m_framePool = std::make_shared<FramePool>();
    m_renderPool.reset();
    m_poolResamplers.clear();
    const int threads = GetRenderThreads();
    if (threads < 2) return;
    // Each worker renders whole frames: its resampler keeps to the worker's thread.
    m_poolResamplers.resize(static_cast<size_t>(threads));
    for (CRegionResampler& r : m_poolResamplers) r.SetThreads(1);

    // The workers run at the priority the creation's thread was given, following its changes.
    auto applied = std::make_shared<std::vector<int>>(static_cast<size_t>(threads), -1);
    m_renderPool = std::make_unique<CFrameRenderPool>(threads, [this, applied](int worker) {
        int& mine = (*applied)[static_cast<size_t>(worker)];
        const int level = m_worker.GetAppliedPriority();
        if (level == mine) return;
        ApplyThreadPriority(level);
        mine = level;
    });
}

std::shared_ptr<CDibPicture> CCreation::PooledFrame(int width, int height) {
    if (!m_framePool) m_framePool = std::make_shared<FramePool>();
    std::unique_ptr<CDibPicture> buffer;
    {
        std::lock_guard<std::mutex> lock(m_framePool->mutex);
        while (!m_framePool->free.empty() && !buffer) {
            buffer = std::move(m_framePool->free.back());
            m_framePool->free.pop_back();
            if (buffer->GetWidth() != width || buffer->GetHeight() != height) buffer.reset();
        }
    }
    if (!buffer) {
        buffer = std::make_unique<CDibPicture>();
        // Every user writes every pixel of its frame; only row padding would stay as made.
        const bool padded = CPicture::StrideFor(width) != 3 * width;
        if (!(padded ? buffer->Create(width, height) : buffer->Allocate(width, height))) return nullptr;
    }
    std::weak_ptr<FramePool> pool = m_framePool;
    return std::shared_ptr<CDibPicture>(buffer.release(), [pool](CDibPicture* p) {
        std::unique_ptr<CDibPicture> owned(p);
        if (auto alive = pool.lock()) {
            std::lock_guard<std::mutex> lock(alive->mutex);
            // A few spare buffers cover the frames in the encode queue; more would only hold memory.
            if (alive->free.size() < 4) alive->free.push_back(std::move(owned));
        }
    });
}

std::shared_ptr<CDibPicture> CCreation::PooledCopy(const CPicture& frame) {
    auto buffer = PooledFrame(frame.GetWidth(), frame.GetHeight());
    if (!buffer) return nullptr;
    std::memcpy(buffer->GetBits(), frame.GetBits(), static_cast<size_t>(frame.GetImageSize()));
    buffer->BitsChanged();
    return buffer;
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

namespace {
bool SameCaption(const CaptionDrawing& a, const CaptionDrawing& b) {
    return a.settings.text == b.settings.text && a.settings.textColour == b.settings.textColour &&
           a.settings.backColour == b.settings.backColour && a.settings.backWidth == b.settings.backWidth &&
           a.font == b.font && a.position == b.position;
}
}  // namespace

std::shared_ptr<const CCaptionOverlay> CCreation::CaptionOverlayOf(const CProjectObject& obj, int width,
                                                                   int height) {
    CaptionDrawing c = CaptionOf(obj);
    std::lock_guard lock(m_captionsMutex);
    for (const auto& p : m_captions)
        if (p && p->width == width && p->height == height && SameCaption(p->drawing, c)) return p->overlay;
    auto overlay = CCaptionOverlay::Build(width, height, c.settings, c.font, c.position, &m_tools);
    m_captions[m_nextCaption] = PreparedCaption{std::move(c), width, height, overlay};
    m_nextCaption = (m_nextCaption + 1) % m_captions.size();
    return overlay;
}

std::shared_ptr<CDibPicture> CCreation::Captioned(const CProjectObject& obj, const CPicture& bare) {
    // Moving pictures caption every frame: the copy goes into a recycled frame.
    std::shared_ptr<CDibPicture> copy = bare.IsEmpty() ? nullptr : PooledCopy(bare);
    if (!copy) return nullptr;
    copy->SetFileName(bare.GetFileName());
    if (!obj.pictureText.empty()) {
        if (auto overlay = CaptionOverlayOf(obj, copy->GetWidth(), copy->GetHeight()))
            overlay->Composite(*copy);
    }
    return copy;
}

CFadingEffect* CCreation::FindEffect(const std::string& name) const {
    return m_env.effects ? m_env.effects->Find(name) : nullptr;
}

bool CCreation::RunStandAloneFrames(CFadingEffect& fx, const CPicture* a, const CPicture* b, int n,
                                    const std::function<bool(EffectFrame& frame)>& take) {
    if (!m_renderPool || n <= 0) return false;
    // Every worker draws with a twin of its own, made here on the frame loop's thread.
    std::vector<std::unique_ptr<CFadingEffect>> twins(static_cast<size_t>(m_renderPool->Threads()));
    if (DrawsAtRandomOnlyInInit(fx)) {
        // The numbers are drawn once, here, as stepping the effect would draw them. There is no
        // twin only when Init drew nothing (a picture missing), so the caller may step fx afresh.
        fx.Init(a, b, n);
        for (auto& twin : twins) twin = MakeDrawnTwin(fx);
        fx.End();
        for (auto& twin : twins)
            if (!twin) return false;
    } else {
        for (auto& twin : twins) {
            twin = MakeStandAloneTwin(fx);
            if (!twin) return false;
        }
    }
    std::vector<char> initialised(twins.size(), 0);
    m_renderPool->Run<EffectFrame>(
        n,
        [&](int worker, int j) {
            CFadingEffect& twin = *twins[static_cast<size_t>(worker)];
            char& ready = initialised[static_cast<size_t>(worker)];
            if (!ready) {
                twin.Init(a, b, n);
                ready = 1;
            }
            twin.SetCurrentFrame(j);
            EffectFrame frame;
            const CDibPicture* f = twin.NextFrame();
            frame.drawn = f != nullptr;
            if (f && !f->IsEmpty()) frame.copy = PooledCopy(*f);
            return frame;
        },
        [&](int, EffectFrame& frame) { return take(frame); });
    // The workers are idle again: their buffers are freed as the stepped effect frees its own.
    for (auto& twin : twins) twin->End();
    return true;
}

bool CCreation::RunTransition(const CProjectObject& prev, const CPicture& from,
                              const std::shared_ptr<const CDibPicture>& to) {
    int n = prev.fade2NextPicture;
    CFadingEffect* fx = FindEffect(prev.fading2NextPictureName);
    if (n <= 0) return true;
    int done = 0;
    if (fx) {
        // As stepped below: a frame that is missing, empty or the last one written ends the loop.
        const bool sideBySide = RunStandAloneFrames(*fx, &from, to.get(), n, [&](EffectFrame& f) {
            if (!f.copy) return false;
            WriteFrame(f.copy);
            if (Stopped()) return false;
            ++done;
            return true;
        });
        if (!sideBySide) {
            fx->Init(&from, to.get(), n);
            for (; done < n; ++done) {
                CDibPicture* f = fx->NextFrame();
                if (!f || !WriteCopy(*f)) break;
            }
            fx->End();
        }
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
    bool ok = true;
    const auto overlay = CaptionOverlayOf(obj, bare.GetWidth(), bare.GetHeight());
    // Cross Dissolve fades between the two pictures as a transition does (RunCaptionFade); the
    // other effects draw the caption in two passes, frame after frame.
    const bool sideBySide = fx->GetName() == kCrossDissolve &&
                            RunStandAloneFrames(*fx, fadeIn ? &bare : captioned.get(),
                                                fadeIn ? captioned.get() : &bare, n, [&](EffectFrame& f) {
                                                    if (!f.drawn) return false;
                                                    ++written;
                                                    if (f.copy) WriteFrame(f.copy);
                                                    ok = f.copy && !Stopped();
                                                    return ok;
                                                });
    if (!sideBySide) {
        ok = RunCaptionFade(*fx, n, fadeIn, bare, *captioned, overlay.get(), m_tools, [&](const CPicture& f) {
            ++written;
            return WriteCopy(f);
        });
    }
    if (!ok || Stopped()) return false;
    return WriteRepeated(fadeIn ? captioned : Share(bare.Clone()), n - written);
}

// ---- the frame loop ----

// What the whole run shares: the movie size, the audio stream, the panorama effect, and the entry
// before (its last frame is where the transition into the next entry starts).
struct CCreation::MovieRun {
    int width = 0, height = 0;
    int audioIndex = -1;
    bool ensureVisible = false;
    CPanoramaScrollingEffect panorama;
    const CProjectObject* prev = nullptr;
    std::shared_ptr<const CDibPicture> prevLast;
    // The next entry's picture, prepared while this entry's caption fades out (index -1: none).
    // Last, so that leaving the run in any way first waits for it.
    int aheadIndex = -1;
    std::future<std::unique_ptr<CDibPicture>> ahead;
};

// One entry as its phases run. `last` and `captionedLast` follow the frames written: each phase
// starts where the phase before it ended.
struct CCreation::EntryRun {
    int index = 0;
    const CProjectObject* obj = nullptr;
    std::array<PhasePlan, 4> phases;  // by StreamPartKind - 1
    bool hasTransition = false;
    bool allCached = false;  // every phase comes from the stream cache: no picture is prepared
    bool isPanorama = false;
    std::shared_ptr<const CDibPicture> picture;  // the entry's first picture, bare
    std::unique_ptr<CDibPicture> prepared;       // a moving picture's prepared source
    CFlightPath flight;
    std::shared_ptr<const CDibPicture> captioned;  // the first picture with its caption
    std::shared_ptr<const CDibPicture> last;       // the last frame shown, bare
    std::shared_ptr<const CDibPicture> captionedLast;
    PhasePlan& Phase(int kind) { return phases[static_cast<size_t>(kind - 1)]; }
};

bool CCreation::CreateMovie() {
    if (!m_prepared || !m_outputStream) return false;
    MovieRun run;
    BeginMovie(run);
    for (int i = m_first; i <= m_last; ++i) {
        if (Stopped() || !CreateEntry(run, i)) break;
        if ((i + 1) % 20 == 0) SaveCaches();
    }
    FinishMovie(run);
    return true;
}

void CCreation::BeginMovie(MovieRun& run) {
    m_prepared = false;
    m_movieWritten = false;
    m_writeFailed = false;
    m_writeError.clear();
    m_pastedFrames = 0;
    m_codecDescription = GetVideoCodecName(&m_options);
    m_creating = true;
    m_timer.Start();
    m_queue = std::make_unique<CEncodeQueue>(3);
    m_reusedPackets = 0;
    m_encodedLast.reset();
    m_encodedTarget = nullptr;

    // Audio stream, made before any frame so the file header can hold it.
    std::vector<uint8_t> audioFormat = OutputAudioFormat();
    if (!audioFormat.empty()) {
        auto s = m_output->CreateAudioStream(audioFormat);
        if (s) run.audioIndex = m_output->AddStream(std::move(s));
        if (run.audioIndex < 0) {
            // A movie without the audio asked for is no success: stop before any frame is rendered.
            m_writeError = "Error: Can not create the audio stream: " + m_output->GetLastError();
            m_writeFailed = true;
        }
    }

    const int w = ProjectInt("Movie-Size-X", 640), h = ProjectInt("Movie-Size-Y", 480);
    run.width = w;
    run.height = h;
    m_totalFrames = ComputeTotalFrames(m_first, m_last);
    m_framesWritten = 0;
    Value(pipeline::kCurrentProgressComplete, 0);
    Value(pipeline::kMaxProgressComplete, m_totalFrames);
    m_timer.SetCounts(0, m_totalFrames);

    StreamPartRun parts;
    parts.queue = m_queue.get();
    parts.movie = m_output.get();
    parts.movieStream = m_outputStream;
    parts.openPart = [this](const std::string& path) { return CreateNewAVI(path, &m_options, true); };
    parts.fail = [this](const std::string& error) { FailWrite(error); };
    m_parts.Begin(std::move(parts), m_tools.CreatePicture(w, h));
    run.panorama.SetPipelines(m_env.pipelines);
    run.panorama.SetOutputSize(w, h);
    m_moveStore.RemoveSection(kPictureMoveSection);
    StartRenderPool();
    run.ensureVisible = AppInt(kTrovSection, "CreationEnsureItemIsVisible", 1) == 1;
}

// The timeline of one entry: the transition into it, the caption fade-in, the show, the caption
// fade-out. False when the run stops here.
bool CCreation::CreateEntry(MovieRun& run, int index) {
    EntryRun e;
    e.index = index;
    e.obj = Object(index);
    if (!e.obj) return false;
    const CProjectObject& obj = *e.obj;
    if (run.ensureVisible && m_env.ensureVisible) CallOnGui([&] { m_env.ensureVisible(index); });
    e.hasTransition = run.prev && run.prevLast && run.prev->fade2NextPicture > 0;
    PlanPhases(e, e.hasTransition ? run.prev : nullptr);
    PrepareEntryPicture(run, e);
    if (!e.picture) return false;
    e.last = e.picture;

    if (e.hasTransition)
        RunPhase(e, kPartTransition, [&] { RunTransition(*run.prev, *run.prevLast, e.picture); });
    if (Stopped()) return false;

    Status("Adding text ...");
    e.captioned = obj.pictureText.empty() ? e.picture : Captioned(obj, *e.picture);
    if (!e.captioned) e.captioned = e.picture;
    RunPhase(e, kPartFadeIn, [&] { RunCaptionPhase(obj, true, *e.picture, e.captioned); });
    if (Stopped()) return false;

    ShowEntry(run, e);
    if (Stopped()) return false;
    // The source of a moving picture is done with: the next entry's takes its place while the
    // caption fades out, so that no more than one is held.
    e.prepared.reset();
    PrepareAhead(run, index + 1, obj);

    RunPhase(e, kPartFadeOut, [&] { RunCaptionPhase(obj, false, *e.last, e.captionedLast); });
    if (Stopped()) return false;

    run.prevLast = e.last;
    run.prev = e.obj;
    return true;
}

void CCreation::PlanPhases(EntryRun& e, const CProjectObject* before) {
    const CProjectObject& obj = *e.obj;
    const int frames[4] = {obj.textFadeIn, obj.showPicture, obj.textFadeOut,
                           before ? before->fade2NextPicture : 0};
    bool allCached = m_streamCacheOn;
    for (int kind = kPartFadeIn; kind <= kPartTransition; ++kind) {
        PhasePlan& p = e.Phase(kind);
        p.frames = frames[kind - 1];
        if (m_streamCacheOn && p.frames > 0) {
            p.key = StreamPartKey(kind, e.index);
            std::string unused;
            p.cached = m_parts.Check(p.key, p.frames, false, unused);
        }
        allCached = allCached && p.cached;
    }
    e.allCached = allCached;
}

void CCreation::PrepareAhead(MovieRun& run, int index, const CProjectObject& before) {
    // With one render thread the creation keeps to one core: the frame loop prepares each picture.
    if (!m_renderPool || index > m_last) return;
    const CProjectObject* obj = Object(index);
    // A clip's first frame comes through the clip reader the frame loop reads clips with; a
    // colour costs nothing to make.
    if (!obj || obj->IsAVI() || obj->IsColorFade()) return;
    EntryRun next;
    next.index = index;
    next.obj = obj;
    PlanPhases(next, before.fade2NextPicture > 0 ? &before : nullptr);
    if (next.allCached) return;
    const int w = run.width, h = run.height, priority = m_worker.GetAppliedPriority();
    try {
        run.ahead = std::async(std::launch::async, [this, index, w, h, priority] {
            ApplyThreadPriority(priority);
            return PreparePicture(index, w, h);
        });
        run.aheadIndex = index;
    } catch (const std::system_error&) {
        // No thread to be had: the frame loop prepares the picture when it gets there.
    }
}

std::unique_ptr<CDibPicture> CCreation::TakeAhead(MovieRun& run, int index) {
    if (!run.ahead.valid()) return nullptr;
    const bool mine = run.aheadIndex == index;
    run.aheadIndex = -1;
    std::unique_ptr<CDibPicture> picture = run.ahead.get();
    return mine ? std::move(picture) : nullptr;
}

// The entry's first picture (bare) and, for moving pictures, their prepared source.
void CCreation::PrepareEntryPicture(MovieRun& run, EntryRun& e) {
    const CProjectObject& obj = *e.obj;
    const int w = run.width, h = run.height;
    e.isPanorama = IsPanorama(obj);
    if (e.allCached) {
        e.picture = Share(m_tools.CreatePicture(w, h));
        return;
    }
    if (obj.pictureMove) ParsePictureMoveSettings(obj.pictureMoveSettings, m_moveStore);
    e.prepared = TakeAhead(run, e.index);
    if (!e.prepared) e.prepared = PreparePicture(e.index, w, h);
    if (!e.prepared) {
        // Unreadable picture: the timeline keeps its length with a blank frame.
        Status("Error: Can not read picture: " + obj.GetFileName());
        e.picture = Share(m_tools.CreatePicture(w, h));
    } else if (e.isPanorama && !obj.IsAVI()) {
        e.picture = Share(GetPanoramaStartFrame(*e.prepared, obj.panoramaScrollingType, w, h));
    } else if (obj.pictureMove && !obj.IsAVI()) {
        e.flight.Setup(obj.flightPoints, obj.flightPointsColor, obj.flightPointsRadius);
        e.picture =
            Share(RenderPictureMoveFrame(m_moveStore, 0, obj.showPicture, *e.prepared, w, h, m_tools));
    } else {
        e.picture = Share(std::move(e.prepared));
    }
    if (!e.picture) e.picture = Share(m_tools.CreatePicture(w, h));
}

void CCreation::RunPhase(EntryRun& e, int kind, const std::function<void()>& render) {
    const PhasePlan& plan = e.Phase(kind);
    if (plan.frames <= 0) return;
    const int before = m_framesWritten.load();
    if (!m_streamCacheOn) {
        render();
        CheckPhaseFrames(e, kind, m_framesWritten.load() - before);
        return;
    }
    std::string path;
    if (m_parts.Check(plan.key, plan.frames, true, path)) {
        PastePart(path, true, true);
        e.last = Share(m_parts.LastFrame()->Clone());
        CheckPhaseFrames(e, kind, m_framesWritten.load() - before);
        return;
    }
    render();
    if (!CheckPhaseFrames(e, kind, m_framesWritten.load() - before)) return;
    if (m_parts.LastFrame() && e.last) m_parts.LastFrame()->CopyFrom(e.last.get());
    // A cancelled phase is pasted as far as it got, but never indexed.
    if (!Stopped() && !m_parts.Seal(plan.key, path, plan.frames)) return;
    PastePart(path, false, false);
}

bool CCreation::CheckPhaseFrames(const EntryRun& e, int kind, int written) {
    const int planned = e.phases[static_cast<size_t>(kind - 1)].frames;
    if (written == planned || Stopped()) return true;
    static const char* const names[] = {"caption fade-in", "show", "caption fade-out", "transition"};
    FailWrite(Format("Error: Entry %d (", e.index) + e.obj->GetFileName() + "), " + names[kind - 1] + ": " +
              Format("%d of its %d frames were written", written, planned));
    return false;
}

void CCreation::ShowEntry(MovieRun& run, EntryRun& e) {
    const CProjectObject& obj = *e.obj;
    e.captionedLast = e.captioned;
    RunPhase(e, kPartShow, [&] {
        if (obj.IsAVI())
            ShowClip(run, e);
        else if (obj.pictureMove && e.prepared)
            ShowPictureMove(run, e);
        else if (e.isPanorama && e.prepared)
            ShowPanorama(run, e);
        else
            ShowStill(e);
    });
    if (Stopped()) return;
    if (m_streamCacheOn && (e.isPanorama || obj.pictureMove || obj.IsAVI()) &&
        e.captionedLast == e.captioned && e.last != e.picture) {
        // The show part came from the cache: its stored last frame is the object's last frame.
        e.captionedLast = obj.pictureText.empty() ? e.last : Captioned(obj, *e.last);
    }
}

void CCreation::ShowStill(EntryRun& e) {
    WriteRepeated(e.captioned, e.obj->showPicture);
}

void CCreation::ShowClip(const MovieRun& run, EntryRun& e) {
    const CProjectObject& obj = *e.obj;
    const int n = obj.showPicture, w = run.width, h = run.height;
    std::string path = ResolveProjectPath(NativePath(obj.GetFileName()));
    std::shared_ptr<const CDibPicture> lastBare = e.picture, lastOut = e.captioned;
    for (int f = 1; f <= n && !Stopped(); ++f) {
        auto frame = m_prep.ReadClipFrame(path, f);
        if (frame && (frame->GetWidth() != w || frame->GetHeight() != h)) {
            Status(Format("Resizing picture %d of %d (", f + 1, n + 1) + path + ") ...");
            frame = m_tools.Resize(frame.get(), w, h, true);
        }
        if (frame) {
            lastBare = Share(std::move(frame));
            Status("Adding text ...");
            lastOut = obj.pictureText.empty() ? lastBare : Captioned(obj, *lastBare);
        }
        // A frame that cannot be read repeats the one before, keeping the length.
        WriteFrame(lastOut);
    }
    e.last = lastBare;
    e.captionedLast = lastOut;
}

void CCreation::ShowPictureMove(const MovieRun& run, EntryRun& e) {
    const CProjectObject& obj = *e.obj;
    const int n = obj.showPicture;
    struct MoveFrame {
        std::shared_ptr<const CDibPicture> bare, out;
    };
    // Straight into a recycled frame, with the tables the resampler kept from its frame before.
    auto render = [&](int j, CRegionResampler& resampler) {
        std::shared_ptr<CDibPicture> frame = PooledFrame(run.width, run.height);
        if (!frame || !RenderPictureMoveFrame(m_moveStore, j, n, *e.prepared, *frame, resampler, m_tools))
            frame = Share(e.picture->Clone());
        MoveFrame f;
        if (obj.pictureText.empty()) {
            f.bare = f.out = frame;
        } else if (j + 1 < n) {
            // Only the last frame's bare picture is wanted (the fade-out starts from it): the
            // others take their caption where they are.
            if (auto overlay = CaptionOverlayOf(obj, frame->GetWidth(), frame->GetHeight()))
                overlay->Composite(*frame);
            f.out = frame;
        } else {
            f.bare = frame;
            f.out = Captioned(obj, *frame);
        }
        return f;
    };
    std::shared_ptr<const CDibPicture> bare;
    auto write = [&](const MoveFrame& f) {
        if (f.bare) bare = f.bare;
        WriteFrame(f.out);
        e.captionedLast = f.out;
    };
    if (m_renderPool && !e.flight.Draws()) {
        // Without a route drawn onto the source every frame stands alone.
        m_renderPool->Run<MoveFrame>(
            n, [&](int worker, int j) { return render(j, m_poolResamplers[static_cast<size_t>(worker)]); },
            [&](int, MoveFrame& f) {
                if (Stopped()) return false;
                write(f);
                return true;
            });
    } else {
        for (int j = 0; j < n && !Stopped(); ++j) {
            // The route so far is drawn onto the source itself: the frames follow one another.
            e.flight.DrawFrame(*e.prepared, j, n);
            write(render(j, m_moveResampler));
        }
    }
    if (bare) e.last = bare;
}

void CCreation::ShowPanorama(MovieRun& run, EntryRun& e) {
    const CProjectObject& obj = *e.obj;
    const int n = obj.showPicture;
    CPanoramaScrollingEffect& panorama = run.panorama;
    CaptionDrawing cap = CaptionOf(obj);
    panorama.SetDirection(obj.panoramaScrollingType);
    panorama.SetCaption(obj.pictureText.empty() ? nullptr : &cap.settings, &cap.font, cap.position, &m_tools);
    panorama.SetKeepLastFrame(true);
    panorama.Init(e.prepared.get(), nullptr, n);
    for (int k = 0; k < n; ++k) {
        CDibPicture* f = panorama.NextFrame();
        if (!f || !WriteCopy(*f)) break;
    }
    if (panorama.GetLastFrame()) {
        e.last = Share(panorama.GetLastFrame()->Clone());
        e.captionedLast = obj.pictureText.empty() ? e.last : Captioned(obj, *e.last);
    }
    panorama.End();
}

void CCreation::FinishMovie(MovieRun& run) {
    // Everything queued reaches the file before the audio and the close.
    if (m_queue) m_queue->Flush();
    if (m_env.preview) m_env.preview->ClearPreview();
    // The bar shows how far the run got: a cancelled run never claims 100 %.
    Value(pipeline::kCurrentProgressComplete, m_framesWritten.load());
    m_parts.End();

    bool cancelled = IsCreationCanceled();
    const int written = m_framesWritten.load();
    if (!cancelled && !m_writeFailed && written != m_totalFrames)
        FailWrite(Format("Error: %d of the %d frames of the timeline were written", written, m_totalFrames));
    if (!cancelled && !m_writeFailed && written == 0)
        FailWrite(
            Format("Error: No frame was written: entries %d to %d have no frames to show", m_first, m_last));
    bool ok = !cancelled && !m_writeFailed;
    const bool audioFailed = ok && run.audioIndex >= 0 && !WriteAudioTrack(run.audioIndex);
    // A cancel while the audio track is made ends the run as a cancel too (its video is complete).
    cancelled = IsCreationCanceled();
    ok = ok && !cancelled && !audioFailed;
    CloseOutput();
    bool closed = m_output->Close();
    m_queue.reset();
    m_encodedLast.reset();
    m_encodedTarget = nullptr;
    // Only a complete movie, or the playable beginning of a cancelled one, takes the user's name; the
    // frames of a movie whose audio failed keep a name of their own.
    std::string keptVideo;
    const bool videoOnly = closed && !m_writeFailed && written > 0 && audioFailed && !cancelled;
    if (videoOnly)
        keptVideo = KeepVideoOnly();
    else if (closed && !m_writeFailed && written > 0 && (ok || cancelled))
        closed = CommitOutput();
    else
        DiscardOutput();
    if (m_writeFailed) {
        Status(m_writeError.empty() ? std::string("Error: Can not write the movie!") : m_writeError);
    } else if (!closed) {
        Status("Error: Can not complete " + m_outputPath + ": " + m_output->GetLastError());
    } else if (videoOnly) {
        Status("Error: Can not write the audio track! " +
               (keptVideo.empty() ? std::string("The movie without its audio was deleted.")
                                  : "The movie without its audio was kept as " + keptVideo));
    } else if (ok) {
        Status("Output-AVI sucessfully written: " + m_outputPath);
        m_movieWritten = true;
    }
    if (cancelled) Status("Creation canceled!");
    m_cropSource.reset();
    m_cropResult.reset();
    m_renderPool.reset();
    m_poolResamplers.clear();
    if (m_env.effects) m_env.effects->EndAll();
    SaveCaches();
    m_timer.Stop();
    m_creating = false;
}

std::string VideoOnlyPath(const std::string& outputPath) {
    fs::path p(outputPath);
    return (p.parent_path() / (p.stem().string() + ".video-only" + p.extension().string())).string();
}

std::string CCreation::KeepVideoOnly() {
    // The requested name never holds a movie that lacks the requested audio; the frames, which may
    // have taken long to render, stay under a name that says what they are.
    const std::string written = m_outputTemp.empty() ? m_outputPath : m_outputTemp;
    m_outputTemp.clear();
    const std::string kept = VideoOnlyPath(m_outputPath);
    std::error_code ec;
    fs::remove(kept, ec);
    fs::rename(written, kept, ec);
    if (!ec) return kept;
    fs::remove(written, ec);
    return {};
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

}  // namespace trov
