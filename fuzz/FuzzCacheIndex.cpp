// Fuzz harness: a cache index file loaded by a file cache, then looked up, added to and listed.
#include <string>

#include "FuzzSupport.h"
#include "project/FileCache.h"

using namespace trov;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::QuietProgram();
    fuzz::MemoryFile input(data, size);
    CFileCache cache;
    cache.SetDirectory("/proc/self/fd");
    if (!cache.LoadIndex(std::to_string(input.Descriptor()))) std::abort();  // a readable file always loads
    (void)cache.Lookup("picture.jpg#0#");
    (void)cache.Lookup(std::string(reinterpret_cast<const char*>(data), size));
    cache.Add("picture.jpg#0#", "/tmp/none.bmp");
    (void)cache.GetIndexSize();
    return 0;
}
