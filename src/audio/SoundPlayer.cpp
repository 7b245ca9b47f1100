// ALSA playback, the asynchronous player and the audio entry preview.
#include "audio/SoundPlayer.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <filesystem>

#include "audio/WaveFile.h"
#include "infra/UserPrompt.h"

namespace trov {
namespace {

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

CSoundOutput* g_output = nullptr;

}  // namespace

bool ReadWaveAsPcm16(const std::string& path, std::vector<uint8_t>& pcm, SWaveFormat& format) {
    CWaveFile wave;
    if (!wave.Open(path) || !wave.Load()) return false;
    const SWaveFormat source = *wave.GetFormat();
    format = PcmWaveFormat(source.samplesPerSec, source.channels, 16);
    if (source.IsIntegerPcm() && source.bitsPerSample == 16) {
        pcm.assign(wave.GetData(), wave.GetData() + wave.GetDataSize());
        return true;
    }
    if (!wave.OpenEncoder(format) || !wave.AudioEncodeBuffer(wave.GetData(), size_t(wave.GetDataSize())))
        return false;
    pcm.assign(wave.GetEncodedData(), wave.GetEncodedData() + wave.GetEncodedSize());
    if (wave.AudioEncodeFlush() && wave.GetEncodedSize() > 0)
        pcm.insert(pcm.end(), wave.GetEncodedData(), wave.GetEncodedData() + wave.GetEncodedSize());
    return true;
}

bool CAlsaSoundOutput::Play(const uint8_t* pcm, size_t size, const SWaveFormat& format,
                            const std::atomic<bool>* stop) {
    m_lastError.clear();
    if (format.bitsPerSample != 16 || format.channels < 1 || format.samplesPerSec == 0) {
        m_lastError = "only 16-bit PCM can be played";
        return false;
    }
    snd_lib_error_set_handler(QuietAlsa);
    snd_pcm_t* handle = nullptr;
    int rc = snd_pcm_open(&handle, m_device.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (rc < 0) {
        m_lastError = "snd_pcm_open(" + m_device + "): " + snd_strerror(rc);
        return false;
    }
    rc = snd_pcm_set_params(handle, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                            format.samplesPerSec, 1, 200000);
    if (rc < 0) {
        m_lastError = std::string("snd_pcm_set_params: ") + snd_strerror(rc);
        snd_pcm_close(handle);
        return false;
    }
    const size_t frameBytes = size_t(format.channels) * 2;
    const snd_pcm_uframes_t total = size / frameBytes;
    snd_pcm_uframes_t done = 0;
    bool ok = true;
    while (done < total && !(stop && stop->load())) {
        snd_pcm_uframes_t n = std::min<snd_pcm_uframes_t>(total - done, 4410);
        snd_pcm_sframes_t w = snd_pcm_writei(handle, pcm + done * frameBytes, n);
        if (w < 0) {
            w = snd_pcm_recover(handle, int(w), 1);
            if (w < 0) {
                m_lastError = std::string("snd_pcm_writei: ") + snd_strerror(int(w));
                ok = false;
                break;
            }
            continue;
        }
        done += snd_pcm_uframes_t(w);
    }
    if (stop && stop->load())
        snd_pcm_drop(handle);
    else
        snd_pcm_drain(handle);
    snd_pcm_close(handle);
    return ok;
}

bool CAlsaSoundOutput::CanPlay(const SWaveFormat& format, std::string* why) {
    snd_lib_error_set_handler(QuietAlsa);
    snd_pcm_t* handle = nullptr;
    int rc = snd_pcm_open(&handle, m_device.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (rc < 0) {
        if (why) *why = "snd_pcm_open(" + m_device + "): " + snd_strerror(rc);
        return false;
    }
    unsigned channels = format.channels ? format.channels : 2;
    unsigned rate = format.samplesPerSec ? format.samplesPerSec : 44100;
    rc = snd_pcm_set_params(handle, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate, 1,
                            200000);
    snd_pcm_close(handle);
    if (rc < 0) {
        if (why) *why = std::string("snd_pcm_set_params: ") + snd_strerror(rc);
        return false;
    }
    return true;
}

CSoundOutput& GetSoundOutput() {
    if (g_output) return *g_output;
    static CAlsaSoundOutput fallback(std::getenv("TROV_SOUND_DEVICE") ? std::getenv("TROV_SOUND_DEVICE")
                                                                      : "default");
    return fallback;
}

void SetSoundOutput(CSoundOutput* output) {
    g_output = output;
}

bool PlayWaveFile(const std::string& path, CSoundOutput& output, const std::atomic<bool>* stop) {
    std::vector<uint8_t> pcm;
    SWaveFormat format;
    if (!ReadWaveAsPcm16(path, pcm, format)) return false;
    return output.Play(pcm.data(), pcm.size(), format, stop);
}

CSoundPlayer::CSoundPlayer(CSoundOutput& output) : m_output(output) {
    m_thread = std::thread([this] { Run(); });
}

CSoundPlayer::~CSoundPlayer() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

bool CSoundPlayer::PlayFile(const std::string& path, bool loop) {
    std::vector<uint8_t> pcm;
    SWaveFormat format;
    if (!ReadWaveAsPcm16(path, pcm, format)) return false;
    PlayPcm(std::move(pcm), format, loop);
    return true;
}

void CSoundPlayer::PlayPcm(std::vector<uint8_t> pcm, const SWaveFormat& format, bool loop) {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;  // the sound playing now ends at its next block
        m_pcm = std::move(pcm);
        m_format = format;
        m_loop = loop;
        m_hasWork = true;
    }
    m_wake.notify_all();
}

void CSoundPlayer::Stop() {
    std::lock_guard lock(m_mutex);
    m_hasWork = false;
    m_stop = true;
}

void CSoundPlayer::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_hasWork; });
        if (m_quit) return;
        std::vector<uint8_t> pcm = std::move(m_pcm);
        SWaveFormat format = m_format;
        const bool loop = m_loop;
        m_hasWork = false;
        m_stop = false;
        m_playing = true;
        lock.unlock();
        bool ok = true;
        do {
            ok = m_output.Play(pcm.data(), pcm.size(), format, &m_stop);
        } while (ok && loop && !m_stop.load() && !pcm.empty());
        m_failed = !ok;
        lock.lock();
        m_playing = false;
    }
}

bool PlayAudioEntryPreview(const std::string& audioFile, int startMs, bool loop, const std::string& tempDir,
                           CSoundOutput& output) {
    CWaveFile source;
    if (!source.Open(audioFile)) return false;
    const std::string clip = (std::filesystem::path(tempDir) / "TempUsed.wav").string();
    CWaveFile cut;
    if (!cut.Create(clip, *source.GetFormat())) return false;
    if (source.LoadPart(startMs, startMs + 2000, loop, startMs) && source.GetData())
        cut.WriteBytes(source.GetData(), size_t(source.GetDataSize()));
    bool ok = cut.Close() && PlayWaveFile(clip, output);
    std::error_code ec;
    std::filesystem::remove(clip, ec);
    return ok;
}

bool ValidateAudioEntryFile(const std::string& audioFile, CUserPrompt* prompt) {
    if (audioFile.empty()) return true;
    CWaveFile wave;
    if (wave.Open(audioFile)) return true;
    (prompt ? *prompt : GetUserPrompt())
        .Message(
            "Error: Your selected WAV-File seems not to be valid. Please check your file and check if your "
            "file is "
            "a WAV-File.",
            "TROV");
    return false;
}

}  // namespace trov
