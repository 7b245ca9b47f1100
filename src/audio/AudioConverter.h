// Conversion of PCM blocks into another wave format: PCM to PCM through libswresample, PCM to
// MPEG Layer-3/Layer-2, AC-3 or AAC through the FFmpeg encoders. The stream behind CWaveFile's
// encoder fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "video/WaveFormat.h"

namespace trov {

// One compressed packet inside the output bytes of a conversion call. Times count samples of
// the target rate from the start of the stream; the encoder delay is already removed, so the
// first packet starts at 0.
struct SEncodedPacket {
    size_t offset = 0;
    size_t size = 0;
    int64_t pts = 0;
    int64_t duration = 0;
};

// The FFmpeg encoder that realises a compressed format tag on this machine, or "" when none.
std::string EncoderNameForTag(uint16_t formatTag);

class CAudioConverter {
public:
    CAudioConverter();
    ~CAudioConverter();
    CAudioConverter(const CAudioConverter&) = delete;
    CAudioConverter& operator=(const CAudioConverter&) = delete;

    // Opens a conversion from `source` (integer PCM of 8, 16, 24 or 32 bits, or float PCM, 1-8
    // channels, any rate) to `target` (PCM of 8/16/24/32 bits, or a compressed tag with an encoder).
    // False with a reason in `error` when the pair cannot be converted.
    bool Open(const SWaveFormat& source, const SWaveFormat& target, std::string& error);
    void Close();
    bool IsOpen() const;

    // Converts the leading whole sample frames of `data` and appends the result to `out` (and, for
    // compressed targets, one entry per packet to `packets`). `consumed` gets the source bytes used;
    // the rest (a partial sample frame, or for an encoder without resampling the samples that do not
    // fill a whole codec frame) must be offered again with the next call.
    bool Convert(const uint8_t* data, size_t size, size_t& consumed, std::vector<uint8_t>& out,
                 std::vector<SEncodedPacket>& packets);
    // End of stream: converts `tail` completely (padding the last codec frame with silence), drains
    // the resampler and the encoder. Packets that would only carry the encoder's delay past the end of
    // the input are dropped, so the stream lasts the input's duration rounded up to a codec frame.
    bool Flush(const uint8_t* tail, size_t size, std::vector<uint8_t>& out,
               std::vector<SEncodedPacket>& packets);

    // Samples (at the target rate) of priming the encoder puts in front of the first input sample;
    // 0 for PCM. A decoder plays them first unless the container tells it to skip them.
    int GetEncoderDelay() const;
    // For containers that cannot signal the priming: the first GetEncoderDelay() samples' worth of
    // input are left out, so that the priming takes their place and every later sample plays at its
    // own time. Call after Open, before the first Convert.
    void SkipEncoderDelay();

    bool IsCompressed() const;
    // Samples per codec frame of the encoder (0 for PCM targets).
    int GetFrameSamples() const;
    // The encoder's parameters as a wave format as FFmpeg would store it (for PCM the target).
    const SWaveFormat& GetTargetFormat() const;
    // The encoder's codec extradata (AAC AudioSpecificConfig), empty otherwise.
    std::vector<uint8_t> GetCodecExtradata() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace trov
