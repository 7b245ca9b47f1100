// The wave cache: normalised copies of audio files ("wav_" + MD5 of the source path) kept in a
// CFileCache (index kWaveCacheIndex) so that each file is normalised once.
#pragma once

#include <optional>
#include <string>

#include "audio/WaveFile.h"

namespace trov {

class CFileCache;
class CMessagePipelines;

class CWaveCache {
public:
    // `cache` is the manager's third file cache; not owned. `pipelines` may be null.
    CWaveCache(CFileCache& cache, CMessagePipelines* pipelines = nullptr)
        : m_cache(cache), m_pipelines(pipelines) {}

    void SetPipelines(CMessagePipelines* pipelines) { m_pipelines = pipelines; }
    CFileCache& GetFileCache() { return m_cache; }

    // The normalised copy of `sourcePath`, when one was made and still exists.
    std::optional<std::string> Lookup(const std::string& sourcePath) const;
    // The path a normalised copy of `sourcePath` gets: cache directory + "/wav_" + MD5 of the path.
    std::string CopyPathFor(const std::string& sourcePath) const;

    // Makes the normalised copy of an opened source: a peak search over the whole file, then every
    // 1000 ms range with the stored gains applied is appended to the copy, which is then registered
    // under the source's path. Status "Peak search: ..." and "Caching and normalizing ...", progress
    // in ms. Sources that are not 16-bit PCM are normalised in the standard format.
    // False when the source is not open or the copy cannot be written (nothing is registered then).
    bool AddNormalized(CWaveFile& source);

private:
    CFileCache& m_cache;
    CMessagePipelines* m_pipelines;
};

}  // namespace trov
