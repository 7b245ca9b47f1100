// Fuzz harness: the text file reader and the settings store (8-bit, UTF-16 LE and BE files), and
// the flight-point text files that go through the same reader.
#include <cstdlib>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "creation/PictureMove.h"
#include "settings/SettingsStore.h"
#include "settings/TextFile.h"

using namespace trov;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::QuietProgram();
    fuzz::MemoryFile input(data, size);

    CTextFile text;
    if (!text.Read(input.Path())) std::abort();  // a readable file always reads

    CSettingsStore store;
    if (!store.Load(input.Path())) std::abort();
    // A store that survives its own text form unchanged must also survive a save and a load in
    // each encoding unchanged: projects and settings files are saved this way and read back.
    // (Stores that do not are normalised by the parser itself: blanks around keys and such.)
    std::vector<std::string> lines = store.ToLines();
    CSettingsStore fromText;
    fromText.FromText(store.ToText());
    bool stable = fromText.ToLines() == lines;
    // Saves replace a real file in a real folder (temporary file, flush, rename), so they go to the
    // scratch directory (fuzz.sh puts it on /dev/shm, where a flush costs nothing).
    const std::string out = fuzz::ScratchDirectory() + "/saved.ini";
    for (int encoding : {CTextFile::k8Bit, CTextFile::kUtf16LE, CTextFile::kUtf16BE}) {
        if (!store.Save(out, encoding)) std::abort();
        CSettingsStore again;
        if (!again.Load(out)) std::abort();
        if (stable && again.ToLines() != lines) std::abort();
    }

    std::vector<std::pair<int, int>> points;
    if (!ReadFlightPointFile(input.Path(), points)) std::abort();
    return 0;
}
