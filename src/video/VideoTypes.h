// Records shared by the video layer and its users: FOURCC codes, the compression options of the
// video codec, the stream information of an AVI stream and the encoded audio hand-over.
// No FFmpeg types appear here, so every layer may include this header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trov {

// Four-character code, first character in the lowest byte (as stored in AVI headers).
constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16) |
           (uint32_t(uint8_t(d)) << 24);
}
// "MJPG" for MakeFourCC('M','J','P','G'); unprintable bytes become '?'. 0 gives "".
std::string FourCCToString(uint32_t fourCC);
// The reverse; shorter texts are padded with blanks ("DIB" -> "DIB "), longer ones give 0.
uint32_t FourCCFromString(const std::string& text);

inline constexpr uint32_t kStreamTypeVideo = MakeFourCC('v', 'i', 'd', 's');
inline constexpr uint32_t kStreamTypeAudio = MakeFourCC('a', 'u', 'd', 's');
// The key-frame flag of the options record and of written samples.
inline constexpr uint32_t kKeyFrameFlag = 4;
// Quality values above this mean "the encoder's default quality".
inline constexpr uint32_t kMaxQuality = 10000;
inline constexpr uint32_t kDefaultQuality = 7500;

// The compression options record of the video codec, fields in their historic order.
//  fccType        0 (kept for the codec settings files)
//  fccHandler     FOURCC naming our encoder (see VideoCodecs.h for the list)
//  dwKeyFrameEvery  key-frame interval in frames; the compressing stream sets it to one second
//  dwQuality      0..10000 (higher is better), mapped per encoder; > 10000 = encoder default
//  dwBytesPerSecond  target data rate; 0 = quality-driven
//  dwFlags        kKeyFrameFlag when dwKeyFrameEvery is in force
//  format         output format bytes (unused by our encoders, kept for completeness)
//  state          codec state: the encoder's extra options as text, "key=value" pairs separated by
//                 ";" or line breaks, e.g. "preset=medium;tune=film". Values may contain ":"
//                 (so "x264-params=aq-mode=2:psy=0" works).
//  dwInterleaveEvery  kept for the codec settings files; not used by the writer
struct CompressionOptions {
    uint32_t fccType = 0;
    uint32_t fccHandler = 0;
    uint32_t dwKeyFrameEvery = 0;
    uint32_t dwQuality = 0;
    uint32_t dwBytesPerSecond = 0;
    uint32_t dwFlags = 0;
    std::vector<uint8_t> format;
    std::vector<uint8_t> state;
    uint32_t dwInterleaveEvery = 0;

    bool operator==(const CompressionOptions&) const = default;

    std::string GetStateText() const { return std::string(state.begin(), state.end()); }
    void SetStateText(const std::string& text) { state.assign(text.begin(), text.end()); }
};

struct StreamRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const StreamRect&) const = default;
};

// The stream information record of one stream (the AVI stream header plus a name).
// Reading: filled from the file (scale/rate give the sample rate, length the number of samples:
// frames for video, blocks of sampleSize bytes for PCM audio, packets for frame-based audio).
// Writing: the values the stream was made with; length grows as samples are written.
struct AVIStreamInfo {
    uint32_t fccType = 0;  // kStreamTypeVideo / kStreamTypeAudio / 0 for other kinds
    uint32_t fccHandler = 0;
    uint32_t dwFlags = 0;
    uint32_t dwCaps = 0;
    uint16_t wPriority = 0;
    uint16_t wLanguage = 0;
    uint32_t dwScale = 0;
    uint32_t dwRate = 0;
    uint32_t dwStart = 0;
    uint32_t dwLength = 0;
    uint32_t dwInitialFrames = 0;
    uint32_t dwSuggestedBufferSize = 0;
    uint32_t dwQuality = 0;
    uint32_t dwSampleSize = 0;
    StreamRect rcFrame;
    uint32_t dwEditCount = 0;
    uint32_t dwFormatChangeCount = 0;
    std::string szName;
};

// A block of encoded audio as the audio layer hands it to CAVIStream::WriteAudio.
//
//  bytes        the payload, as the encoder produced it.
//  packetSizes  how `bytes` splits into packets; each packet becomes one chunk of the file.
//               Frame-based codecs (MP3, MP2, AC-3, AAC ...) MUST give one entry per encoded
//               frame, because the container counts one chunk as one frame of audio.
//               Empty: the whole of `bytes` is one chunk. That is right for PCM and ADPCM, where
//               bytes must be a whole number of block-alignment units.
//  packetSamples  optional, one entry per packet: the number of audio sample frames (per
//               channel) the packet decodes to. Empty: derived from the format (PCM: bytes /
//               block alignment; MP3: 1152 or 576; AC-3: 1536; AAC: 1024 ...).
//               Only needed for codecs whose frames vary in length.
// Packets must be in decoding order with any encoder delay already removed (the first packet
// plays at time 0 of the movie).
struct EncodedAudio {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> packetSizes;
    std::vector<uint32_t> packetSamples;
};

}  // namespace trov
