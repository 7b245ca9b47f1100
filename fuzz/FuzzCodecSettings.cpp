// Fuzz harness: a codec settings file as the command line reads it: the record (video options,
// audio format bytes), the stored encoder options parsed, and the audio format re-selected from
// the file.
#include "FuzzSupport.h"
#include "audio/AudioFormats.h"
#include "settings/SettingsStore.h"
#include "video/CodecSettings.h"
#include "video/FfmpegSupport.h"
#include "video/VideoCodecs.h"

using namespace trov;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::QuietProgram();
    fuzz::MemoryFile input(data, size);
    CodecSettingsRecord record;
    if (!LoadCodecSettings(input.Path(), record, fuzz::ScratchDirectory())) return 0;
    (void)GetVideoCodecName(&record.video);
    if (record.hasVideo && FindVideoEncoder(record.video.fccHandler)) {
        // The stored encoder options, as the encoder set-up applies them (opening the encoder
        // itself would cost milliseconds per input and fuzz FFmpeg rather than our file).
        AVDictionary* options = nullptr;
        std::string reason;
        (void)ffmpeg::ParseStateText(record.video.GetStateText(), &options, reason);
        av_dict_free(&options);
    }
    CSettingsStore store;
    if (!store.Load(input.Path())) return 0;
    std::string audioText;
    (void)ReadAudioCodecSettings(store, nullptr, &audioText);
    ClearAudioFormatSlots();
    return 0;
}
