// Codec settings files: the chosen video options and audio format saved as "CS_<n>.ini" in the
// program directory's "CodecSettings" folder, listed, loaded and deleted.
//
// Sections and keys (integers written with "%d"):
//   Video:  fccType, fccHandler, dwKeyFrameEvery, dwQuality, dwBytesPerSecond, dwFlags,
//           dwInterleaveEvery, BufferSize (codec state bytes n), Byte0 .. Byte<n-1>  -- only when a
//           video set-up exists; Description always.
//   Audio:  Byte0 .. Byte17 (the wave format record without extra bytes), Description
//           ("Not set!" when there is no audio codec).
//   Audio2: Byte0 .. Byte407, what the audio chooser needs to select the format again.
// The manager glues this to its video set-up and to the audio format slot.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "video/VideoTypes.h"

namespace trov {

inline constexpr const char* kNotSetText = "Not set!";
inline constexpr size_t kAudioFormatBytes = 18;
inline constexpr size_t kAudioChooserBytes = 408;

struct CodecSettingsRecord {
    // Saving: whether a video set-up exists (writes the option keys). Loading: whether the file had
    // them. `video` is all zero when it had not.
    bool hasVideo = false;
    CompressionOptions video;
    std::string videoDescription = kNotSetText;
    // Loading leaves bytes whose keys are missing unchanged, so fill these with the current slot
    // bytes before loading.
    std::array<uint8_t, kAudioFormatBytes> audioFormat{};
    std::string audioDescription = kNotSetText;
    // At most kAudioChooserBytes; saved zero-padded to exactly that many.
    std::vector<uint8_t> audioChooser;
};

struct CodecSettingsRow {
    std::string video;     // Video/Description ("" when missing)
    std::string audio;     // Audio/Description ("" when missing)
    std::string fileName;  // e.g. "CS_0.ini"
};

// <program directory>/CodecSettings.
std::string CodecSettingsDirectory();

// Saves under the first free name "CS_0.ini", "CS_1.ini" ... in `directory` (created when
// missing). Returns the file name, or "" when both descriptions are "Not set!" or saving failed.
std::string SaveCodecSettings(const CodecSettingsRecord& record,
                              const std::string& directory = CodecSettingsDirectory());

// One row per "*.ini" file of the directory that loads, sorted by file name.
std::vector<CodecSettingsRow> ListCodecSettings(const std::string& directory = CodecSettingsDirectory());

// Loads `name` (relative to the directory; an absolute path is taken as it is; when no file has
// exactly that name, one that differs only in case is taken). False, record unchanged, when it does
// not load. The video options are read into a fresh zeroed record.
bool LoadCodecSettings(const std::string& name, CodecSettingsRecord& record,
                       const std::string& directory = CodecSettingsDirectory());

// Deletes the file; false when it did not exist or could not be removed.
bool DeleteCodecSettings(const std::string& name, const std::string& directory = CodecSettingsDirectory());

// For setting up codecs without the dialog (command line): a record whose video part names the
// encoder ("H264", "libx264", "MJPG" ...) at quality 0..10000 with extra encoder options. The
// audio part is left "Not set!". False when the encoder is not available here.
bool MakeVideoCodecSettings(const std::string& codec, uint32_t quality, const std::string& extraOptions,
                            CodecSettingsRecord& record);

}  // namespace trov
