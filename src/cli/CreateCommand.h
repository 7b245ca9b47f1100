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

// Picks "--output FILE" and "--make-complete-project DIR" out of the arguments no switch took.
// Unknown arguments stay in `rest`.
CreateOptions ParseCreateOptions(const std::vector<std::string>& ignored, std::vector<std::string>& rest);

// The codec settings file a -CREATE value names: an existing path (absolute or relative to the
// working directory), else a name in the program's "CodecSettings" folder (letter case ignored).
// Empty when neither exists.
std::string ResolveCodecSettingsPath(const std::string& value);

// Renders the loaded project into a movie with the codec settings file. Returns the exit code:
// 0 movie written; 1 nothing to create or the check found problems; 2 codec settings unusable or
// the output could not be set up; 3 the creation failed; 130 cancelled (SIGINT/SIGTERM).
int RunUnattendedCreation(CTROVManager& manager, const CreateOptions& options,
                          const std::string& programName);

// "Make complete Project" into a folder. 0 on success, 1 with a message otherwise.
int RunMakeCompleteProject(CTROVManager& manager, const std::string& folder, const std::string& programName);

}  // namespace trov
