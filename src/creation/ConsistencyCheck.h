// The consistency check before a creation: every picture, clip and audio file of the project is
// there and readable. Pictures are decoded on up to four threads, and what they decode is kept in
// the picture cache so that the frame loop does not decode it again.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace trov {

class CMessagePipelines;
class CPicturePreparation;
class CProjectObject;

// The result of the consistency check: three lists of paths.
struct ConsistencyFindings {
    std::vector<std::string> unreadable;
    std::vector<std::string> inconsistent;
    std::vector<std::string> audio;
    // Why, for each path of the lists above in their order: the reader's own cause ("... header
    // claims 2574 MB from a 70-byte file", libjpeg's message, the clip frame that failed).
    struct Cause {
        std::string path, cause;
    };
    std::vector<Cause> causes;
    bool Empty() const { return unreadable.empty() && inconsistent.empty() && audio.empty(); }
    // The message box text (blocks only for non-empty lists), "" when empty.
    std::string Message() const;
    // One line per file, path + ": " + cause, each ending in "\n"; "" when empty.
    std::string CauseLines() const;
};

struct ConsistencyCheckSettings {
    // "ConsistencyCheck" is 1: files are opened and decoded; otherwise only their presence is checked.
    bool decode = true;
    int movieWidth = 0, movieHeight = 0;
    int quality = 0;  // "Quality", part of the picture-cache key
    // True when the run was cancelled: the check stops at its next file or frame (may be empty).
    std::function<bool()> cancelled;
};

// entries: the project's entries in order (null ones are skipped).
ConsistencyFindings CheckConsistency(const std::vector<const CProjectObject*>& entries,
                                     const ConsistencyCheckSettings& settings,
                                     CPicturePreparation& preparation, CMessagePipelines* pipelines);

}  // namespace trov
