// trov: the command-line front end.
#include <cstdio>
#include <cstring>
#include <strings.h>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Trovamatic 3.7\n");
            return 0;
        }
    }
    std::printf("usage: trov [-PROJECT file] [-CREATE codec-settings] [-DEBUG] [--help] [--version]\n");
    return 0;
}
