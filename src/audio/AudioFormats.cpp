// The offered audio formats, the format slots, the chooser and the audio codec settings.
#include "audio/AudioFormats.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "audio/AudioConverter.h"
#include "audio/AudioLog.h"
#include "audio/WaveFile.h"
#include "infra/ByteOrder.h"
#include "infra/UserPrompt.h"
#include "settings/SettingsStore.h"
#include "video/CodecSettings.h"

namespace trov {
namespace {

const char* ChannelText(int channels) {
    return channels == 1 ? "Mono" : channels == 2 ? "Stereo" : nullptr;
}

SWaveFormat CompressedFormat(uint16_t tag, uint32_t rate, uint16_t channels, uint32_t kbps) {
    SWaveFormat f;
    f.formatTag = tag;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.avgBytesPerSec = kbps * 1000 / 8;
    f.blockAlign = 1;
    switch (tag) {
        case kWaveFormatMpegLayer3: {
            // The MPEG Layer-3 record: id, flags (padding off), block size, frames per block, delay.
            f.extra.assign(12, 0);
            uint32_t perFrame = rate >= 32000 ? 144 : 72;
            WriteLe16(f.extra, 0, 1);
            WriteLe32(f.extra, 2, 2);
            WriteLe16(f.extra, 6, uint16_t(perFrame * kbps * 1000 / rate));
            WriteLe16(f.extra, 8, 1);
            WriteLe16(f.extra, 10, 1393);
            break;
        }
        case kWaveFormatMpeg: {
            // The MPEG-1 record: layer 2, bit rate, mode (stereo or single channel), emphasis none.
            f.extra.assign(22, 0);
            WriteLe16(f.extra, 0, 2);
            WriteLe32(f.extra, 2, kbps * 1000);
            WriteLe16(f.extra, 6, channels == 1 ? 8 : 1);
            WriteLe16(f.extra, 10, 1);
            WriteLe16(f.extra, 12, 0x18);
            f.blockAlign = uint16_t(144 * kbps * 1000 / rate);
            break;
        }
        case kWaveFormatAc3:
            f.blockAlign = uint16_t(kbps * 1000 * 1536 / 8 / rate);
            break;
        case kWaveFormatAac: {
            // AudioSpecificConfig of AAC-LC: object type 2, the rate index, the channel count.
            static const uint32_t rates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                             22050, 16000, 12000, 11025, 8000,  7350};
            int index = 4;
            for (int i = 0; i < 13; ++i)
                if (rates[i] == rate) index = i;
            uint16_t asc = uint16_t((2 << 11) | (index << 7) | (channels << 3));
            f.extra = {uint8_t(asc >> 8), uint8_t(asc & 0xFF)};
            break;
        }
        default:
            break;
    }
    return f;
}

std::vector<SAudioFormatTag> BuildTags() {
    std::vector<SAudioFormatTag> tags;
    SAudioFormatTag pcm{kWaveFormatPcm, AudioFormatTagName(kWaveFormatPcm), {}};
    for (uint32_t rate : {8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u})
        for (uint16_t bits : {uint16_t(8), uint16_t(16)})
            for (uint16_t ch : {uint16_t(1), uint16_t(2)}) {
                SWaveFormat f = PcmWaveFormat(rate, ch, bits);
                pcm.formats.push_back({f, DescribeAudioFormat(f)});
            }
    tags.push_back(std::move(pcm));

    struct Family {
        uint16_t tag;
        std::vector<uint32_t> rates;
        std::vector<uint32_t> kbps;
    };
    const std::vector<Family> families = {
        {kWaveFormatMpegLayer3,
         {32000, 44100, 48000},
         {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {kWaveFormatMpeg, {32000, 44100, 48000}, {64, 96, 112, 128, 160, 192, 224, 256, 320, 384}},
        {kWaveFormatAc3, {44100, 48000}, {96, 128, 160, 192, 224, 256, 320, 384, 448, 512, 640}},
        {kWaveFormatAac, {44100, 48000}, {64, 96, 128, 160, 192, 256, 320}},
    };
    for (const Family& fam : families) {
        if (EncoderNameForTag(fam.tag).empty()) continue;
        SAudioFormatTag t{fam.tag, AudioFormatTagName(fam.tag), {}};
        for (uint32_t rate : fam.rates)
            for (uint32_t kbps : fam.kbps)
                for (uint16_t ch : {uint16_t(1), uint16_t(2)}) {
                    // Layer-2 mono is limited to 192 kBit/s.
                    if (fam.tag == kWaveFormatMpeg && ch == 1 && kbps > 192) continue;
                    SWaveFormat f = CompressedFormat(fam.tag, rate, ch, kbps);
                    t.formats.push_back({f, DescribeAudioFormat(f)});
                }
        tags.push_back(std::move(t));
    }
    return tags;
}

struct SSlots {
    std::recursive_mutex mutex;
    SAudioFormatSlot slots[kAudioSlotCount];
};
SSlots& Slots() {
    static SSlots s;
    return s;
}

CAudioFormatChooserUI* g_chooserUi = nullptr;
std::mutex g_chooserMutex;  // one chooser at a time

int ValidSlot(int slot) {
    return std::clamp(slot, 0, kAudioSlotCount - 1);
}

// Runs the dialog on a slot; returns the chooser code and, on success, the chosen entry.
int ShowChooser(void* owner, const std::string& title, const SAudioFormatSlot& initial,
                SAudioFormatChoice& chosen, std::string& tagName) {
    if (!g_chooserUi) return 6;
    const auto& tags = GetAudioFormatTags();
    int tagIndex = -1, formatIndex = -1;
    for (size_t t = 0; t < tags.size(); ++t) {
        if (tags[t].tag != initial.format.formatTag) continue;
        tagIndex = int(t);
        for (size_t f = 0; f < tags[t].formats.size(); ++f)
            if (tags[t].formats[f].format == initial.format) formatIndex = int(f);
    }
    int code = g_chooserUi->Choose(owner, title, tags, tagIndex, formatIndex);
    if (code != 0) return code;
    if (tagIndex < 0 || size_t(tagIndex) >= tags.size() || formatIndex < 0 ||
        size_t(formatIndex) >= tags[size_t(tagIndex)].formats.size())
        return 11;
    chosen = tags[size_t(tagIndex)].formats[size_t(formatIndex)];
    tagName = tags[size_t(tagIndex)].name;
    return 0;
}

}  // namespace

std::string AudioFormatTagName(uint16_t tag) {
    switch (tag) {
        case kWaveFormatPcm:
            return "PCM";
        case kWaveFormatMpegLayer3:
            return "MPEG Layer-3";
        case kWaveFormatMpeg:
            return "MPEG Layer-2";
        case kWaveFormatAc3:
            return "AC-3";
        case kWaveFormatAac:
            return "AAC";
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "Format tag 0x%04X", unsigned(tag));
            return text;
        }
    }
}

std::string DescribeAudioFormat(const SWaveFormat& f) {
    std::string channels =
        ChannelText(f.channels) ? ChannelText(f.channels) : std::to_string(f.channels) + " Channels";
    std::string rate = FormatThousands(f.samplesPerSec) + " Hz";
    if (f.IsIntegerPcm() || f.IsFloatPcm())
        return rate + ", " + std::to_string(f.bitsPerSample) + " Bit, " + channels;
    return std::to_string(f.avgBytesPerSec * 8 / 1000) + " kBit/s, " + rate + ", " + channels;
}

const std::vector<SAudioFormatTag>& GetAudioFormatTags() {
    static const std::vector<SAudioFormatTag> tags = BuildTags();
    return tags;
}

int GetLargestFormatSize() {
    size_t largest = 18;
    for (const auto& t : GetAudioFormatTags())
        for (const auto& f : t.formats) largest = std::max(largest, 18 + f.format.extra.size());
    return int(largest);
}

std::vector<uint8_t> SAudioChooserRecord::ToBytes() const {
    std::vector<uint8_t> out(kRecordSize, 0);
    WriteLe32(out, 0, uint32_t(kRecordSize));
    WriteLe16(out, 4, formatTag);
    std::memcpy(out.data() + 8, tagName.data(), std::min<size_t>(tagName.size(), 95));
    std::memcpy(out.data() + 104, description.data(), std::min<size_t>(description.size(), 255));
    return out;
}

SAudioChooserRecord SAudioChooserRecord::FromBytes(const std::vector<uint8_t>& b) {
    SAudioChooserRecord r;
    if (b.size() < kRecordSize) return r;
    uint32_t size = ReadLe32(b.data());
    if (size != kRecordSize) return r;
    r.formatTag = ReadLe16(b.data() + 4);
    auto text = [&b](size_t at, size_t max) {
        size_t n = 0;
        while (n < max && b[at + n] != 0) ++n;
        return std::string(reinterpret_cast<const char*>(b.data() + at), n);
    };
    r.tagName = text(8, 95);
    r.description = text(104, 255);
    return r;
}

SAudioFormatSlot& GetAudioFormatSlot(int slot) {
    return Slots().slots[ValidSlot(slot)];
}

uint16_t OutputAudioFormatTag() {
    std::lock_guard lock(GetAudioSlotMutex());
    return GetAudioFormatSlot(kOutputAudioSlot).format.formatTag;
}
std::recursive_mutex& GetAudioSlotMutex() {
    return Slots().mutex;
}

void ClearAudioFormatSlots() {
    std::lock_guard lock(GetAudioSlotMutex());
    for (auto& s : Slots().slots) s = SAudioFormatSlot();
}

bool SetStandardFormat(int kind, int slot) {
    std::lock_guard lock(GetAudioSlotMutex());
    SAudioFormatSlot& s = GetAudioFormatSlot(slot);
    s.format = SWaveFormat();
    if (kind != 1) return false;
    s.format = StandardWaveFormat();
    return true;
}

std::string GetFormatText(int slot) {
    std::lock_guard lock(GetAudioSlotMutex());
    const SAudioFormatSlot& s = GetAudioFormatSlot(slot);
    return s.chooser.tagName + " (" + s.chooser.description + ")";
}

void SetAudioFormatChooserUI(CAudioFormatChooserUI* ui) {
    g_chooserUi = ui;
}

std::string ChooserErrorText(int code) {
    switch (code) {
        case 5:
            return "The specified handle is invalid.";
        case 6:
            return "A suitable driver is not available to provide valid format selections.";
        case 10:
            return "At least one flag is invalid.";
        case 11:
            return "At least one parameter is invalid.";
        case 512:
            return "The buffer identified by the pwfx member of the ACMFORMATCHOOSE structure is too small "
                   "to contain "
                   "the selected format.";
        case 515:
            return "The user chose the Cancel button or the Close command on the System menu to close the "
                   "dialog box.";
        default:
            return "No messages.";
    }
}

bool FindAudioFormatByDescription(uint16_t tag, const std::string& description, const SWaveFormat& format,
                                  SAudioFormatChoice& result) {
    for (const auto& t : GetAudioFormatTags()) {
        if (t.tag != tag || t.formats.empty()) continue;
        for (const auto& f : t.formats)
            if (f.description == description) {
                result = f;
                return true;
            }
        // Not listed under that description: the entry with the same fields, else the first one
        // (the dialog closes at once on its first entry).
        for (const auto& f : t.formats)
            if (f.format.channels == format.channels && f.format.samplesPerSec == format.samplesPerSec &&
                f.format.avgBytesPerSec == format.avgBytesPerSec &&
                f.format.bitsPerSample == format.bitsPerSample) {
                result = f;
                return true;
            }
        result = t.formats.front();
        return true;
    }
    return false;
}

bool CWaveFile::ChooseAudioCodec(void* owner, int slotIndex, bool reset, bool automatic) {
    std::lock_guard chooserLock(g_chooserMutex);
    const int largest = GetLargestFormatSize();
    AudioLog("CWaveFile::ChooseAudioCodec: acmMetricsSize: " + std::to_string(largest));

    std::unique_lock slotLock(GetAudioSlotMutex());
    SAudioFormatSlot& slot = GetAudioFormatSlot(slotIndex);
    if (reset) slot = SAudioFormatSlot();
    SAudioFormatSlot initial = slot;
    slotLock.unlock();
    AudioLog("CWaveFile::ChooseAudioCodec: Done.");
    const std::string wanted = initial.chooser.description;

    AudioLog("CWaveFile::ChooseAudioCodec: acmFormatChoose: Showing dialog...");
    SAudioFormatChoice chosen;
    std::string tagName;
    int code = 0;
    if (automatic) {
        uint16_t tag = initial.chooser.formatTag != 0 ? initial.chooser.formatTag : initial.format.formatTag;
        if (FindAudioFormatByDescription(tag, wanted, initial.format, chosen))
            tagName = AudioFormatTagName(tag);
        else
            code = 6;
    } else {
        code = ShowChooser(owner, "Choose your Audio Format", initial, chosen, tagName);
    }

    if (code != 0) {
        AudioLog("CWaveFile::ChooseAudioCodec: acmFormatChoose failed: " + ChooserErrorText(code));
        if (code != 5 && code != 10 && code != 11) return false;
        // A second attempt with a plain 16-bit PCM selection.
        AudioLog("CWaveFile::ChooseAudioCodec: Try Choose Version 2...");
        SAudioFormatSlot plain;
        plain.format = initial.format;
        code = ShowChooser(owner, "16 Bit PCM Selection", plain, chosen, tagName);
        if (code == 0 || code == 515) {
            AudioLog("CWaveFile::ChooseAudioCodec: Successful!");
            if (code == 0) {
                std::lock_guard lock(GetAudioSlotMutex());
                slot.format = chosen.format;
                slot.chooser = {chosen.format.formatTag, tagName, chosen.description};
            }
            return true;
        }
        AudioLog("CWaveFile::ChooseAudioCodec: Failed! Trying the complete simply method");
        code = ShowChooser(owner, "16 Bit PCM Selection", SAudioFormatSlot(), chosen, tagName);
        AudioLog(code == 0 ? "CWaveFile::ChooseAudioCodec: Successful! (2)"
                           : "CWaveFile::ChooseAudioCodec: Failed! (2)");
        return false;
    }

    {
        std::lock_guard lock(GetAudioSlotMutex());
        slot.format = chosen.format;
        // The text always describes the format really chosen.
        slot.chooser = {chosen.format.formatTag, tagName, chosen.description};
    }
    AudioLog("CWaveFile::ChooseAudioCodec: acmFormatChoose sucessful: Audio Codec chosen!");
    return true;
}

bool SelectOutputAudioCodec(void* owner, std::string* text) {
    bool accepted = false;
    for (;;) {
        if (!CWaveFile::ChooseAudioCodec(owner, kOutputAudioSlot, false, false)) break;
        SWaveFormat f;
        {
            std::lock_guard lock(GetAudioSlotMutex());
            f = GetAudioFormatSlot(kOutputAudioSlot).format;
        }
        // Compressed formats have no sample width; only a stated one other than 16 bits counts.
        if (f.samplesPerSec == 44100 && f.channels == 2 && (f.bitsPerSample == 16 || f.bitsPerSample == 0)) {
            accepted = true;
            break;
        }
        char expert[512];
        std::snprintf(expert, sizeof expert,
                      "\tFormatTag: %d\r\n\tChannels: %d\r\n\tSamplesPerSec: %d\r\n\tAvgBytesPerSec: "
                      "%d\r\n\tBlockAlign: "
                      "%d\r\n\tBitsPerSample: %d",
                      int(f.formatTag), int(f.channels), int(f.samplesPerSec), int(f.avgBytesPerSec),
                      int(f.blockAlign), int(f.bitsPerSample));
        std::string message =
            "TROV Warning:\r\n\r\nYour selected audio codec has a different format than 2 channels (stereo), "
            "44100 Hz "
            "and 16 Bit. It COULD (not must) be, that TROV can not compress your audio. Do you want to "
            "re-select your "
            "audio codec?\r\n\r\nExpert informations:\r\n" +
            std::string(expert);
        PromptAnswer answer = GetUserPrompt().Ask(message, "Audio Codec Warning!", PromptButtons::YesNoCancel,
                                                  PromptAnswer::No);
        if (answer != PromptAnswer::Yes) {
            accepted = true;
            break;
        }
    }
    if (accepted && text) *text = GetFormatText(kOutputAudioSlot);
    return accepted;
}

void WriteAudioCodecSettings(CSettingsStore& store) {
    SAudioFormatSlot slot;
    {
        std::lock_guard lock(GetAudioSlotMutex());
        slot = GetAudioFormatSlot(kOutputAudioSlot);
    }
    std::vector<uint8_t> bytes = slot.format.ToBytes();
    char key[16];
    for (int i = 0; i < 18; ++i) {
        std::snprintf(key, sizeof key, "Byte%d", i);
        store.SetInt("Audio", key, bytes[size_t(i)]);
    }
    bool notSet = slot.format.formatTag == 0 && slot.format.extra.empty();
    store.SetString("Audio", "Description", notSet ? "Not set!" : GetFormatText(kOutputAudioSlot));
    std::vector<uint8_t> record = slot.chooser.ToBytes();
    for (size_t i = 0; i < record.size(); ++i) {
        std::snprintf(key, sizeof key, "Byte%d", int(i));
        store.SetInt("Audio2", key, record[i]);
    }
}

bool RestoreOutputAudio(const uint8_t* formatBytes, size_t formatSize, const std::vector<uint8_t>& chooser,
                        const std::string& description, void* owner, std::string* text) {
    bool ok = true;
    // Done twice, as the dialog does: the second pass starts from what the first one chose.
    for (int pass = 0; pass < 2; ++pass) {
        {
            std::lock_guard lock(GetAudioSlotMutex());
            SAudioFormatSlot& slot = GetAudioFormatSlot(kOutputAudioSlot);
            std::vector<uint8_t> bytes(18, 0);
            std::copy(formatBytes, formatBytes + std::min<size_t>(formatSize, 18), bytes.begin());
            bytes[16] = bytes[17] = 0;  // the file holds the format without its extra bytes
            SWaveFormat::FromBytes(bytes.data(), bytes.size(), slot.format);
            slot.chooser = SAudioChooserRecord::FromBytes(chooser);
        }
        if (description.empty() || description == "Not set!") {
            if (text) *text = "Not set!";
            continue;
        }
        if (!CWaveFile::ChooseAudioCodec(owner, kOutputAudioSlot, false, true)) {
            ok = false;
            break;
        }
        if (text) *text = GetFormatText(kOutputAudioSlot);
    }
    return ok;
}

bool ReadAudioCodecSettings(const CSettingsStore& store, void* owner, std::string* text) {
    char key[16];
    std::vector<uint8_t> format, record;
    {
        std::lock_guard lock(GetAudioSlotMutex());
        const SAudioFormatSlot& slot = GetAudioFormatSlot(kOutputAudioSlot);
        format = slot.format.ToBytes();
        record = slot.chooser.ToBytes();
    }
    // Keys that are missing leave the bytes as they are.
    format.resize(18);
    for (int i = 0; i < 18; ++i) {
        std::snprintf(key, sizeof key, "Byte%d", i);
        int v = 0;
        if (store.GetInt("Audio", key, v)) format[size_t(i)] = uint8_t(v);
    }
    for (size_t i = 0; i < record.size(); ++i) {
        std::snprintf(key, sizeof key, "Byte%d", int(i));
        int v = 0;
        if (store.GetInt("Audio2", key, v)) record[i] = uint8_t(v);
    }
    std::string description;
    store.GetString("Audio", "Description", description);
    return RestoreOutputAudio(format.data(), format.size(), record, description, owner, text);
}

void StoreOutputAudio(CodecSettingsRecord& record) {
    SAudioFormatSlot slot;
    {
        std::lock_guard lock(GetAudioSlotMutex());
        slot = GetAudioFormatSlot(kOutputAudioSlot);
    }
    std::vector<uint8_t> bytes = slot.format.ToBytes();
    std::copy(bytes.begin(), bytes.begin() + long(record.audioFormat.size()), record.audioFormat.begin());
    bool notSet = slot.format.formatTag == 0 && slot.format.extra.empty();
    record.audioDescription = notSet ? "Not set!" : GetFormatText(kOutputAudioSlot);
    record.audioChooser = slot.chooser.ToBytes();
}

bool RestoreOutputAudio(const CodecSettingsRecord& record, void* owner, std::string* text) {
    return RestoreOutputAudio(record.audioFormat.data(), record.audioFormat.size(), record.audioChooser,
                              record.audioDescription, owner, text);
}

std::vector<std::string> ListAudioFormatTexts() {
    std::vector<std::string> texts;
    for (const auto& t : GetAudioFormatTags())
        for (const auto& f : t.formats) texts.push_back(t.name + " (" + f.description + ")");
    return texts;
}

bool SetOutputAudioFormatByText(const std::string& formatText) {
    std::lock_guard lock(GetAudioSlotMutex());
    SAudioFormatSlot& slot = GetAudioFormatSlot(kOutputAudioSlot);
    if (formatText.empty() || formatText == "Not set!") {
        slot = SAudioFormatSlot();
        return true;
    }
    for (const auto& t : GetAudioFormatTags())
        for (const auto& f : t.formats)
            if (t.name + " (" + f.description + ")" == formatText) {
                slot.format = f.format;
                slot.chooser = {t.tag, t.name, f.description};
                return true;
            }
    return false;
}

}  // namespace trov
