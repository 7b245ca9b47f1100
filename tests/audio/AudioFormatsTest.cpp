// Format slots, the offered formats, the chooser (manual and automatic) and codec settings.
#include <gtest/gtest.h>

#include <algorithm>

#include "audio/AudioConverter.h"
#include "audio/AudioFormats.h"
#include "audio/WaveFile.h"
#include "infra/Log.h"
#include "infra/UserPrompt.h"
#include "settings/SettingsStore.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

class CScriptedChooser : public CAudioFormatChooserUI {
public:
    int Choose(void*, const std::string& title, const std::vector<SAudioFormatTag>& tags, int& tagIndex,
               int& formatIndex) override {
        titles.push_back(title);
        initialTag = tagIndex;
        initialFormat = formatIndex;
        if (answers.empty()) return 515;
        auto [tag, description] = answers.front();
        answers.erase(answers.begin());
        for (size_t t = 0; t < tags.size(); ++t)
            for (size_t f = 0; f < tags[t].formats.size(); ++f)
                if (tags[t].tag == tag && tags[t].formats[f].description == description) {
                    tagIndex = int(t);
                    formatIndex = int(f);
                    return 0;
                }
        return 515;
    }
    std::vector<std::pair<uint16_t, std::string>> answers;
    std::vector<std::string> titles;
    int initialTag = -2, initialFormat = -2;
};

class CScriptedPrompt : public CUserPrompt {
public:
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons,
                     PromptAnswer def) override {
        texts.push_back(text);
        captions.push_back(caption);
        if (answers.empty()) return def;
        PromptAnswer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    std::vector<PromptAnswer> answers;
    std::vector<std::string> texts, captions;
};

class AudioFormatsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearAudioFormatSlots();
        SetAudioFormatChooserUI(&chooser);
        SetUserPrompt(&prompt);
    }
    void TearDown() override {
        SetAudioFormatChooserUI(nullptr);
        SetUserPrompt(nullptr);
        ClearAudioFormatSlots();
    }
    static bool HaveMp3() { return !EncoderNameForTag(kWaveFormatMpegLayer3).empty(); }

    CScriptedChooser chooser;
    CScriptedPrompt prompt;
};

TEST_F(AudioFormatsTest, OfferedTagsAndDescriptions) {
    const auto& tags = GetAudioFormatTags();
    ASSERT_FALSE(tags.empty());
    EXPECT_EQ(tags[0].name, "PCM");
    auto has = [&](uint16_t tag, const std::string& d) {
        for (const auto& t : tags)
            if (t.tag == tag)
                for (const auto& f : t.formats)
                    if (f.description == d) return true;
        return false;
    };
    EXPECT_TRUE(has(kWaveFormatPcm, "44,100 Hz, 16 Bit, Stereo"));
    EXPECT_TRUE(has(kWaveFormatPcm, "22,050 Hz, 8 Bit, Mono"));
    if (HaveMp3()) {
        EXPECT_TRUE(has(kWaveFormatMpegLayer3, "128 kBit/s, 44,100 Hz, Stereo"));
    }
    for (const auto& t : tags) {
        EXPECT_EQ(t.name, AudioFormatTagName(t.tag));
        for (const auto& f : t.formats) {
            EXPECT_EQ(f.description, DescribeAudioFormat(f.format));
            EXPECT_EQ(f.format.formatTag, t.tag);
            // Every offered format really converts from the standard format.
            CAudioConverter c;
            std::string error;
            ASSERT_TRUE(c.Open(StandardWaveFormat(), f.format, error))
                << t.name << " " << f.description << ": " << error;
        }
    }
    EXPECT_GE(GetLargestFormatSize(), 18 + 12);
    EXPECT_EQ(FormatThousands(44100), "44,100");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1234567), "1,234,567");
}

TEST_F(AudioFormatsTest, StandardFormatSlotAndFormatText) {
    EXPECT_TRUE(SetStandardFormat(1, kStandardAudioSlot));
    EXPECT_EQ(GetAudioFormatSlot(kStandardAudioSlot).format, StandardWaveFormat());
    EXPECT_EQ(GetAudioFormatSlot(kStandardAudioSlot).format.avgBytesPerSec, 176400u);
    EXPECT_FALSE(SetStandardFormat(2, kStandardAudioSlot));
    EXPECT_TRUE(GetAudioFormatSlot(kStandardAudioSlot).format.IsEmpty());
    if (!HaveMp3()) return;
    GetAudioFormatSlot(0).chooser = {kWaveFormatMpegLayer3, "MPEG Layer-3", "128 kBit/s, 44,100 Hz, Stereo"};
    ASSERT_TRUE(CWaveFile::ChooseAudioCodec(nullptr, 0, false, true));
    EXPECT_EQ(GetFormatText(0), "MPEG Layer-3 (128 kBit/s, 44,100 Hz, Stereo)");
    EXPECT_EQ(GetAudioFormatSlot(0).format.avgBytesPerSec, 16000u);
    EXPECT_EQ(GetAudioFormatSlot(0).format.extra.size(), 12u);
}

TEST_F(AudioFormatsTest, AutomaticReselectionByDescriptionWithoutAWindow) {
    if (!HaveMp3()) GTEST_SKIP();
    SAudioFormatSlot& slot = GetAudioFormatSlot(0);
    slot.chooser = {kWaveFormatMpegLayer3, "MPEG Layer-3", "64 kBit/s, 48,000 Hz, Mono"};
    ASSERT_TRUE(CWaveFile::ChooseAudioCodec(nullptr, 0, false, true));
    EXPECT_EQ(slot.format.samplesPerSec, 48000u);
    EXPECT_EQ(slot.format.channels, 1);
    EXPECT_EQ(slot.format.avgBytesPerSec, 8000u);
    EXPECT_TRUE(chooser.titles.empty()) << "no dialog";

    // A description no entry has: the dialog closes at once on an entry; the text tells which.
    slot.chooser.description = "999 kBit/s, 1 Hz, Surround";
    ASSERT_TRUE(CWaveFile::ChooseAudioCodec(nullptr, 0, false, true));
    EXPECT_EQ(slot.chooser.description, DescribeAudioFormat(slot.format));
    EXPECT_EQ(slot.format.samplesPerSec, 48000u) << "the entry with the stored fields";
    slot.format = SWaveFormat();
    slot.chooser.description = "nothing like it";
    ASSERT_TRUE(CWaveFile::ChooseAudioCodec(nullptr, 0, false, true));
    EXPECT_EQ(slot.format, GetAudioFormatTags()[1].formats.front().format) << "the tag's first entry";

    slot.chooser.formatTag = 0x7777;  // a tag this machine cannot produce
    slot.format.formatTag = 0x7777;
    EXPECT_FALSE(CWaveFile::ChooseAudioCodec(nullptr, 0, false, true));
}

TEST_F(AudioFormatsTest, ManualChoiceCancelAndNoDialog) {
    chooser.answers = {{kWaveFormatPcm, "48,000 Hz, 16 Bit, Stereo"}};
    ASSERT_TRUE(CWaveFile::ChooseAudioCodec(nullptr, 3, false, false));
    EXPECT_EQ(GetAudioFormatSlot(3).format, PcmWaveFormat(48000, 2, 16));
    EXPECT_EQ(GetFormatText(3), "PCM (48,000 Hz, 16 Bit, Stereo)");
    EXPECT_EQ(chooser.titles.back(), "Choose your Audio Format");
    // The dialog opens on the slot's format; cancelling changes nothing.
    EXPECT_FALSE(CWaveFile::ChooseAudioCodec(nullptr, 3, false, false));
    EXPECT_GE(chooser.initialFormat, 0);
    EXPECT_EQ(GetAudioFormatSlot(3).format, PcmWaveFormat(48000, 2, 16));
    // Reset clears the slot first.
    EXPECT_FALSE(CWaveFile::ChooseAudioCodec(nullptr, 3, true, false));
    EXPECT_TRUE(GetAudioFormatSlot(3).format.IsEmpty());
    SetAudioFormatChooserUI(nullptr);
    EXPECT_FALSE(CWaveFile::ChooseAudioCodec(nullptr, 3, false, false)) << "no dialog: no driver";
}

TEST_F(AudioFormatsTest, OutputCodecWarningForOtherThanStereo44100) {
    chooser.answers = {{kWaveFormatPcm, "22,050 Hz, 16 Bit, Mono"},
                       {kWaveFormatPcm, "44,100 Hz, 16 Bit, Stereo"}};
    prompt.answers = {PromptAnswer::Yes};
    std::string text;
    ASSERT_TRUE(SelectOutputAudioCodec(nullptr, &text));
    ASSERT_EQ(prompt.texts.size(), 1u) << "one warning, for the mono choice";
    EXPECT_EQ(prompt.captions[0], "Audio Codec Warning!");
    EXPECT_NE(prompt.texts[0].find("\tChannels: 1\r\n"), std::string::npos);
    EXPECT_NE(prompt.texts[0].find("\tSamplesPerSec: 22050\r\n"), std::string::npos);
    EXPECT_NE(prompt.texts[0].find("\tBitsPerSample: 16"), std::string::npos);
    EXPECT_EQ(prompt.texts[0].rfind("TROV Warning:\r\n\r\nYour selected audio codec", 0), 0u);
    EXPECT_EQ(text, "PCM (44,100 Hz, 16 Bit, Stereo)");

    // No keeps the unusual choice; a cancelled first choice leaves the slot alone.
    chooser.answers = {{kWaveFormatPcm, "22,050 Hz, 8 Bit, Mono"}};
    prompt.answers = {PromptAnswer::No};
    ASSERT_TRUE(SelectOutputAudioCodec(nullptr, &text));
    EXPECT_EQ(GetAudioFormatSlot(0).format, PcmWaveFormat(22050, 1, 8));
    chooser.answers.clear();
    EXPECT_FALSE(SelectOutputAudioCodec(nullptr, &text));
    EXPECT_EQ(GetAudioFormatSlot(0).format, PcmWaveFormat(22050, 1, 8));
    if (HaveMp3()) {
        chooser.answers = {{kWaveFormatMpegLayer3, "192 kBit/s, 44,100 Hz, Stereo"}};
        prompt.texts.clear();
        ASSERT_TRUE(SelectOutputAudioCodec(nullptr, &text));
        EXPECT_TRUE(prompt.texts.empty())
            << "a compressed stereo 44,100 Hz format has no sample width to warn about";
    }
}

TEST_F(AudioFormatsTest, CodecSettingsRoundTrip) {
    CSettingsStore empty;
    WriteAudioCodecSettings(empty);
    std::string description;
    ASSERT_TRUE(empty.GetString("Audio", "Description", description));
    EXPECT_EQ(description, "Not set!");
    EXPECT_TRUE(empty.HasKey("Audio", "Byte17"));
    EXPECT_TRUE(empty.HasKey("Audio2", "Byte407"));
    EXPECT_FALSE(empty.HasKey("Audio2", "Byte408"));
    std::string text;
    EXPECT_TRUE(ReadAudioCodecSettings(empty, nullptr, &text));
    EXPECT_EQ(text, "Not set!");
    EXPECT_TRUE(GetAudioFormatSlot(0).format.IsEmpty());
    if (!HaveMp3()) return;

    chooser.answers = {{kWaveFormatMpegLayer3, "160 kBit/s, 32,000 Hz, Stereo"}};
    ASSERT_TRUE(CWaveFile::ChooseAudioCodec(nullptr, 0, false, false));
    const SAudioFormatSlot chosen = GetAudioFormatSlot(0);
    CSettingsStore store;
    WriteAudioCodecSettings(store);
    int tagLow = -1;
    store.GetInt("Audio", "Byte0", tagLow);
    EXPECT_EQ(tagLow, 0x55);
    store.GetString("Audio", "Description", description);
    EXPECT_EQ(description, "MPEG Layer-3 (160 kBit/s, 32,000 Hz, Stereo)");
    // Through the file text and back into a fresh process state.
    CSettingsStore reloaded;
    reloaded.FromText(store.ToText());
    ClearAudioFormatSlots();
    ASSERT_TRUE(ReadAudioCodecSettings(reloaded, nullptr, &text));
    EXPECT_EQ(GetAudioFormatSlot(0).format, chosen.format) << "extra bytes restored by the re-selection";
    EXPECT_EQ(text, "MPEG Layer-3 (160 kBit/s, 32,000 Hz, Stereo)");
    EXPECT_TRUE(chooser.titles.size() == 1) << "the re-selection shows no dialog";
}

TEST_F(AudioFormatsTest, ChooserRecordBytes) {
    SAudioChooserRecord r{kWaveFormatAc3, "AC-3", "192 kBit/s, 48,000 Hz, Stereo"};
    std::vector<uint8_t> b = r.ToBytes();
    ASSERT_EQ(b.size(), 408u);
    SAudioChooserRecord back = SAudioChooserRecord::FromBytes(b);
    EXPECT_EQ(back.formatTag, kWaveFormatAc3);
    EXPECT_EQ(back.tagName, "AC-3");
    EXPECT_EQ(back.description, r.description);
    b[0] = 7;  // not our record
    EXPECT_EQ(SAudioChooserRecord::FromBytes(b).description, "");
    EXPECT_EQ(SAudioChooserRecord::FromBytes({1, 2, 3}).formatTag, 0);
    r.description = std::string(1000, 'x');
    EXPECT_EQ(SAudioChooserRecord::FromBytes(r.ToBytes()).description.size(), 255u);
}

TEST_F(AudioFormatsTest, ChooserStepsAreLogged) {
    test::TempDir dir;
    SetLogDirectory(dir.Path().string());
    EnableLog(true);
    chooser.answers = {{kWaveFormatPcm, "44,100 Hz, 16 Bit, Stereo"}};
    ASSERT_TRUE(CWaveFile::ChooseAudioCodec(nullptr, 0, false, false));
    EXPECT_FALSE(CWaveFile::ChooseAudioCodec(nullptr, 0, false, false));
    EnableLog(false);
    CloseLog();
    std::string log = test::ReadFileBytes(GetLogPath());
    for (const char* line :
         {"CWaveFile::ChooseAudioCodec: acmMetricsSize: ", "CWaveFile::ChooseAudioCodec: Done.",
          "CWaveFile::ChooseAudioCodec: acmFormatChoose: Showing dialog...",
          "CWaveFile::ChooseAudioCodec: acmFormatChoose sucessful: Audio Codec chosen!",
          "CWaveFile::ChooseAudioCodec: acmFormatChoose failed: The user chose the Cancel button"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

}  // namespace
}  // namespace trov
