// Where the program keeps its settings, language files, plug-ins, codec settings and caches.
#pragma once

#include <string>

namespace trov {

// The program directory: $TROV_HOME when set (created when missing); else the directory of the
// running executable when it is writable (portable use, the build tree); else
// $XDG_DATA_HOME/trovamatic (default ~/.local/share/trovamatic), created on first use.
// Decided once per process and cached; returned without a trailing "/".
std::string ProgramDirectory();

// Overrides the program directory for this process (tests, front ends); an empty text returns to
// the rule above on the next call.
void SetProgramDirectory(const std::string& directory);

// The directory of the running executable ("/proc/self/exe"), empty when unknown.
std::string ExecutableDirectory();

// The language files shipped with the program, whatever the program directory is:
// <program directory>/Language when it holds files, else the first of
// <executable dir>/Language, <executable dir>/../share/trovamatic/Language,
// the source tree's data/Language (build tree use), /usr/share/trovamatic/Language
// that exists. Empty when none is found.
std::string ShippedLanguageDirectory();

// A sub-directory of the program directory ("Language", "plugins", "CodecSettings", "Temp" ...).
std::string ProgramSubdirectory(const std::string& name);

}  // namespace trov
