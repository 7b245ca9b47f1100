// The program's switches: "-PROJECT" file, "-CREATE" codec settings file, "-DEBUG", plus --help/--version.
#pragma once

#include <string>
#include <vector>

namespace trov {

struct SCommandLine {
    std::string projectPath;           // value of "-PROJECT", empty when not given
    std::string codecSettingsPath;     // value of "-CREATE", empty when not given
    bool batch = false;                // "-CREATE" with a value: create unattended, then end
    bool debug = false;                // "-DEBUG": logging on
    bool help = false;                 // "--help" or "-h"
    bool version = false;              // "--version"
    std::vector<std::string> ignored;  // arguments that are no switch nor a switch's value

    // Scans the arguments (without the program name) from the first on. Switches are compared
    // without regard to letter case; a switch with a value only counts when another argument
    // follows it, which is then consumed as its value. A repeated switch takes the last value.
    static SCommandLine Parse(const std::vector<std::string>& args);
    static SCommandLine Parse(int argc, const char* const* argv);
};

// The usage text of the command line program.
std::string CommandLineUsage(const std::string& programName);

}  // namespace trov
