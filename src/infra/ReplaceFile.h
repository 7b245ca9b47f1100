// Crash-safe replacement of a whole file: the new content goes to a temporary file in the same
// folder, is flushed to the disk, and only then renamed over the old file.
#pragma once

#include <string>
#include <string_view>

namespace trov {

// Writes bytes to path so that, whatever happens (disk full, power cut, kill -9), path holds either
// its complete old content or the complete new one. The temporary file is ".<name>.tmp-<pid>-<n>"
// beside path and is removed on failure. A replaced file's permissions are kept; a symbolic link is
// followed and its target replaced; a device or pipe is simply written.
// backupPath, when not empty, receives the old content (a hard link where the file system allows,
// else a copy) just before the new file takes its place; the old file stays in place until then.
// False, and the cause in *error (the system's message) when given, when anything fails; path is
// then untouched.
bool ReplaceFileContent(const std::string& path, std::string_view bytes, const std::string& backupPath = {},
                        std::string* error = nullptr);

}  // namespace trov
