// RIFF WAVE reading and writing, range loads with looping, and the conversion stream.
#include "audio/WaveFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>

#include "audio/AudioLog.h"
#include "infra/ByteOrder.h"
#include "infra/UserPrompt.h"

namespace trov {
namespace {

constexpr size_t kWriteBufferSize = 1 << 16;
constexpr int64_t kMaxRiffSize = 0xFFFFFFFFLL;
// No single load may ask for more than this; a range beyond it is an absurd request, not audio.
constexpr int64_t kMaxLoadBytes = int64_t(1) << 31;
// Beyond any recorder or converter: 768 kHz, 1024 bytes per sample frame (e.g. 128 channels of 64 bits).
constexpr uint32_t kMaxSampleRate = 768000;
constexpr uint32_t kMaxFrameBytes = 1024;
// No sample is wider than 64 bits; and together rate and frame size stay within what real
// recordings use (128 channels of 64 bits at 48 kHz are 49 MB/s), so that a header of a few bytes
// cannot make every range load allocate and fill hundreds of megabytes.
constexpr uint32_t kMaxBitsPerSample = 64;
constexpr uint64_t kMaxBytesPerSecond = 50'000'000;

const char* const kStreamOpenError =
    "Error! acmStreamOpen was not sucessfull! This could result from two facts:\r\n\r\n"
    "1. The input format is not valid. Please check it, if the input wave is 44,100 Khz with 16 Bit "
    "Stereo.\r\n2. The chosen codec could not convert the input format. Please choose another codec or "
    "change the settings of the codec.";

}  // namespace

CWaveFile::CWaveFile() = default;

CWaveFile::~CWaveFile() {
    Close();
    CloseEncoder();
}

bool CWaveFile::ReadAt(int64_t offset, void* buffer, size_t size) {
    if (!m_file || offset < 0 || offset + int64_t(size) > m_fileSize) return false;
    if (std::fseek(m_file, long(offset), SEEK_SET) != 0) return false;
    return std::fread(buffer, 1, size, m_file) == size;
}

// Walks the chunks between `from` and `end` looking for `id`; the chunk must start inside the
// range, its size may run past it (the caller limits what it reads).
bool CWaveFile::FindChunk(const char id[4], int64_t from, int64_t end, int64_t& dataOffset, uint32_t& size) {
    int64_t pos = from;
    while (pos + 8 <= end) {
        uint8_t header[8];
        if (!ReadAt(pos, header, 8)) return false;
        uint32_t chunkSize = ReadLe32(header + 4);
        if (std::memcmp(header, id, 4) == 0) {
            dataOffset = pos + 8;
            size = chunkSize;
            return true;
        }
        pos += 8 + int64_t(chunkSize) + (chunkSize & 1);
    }
    return false;
}

bool CWaveFile::Open(const std::string& path) {
    Close();
    CloseEncoder();
    if (path.empty()) return false;
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file) return false;
    auto fail = [this]() {
        std::fclose(m_file);
        m_file = nullptr;
        m_hasFormat = false;
        m_format = SWaveFormat();
        m_dataOffset = -1;
        m_dataSize = 0;
        return false;
    };
    if (std::fseek(m_file, 0, SEEK_END) != 0) return fail();
    long endPos = std::ftell(m_file);
    if (endPos < 0) return fail();
    m_fileSize = endPos;

    uint8_t riff[12];
    if (!ReadAt(0, riff, 12)) return fail();
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return fail();
    // The RIFF size may be wrong in files cut short or written by streaming tools: search to
    // whichever end comes first.
    // A size of 0 (left by writers that never completed the header) means: up to the end of the file.
    const uint32_t riffSize = ReadLe32(riff + 4);
    int64_t riffEnd = riffSize < 4 ? m_fileSize : std::min<int64_t>(8 + int64_t(riffSize), m_fileSize);

    int64_t fmtOffset = 0;
    uint32_t fmtSize = 0;
    if (!FindChunk("fmt ", 12, riffEnd, fmtOffset, fmtSize) || fmtSize < 16) return fail();
    uint8_t fmt[18] = {};
    if (!ReadAt(fmtOffset, fmt, 16)) return fail();
    SWaveFormat format = SWaveFormat::FromPcmBytes(fmt);
    if (format.formatTag != kWaveFormatPcm && fmtSize >= 18) {
        // The extra bytes must lie inside the chunk and the file.
        if (!ReadAt(fmtOffset + 16, fmt + 16, 2)) return fail();
        uint16_t extraCount = ReadLe16(fmt + 16);
        if (extraCount > fmtSize - 18) return fail();
        format.extra.resize(extraCount);
        if (extraCount > 0 && !ReadAt(fmtOffset + 18, format.extra.data(), extraCount)) return fail();
    }

    // Every range load allocates rate x frame size bytes per second: a damaged header claiming
    // millions of samples per second or thousands of bytes per sample frame is not audio.
    const uint64_t frameBytes = uint32_t(format.channels) * format.bitsPerSample / 8;
    if (format.samplesPerSec > kMaxSampleRate || frameBytes > kMaxFrameBytes ||
        format.bitsPerSample > kMaxBitsPerSample || frameBytes * format.samplesPerSec > kMaxBytesPerSecond) {
        AudioLog("CWaveFile::Open: " + path + ": implausible format (" +
                 std::to_string(format.samplesPerSec) + " Hz, " + std::to_string(format.channels) +
                 " channels, " + std::to_string(format.bitsPerSample) + " bits)");
        return fail();
    }

    int64_t dataOffset = 0;
    uint32_t dataSize = 0;
    if (!FindChunk("data", 12, riffEnd, dataOffset, dataSize)) return fail();
    m_dataOffset = dataOffset;
    // A truncated file keeps only the bytes it really has.
    m_dataSize = std::min<int64_t>(dataSize, std::max<int64_t>(0, m_fileSize - dataOffset));
    m_readPos = 0;
    m_format = std::move(format);
    m_hasFormat = true;
    m_fileName = path;
    m_mode = kModeReading;
    return true;
}

bool CWaveFile::Create(const std::string& path, const SWaveFormat& format) {
    Close();
    CloseEncoder();
    if (path.empty()) return false;
    m_file = std::fopen(path.c_str(), "w+b");
    if (!m_file) return false;

    std::vector<uint8_t> fmt = format.formatTag == kWaveFormatPcm ? format.ToPcmBytes() : format.ToBytes();
    // RIFF header, "fmt " (padded to even size), "fact" and the start of "data".
    const size_t fmtPadded = fmt.size() + (fmt.size() & 1);
    std::vector<uint8_t> header(12 + 8 + fmtPadded + 12 + 8, 0);
    uint8_t* h = header.data();
    std::memcpy(h, "RIFF", 4);
    m_riffSizeOffset = 4;
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, "fmt ", 4);
    WriteLe32(h + 16, uint32_t(fmt.size()));
    std::memcpy(h + 20, fmt.data(), fmt.size());
    uint8_t* fact = h + 20 + fmtPadded;
    std::memcpy(fact, "fact", 4);
    WriteLe32(fact + 4, 4);
    WriteLe32(fact + 8, 0xFFFFFFFFu);
    m_factOffset = int64_t(fact + 8 - h);
    std::memcpy(fact + 12, "data", 4);
    m_dataSizeOffset = int64_t(fact + 16 - h);
    if (std::fwrite(header.data(), 1, header.size(), m_file) != header.size()) {
        std::fclose(m_file);
        m_file = nullptr;
        std::remove(path.c_str());
        return false;
    }
    m_dataOffset = -1;
    m_written = 0;
    m_writeFailed = false;
    m_writeBuffer.clear();
    m_writeBuffer.reserve(kWriteBufferSize);
    m_format = format;
    m_hasFormat = true;
    m_fileName = path;
    m_mode = kModeWriting;
    return true;
}

bool CWaveFile::FlushWriteBuffer() {
    if (m_writeBuffer.empty()) return !m_writeFailed;
    if (!m_writeFailed &&
        std::fwrite(m_writeBuffer.data(), 1, m_writeBuffer.size(), m_file) != m_writeBuffer.size())
        m_writeFailed = true;
    m_writeBuffer.clear();
    return !m_writeFailed;
}

void CWaveFile::WriteBytes(const uint8_t* data, size_t count) {
    if (m_mode != kModeWriting || !m_file || !data || m_writeFailed) return;
    // The RIFF sizes are 32 bits: never write a data chunk the header could not describe.
    int64_t room = kMaxRiffSize - 64 - int64_t(m_format.extra.size()) - m_written;
    if (int64_t(count) > room) count = size_t(std::max<int64_t>(0, room));
    while (count > 0) {
        size_t n = std::min(count, kWriteBufferSize - m_writeBuffer.size());
        m_writeBuffer.insert(m_writeBuffer.end(), data, data + n);
        data += n;
        count -= n;
        m_written += int64_t(n);
        if (m_writeBuffer.size() == kWriteBufferSize && !FlushWriteBuffer()) return;
    }
}

bool CWaveFile::Close() {
    if (!m_file) return true;
    bool ok = true;
    if (m_mode == kModeWriting) {
        ok = FlushWriteBuffer();
        uint8_t b[4];
        if (ok && (m_written & 1)) {
            uint8_t pad = 0;
            ok = std::fwrite(&pad, 1, 1, m_file) == 1;
        }
        int64_t fileSize = m_dataSizeOffset + 4 + m_written + (m_written & 1);
        auto patch = [&](int64_t offset, uint32_t value) {
            WriteLe32(b, value);
            return std::fseek(m_file, long(offset), SEEK_SET) == 0 && std::fwrite(b, 1, 4, m_file) == 4;
        };
        ok = ok && patch(m_dataSizeOffset, uint32_t(m_written));
        ok = ok && patch(m_riffSizeOffset, uint32_t(fileSize - 8));
        ok = ok && patch(m_factOffset, 0);
        ok = (std::fflush(m_file) == 0) && ok;
    }
    std::fclose(m_file);
    m_file = nullptr;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_bufferSize = 0;
    m_format = SWaveFormat();
    m_hasFormat = false;
    m_mode = kModeClosed;
    m_dataOffset = -1;
    m_dataSize = 0;
    m_fileName.clear();
    m_writeBuffer.clear();
    m_writeBuffer.shrink_to_fit();
    return ok;
}

int64_t CWaveFile::ReadBytes(uint8_t* buffer, int64_t count, int64_t position) {
    if (m_mode != kModeReading || !m_file || !buffer) return -1;
    if (position != -1) {
        if (position < 0) return -1;
        m_readPos = position;
    }
    if (count <= 0 || m_readPos >= m_dataSize) return 0;
    count = std::min(count, m_dataSize - m_readPos);
    if (std::fseek(m_file, long(m_dataOffset + m_readPos), SEEK_SET) != 0) return -1;
    size_t got = std::fread(buffer, 1, size_t(count), m_file);
    m_readPos += int64_t(got);
    return int64_t(got);
}

bool CWaveFile::Load() {
    if (m_mode != kModeReading) return false;
    try {
        std::vector<uint8_t> buffer(size_t(m_dataSize) + 1, 0);
        int64_t got = ReadBytes(buffer.data(), m_dataSize, 0);
        if (got < 0) return false;
        m_buffer = std::move(buffer);
        m_bufferSize = m_dataSize;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CWaveFile::LoadPart(int startMs, int endMs, bool loop, int loopStartMs) {
    if (m_mode != kModeReading || !m_hasFormat) return false;
    int64_t s = MsToByte(startMs);
    int64_t e = MsToByte(endMs);
    int64_t l = loopStartMs == -1 ? 0 : MsToByte(loopStartMs);
    int64_t n = MsToByte(GetLengthMs());
    int64_t size = e - s;
    if (size < 0 || size > kMaxLoadBytes) {
        // Nothing loaded: no stale bytes of an earlier range may be taken for this one.
        m_buffer.clear();
        m_bufferSize = size < 0 ? -1 : 0;
        return false;
    }
    l = std::max<int64_t>(0, l);
    if (loop && n > l && s > n) {
        // Wrap the start into the looped part (the repeated subtraction, done in one step).
        int64_t span = n - l;
        s -= ((s - n + span - 1) / span) * span;
    }
    std::vector<uint8_t> buffer;
    try {
        buffer.assign(size_t(size) + 1, 0);
    } catch (const std::bad_alloc&) {
        m_buffer.clear();
        m_bufferSize = 0;
        return false;
    }
    // A range starting before the data begins with silence.
    int64_t got = s < 0 ? std::min(size, -s) : 0;
    if (got < size) {
        int64_t first = ReadBytes(buffer.data() + got, size - got, std::max<int64_t>(0, s));
        if (first < 0) return false;
        got += first;
    }
    if (loop) {
        // A read that yields nothing (loop start at or past the end) ends the loop: the rest stays zero.
        // The looped part is read once; from its first complete repetition on the buffer repeats
        // itself, so the rest is copied in doubling steps (a short loop over a long range would
        // otherwise cost one file read per repetition).
        int64_t repeatFrom = -1;
        while (got < size) {
            int64_t more;
            if (repeatFrom >= 0) {
                more = std::min(got - repeatFrom, size - got);
                std::memcpy(buffer.data() + got, buffer.data() + repeatFrom, size_t(more));
            } else {
                more = ReadBytes(buffer.data() + got, size - got, l);
                if (more <= 0) break;
                if (more == m_dataSize - l) repeatFrom = got;
            }
            got += more;
        }
    }
    m_buffer = std::move(buffer);
    m_bufferSize = size;
    return true;
}

void CWaveFile::SetBuffer(std::vector<uint8_t> bytes) {
    m_bufferSize = int64_t(bytes.size());
    bytes.push_back(0);
    m_buffer = std::move(bytes);
}

void CWaveFile::SetFormat(const SWaveFormat& format) {
    m_format = format;
    m_hasFormat = true;
}

int CWaveFile::GetLengthMs() const {
    if (!m_hasFormat || m_format.avgBytesPerSec == 0) return 0;
    double ms = double(GetDataChunkSize()) / double(m_format.avgBytesPerSec) * 1000.0;
    if (ms >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return int(ms);
}

int64_t CWaveFile::MsToByte(int64_t ms) const {
    if (!m_hasFormat) return -1;
    int frame = m_format.FrameSize();
    // The double constant 0.001 lies just above a thousandth, so whole results never fall below
    // their integer in extended precision (2000 ms gives 352,800 bytes, not 352,796).
    long double t =
        (long double)m_format.samplesPerSec * (long double)frame * (long double)ms * (long double)0.001;
    int64_t bytes = int64_t(t);
    if (frame > 0) bytes -= bytes % frame;
    return bytes;
}

bool CWaveFile::OpenEncoder(const SWaveFormat& target) {
    CloseEncoder();
    std::string error;
    auto converter = std::make_unique<CAudioConverter>();
    if (!m_hasFormat || !converter->Open(m_format, target, error)) {
        AudioLog("CWaveFile::OpenEncoder: " + (m_hasFormat ? error : std::string("no source format")));
        GetUserPrompt().Message(kStreamOpenError, "TROV");
        return false;
    }
    m_converter = std::move(converter);
    return true;
}

void CWaveFile::CloseEncoder() {
    m_converter.reset();
    m_leftover.clear();
    m_encoded.clear();
    m_encoded.shrink_to_fit();
    m_packets.clear();
}

bool CWaveFile::IsEncoderOpen() const {
    return m_converter && m_converter->IsOpen();
}

bool CWaveFile::AudioEncodeBuffer(const uint8_t* data, size_t count) {
    m_encoded.clear();
    m_packets.clear();
    if (!IsEncoderOpen() || (!data && count > 0)) return false;
    try {
        const uint8_t* input = data;
        size_t inputSize = count;
        std::vector<uint8_t> joined;
        if (!m_leftover.empty()) {
            joined.reserve(m_leftover.size() + count);
            joined = m_leftover;
            if (count > 0) joined.insert(joined.end(), data, data + count);
            input = joined.data();
            inputSize = joined.size();
        }
        size_t consumed = 0;
        if (!m_converter->Convert(input, inputSize, consumed, m_encoded, m_packets)) return false;
        std::vector<uint8_t> rest(input + consumed, input + inputSize);
        m_leftover = std::move(rest);
        return true;
    } catch (const std::exception&) {
        AudioReportFatal("CWaveFile::AudioEncodeBuffer");
        return false;
    }
}

bool CWaveFile::AudioEncodeFlush() {
    m_encoded.clear();
    m_packets.clear();
    if (!IsEncoderOpen()) return false;
    try {
        bool ok = m_converter->Flush(m_leftover.data(), m_leftover.size(), m_encoded, m_packets);
        m_leftover.clear();
        return ok;
    } catch (const std::exception&) {
        AudioReportFatal("CWaveFile::AudioEncodeBuffer");
        return false;
    }
}

bool CWaveFile::WriteEncoded(CWaveFile& target) const {
    if (target.GetMode() != kModeWriting) return false;
    if (!m_encoded.empty()) target.WriteBytes(m_encoded.data(), m_encoded.size());
    return true;
}

}  // namespace trov
