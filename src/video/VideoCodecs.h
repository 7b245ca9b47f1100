// The video encoders this program offers, found in the installed FFmpeg, named by FOURCC, and the
// questions the codec choice needs answered: what is there, what is it called, can it compress a
// given picture format into a given container.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/Picture.h"
#include "video/VideoTypes.h"

namespace trov {

// How an encoder reads dwQuality.
enum class QualityMapping {
    None,       // lossless or uncompressed: quality ignored
    Quantiser,  // MJPEG, MPEG-4 Part 2 family: fixed quantiser 2..31 (2 at 10000)
    Crf,        // H.264, H.265: constant rate factor (10 at 10000, about 19 at 7500, 45 at 0)
};

struct VideoEncoderInfo {
    uint32_t fourCC = 0;      // the code written into fccHandler
    std::string fourCCText;   // e.g. "MJPG"
    std::string encoderName;  // FFmpeg encoder name, e.g. "mjpeg"
    std::string description;  // human text for lists, e.g. "Motion JPEG (MJPG)"
    bool lossless = false;    // decoded frames equal the written ones exactly
    QualityMapping quality = QualityMapping::None;
    std::vector<uint32_t> aliases;  // other codes accepted for this encoder when reading settings
};

// The offered encoders that the installed FFmpeg really has, in the order of the choice list.
// Determined once per process; thread-safe.
const std::vector<VideoEncoderInfo>& AvailableVideoEncoders();

// The encoder for a FOURCC or one of its aliases (case-sensitive codes, as in AVI files);
// null when this machine has none. "DIB " and 0 both name the uncompressed writer.
const VideoEncoderInfo* FindVideoEncoder(uint32_t fourCC);

// The description shown for a codec choice: "Not set!" for null; the encoder's description for a
// known code; "Uncompressed" for a non-zero code without an encoder here; "" for code 0.
std::string GetVideoCodecName(const CompressionOptions* options);

// Options for an encoder named by FOURCC text or FFmpeg encoder name ("H264", "libx264", "mjpeg"),
// with a quality 0..10000 and extra options text. False when no such encoder is available.
bool MakeCompressionOptions(const std::string& codec, uint32_t quality, const std::string& extraOptions,
                            CompressionOptions& options);

// Whether the options' encoder can compress pictures of this header's format (24-bit, width x
// height) into a file of the container the output path's extension selects (see
// ContainerForPath). Actually opens the encoder with these settings. On false, `reason` (when
// given) says why in one sentence.
bool CanCompress(const CompressionOptions& options, const BitmapInfoHeader& header,
                 const std::string& outputPath, std::string* reason = nullptr);

// The FFmpeg muxer for an output path: ".mkv" -> "matroska", ".mp4" -> "mp4", ".mov" -> "mov",
// anything else (".avi" and unknown) -> "avi". Case-insensitive.
std::string ContainerForPath(const std::string& path);

// The codec choice of the user interface: given the input format, fills `choice` (fccHandler,
// dwQuality, dwBytesPerSecond, state) and returns true, or returns false when the user cancels.
// `previous` holds the last choice when the choice is offered again (else all zero).
using VideoCodecChooser = std::function<bool(const BitmapInfoHeader& input,
                                             const CompressionOptions& previous, CompressionOptions& choice)>;

// The chooser used when CreateCompressedStream gets neither options nor a chooser. Empty by default
// (then such a call fails as if the user had cancelled). The GUI installs its dialog here.
void SetVideoCodecChooser(VideoCodecChooser chooser);
VideoCodecChooser GetVideoCodecChooser();

}  // namespace trov
