// Codec settings files in the "CodecSettings" folder of the program directory.
#include "video/CodecSettings.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "infra/ProgramDirectory.h"
#include "settings/SettingsStore.h"
#include "video/VideoCodecs.h"

namespace fs = std::filesystem;

namespace trov {

namespace {

// A codec state larger than this is not a codec state but a damaged file.
constexpr int kMaxStateBytes = 1 << 20;

std::string Byte(size_t i) {
    return "Byte" + std::to_string(i);
}

// The index of a key exactly as Byte() writes it ("Byte0", "Byte17"; no sign, no leading zero).
bool ByteIndex(std::string_view key, size_t& index) {
    constexpr std::string_view kPrefix = "Byte";
    if (key.size() <= kPrefix.size() || key.size() > kPrefix.size() + 9 || key.substr(0, 4) != kPrefix)
        return false;
    std::string_view digits = key.substr(kPrefix.size());
    if (digits.size() > 1 && digits[0] == '0') return false;
    index = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        index = index * 10 + size_t(c - '0');
    }
    return true;
}

// Byte0 .. Byte<count-1> of a section into `bytes`; missing keys leave their byte as it is. The section is
// walked once: a damaged file claiming a huge BufferSize over a handful of keys must not cost one lookup per
// claimed byte.
template <typename Bytes>
void ReadBytes(const CSettingsStore& store, std::string_view section, Bytes& bytes, size_t count) {
    const CSettingsSection* s = store.GetSection(section);
    if (!s) return;
    for (const auto& [key, value] : s->GetEntries()) {
        size_t index = 0;
        if (ByteIndex(key, index) && index < count && index < bytes.size())
            bytes[index] = uint8_t(CSettingsStore::ParseInt(value));
    }
}

std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The file for a name: exact, else the one entry of the directory that differs only in case
// (make.sh and old command lines write "cs_0.ini").
fs::path Resolve(const std::string& name, const std::string& directory) {
    fs::path path = fs::path(name).is_absolute() ? fs::path(name) : fs::path(directory) / name;
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
    fs::path parent = path.parent_path();
    std::string wanted = Lower(path.filename().string());
    for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
        if (Lower(it->path().filename().string()) == wanted) return it->path();
    }
    return path;
}

}  // namespace

std::string CodecSettingsDirectory() {
    return ProgramSubdirectory("CodecSettings");
}

std::string SaveCodecSettings(const CodecSettingsRecord& record, const std::string& directory) {
    if (record.videoDescription == kNotSetText && record.audioDescription == kNotSetText) return "";
    CSettingsStore store;
    if (record.hasVideo) {
        const CompressionOptions& o = record.video;
        store.SetInt("Video", "BufferSize", int(o.state.size()));
        for (size_t i = 0; i < o.state.size(); ++i) store.SetInt("Video", Byte(i), o.state[i]);
        store.SetInt("Video", "fccType", int(o.fccType));
        store.SetInt("Video", "fccHandler", int(o.fccHandler));
        store.SetInt("Video", "dwKeyFrameEvery", int(o.dwKeyFrameEvery));
        store.SetInt("Video", "dwQuality", int(o.dwQuality));
        store.SetInt("Video", "dwBytesPerSecond", int(o.dwBytesPerSecond));
        store.SetInt("Video", "dwFlags", int(o.dwFlags));
        store.SetInt("Video", "dwInterleaveEvery", int(o.dwInterleaveEvery));
    }
    for (size_t i = 0; i < kAudioFormatBytes; ++i) store.SetInt("Audio", Byte(i), record.audioFormat[i]);
    for (size_t i = 0; i < kAudioChooserBytes; ++i)
        store.SetInt("Audio2", Byte(i), i < record.audioChooser.size() ? record.audioChooser[i] : 0);
    store.SetString("Video", "Description", record.videoDescription);
    store.SetString("Audio", "Description", record.audioDescription);

    std::error_code ec;
    fs::create_directories(directory, ec);
    for (int n = 0; n < 100000; ++n) {
        std::string name = "CS_" + std::to_string(n) + ".ini";
        fs::path path = fs::path(directory) / name;
        if (fs::exists(path, ec)) continue;
        return store.Save(path.string(), CTextFile::k8Bit) ? name : std::string();
    }
    return "";
}

std::vector<CodecSettingsRow> ListCodecSettings(const std::string& directory) {
    std::vector<CodecSettingsRow> rows;
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        if (Lower(it->path().extension().string()) == ".ini" && it->is_regular_file(ec))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        CSettingsStore store;
        if (!store.Load(file.string())) continue;
        CodecSettingsRow row;
        store.GetString("Video", "Description", row.video);
        store.GetString("Audio", "Description", row.audio);
        row.fileName = file.filename().string();
        rows.push_back(std::move(row));
    }
    return rows;
}

bool LoadCodecSettings(const std::string& name, CodecSettingsRecord& record, const std::string& directory) {
    if (name.empty()) return false;
    CSettingsStore store;
    std::error_code ec;
    fs::path path = Resolve(name, directory);
    if (!fs::is_regular_file(path, ec) || !store.Load(path.string())) return false;

    CodecSettingsRecord loaded = record;
    loaded.video = CompressionOptions();
    loaded.hasVideo = store.HasKey("Video", "fccHandler");
    auto readUnsigned = [&](const char* key, uint32_t& field) {
        int value = 0;
        if (store.GetInt("Video", key, value)) field = uint32_t(value);
    };
    CompressionOptions& o = loaded.video;
    readUnsigned("fccType", o.fccType);
    readUnsigned("fccHandler", o.fccHandler);
    readUnsigned("dwKeyFrameEvery", o.dwKeyFrameEvery);
    readUnsigned("dwQuality", o.dwQuality);
    readUnsigned("dwBytesPerSecond", o.dwBytesPerSecond);
    readUnsigned("dwFlags", o.dwFlags);
    readUnsigned("dwInterleaveEvery", o.dwInterleaveEvery);
    int size = 0;
    store.GetInt("Video", "BufferSize", size);
    size = std::clamp(size, 0, kMaxStateBytes);
    o.state.assign(size_t(size), 0);
    ReadBytes(store, "Video", o.state, o.state.size());
    if (!store.GetString("Video", "Description", loaded.videoDescription)) loaded.videoDescription = "";

    ReadBytes(store, "Audio", loaded.audioFormat, kAudioFormatBytes);
    if (loaded.audioChooser.size() < kAudioChooserBytes) loaded.audioChooser.resize(kAudioChooserBytes, 0);
    ReadBytes(store, "Audio2", loaded.audioChooser, kAudioChooserBytes);
    if (!store.GetString("Audio", "Description", loaded.audioDescription)) loaded.audioDescription = "";
    record = std::move(loaded);
    return true;
}

bool DeleteCodecSettings(const std::string& name, const std::string& directory) {
    if (name.empty()) return false;
    std::error_code ec;
    fs::path path = Resolve(name, directory);
    if (!fs::is_regular_file(path, ec)) return false;
    return fs::remove(path, ec);
}

bool MakeVideoCodecSettings(const std::string& codec, uint32_t quality, const std::string& extraOptions,
                            CodecSettingsRecord& record) {
    CompressionOptions options;
    if (!MakeCompressionOptions(codec, quality, extraOptions, options)) return false;
    record.hasVideo = true;
    record.video = options;
    record.video.dwFlags = kKeyFrameFlag;
    record.videoDescription = GetVideoCodecName(&options);
    return true;
}

}  // namespace trov
