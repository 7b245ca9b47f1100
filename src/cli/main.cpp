// trov: the command-line front end.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/TrovCommand.h"

namespace {

// A creation maps and frees large blocks by the hundred (libjpeg's coefficient buffers of
// progressive photos, decoded pictures, frames). On transparent huge pages they fault in 2 MB at a
// time instead of 4 KB, which saves about a tenth of a short creation. glibc reads the setting
// only at start-up, so the program starts itself once more with it (same process, same
// arguments); when that cannot be done it simply runs as it is.
void StartWithHugePages(char** argv) {
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    if (tunables && std::strstr(tunables, "glibc.malloc.hugetlb")) return;  // set already, or by the user
    std::string value = tunables && *tunables ? std::string(tunables) + ":" : std::string();
    value += "glibc.malloc.hugetlb=1";
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0) return;
    execv("/proc/self/exe", argv);
}

}  // namespace

int main(int argc, char** argv) {
    StartWithHugePages(argv);
    trov::SCommandLine cl = trov::SCommandLine::Parse(argc, argv);
    return trov::RunTrov(cl, "trov");
}
