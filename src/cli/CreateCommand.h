// The command line's creation: -CREATE (unattended movie), --output, --make-complete-project.
#pragma once

#include <string>
#include <vector>

#include "creation/TROVManager.h"

namespace trov {

struct CreateOptions {
    std::string codecSettings;        // -CREATE value
    std::string outputOverride;       // --output FILE (empty: the project's "Output-AVI")
    std::string makeCompleteProject;  // --make-complete-project DIR
};

// A path the user typed made absolute against the working directory, as every command-line tool
// reads it (a relative --output does not resolve against the project folder).
std::string AbsoluteOutputPath(const std::string& path);

// Picks "--output FILE" and "--make-complete-project DIR" out of the arguments no switch took.
// Unknown arguments stay in `rest`.
CreateOptions ParseCreateOptions(const std::vector<std::string>& ignored, std::vector<std::string>& rest);

// The codec settings file a -CREATE value names: an existing path (absolute or relative to the
// working directory), else a name in the program's "CodecSettings" folder (letter case ignored).
// Empty when neither exists.
std::string ResolveCodecSettingsPath(const std::string& value);

// Renders the loaded project into a movie with the codec settings file. Returns the exit code:
// 0 movie written; 1 nothing to create or the check found problems; 2 codec settings unusable or
// the output refused before any file is made (missing or unwritable folder, one of the project's
// own files, unusable movie size or frame rate) or not creatable; 3 the creation failed;
// 130 cancelled (SIGINT/SIGTERM). Each cause prints its own message on stderr.
int RunUnattendedCreation(CTROVManager& manager, const CreateOptions& options,
                          const std::string& programName);

// "Make complete Project" into a folder, with the -CREATE codec settings (may be empty) as its
// cs_0.ini; prints the command that renders the folder. 0 on success, 1 with a message otherwise
// (2 when the codec settings file is not found).
int RunMakeCompleteProject(CTROVManager& manager, const std::string& folder, const std::string& programName,
                           const std::string& codecSettings = {});

}  // namespace trov
