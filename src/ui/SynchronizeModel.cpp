// The synchronisation run and its arithmetic (see the header).
#include "ui/SynchronizeModel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "audio/AudioTrack.h"
#include "creation/TROVManager.h"
#include "project/ProjectObject.h"
#include "project/ProjectPaths.h"

namespace trov {

namespace {

// rnd of the synchronisation: + 0.5, then truncation.
int Round(double v) {
    return static_cast<int>(v + 0.5);
}

}  // namespace

std::vector<SSyncEntry> SyncEntriesFromProject(const CTROVManager& manager, IClipFrameCounter* clips) {
    std::vector<SSyncEntry> entries;
    for (int i = 0; i < manager.GetObjectCount(); ++i) {
        const CProjectObject& o = *manager.GetObject(i);
        SSyncEntry e;
        e.textFadeIn = o.textFadeIn;
        e.showPicture = o.showPicture;
        e.textFadeOut = o.textFadeOut;
        e.fade2Next = o.fade2NextPicture;
        e.audioFile = StripCoverageMarker(o.audioFile);
        e.audioStartTime = o.audioStartTime;
        e.audioFadingTime = o.audioFadingTime;
        e.synchronizeFF2NP = o.synchronizeFF2NP;
        e.fadeOption = o.fadeOption;
        e.loopAudio = o.loopAudio;
        e.isClip = !o.IsColorFade() && o.IsAVI();
        if (e.isClip) {
            int frames = clips ? clips->CountClipFrames(ResolveProjectPath(NativePath(o.GetFileName()))) : -1;
            e.clipFrames = frames > 0 ? frames : o.showPicture + 1;
        }
        e.panorama = o.panoramaScrolling;
        e.pictureMove = o.pictureMove;
        e.fileName = o.GetFileName();
        entries.push_back(std::move(e));
    }
    return entries;
}

CSynchronizeModel::CSynchronizeModel(std::vector<SSyncEntry> entries, float framesPerSecond,
                                     CSyncSound* sound)
    : m_entries(std::move(entries)), m_fps(framesPerSecond), m_sound(sound) {}

bool CSynchronizeModel::Start(int start, int end, int64_t nowMs) {
    std::lock_guard lock(m_mutex);
    if (m_running || start < 0 || start >= static_cast<int>(m_entries.size())) return false;
    if (end < start) end = start;
    m_start = start;
    m_end = end;
    m_endLimit = end + 1;
    m_current = start;
    m_durations.clear();
    m_pieces.clear();
    m_soundWorked = true;
    m_startClock = nowMs;
    m_now = m_lastPress = 0;
    m_running = true;
    BeginEntry();
    const SSyncEntry& first = m_entries[size_t(start)];
    if (first.HasAudio()) {
        PlayPiece(start, 0);
    } else {
        // The music of an earlier entry goes on under this one: start it where it would be.
        int piece = -1;
        int offset = WalkBackOffset(start, piece);
        if (piece >= 0) PlayPiece(piece, offset);
    }
    return true;
}

void CSynchronizeModel::Stop() {
    std::lock_guard lock(m_mutex);
    if (m_running) EndRun();
}

bool CSynchronizeModel::Tick(int64_t nowMs) {
    std::lock_guard lock(m_mutex);
    if (!m_running) return false;
    m_now = std::max<int64_t>(m_now, nowMs - m_startClock);
    if (m_auto && m_now - m_lastPress >= m_autoMs) {
        // The clip ends exactly after its duration, not at the tick that notices it, so the
        // pictures after it keep their place against the music.
        Advance(m_lastPress + m_autoMs, m_autoMs);
        return true;
    }
    return false;
}

bool CSynchronizeModel::NextPicture(int64_t nowMs) {
    std::lock_guard lock(m_mutex);
    if (!m_running || m_auto) return false;
    m_now = std::max<int64_t>(m_now, nowMs - m_startClock);
    int64_t elapsed = m_now - m_lastPress;
    if (GuardHolds(elapsed)) return false;
    Advance(m_now, elapsed);
    return true;
}

bool CSynchronizeModel::GuardHolds(int64_t elapsed) const {
    size_t next = size_t(m_current) + 1;
    if (next >= m_entries.size()) return false;
    const SSyncEntry& e = m_entries[next];
    return e.fadeOption == 3 && elapsed < e.audioFadingTime;
}

void CSynchronizeModel::Advance(int64_t pressTime, int64_t duration) {
    m_durations.push_back(duration);
    m_lastPress = pressTime;
    m_auto = false;
    ++m_current;
    if (m_current < static_cast<int>(m_entries.size()) && m_current < m_endLimit) {
        BeginEntry();
        if (m_entries[size_t(m_current)].HasAudio()) PlayPiece(m_current, 0);
    } else {
        EndRun();
    }
}

void CSynchronizeModel::BeginEntry() {
    const SSyncEntry& e = m_entries[size_t(m_current)];
    m_auto = e.isClip;
    m_autoMs = 0;
    if (m_auto) {
        double msPerFrame = m_fps > 0 ? 1000.0 / m_fps : 40.0;
        m_autoMs = static_cast<int64_t>(e.clipFrames * msPerFrame);
    }
}

void CSynchronizeModel::EndRun() {
    m_running = false;
    m_auto = false;
    m_current = -1;
    if (m_sound) m_sound->Stop();
}

void CSynchronizeModel::PlayPiece(int entry, int offsetMs) {
    m_pieces.push_back({entry, offsetMs, m_now});
    if (m_sound && !m_sound->Play(entry, offsetMs)) m_soundWorked = false;
}

int CSynchronizeModel::WalkBackOffset(int entry, int& piece) const {
    piece = -1;
    long long frames = 0;
    for (int k = entry - 1; k >= 0; --k) {
        const SSyncEntry& e = m_entries[size_t(k)];
        frames += e.TotalFrames();
        if (e.HasAudio()) {
            piece = k;
            double ms = m_fps > 0 ? static_cast<double>(frames) * 1000.0 / m_fps : frames * 40.0;
            return Round(ms);
        }
    }
    return 0;
}

bool CSynchronizeModel::IsRunning() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}
int CSynchronizeModel::StartPosition() const {
    std::lock_guard lock(m_mutex);
    return m_start;
}
int CSynchronizeModel::EndPosition() const {
    std::lock_guard lock(m_mutex);
    return m_end;
}
int CSynchronizeModel::CurrentIndex() const {
    std::lock_guard lock(m_mutex);
    return m_current;
}
bool CSynchronizeModel::NextEnabled() const {
    std::lock_guard lock(m_mutex);
    return m_running && !m_auto && !GuardHolds(m_now - m_lastPress);
}
bool CSynchronizeModel::AutoAdvance() const {
    std::lock_guard lock(m_mutex);
    return m_auto;
}
int64_t CSynchronizeModel::CurrentTimeMs() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}
int64_t CSynchronizeModel::PictureTimeMs() const {
    std::lock_guard lock(m_mutex);
    return m_running ? m_now - m_lastPress : 0;
}
std::vector<int64_t> CSynchronizeModel::Durations() const {
    std::lock_guard lock(m_mutex);
    return m_durations;
}
std::vector<int64_t> CSynchronizeModel::PressTimes() const {
    std::lock_guard lock(m_mutex);
    std::vector<int64_t> times;
    int64_t t = 0;
    for (int64_t d : m_durations) times.push_back(t += d);
    return times;
}
std::vector<SSyncPiece> CSynchronizeModel::Pieces() const {
    std::lock_guard lock(m_mutex);
    return m_pieces;
}
bool CSynchronizeModel::SoundWorked() const {
    std::lock_guard lock(m_mutex);
    return m_soundWorked;
}

std::vector<SSyncFrames> CSynchronizeModel::ApplyDurations(const std::vector<SSyncEntry>& entries, int start,
                                                           const std::vector<int64_t>& durations,
                                                           float framesPerSecond) {
    std::vector<SSyncFrames> result;
    const float d = framesPerSecond > 0 ? 1000.0f / framesPerSecond : 40.0f;
    float total = 0.0f;
    int framesSoFar = 0;
    const int last = static_cast<int>(entries.size()) - 1;
    for (size_t i = 0; i < durations.size(); ++i) {
        const int k = start + static_cast<int>(i);
        if (k < 0 || k > last) break;
        const SSyncEntry& e = entries[size_t(k)];
        total += static_cast<float>(durations[i]);
        const int t = static_cast<int>(total / d + 0.5f);
        SSyncFrames f{k, e.textFadeIn, 0, e.textFadeOut, e.fade2Next};
        const bool withTransition = k != last;
        int s = (t - framesSoFar) - (f.textFadeIn + f.textFadeOut + (withTransition ? f.fade2Next : 0));
        // The caption fades give way first, one frame each in turn, then the transition.
        while (s < 0 && (f.textFadeIn > 0 || f.textFadeOut > 0)) {
            if (f.textFadeIn > 0) {
                --f.textFadeIn;
                ++s;
            }
            if (s < 0 && f.textFadeOut > 0) {
                --f.textFadeOut;
                ++s;
            }
        }
        while (withTransition && s < 0 && f.fade2Next > 0) {
            --f.fade2Next;
            ++s;
        }
        f.showPicture = std::max(0, s);
        framesSoFar = t;
        result.push_back(f);
    }
    return result;
}

std::vector<SSyncFrames> CSynchronizeModel::Apply() const {
    std::lock_guard lock(m_mutex);
    return ApplyDurations(m_entries, m_start, m_durations, m_fps);
}

void CSynchronizeModel::WriteFrames(CTROVManager& manager, const std::vector<SSyncFrames>& frames) {
    for (const SSyncFrames& f : frames) {
        CProjectObject* o = manager.GetObject(f.index);
        if (!o) continue;
        o->textFadeIn = f.textFadeIn;
        o->showPicture = f.showPicture;
        o->textFadeOut = f.textFadeOut;
        o->fade2NextPicture = f.fade2Next;
    }
    manager.RefreshProject();
}

std::string CSynchronizeModel::FormatTime(int64_t ms) {
    if (ms < 0) ms = 0;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld,%03lld", static_cast<long long>(ms / 3600000),
                  static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                  static_cast<long long>(ms % 1000));
    return text;
}

// ---- the timer ------------------------------------------------------------------------------------

int64_t CSyncTimer::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void CSyncTimer::Start(std::function<void(int64_t nowMs)> tick) {
    Stop();
    m_stop = false;
    m_thread = std::thread([this, tick = std::move(tick)] {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            lock.unlock();
            tick(NowMs());
            lock.lock();
            m_wake.wait_for(lock, std::chrono::milliseconds(kIntervalMs), [this] { return m_stop; });
        }
    });
}

void CSyncTimer::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

}  // namespace trov
