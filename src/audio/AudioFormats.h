// Audio formats offered by this machine, the process-wide format slots, the format chooser's core
// (manual through a front-end dialog, automatic re-selection by description without a window) and
// the audio part of codec settings files.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "video/WaveFormat.h"

namespace trov {

class CSettingsStore;
struct CodecSettingsRecord;

// One choosable format of a format tag with its description ("128 kBit/s, 44,100 Hz, Stereo").
struct SAudioFormatChoice {
    SWaveFormat format;
    std::string description;
};

// A format tag ("PCM", "MPEG Layer-3", "MPEG Layer-2", "AC-3", "AAC") and its formats.
struct SAudioFormatTag {
    uint16_t tag = 0;
    std::string name;
    std::vector<SAudioFormatChoice> formats;
};

// The tags this FFmpeg build can produce, PCM first, each with its formats, in the order the
// chooser lists them. Built once.
const std::vector<SAudioFormatTag>& GetAudioFormatTags();
// The name of a format tag ("MPEG Layer-3"), or "Format tag 0x%04X" for others.
std::string AudioFormatTagName(uint16_t tag);
// The description a format is listed with ("44,100 Hz, 16 Bit, Stereo" for PCM,
// "128 kBit/s, 44,100 Hz, Stereo" for compressed formats).
std::string DescribeAudioFormat(const SWaveFormat& format);
// The largest format record (18 + extra bytes) of all offered formats.
int GetLargestFormatSize();

// What the chooser needs to re-select a format: the tag, its name and the format's description.
// Stored as the 408 "Audio2" bytes of codec settings files.
struct SAudioChooserRecord {
    static constexpr size_t kRecordSize = 408;
    uint16_t formatTag = 0;
    std::string tagName;      // at most 95 bytes are kept
    std::string description;  // at most 255 bytes are kept

    std::vector<uint8_t> ToBytes() const;
    // Reads a record written by ToBytes; other bytes give an empty record.
    static SAudioChooserRecord FromBytes(const std::vector<uint8_t>& bytes);
};

struct SAudioFormatSlot {
    SWaveFormat format;
    SAudioChooserRecord chooser;
};

// Slot 0 holds the chosen output format (empty when no audio codec is set); slot 2 the standard
// format during the track assembly.
inline constexpr int kAudioSlotCount = 20;
inline constexpr int kOutputAudioSlot = 0;
inline constexpr int kStandardAudioSlot = 2;

// The process-wide slots. Access them under GetAudioSlotMutex() when threads may race.
SAudioFormatSlot& GetAudioFormatSlot(int slot);
std::recursive_mutex& GetAudioSlotMutex();
// Clears every slot (format and chooser record).
void ClearAudioFormatSlots();

// The format tag of the chosen output format (slot 0); 0 when no audio codec is set.
uint16_t OutputAudioFormatTag();

// Clears the slot's format; kind 1 then fills it with the standard format and returns true.
bool SetStandardFormat(int kind, int slot);
// The slot's tag name + " (" + its format description + ")".
std::string GetFormatText(int slot);

// The front end's format chooser dialog: lists the tags and, for the chosen tag, its formats.
// tagIndex/formatIndex come in as the initial selection (-1 for none) and go out as the choice.
class CAudioFormatChooserUI {
public:
    virtual ~CAudioFormatChooserUI() = default;
    // Returns 0 when a format was chosen, 515 when the user cancelled, another chooser code else.
    virtual int Choose(void* owner, const std::string& title, const std::vector<SAudioFormatTag>& tags,
                       int& tagIndex, int& formatIndex) = 0;
};
// Not owned; null (the default) means there is no dialog, as in unattended runs.
void SetAudioFormatChooserUI(CAudioFormatChooserUI* ui);

// The chooser failure codes and their explanation texts (log entries).
std::string ChooserErrorText(int code);

// Re-selection without a window: the format of `tags` whose tag is `tag` and whose description is
// `description`; when no description matches, the entry whose fields match `format`, else the tag's
// first format. False when the tag is not offered. Used by the automatic chooser.
bool FindAudioFormatByDescription(uint16_t tag, const std::string& description, const SWaveFormat& format,
                                  SAudioFormatChoice& result);

// The user's choice of the output format (slot 0), with the warning for formats other than
// 44,100 Hz stereo 16-bit. True when a format was accepted; `text` then gets GetFormatText(0).
bool SelectOutputAudioCodec(void* owner, std::string* text = nullptr);

// Writes slot 0 into a codec settings store: "Audio" Byte0..17 and Description ("Not set!" when
// no format), "Audio2" Byte0..407 (the chooser record).
void WriteAudioCodecSettings(CSettingsStore& store);
// Restores slot 0 from a codec settings store and re-selects its format automatically. True when
// the file sets no audio ("Not set!") or the re-selection succeeded; `text` gets the shown text.
bool ReadAudioCodecSettings(const CSettingsStore& store, void* owner, std::string* text = nullptr);

// The same through the video layer's codec settings record: slot 0 into the record's audio part,
// and the record's audio part into slot 0 with the automatic re-selection.
void StoreOutputAudio(CodecSettingsRecord& record);
bool RestoreOutputAudio(const CodecSettingsRecord& record, void* owner, std::string* text = nullptr);
// Restores slot 0 from the 18 stored format bytes, the chooser bytes and the description (done twice,
// as the dialog does). True when the description is "Not set!" or the re-selection succeeded.
bool RestoreOutputAudio(const uint8_t* formatBytes, size_t formatSize, const std::vector<uint8_t>& chooser,
                        const std::string& description, void* owner, std::string* text = nullptr);

// Every offered format as GetFormatText shows it ("MPEG Layer-3 (128 kBit/s, 44,100 Hz, Stereo)").
std::vector<std::string> ListAudioFormatTexts();
// Sets slot 0 to the offered format of that text (no dialog; for the command line). "Not set!" or
// "" clears the slot. False, slot unchanged, for an unknown text.
bool SetOutputAudioFormatByText(const std::string& formatText);

}  // namespace trov
