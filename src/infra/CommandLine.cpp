// Switch parsing of the command line.
#include "infra/CommandLine.h"

#include "infra/TextEncoding.h"

namespace trov {

SCommandLine SCommandLine::Parse(const std::vector<std::string>& args) {
    SCommandLine cl;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string s = AsciiLower(args[i]);
        bool hasValue = i + 1 < args.size();
        if (s == "-project") {
            if (hasValue) cl.projectPath = args[++i];
        } else if (s == "-create") {
            if (hasValue) {
                cl.codecSettingsPath = args[++i];
                cl.batch = true;
            }
        } else if (s == "-debug") {
            cl.debug = true;
        } else if (s == "--help" || s == "-h" || s == "-?") {
            cl.help = true;
        } else if (s == "--version") {
            cl.version = true;
        } else {
            cl.ignored.push_back(args[i]);
        }
    }
    return cl;
}

SCommandLine SCommandLine::Parse(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    return Parse(args);
}

std::string CommandLineUsage(const std::string& programName) {
    return "Usage: " + programName +
           " [-PROJECT project.ini] [-CREATE codec-settings.ini [--output movie.avi]]\n"
           "       [--make-complete-project folder] [--list-effects] [--list-codecs]\n"
           "       [--quiet | --verbose] [-DEBUG] [--help] [--version]\n"
           "\n"
           "Trovamatic turns a list of pictures (JPEG, BMP) and video clips (AVI) into one AVI movie.\n"
           "\n"
           "  -PROJECT file   load this project file\n"
           "  -CREATE file    create the movie unattended with these codec settings, then end\n"
           "  -DEBUG          write the log file TROV.log in the program directory\n"
           "  --output file   with -CREATE: write the movie here instead of the project's Output-AVI\n"
           "  --make-complete-project folder\n"
           "                  copy the project with all its files into the folder, with make.sh\n"
           "  --list-effects  list the transition effects (built in, then plug-ins)\n"
           "  --list-codecs   list the video codecs and audio formats each movie container can hold\n"
           "  --quiet, -q     show only errors and warnings while working\n"
           "  --verbose, -v   show every status text (one line each when not on a terminal)\n"
           "  --help          show this text\n"
           "  --version       show the program version\n"
           "\n"
           "Switches are not case-sensitive. A switch with a value only counts when a value follows it.\n"
           "Settings, language files, plug-ins and caches live in the program directory: $TROV_HOME when\n"
           "set, else the program's own directory when it is writable, else ~/.local/share/trovamatic.\n";
}

}  // namespace trov
