// Playing sound: a small output interface realised with ALSA, blocking playback of a WAV file, an
// asynchronous player for the synchronisation dialog, and the audio entry's short preview.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "video/WaveFormat.h"

namespace trov {

class CUserPrompt;

// Where PCM goes to be heard. Implementations must be usable from one thread at a time.
class CSoundOutput {
public:
    virtual ~CSoundOutput() = default;
    // Plays 16-bit interleaved PCM of `format` (rate, channels) to the end or until *stop becomes
    // true (stop may be null). False when the device cannot be opened or fails.
    virtual bool Play(const uint8_t* pcm, size_t size, const SWaveFormat& format,
                      const std::atomic<bool>* stop) = 0;
    // Whether sound of this format can be played now (the device opens and takes it); why, when
    // given, receives the cause of a false.
    virtual bool CanPlay(const SWaveFormat& format, std::string* why) {
        (void)format;
        (void)why;
        return true;
    }
};

// ALSA playback on a named PCM device: "default" on desktops (PipeWire or PulseAudio behind it),
// "null" where there is no sound card (tests, servers). ALSA's own diagnostics are silenced.
class CAlsaSoundOutput : public CSoundOutput {
public:
    explicit CAlsaSoundOutput(std::string device = "default") : m_device(std::move(device)) {}
    bool Play(const uint8_t* pcm, size_t size, const SWaveFormat& format,
              const std::atomic<bool>* stop) override;
    bool CanPlay(const SWaveFormat& format, std::string* why) override;
    const std::string& GetLastError() const { return m_lastError; }

private:
    std::string m_device;
    std::string m_lastError;
};

// The process-wide output ("default" ALSA device unless replaced; TROV_SOUND_DEVICE in the
// environment names another device). Not owned when set.
CSoundOutput& GetSoundOutput();
void SetSoundOutput(CSoundOutput* output);

// Reads a WAV file whole, converts it to 16-bit PCM of its own rate and channels when needed, and
// plays it until the end (blocking). False when the file does not open or cannot be played.
bool PlayWaveFile(const std::string& path, CSoundOutput& output, const std::atomic<bool>* stop = nullptr);
// The whole data of a WAV file as 16-bit PCM of its own rate and channel count.
bool ReadWaveAsPcm16(const std::string& path, std::vector<uint8_t>& pcm, SWaveFormat& format);

// Plays one sound at a time on its own thread; a new sound stops the previous one.
class CSoundPlayer {
public:
    explicit CSoundPlayer(CSoundOutput& output);
    ~CSoundPlayer();
    CSoundPlayer(const CSoundPlayer&) = delete;
    CSoundPlayer& operator=(const CSoundPlayer&) = delete;

    // Starts playing the file (read whole into memory first); false when it does not open.
    // loop: starts again at the end until stopped.
    bool PlayFile(const std::string& path, bool loop = false);
    // Starts playing 16-bit PCM held in memory.
    void PlayPcm(std::vector<uint8_t> pcm, const SWaveFormat& format, bool loop = false);
    // Purges what plays (the device drops it at once).
    void Stop();
    bool IsPlaying() const { return m_playing.load(); }
    // The output refused the last sound.
    bool LastPlayFailed() const { return m_failed.load(); }

private:
    void Run();

    CSoundOutput& m_output;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<uint8_t> m_pcm;
    SWaveFormat m_format;
    bool m_loop = false;
    bool m_hasWork = false;
    bool m_quit = false;
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_playing{false};
};

// The audio settings dialog's "Play short example": 2000 ms of the file from `startMs` (looping as
// asked, loop start = startMs) cut into tempDir + "/TempUsed.wav", played (blocking) and deleted.
bool PlayAudioEntryPreview(const std::string& audioFile, int startMs, bool loop, const std::string& tempDir,
                           CSoundOutput& output);

// Checks the file of an audio entry when the audio settings dialog is confirmed: an empty name is
// fine; a file that does not open as WAV gets the message and false.
bool ValidateAudioEntryFile(const std::string& audioFile, CUserPrompt* prompt = nullptr);

}  // namespace trov
