// Fuzz harness: the WAV reader: Open, Load and LoadPart with and without looping, as the audio
// track reads its pieces.
#include <algorithm>

#include "FuzzSupport.h"
#include "audio/WaveFile.h"

using namespace trov;

namespace {
constexpr int64_t kBytesPerSecond = int64_t(1) << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::QuietProgram();
    fuzz::MemoryFile input(data, size);
    CWaveFile wave;
    if (!wave.Open(input.Path())) return 0;
    int length = wave.GetLengthMs();
    // The ranges the audio track asks for: from the start, across the end, looping from a later
    // point, and a loop start past the end. The last input bytes choose the shift so that the
    // fuzzer reaches odd positions too. Formats of many megabytes a second get the same ranges
    // shortened to about a megabyte a second of their time: a 2.5 s piece of them is a buffer of
    // a hundred megabytes whose clearing costs the search a tenth of a second per input and shows
    // nothing new.
    const int64_t perSecond = std::max<int64_t>(1, wave.MsToByte(1000));
    const int64_t unit = perSecond > kBytesPerSecond ? perSecond / kBytesPerSecond : 1;
    auto ms = [unit](int64_t t) { return int(t / unit); };
    int shift = size >= 2 ? (data[size - 1] | (data[size - 2] << 8)) % 3000 : 0;
    wave.LoadPart(0, ms(1000), false, -1);
    wave.LoadPart(ms(shift), ms(shift + 2500), true, -1);
    wave.LoadPart(std::max(0, length - ms(700)), length + ms(1300), true, ms(shift % 997));
    wave.LoadPart(ms(shift), ms(shift + 900), true, length + 5);
    uint8_t block[4096];
    (void)wave.ReadBytes(block, sizeof block, 0);
    (void)wave.ReadBytes(block, sizeof block, -1);
    // Whole files are loaded too (previews, normalising); keep that to sizes a fuzz run can hold.
    if (wave.GetDataChunkSize() <= (int64_t(16) << 20)) wave.Load();
    wave.Close();
    return 0;
}
