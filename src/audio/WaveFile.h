// CWaveFile: reads and writes RIFF WAVE files, loads time ranges of their data into a byte buffer
// (optionally looping) and carries the conversion stream that turns such buffers into another
// wave format.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/AudioConverter.h"
#include "video/WaveFormat.h"

namespace trov {

class CWaveFile {
public:
    static constexpr int kModeClosed = -1;
    static constexpr int kModeReading = 1;
    static constexpr int kModeWriting = 2;

    CWaveFile();
    ~CWaveFile();
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    // Closes, then opens a WAV file for reading: "RIFF"/"WAVE", a "fmt " chunk of at least 16
    // bytes (non-PCM tags also need the extra-bytes count and the extra bytes) and a "data" chunk,
    // other chunks skipped. A data chunk claiming more bytes than the file holds is cut to the bytes
    // present. A format beyond 768 kHz or 1024 bytes per sample frame is refused (logged). False,
    // and the object closed, on any failure.
    bool Open(const std::string& path);
    // Closes, then creates a WAV file for writing: "fmt " (16 bytes for PCM, else 18 + extra),
    // "fact" (FF FF FF FF until Close), then the "data" chunk that WriteBytes appends to.
    bool Create(const std::string& path, const SWaveFormat& format);
    // Reading: closes the file. Writing: completes the chunk sizes (pad byte after an odd data
    // chunk) and writes 0 into "fact", then closes. Frees the buffer, the format and the encoder.
    // Returns false when completing the written file failed.
    bool Close();

    // Reads up to `count` data bytes from `position` (bytes from the first data byte; -1 = go on
    // where the last read stopped). Never reads past the data chunk. Returns the bytes read, or -1
    // when not reading, no buffer, or a failed seek.
    int64_t ReadBytes(uint8_t* buffer, int64_t count, int64_t position);
    // Appends bytes to the data chunk; stops quietly after a write failure or at the 4 GiB limit.
    void WriteBytes(const uint8_t* data, size_t count);

    // Replaces the data buffer with the whole data chunk.
    bool Load();
    // Replaces the data buffer with the bytes of [start ms, end ms). Past the end of the data the
    // buffer stays zero (silence) unless `loop`, which repeats the data from `loopStartMs` (-1 = 0).
    // A loop start at or past the end of the data stops the repetition; the rest stays zero.
    // False when not reading, when end < start, or when the range is absurdly large.
    bool LoadPart(int startMs, int endMs, bool loop, int loopStartMs);

    // The data buffer (null when none) and its byte count. The pointer is valid until the next load,
    // SetBuffer or Close.
    uint8_t* GetData() { return m_buffer.empty() ? nullptr : m_buffer.data(); }
    const uint8_t* GetData() const { return m_buffer.empty() ? nullptr : m_buffer.data(); }
    int64_t GetDataSize() const { return m_bufferSize; }
    // Replaces the data buffer with `bytes` (for buffers made in memory, such as silence).
    void SetBuffer(std::vector<uint8_t> bytes);
    // Gives a closed object a format without a file, so that in-memory buffers can be processed.
    void SetFormat(const SWaveFormat& format);

    const SWaveFormat* GetFormat() const { return m_hasFormat ? &m_format : nullptr; }
    int GetMode() const { return m_mode; }
    const std::string& GetFileName() const { return m_fileName; }
    // Size of the data chunk (reading) or of the bytes written so far (writing).
    int64_t GetDataChunkSize() const { return m_mode == kModeWriting ? m_written : m_dataSize; }
    // Truncated data size / bytes per second * 1000; 0 without a format.
    int GetLengthMs() const;
    // Byte position of a time, aligned down to a whole sample frame; -1 without a format.
    int64_t MsToByte(int64_t ms) const;
    int GetFrameSize() const { return m_hasFormat ? m_format.FrameSize() : 0; }

    // Shows the format chooser for a format slot (see AudioFormats.h). `reset` clears the slot first;
    // `automatic` re-selects the slot's stored description without a window. True when a format was
    // chosen; failures are logged.
    static bool ChooseAudioCodec(void* owner, int slot, bool reset, bool automatic);

    // --- conversion stream ---
    // Opens the conversion from this object's format to `target`. On failure shows the
    // "acmStreamOpen" message through the user prompt and returns false.
    bool OpenEncoder(const SWaveFormat& target);
    // Closes the stream; unconverted leftover bytes are dropped.
    void CloseEncoder();
    bool IsEncoderOpen() const;
    // The open stream's encoder priming in target samples (0 for PCM or no stream), and the
    // request to leave that much input out (see CAudioConverter::SkipEncoderDelay).
    int GetEncoderDelay() const { return m_converter ? m_converter->GetEncoderDelay() : 0; }
    void SkipEncoderDelay() {
        if (m_converter) m_converter->SkipEncoderDelay();
    }
    // Converts one block: the leftover bytes of the previous call followed by `data`. The bytes the
    // stream did not consume are kept for the next call. False when no stream is open or it fails.
    bool AudioEncodeBuffer(const uint8_t* data, size_t count);
    // Ends the stream: converts the leftover bytes and whatever the stream still holds.
    bool AudioEncodeFlush();
    const uint8_t* GetEncodedData() const { return m_encoded.empty() ? nullptr : m_encoded.data(); }
    size_t GetEncodedSize() const { return m_encoded.size(); }
    const std::vector<SEncodedPacket>& GetEncodedPackets() const { return m_packets; }
    size_t GetLeftoverSize() const { return m_leftover.size(); }
    const CAudioConverter* GetConverter() const { return m_converter.get(); }
    // Appends the last conversion's output to `target` when it is being written.
    bool WriteEncoded(CWaveFile& target) const;

private:
    bool FindChunk(const char id[4], int64_t from, int64_t end, int64_t& dataOffset, uint32_t& size);
    bool ReadAt(int64_t offset, void* buffer, size_t size);
    bool FlushWriteBuffer();

    std::string m_fileName;
    int m_mode = kModeClosed;
    std::FILE* m_file = nullptr;
    int64_t m_fileSize = 0;
    int64_t m_dataOffset = -1;
    int64_t m_dataSize = 0;
    int64_t m_readPos = 0;  // next data byte ReadBytes(-1) continues from

    // writing
    int64_t m_riffSizeOffset = 0;
    int64_t m_factOffset = 0;
    int64_t m_dataSizeOffset = 0;
    int64_t m_written = 0;
    std::vector<uint8_t> m_writeBuffer;
    bool m_writeFailed = false;

    SWaveFormat m_format;
    bool m_hasFormat = false;

    std::vector<uint8_t> m_buffer;  // m_bufferSize bytes plus one spare zero byte
    int64_t m_bufferSize = 0;

    std::unique_ptr<CAudioConverter> m_converter;
    std::vector<uint8_t> m_leftover;
    std::vector<uint8_t> m_encoded;
    std::vector<SEncodedPacket> m_packets;
};

}  // namespace trov
