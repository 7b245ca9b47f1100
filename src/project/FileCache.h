// A keyed file cache in one directory: key digests map to cached files, with an index file on disk.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace trov {

// The index files of the three caches in the temporary directory.
inline constexpr const char* kPictureCacheIndex = "cache1.cache";
inline constexpr const char* kStreamCacheIndex = "cache2.cache";
inline constexpr const char* kWaveCacheIndex = "cache3.cache";

// One cache (prepared pictures, video stream parts or normalised audio) in the temporary directory.
// Keys are arbitrary UTF-8 texts; the index stores their MD5 digests, so keys never reach the disk.
// All operations are safe to call from several threads (the creation worker and the GUI thread).
class CFileCache {
public:
    CFileCache() = default;
    CFileCache(const CFileCache&) = delete;
    CFileCache& operator=(const CFileCache&) = delete;

    void SetDirectory(const std::string& directory);
    std::string GetDirectory() const;
    // directory + "/" + name.
    std::string MakePath(const std::string& fileName) const;

    // Replaces the index with the pairs of directory/fileName (even lines digests, odd lines paths).
    // A missing or unreadable file leaves the index empty and returns false.
    bool LoadIndex(const std::string& fileName);
    // Writes the index as alternating digest and path lines. False when the file cannot be written.
    bool SaveIndex(const std::string& fileName) const;

    // The cached file's path for the key, if the index holds it.
    std::optional<std::string> Lookup(const std::string& key) const;
    // Adds key -> path; a key whose digest is present already keeps its existing path.
    void Add(const std::string& key, const std::string& path);
    // Takes the key out of the index (a cached file found damaged); its path, if the index held it.
    std::optional<std::string> Remove(const std::string& key);
    // Appends a file this cache created to its file list (deleted by Clear(true)).
    void RegisterFile(const std::string& path);

    // Number of files registered; also numbers new stream parts.
    int GetFileCount() const;
    std::vector<std::string> GetFiles() const;
    size_t GetIndexSize() const;
    // The paths the index names.
    std::vector<std::string> GetIndexedPaths() const;

    // Deletes every registered file when asked, then empties the file list and the index.
    void Clear(bool deleteFiles);

    // The index key of a text: the MD5 digest of the text in the 8-bit code page (Latin-1) as
    // 32 lower-case hex digits. A text with characters beyond Latin-1 is hashed as UTF-8, so that
    // different non-Latin texts never share a digest.
    static std::string KeyDigest(const std::string& key);
    // MD5 (RFC 1321) of raw bytes as 32 lower-case hex digits.
    static std::string Md5Hex(const std::string& bytes);

private:
    mutable std::mutex m_mutex;
    std::string m_directory;
    std::map<std::string, std::string> m_index;  // digest -> path
    std::vector<std::string> m_files;            // the "LIST OF FILES" in registration order
};

}  // namespace trov
