// The container table's answers and refusal texts (the real writes of every cell are checked by
// the command line's codec matrix test).
#include <gtest/gtest.h>

#include "video/ContainerCodecs.h"
#include "video/VideoCodecs.h"

namespace trov {
namespace {

constexpr uint16_t kPcm = 0x0001, kMp3 = 0x0055, kAac = 0x00FF;

TEST(ContainerCodecs, PathsSelectContainersByExtension) {
    EXPECT_EQ(OutputContainerForPath("/x/Movie.MKV").name, "MKV");
    EXPECT_EQ(OutputContainerForPath("movie.mp4").muxer, "mp4");
    EXPECT_EQ(OutputContainerForPath("movie.mov").extension, ".mov");
    EXPECT_EQ(OutputContainerForPath("movie").name, "AVI");
    EXPECT_EQ(OutputContainerForPath("a.mkv/movie").name, "AVI");  // a dot in a folder name is no extension
    EXPECT_EQ(OutputContainerForPath("movie.webm").name, "AVI");
}

TEST(ContainerCodecs, RefusalsNameCodecContainerAndWhatWorks) {
    const uint32_t ffv1 = FourCCFromString("FFV1"), h264 = FourCCFromString("H264");
    EXPECT_EQ(CheckOutputCombination("a.mp4", ffv1, 0),
              "FFV1 cannot be stored in MP4; use .avi, .mkv or .mov");
    EXPECT_EQ(CheckOutputCombination("a.mkv", FourCCFromString("DIB "), kPcm),
              "Uncompressed video cannot be stored in MKV; use .avi or .mov");
    // Uncompressed is also named by code 0.
    EXPECT_EQ(CheckOutputCombination("a.mkv", 0, 0),
              "Uncompressed video cannot be stored in MKV; use .avi or .mov");
    EXPECT_EQ(
        CheckOutputCombination("a.mp4", h264, kPcm),
        "PCM audio cannot be stored in MP4; use .avi, .mkv or .mov, or MPEG Layer-3, MPEG Layer-2, AC-3 or "
        "AAC audio");
    EXPECT_EQ(CheckOutputCombination("a.mp4", FourCCFromString("ULRG"), kPcm),
              "Ut Video video and PCM audio cannot be stored in MP4; use .avi, .mkv or .mov");
    EXPECT_EQ(CheckOutputCombination("a.mp4", h264, kAac), "");
    EXPECT_EQ(CheckOutputCombination("a.avi", ffv1, kMp3), "");
    EXPECT_EQ(CheckOutputCombination("a.mov", FourCCFromString("DIB "), kPcm), "");
    // Unknown codes are refused rather than guessed at.
    EXPECT_NE(CheckOutputCombination("a.avi", FourCCFromString("ZZZZ"), 0), "");
    EXPECT_NE(CheckOutputCombination("a.avi", h264, 0x0011), "");
}

TEST(ContainerCodecs, AliasesShareTheirEncodersRow) {
    if (!FindVideoEncoder(FourCCFromString("FMP4"))) GTEST_SKIP() << "no MPEG-4 encoder";
    EXPECT_TRUE(ContainerHoldsVideo("mp4", FourCCFromString("XVID")));
    EXPECT_EQ(VideoCodecShortName(FourCCFromString("DIVX")), "MPEG-4 Part 2");
    EXPECT_FALSE(ContainerHoldsVideo("mp4", FourCCFromString("DIV3")));
    EXPECT_FALSE(ContainerHoldsVideo("webm", FourCCFromString("H264")));
    EXPECT_FALSE(ContainerHoldsAudio("mp4", kPcm));
    EXPECT_TRUE(ContainerHoldsAudio("matroska", kPcm));
}

TEST(ContainerCodecs, CodecChoiceCheckUsesTheTable) {
    CompressionOptions options;
    if (!MakeCompressionOptions("FFV1", 8000, "", options)) GTEST_SKIP() << "no FFV1 encoder";
    BitmapInfoHeader header{};
    header.biSize = 40;
    header.biWidth = 32;
    header.biHeight = 24;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::string reason;
    EXPECT_FALSE(CanCompress(options, header, "out.mp4", &reason));
    EXPECT_EQ(reason, "FFV1 cannot be stored in MP4; use .avi, .mkv or .mov.");
    EXPECT_TRUE(CanCompress(options, header, "out.mkv", &reason)) << reason;
}

}  // namespace
}  // namespace trov
