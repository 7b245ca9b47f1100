// Normalised copies of audio files in the wave cache.
#include "audio/WaveCache.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "audio/AudioEffect.h"
#include "infra/ByteOrder.h"
#include "infra/Log.h"
#include "infra/MessagePipelines.h"
#include "project/FileCache.h"

namespace trov {

namespace {

// A copy is whole when its RIFF size, patched in last by CWaveFile::Close, matches the file: a copy
// cut short (a killed run, a full disk) or damaged later is made again rather than played.
bool IsCompleteCopy(const std::string& path, std::string& why) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        why = "it is missing";
        return false;
    }
    const uintmax_t size = std::filesystem::file_size(path, ec);
    std::ifstream in(path, std::ios::binary);
    unsigned char h[12] = {};
    if (ec || !in.read(reinterpret_cast<char*>(h), sizeof h) || std::memcmp(h, "RIFF", 4) != 0 ||
        std::memcmp(h + 8, "WAVE", 4) != 0) {
        why = "it is no WAVE file";
        return false;
    }
    const uint32_t riff = ReadLe32(h + 4);
    if (uintmax_t(riff) + 8 != size) {
        why = "its header claims " + std::to_string(uintmax_t(riff) + 8) + " of its " + std::to_string(size) +
              " bytes";
        return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> CWaveCache::Lookup(const std::string& sourcePath) const {
    std::optional<std::string> path = m_cache.Lookup(sourcePath);
    if (!path) return path;
    std::string why;
    if (!IsCompleteCopy(*path, why)) {
        WriteLog("CWaveCache::Lookup: the copy " + *path + " of " + sourcePath + " is not used: " + why);
        return std::nullopt;
    }
    return path;
}

std::string CWaveCache::CopyPathFor(const std::string& sourcePath) const {
    return m_cache.MakePath("wav_" + CFileCache::KeyDigest(sourcePath));
}

bool CWaveCache::AddNormalized(CWaveFile& source) {
    if (source.GetMode() != CWaveFile::kModeReading || !source.GetFormat()) return false;
    const std::string sourcePath = source.GetFileName();
    const SWaveFormat sourceFormat = *source.GetFormat();
    // The effects work on 16-bit samples; other sources are normalised in the standard format.
    const bool direct = sourceFormat.IsIntegerPcm() && sourceFormat.bitsPerSample == 16;
    const SWaveFormat copyFormat = direct ? sourceFormat : StandardWaveFormat();
    const std::string copyPath = CopyPathFor(sourcePath);

    CWaveFile copy;
    if (!copy.Create(copyPath, copyFormat)) return false;

    CNormalizeVolumeEffect normalize;
    SendStatus(m_pipelines, "Peak search: " + sourcePath + " ... (Please wait!)");
    const int length = source.GetLengthMs();
    if (direct) {
        normalize.FindPeaks(&source);
    } else {
        // The same search over the converted samples.
        if (!source.OpenEncoder(copyFormat)) {
            copy.Close();
            std::filesystem::remove(copyPath);
            return false;
        }
        int p = 0, n = 0;
        for (int r = 0; r < length; r += 1000) {
            if (!source.LoadPart(r, std::min(r + 1000, length), false, -1)) break;
            source.AudioEncodeBuffer(source.GetData(), size_t(source.GetDataSize()));
            FindSamplePeaks(source.GetEncodedData(), int64_t(source.GetEncodedSize()), p, n);
        }
        normalize.GetSettings().SetFloat("Peak", "UpMax", float(32767.0 / (p + 0.000001)));
        normalize.GetSettings().SetFloat("Peak", "DownMax", float(32767.0 / (n + 0.000001)));
    }

    if (!source.Open(sourcePath)) {
        copy.Close();
        std::filesystem::remove(copyPath);
        return false;
    }
    SendValue(m_pipelines, pipeline::kMaxProgress, length);
    SendValue(m_pipelines, pipeline::kCurrentProgress, 0);
    SendStatus(m_pipelines, "Caching and normalizing " + sourcePath + " ...");
    if (!direct && !source.OpenEncoder(copyFormat)) {
        copy.Close();
        std::filesystem::remove(copyPath);
        return false;
    }
    CWaveFile block;
    block.SetFormat(copyFormat);
    for (int r = 0; r < length; r += 1000) {
        const int e = std::min(r + 1000, length);
        if (!source.LoadPart(r, e, false, -1)) break;
        if (direct) {
            normalize.ApplyStoredGains(source);
            copy.WriteBytes(source.GetData(), size_t(source.GetDataSize()));
        } else {
            source.AudioEncodeBuffer(source.GetData(), size_t(source.GetDataSize()));
            block.SetBuffer(std::vector<uint8_t>(source.GetEncodedData(),
                                                 source.GetEncodedData() + source.GetEncodedSize()));
            normalize.ApplyStoredGains(block);
            if (block.GetData()) copy.WriteBytes(block.GetData(), size_t(block.GetDataSize()));
        }
        SendValue(m_pipelines, pipeline::kCurrentProgress, e);
    }
    if (!direct) {
        source.AudioEncodeFlush();
        block.SetBuffer(
            std::vector<uint8_t>(source.GetEncodedData(), source.GetEncodedData() + source.GetEncodedSize()));
        normalize.ApplyStoredGains(block);
        if (block.GetData()) copy.WriteBytes(block.GetData(), size_t(block.GetDataSize()));
        source.CloseEncoder();
    }
    if (!copy.Close()) {
        std::filesystem::remove(copyPath);
        return false;
    }
    m_cache.Add(sourcePath, copyPath);
    m_cache.RegisterFile(copyPath);
    return true;
}

}  // namespace trov
