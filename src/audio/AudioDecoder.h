// Audio sources that are not plain PCM WAV files: WAV files with a compressed payload (ADPCM,
// MP3 ...) and audio files of their own (MP3, FLAC, Ogg Vorbis, Opus, ...), decoded through FFmpeg
// into standard-format WAV copies that the track assembly then reads like any WAV file.
#pragma once

#include <functional>
#include <string>

namespace trov {

// True when the file opens as a WAV file of integer or float PCM the converter takes directly.
bool IsPcmWaveFile(const std::string& path);

// Whether FFmpeg can decode audio from the file: it opens, has an audio stream with a decoder, and
// its first packets decode. On false, `reason` (when given) says why in one sentence.
bool CanDecodeAudio(const std::string& path, std::string* reason = nullptr);

// Whether the track assembly can play the file: a PCM WAV file, or one FFmpeg decodes.
bool IsPlayableAudioFile(const std::string& path, std::string* reason = nullptr);

// The play length of the audio in ms: exact for PCM WAV files, the container's figure for others;
// -1 when the file has no audio FFmpeg can decode.
int AudioFileLengthMs(const std::string& path);

// Decodes the whole file into a standard-format WAV file at `target` (created or replaced), the
// encoder delay and padding that the file signals already left out. False with a reason (the
// target is then removed); `cancelled`, when given, is asked between packets.
bool DecodeToStandardWave(const std::string& source, const std::string& target, std::string& error,
                          const std::function<bool()>& cancelled = {});

}  // namespace trov
