// Which video codecs and audio formats each output container can hold: one table, read by the
// command line (refusal before a file is made, --list-codecs) and by the codec dialogs.
//
// The table is ours, not FFmpeg's avformat_query_codec (which answers "unknown" for several
// pairs); every cell is checked against real writes by the end-to-end matrix test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trov {

// One kind of movie file the program writes.
struct SOutputContainer {
    std::string name;       // "AVI", "MKV", "MP4", "MOV"
    std::string extension;  // ".avi" ...
    std::string muxer;      // FFmpeg muxer name, as ContainerForPath gives it
};

// AVI, MKV, MP4, MOV, in this order.
const std::vector<SOutputContainer>& OutputContainers();
// The container an output path selects (by extension, case-insensitive; anything unknown is AVI).
const SOutputContainer& OutputContainerForPath(const std::string& path);

// An audio format the program can write, named by its wave format tag.
struct SOutputAudioFormat {
    uint16_t formatTag = 0;
    std::string name;  // "PCM", "MPEG Layer-3", "MPEG Layer-2", "AC-3", "AAC"
};
// The audio formats of the table, PCM first (whether this machine has their encoders is the
// audio layer's question).
const std::vector<SOutputAudioFormat>& OutputAudioFormats();

// Whether a container (by muxer name) can hold the video codec of a FOURCC (or one of its
// aliases; 0 means uncompressed) / the audio format of a wave format tag. Unknown codecs, tags or
// muxers: false.
bool ContainerHoldsVideo(const std::string& muxer, uint32_t fourCC);
bool ContainerHoldsAudio(const std::string& muxer, uint16_t formatTag);

// Whether the container tells players to skip audio before the movie's start (MP4 and MOV edit
// lists): then compressed audio starts early by its encoder's priming. In FFmpeg 5.1 the Matroska
// writer signals a codec delay only for Opus, and AVI has no way at all.
bool ContainerTrimsEncoderDelay(const std::string& muxer);

// The short name a codec is called by in messages ("FFV1", "H.264", "Uncompressed video"), "" for
// a code the table does not know.
std::string VideoCodecShortName(uint32_t fourCC);

// Whether a movie with this video codec and audio format (tag 0: no audio) can be written to
// outputPath. Empty when it can; otherwise one sentence that names the codec, the container and
// what would work, e.g. "FFV1 cannot be stored in MP4; use .avi, .mkv or .mov".
std::string CheckOutputCombination(const std::string& outputPath, uint32_t videoFourCC,
                                   uint16_t audioFormatTag);

}  // namespace trov
