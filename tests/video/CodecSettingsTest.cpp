// Codec settings files: numbering, keys written, round trips, listing, deleting, damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "settings/SettingsStore.h"
#include "support/TestSupport.h"
#include "video/CodecSettings.h"
#include "video/VideoCodecs.h"

namespace trov::test {
namespace {

CodecSettingsRecord VideoAndAudio() {
    CodecSettingsRecord r;
    r.hasVideo = true;
    r.video.fccHandler = FourCCFromString("H264");
    r.video.dwKeyFrameEvery = 25;
    r.video.dwQuality = 7500;
    r.video.dwBytesPerSecond = 0;
    r.video.dwFlags = kKeyFrameFlag;
    r.video.dwInterleaveEvery = 3;
    r.video.SetStateText("preset=veryfast");
    r.videoDescription = GetVideoCodecName(&r.video);
    for (size_t i = 0; i < r.audioFormat.size(); ++i) r.audioFormat[i] = uint8_t(i * 11);
    r.audioDescription = "MPEG Layer-3 (128 kBit/s, 44,100 Hz, Stereo)";
    r.audioChooser = {1, 2, 3, 250};
    return r;
}

TEST(CodecSettingsFiles, NumbersAreTheFirstFreeOnes) {
    TempDir dir;
    const std::string d = (dir / "CodecSettings");
    EXPECT_EQ(SaveCodecSettings(VideoAndAudio(), d), "CS_0.ini");
    EXPECT_EQ(SaveCodecSettings(VideoAndAudio(), d), "CS_1.ini");
    EXPECT_TRUE(DeleteCodecSettings("CS_0.ini", d));
    EXPECT_FALSE(std::filesystem::exists(d + "/CS_0.ini"));
    EXPECT_EQ(SaveCodecSettings(VideoAndAudio(), d), "CS_0.ini");
    EXPECT_EQ(SaveCodecSettings(VideoAndAudio(), d), "CS_2.ini");
    EXPECT_FALSE(DeleteCodecSettings("CS_9.ini", d));
    // Nothing to save when neither codec is set.
    CodecSettingsRecord none;
    EXPECT_EQ(SaveCodecSettings(none, d), "");
    EXPECT_FALSE(std::filesystem::exists(d + "/CS_3.ini"));
}

TEST(CodecSettingsFiles, KeysAsWritten) {
    TempDir dir;
    const std::string d = dir / "cs";
    ASSERT_EQ(SaveCodecSettings(VideoAndAudio(), d), "CS_0.ini");
    CSettingsStore store;
    ASSERT_TRUE(store.Load(d + "/CS_0.ini"));
    int v = 0;
    ASSERT_TRUE(store.GetInt("Video", "fccHandler", v));
    EXPECT_EQ(uint32_t(v), FourCCFromString("H264"));
    ASSERT_TRUE(store.GetInt("Video", "BufferSize", v));
    EXPECT_EQ(v, 15);
    ASSERT_TRUE(store.GetInt("Video", "Byte0", v));
    EXPECT_EQ(v, 'p');
    EXPECT_TRUE(store.HasKey("Video", "Byte14"));
    EXPECT_FALSE(store.HasKey("Video", "Byte15"));
    for (const char* key :
         {"fccType", "dwKeyFrameEvery", "dwQuality", "dwBytesPerSecond", "dwFlags", "dwInterleaveEvery"})
        EXPECT_TRUE(store.HasKey("Video", key)) << key;
    std::string text;
    ASSERT_TRUE(store.GetString("Video", "Description", text));
    EXPECT_EQ(text, "H.264 / AVC (x264)");
    ASSERT_TRUE(store.GetInt("Audio", "Byte17", v));
    EXPECT_EQ(v, 17 * 11);
    EXPECT_FALSE(store.HasKey("Audio", "Byte18"));
    // Always 408 chooser bytes, the given ones first, zeros after.
    ASSERT_TRUE(store.GetInt("Audio2", "Byte3", v));
    EXPECT_EQ(v, 250);
    ASSERT_TRUE(store.GetInt("Audio2", "Byte407", v));
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(store.HasKey("Audio2", "Byte408"));
    // The file is 8-bit text.
    std::string bytes = ReadFileBytes(d + "/CS_0.ini");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_NE(uint8_t(bytes[0]), 0xFF);
}

TEST(CodecSettingsFiles, AudioOnlyHasNoVideoOptionKeysAndLoadsZeroOptions) {
    TempDir dir;
    const std::string d = dir / "cs";
    CodecSettingsRecord audioOnly = VideoAndAudio();
    audioOnly.hasVideo = false;
    audioOnly.videoDescription = kNotSetText;
    ASSERT_EQ(SaveCodecSettings(audioOnly, d), "CS_0.ini");
    CSettingsStore store;
    ASSERT_TRUE(store.Load(d + "/CS_0.ini"));
    const CSettingsSection* video = store.GetSection("Video");
    ASSERT_TRUE(video);
    EXPECT_EQ(video->Size(), 1u);  // only the description
    CodecSettingsRecord loaded = VideoAndAudio();
    ASSERT_TRUE(LoadCodecSettings("CS_0.ini", loaded, d));
    EXPECT_FALSE(loaded.hasVideo);
    EXPECT_EQ(loaded.video, CompressionOptions());
    EXPECT_EQ(loaded.videoDescription, "Not set!");
    EXPECT_EQ(loaded.audioDescription, audioOnly.audioDescription);
}

TEST(CodecSettingsFiles, RoundTripListAndEmptyState) {
    TempDir dir;
    const std::string d = dir / "cs";
    CodecSettingsRecord saved = VideoAndAudio();
    ASSERT_EQ(SaveCodecSettings(saved, d), "CS_0.ini");
    CodecSettingsRecord noState = VideoAndAudio();
    noState.video.state.clear();
    noState.audioDescription = kNotSetText;
    ASSERT_EQ(SaveCodecSettings(noState, d), "CS_1.ini");

    CodecSettingsRecord loaded;
    ASSERT_TRUE(LoadCodecSettings("CS_0.ini", loaded, d));
    EXPECT_TRUE(loaded.hasVideo);
    EXPECT_EQ(loaded.video, saved.video);
    EXPECT_EQ(loaded.videoDescription, saved.videoDescription);
    EXPECT_EQ(loaded.audioFormat, saved.audioFormat);
    EXPECT_EQ(loaded.audioDescription, saved.audioDescription);
    ASSERT_EQ(loaded.audioChooser.size(), kAudioChooserBytes);
    EXPECT_EQ(std::vector<uint8_t>(loaded.audioChooser.begin(), loaded.audioChooser.begin() + 4),
              saved.audioChooser);
    // Command lines name files in lower case.
    EXPECT_TRUE(LoadCodecSettings("cs_1.ini", loaded, d));
    EXPECT_TRUE(loaded.video.state.empty());
    CSettingsStore store;
    ASSERT_TRUE(store.Load(d + "/CS_1.ini"));
    int n = -1;
    EXPECT_TRUE(store.GetInt("Video", "BufferSize", n));
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(store.HasKey("Video", "Byte0"));

    WriteFileBytes(d + "/notes.txt", "not listed");
    std::vector<CodecSettingsRow> rows = ListCodecSettings(d);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].fileName, "CS_0.ini");
    EXPECT_EQ(rows[0].video, "H.264 / AVC (x264)");
    EXPECT_EQ(rows[0].audio, "MPEG Layer-3 (128 kBit/s, 44,100 Hz, Stereo)");
    EXPECT_EQ(rows[1].audio, "Not set!");
    EXPECT_TRUE(ListCodecSettings(dir / "missing").empty());
}

TEST(CodecSettingsFiles, DamagedAndMissingFiles) {
    TempDir dir;
    const std::string d = dir / "cs";
    std::filesystem::create_directories(d);
    CodecSettingsRecord record = VideoAndAudio();
    const CodecSettingsRecord before = record;
    EXPECT_FALSE(LoadCodecSettings("CS_7.ini", record, d));
    EXPECT_FALSE(LoadCodecSettings("", record, d));
    EXPECT_EQ(record.video, before.video);
    // Absurd sizes and byte values are bounded; missing audio keys leave the bytes as they were.
    WriteFileBytes(d + "/CS_0.ini",
                   "[Video]\r\nBufferSize=2147483647\r\nByte0=300\r\nByte1=-1\r\nfccHandler=1196444237\r\n"
                   "[Audio]\r\nByte0=7\r\nDescription=PCM\r\n");
    ASSERT_TRUE(LoadCodecSettings("CS_0.ini", record, d));
    EXPECT_LE(record.video.state.size(), size_t(1) << 20);
    EXPECT_EQ(record.video.state[0], 300 & 0xFF);
    EXPECT_EQ(record.video.state[1], 0xFF);
    EXPECT_EQ(record.video.fccHandler, FourCCFromString("MJPG"));
    EXPECT_EQ(record.audioFormat[0], 7);
    EXPECT_EQ(record.audioFormat[1], before.audioFormat[1]);
    EXPECT_EQ(record.audioDescription, "PCM");
    // A codec this machine lacks is shown as "Uncompressed".
    record.video.fccHandler = FourCCFromString("IV50");
    EXPECT_EQ(GetVideoCodecName(&record.video), "Uncompressed");
}

// A file claiming a megabyte of codec state over a few keys (fuzz/regressions/codec_settings)
// took one lookup per claimed byte; the keys are now read in one pass, and only as they are written.
TEST(CodecSettingsFiles, ByteKeysAreReadAsWrittenAndOnlyUpToTheirCount) {
    TempDir dir;
    CodecSettingsRecord record;
    ASSERT_TRUE(LoadCodecSettings(std::string(TROV_SOURCE_DIR_VALUE) +
                                      "/fuzz/regressions/codec_settings/"
                                      "huge-buffer-size-over-three-keys-costs-a-lookup-per-byte",
                                  record, dir.Path().string()));
    ASSERT_EQ(record.video.state.size(), size_t(1) << 20);
    EXPECT_EQ(record.video.state.front(), 1);
    EXPECT_EQ(record.video.state.back(), 2);
    EXPECT_EQ(std::count(record.video.state.begin(), record.video.state.end(), 0), (1 << 20) - 2);

    // Names Byte() never writes (leading zero, sign, other case, no digits) are not byte keys;
    // keys past BufferSize, the 18 format bytes or the 408 chooser bytes are ignored.
    WriteFileBytes(dir / "CS_0.ini",
                   "[Video]\r\nBufferSize=4\r\nByte3=33\r\nByte4=44\r\nByte01=9\r\nByte+2=9\r\nbyte2=9\r\n"
                   "Byte=9\r\nByte2x=9\r\nByte99999999999=9\r\nfccHandler=1196444237\r\n"
                   "[Audio]\r\nByte17=17\r\nByte18=18\r\n"
                   "[Audio2]\r\nByte0=200\r\nByte407=207\r\nByte408=208\r\n");
    record = CodecSettingsRecord();
    record.audioFormat.fill(5);
    record.audioChooser.assign(500, 6);
    ASSERT_TRUE(LoadCodecSettings("CS_0.ini", record, dir.Path().string()));
    EXPECT_EQ(record.video.state, (std::vector<uint8_t>{0, 0, 0, 33}));
    EXPECT_EQ(record.audioFormat[17], 17);
    EXPECT_EQ(record.audioFormat[0], 5);
    EXPECT_EQ(record.audioChooser[0], 200);
    EXPECT_EQ(record.audioChooser[407], 207);
    EXPECT_EQ(record.audioChooser[408], 6);
}

TEST(CodecSettingsFiles, HeadlessRecordForTheCommandLine) {
    CodecSettingsRecord record;
    ASSERT_TRUE(MakeVideoCodecSettings("mjpeg", 8000, "", record));
    EXPECT_TRUE(record.hasVideo);
    EXPECT_EQ(record.video.fccHandler, FourCCFromString("MJPG"));
    EXPECT_EQ(record.video.dwQuality, 8000u);
    EXPECT_EQ(record.videoDescription, "Motion JPEG");
    EXPECT_EQ(record.audioDescription, "Not set!");
    EXPECT_FALSE(MakeVideoCodecSettings("no-such-codec", 8000, "", record));
}

}  // namespace
}  // namespace trov::test
