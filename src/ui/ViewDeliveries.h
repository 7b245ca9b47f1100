// What the manager reported from other threads and the window has not shown yet. Only the newest
// value of each box counts, and one hand-over to the GUI thread carries all of them, so a creation
// that reports every frame never floods the window's event loop.
#pragma once

#include <mutex>
#include <optional>
#include <string>

namespace trov {

class CPendingViewUpdates {
public:
    struct SProgress {
        int position = 0;
        std::string text;
    };
    struct SBatch {
        std::optional<std::string> status;
        std::optional<SProgress> progress[2];  // [0] the current step, [1] the whole creation
        std::optional<std::string> time[2];    // [0] "Current Time:", [1] "Remain. Time:"
        bool Empty() const;
    };

    // Each keeps the value in place of an older one of the same box. True when it is the first
    // value since the last Take: the caller arranges one hand-over, later values ride along.
    bool SetStatus(std::string text);
    bool SetProgress(bool complete, int position, std::string text);
    bool SetTime(bool remaining, std::string text);

    // A value shown at once (on the GUI thread): what is still waiting for that box is older and
    // must not overwrite it later.
    void DropStatus();
    void DropProgress(bool complete);
    void DropTime(bool remaining);

    // Everything waiting, emptied; the next Set starts a new hand-over.
    SBatch Take();

private:
    bool Arm();

    std::mutex m_mutex;
    SBatch m_pending;
    bool m_armed = false;
};

}  // namespace trov
