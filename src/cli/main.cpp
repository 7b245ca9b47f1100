// trov: the command-line front end.
#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

#include "cli/TrovCommand.h"

int main(int argc, char** argv) {
#ifdef M_MMAP_THRESHOLD
    // Photos and prepared pictures of tens of megabytes come and go on several threads. With
    // glibc's sliding threshold, blocks that size soon come from the threads' arenas, which keep
    // the memory once freed; a fixed threshold gives each block of 8 MiB or more its own mapping,
    // returned to the system when it is freed. Frames (smaller) still come from the arenas.
    mallopt(M_MMAP_THRESHOLD, 8 << 20);
#endif
#ifdef M_TRIM_THRESHOLD
    // A fixed threshold also pins the trim threshold at 128 KiB: every frame freed at the top of
    // an arena would go back to the system and the next one fault in afresh, page by page, a
    // dozen times a second. Arenas keep that much free memory for the frames to come.
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
#endif
    trov::SCommandLine cl = trov::SCommandLine::Parse(argc, argv);
    return trov::RunTrov(cl, "trov");
}
