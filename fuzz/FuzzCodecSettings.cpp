// Fuzz harness: a codec settings file as the command line reads it: the record (video options,
// audio format bytes), the encoder it names opened with the stored options, and the audio
// format re-selected from the file.
#include "FuzzSupport.h"
#include "audio/AudioFormats.h"
#include "settings/SettingsStore.h"
#include "video/CodecSettings.h"
#include "video/VideoCodecs.h"

using namespace trov;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::QuietProgram();
    fuzz::MemoryFile input(data, size);
    CodecSettingsRecord record;
    if (!LoadCodecSettings(input.Path(), record, fuzz::ScratchDirectory())) return 0;
    (void)GetVideoCodecName(&record.video);
    if (record.hasVideo && FindVideoEncoder(record.video.fccHandler)) {
        BitmapInfoHeader header{};
        header.biSize = sizeof header;
        header.biWidth = 32;
        header.biHeight = 18;
        header.biPlanes = 1;
        header.biBitCount = 24;
        std::string reason;
        (void)CanCompress(record.video, header, fuzz::ScratchDirectory() + "/fuzz.avi", &reason);
    }
    CSettingsStore store;
    if (!store.Load(input.Path())) return 0;
    std::string audioText;
    (void)ReadAudioCodecSettings(store, nullptr, &audioText);
    ClearAudioFormatSlots();
    return 0;
}
