// Paths of a project: relative paths resolve against the project's folder, never the working directory.
#pragma once

#include <string>

namespace trov {

// The folder that relative paths of the open project resolve against (no trailing "/"; empty
// before any project was loaded or saved: relative paths then resolve against the working
// directory). Thread-safe; set by the manager after every project load and save.
std::string GetProjectDirectory();
void SetProjectDirectory(const std::string& directory);

// A path read from a file: one that holds "\" and no "/" was written with "\" as the separator.
std::string NativePath(const std::string& path);

// The path to open for a project path: absolute paths unchanged, relative ones joined to the
// project directory (lexically normalised).
std::string ResolveProjectPath(const std::string& path);

// The relative form of file with respect to the project file projectFile (both full paths):
// "../" once for every directory of the project path below the common part, then the rest of
// file. Empty when the two have nothing in common beyond the root "/" (the path is then kept).
std::string MakeRelativePath(const std::string& file, const std::string& projectFile);

// The text after the last "/" (or "\" in a path without "/").
std::string FileNamePart(const std::string& path);
// The directory part: the text before the last "/" (or "\" ...); empty when there is none.
std::string DirectoryPart(const std::string& path);

}  // namespace trov
