// Writing movies with every offered encoder and reading them back, with our reader and with
// ffprobe/ffmpeg as independent checkers.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "VideoTestUtil.h"
#include "support/TestSupport.h"
#include "video/AVIContainer.h"
#include "video/VideoCodecs.h"

namespace trov::test {
namespace {

TEST(AVIRateScale, FractionalRatesBecomeIntegral) {
    uint32_t scale = 0, rate = 0;
    ASSERT_TRUE(CAVIContainer::ComputeRateScale(1.0, 25.0, scale, rate));
    EXPECT_EQ(scale, 1u);
    EXPECT_EQ(rate, 25u);
    ASSERT_TRUE(CAVIContainer::ComputeRateScale(1.0, 29.97, scale, rate));
    EXPECT_EQ(scale, 100u);
    EXPECT_EQ(rate, 2997u);
    ASSERT_TRUE(CAVIContainer::ComputeRateScale(1.0, 12.5, scale, rate));
    EXPECT_EQ(scale, 10u);
    EXPECT_EQ(rate, 125u);
    // A rate with no short decimal form stops after a bounded number of steps instead of overflowing.
    ASSERT_TRUE(CAVIContainer::ComputeRateScale(1.0, 1.0 / 3.0, scale, rate));
    EXPECT_NEAR(double(rate) / scale, 1.0 / 3.0, 1e-6);
    // A scale other than 1 is taken as it is (truncated).
    ASSERT_TRUE(CAVIContainer::ComputeRateScale(2.0, 50.9, scale, rate));
    EXPECT_EQ(scale, 2u);
    EXPECT_EQ(rate, 50u);
    for (double bad : {0.0, -25.0, std::nan(""), HUGE_VAL})
        EXPECT_FALSE(CAVIContainer::ComputeRateScale(1.0, bad, scale, rate));
    EXPECT_FALSE(CAVIContainer::ComputeRateScale(0.5, 25.0, scale, rate));
}

TEST(AVIRateScale, StreamsCarryTheRuleAndOneKeyFramePerSecond) {
    TempDir dir;
    struct Case {
        double fps;
        uint32_t scale, rate, keyEvery;
    };
    for (Case c : {Case{25.0, 1, 25, 25}, Case{29.97, 100, 2997, 29}, Case{12.5, 10, 125, 12}}) {
        CAVIContainer out;
        ASSERT_TRUE(out.CreateFile(dir / "rate.avi"));
        auto frame = PatternFrame(64, 48, 0);
        auto video = out.CreateVideoStream(*frame->GetHeader(), 1.0, c.fps);
        ASSERT_TRUE(video);
        EXPECT_EQ(video->GetInfo().dwScale, c.scale);
        EXPECT_EQ(video->GetInfo().dwRate, c.rate);
        EXPECT_EQ(video->GetInfo().fccType, kStreamTypeVideo);
        EXPECT_EQ(video->GetInfo().rcFrame, (StreamRect{0, 0, 64, 48}));
        EXPECT_EQ(video->GetInfo().dwSuggestedBufferSize, uint32_t(frame->GetImageSize()));
        // Values for the key-frame interval and flags that come with the options are replaced.
        CompressionOptions given = Options("MJPG");
        given.dwKeyFrameEvery = 3;
        given.dwFlags = 0xFF;
        ASSERT_TRUE(video->CreateCompressedStream(*frame->GetHeader(), &given));
        EXPECT_EQ(video->GetOptions().dwKeyFrameEvery, c.keyEvery);
        EXPECT_EQ(video->GetOptions().dwFlags, kKeyFrameFlag);
        EXPECT_EQ(video->GetOptions().fccHandler, given.fccHandler);
        EXPECT_NEAR(video->GetFrameRate(), c.fps, 1e-9);
    }
}

TEST(AVIRateScale, KeyFrameEvery29FramesAt2997) {
    TempDir dir;
    std::string path = dir / "ntsc.avi";
    CompressionOptions used = WriteMovie(path, Options("H264"), 64, 48, 29.97, 70);
    ASSERT_EQ(used.dwKeyFrameEvery, 29u);
    EXPECT_EQ(ProbeKeyFrames(path), (std::vector<int>{0, 29, 58}));
    EXPECT_EQ(ProbeStream(path, 0, "avg_frame_rate"), "2997/100");
    CAVIContainer in;
    ASSERT_TRUE(in.Open(path, false));
    CAVIStream* v = in.GetStream(in.GetFirstVideoStreamIndex());
    ASSERT_TRUE(v);
    EXPECT_NEAR(v->GetFrameRate(), 29.97, 1e-9);
    for (int i = 0; i < 70; ++i) EXPECT_EQ(v->IsKeyFrame(i), i % 29 == 0) << i;
}

TEST(AVICreateFile, ExistingFileIsReplaced) {
    TempDir dir;
    std::string path = dir / "old.avi";
    WriteFileBytes(path, std::string(100000, 'x'));
    ASSERT_EQ(WriteMovie(path, Options("MJPG"), 32, 24, 25.0, 3).fccHandler, FourCCFromString("MJPG"));
    EXPECT_LT(std::filesystem::file_size(path), 100000u);
    EXPECT_EQ(ProbeCountedFrames(path), 3);
    EXPECT_EQ(DecodeErrors(path), "");
}

TEST(AVICreateFile, UnwritablePlaceFailsWithTheTableText) {
    TempDir dir;
    CAVIContainer out;
    EXPECT_FALSE(out.CreateFile(dir / "no-such-dir/movie.avi"));
    EXPECT_TRUE(out.IsOpen());  // the creation expects the flag after every attempt
    EXPECT_EQ(out.GetLastError(), "A disk error occurred while opening the file.");
    EXPECT_FALSE(out.CreateVideoStream(*PatternFrame(8, 8, 0)->GetHeader(), 1.0, 25.0));
    out.Close();
    EXPECT_FALSE(out.IsOpen());
    EXPECT_EQ(out.GetFileName(), "");
}

// ---- every offered encoder ----

class EveryEncoder : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryEncoder, FiftyFramesReadBackByUsAndByFfmpeg) {
    TempDir dir;
    const VideoEncoderInfo* info = FindVideoEncoder(FourCCFromString(GetParam()));
    ASSERT_TRUE(info);
    for (auto [w, h] : {std::pair{96, 64}, std::pair{37, 23}}) {
        std::string path = dir / ("movie_" + std::to_string(w) + ".avi");
        CompressionOptions options = Options(GetParam().c_str());
        std::string why;
        if (!CanCompress(options, *PatternFrame(w, h, 0)->GetHeader(), path, &why)) {
            // Only the odd size may be refused, and then with a reason.
            EXPECT_EQ(w, 37) << why;
            EXPECT_FALSE(why.empty());
            continue;
        }
        ASSERT_EQ(WriteMovie(path, options, w, h, 25.0, 50).fccHandler, options.fccHandler) << w;
        // Independent reader.
        EXPECT_EQ(DecodeErrors(path), "") << w;
        EXPECT_EQ(ProbeCountedFrames(path), 50) << w;
        EXPECT_EQ(ProbeStream(path, 0, "width"), std::to_string(w));
        EXPECT_EQ(ProbeStream(path, 0, "height"), std::to_string(h));
        EXPECT_EQ(ProbeStream(path, 0, "codec_type"), "video");
        // Our reader.
        CAVIContainer in;
        ASSERT_TRUE(in.Open(path, false));
        EXPECT_EQ(in.GetFirstVideoStreamIndex(), 0);
        EXPECT_EQ(in.GetFirstAudioStreamIndex(), -1);
        CAVIStream* v = in.GetStream(0);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->GetKind(), CAVIStream::kKindVideo);
        EXPECT_EQ(v->GetLength(), 50);
        EXPECT_DOUBLE_EQ(v->GetFrameRate(), 25.0);
        double worst = 0, total = 0;
        for (int i = 0; i < 50; ++i) {
            const BitmapInfoHeader* f = v->GetFrame(i);
            ASSERT_TRUE(f) << i;
            ASSERT_EQ(f->biWidth, w);
            ASSERT_EQ(f->biHeight, h);
            ASSERT_EQ(f->biBitCount, 24);
            auto expected = PatternFrame(w, h, i);
            double diff = MeanAbsDiff(f, *expected);
            worst = std::max(worst, diff);
            total += diff;
            EXPECT_EQ(FrameIdOf(f), i);
        }
        if (info->lossless) {
            EXPECT_EQ(worst, 0.0) << GetParam() << " " << w;
        } else {
            // Lossy: close on average; single frames of the old MPEG-4 variants stray further.
            EXPECT_LT(total / 50, 4.0) << GetParam() << " " << w;
            EXPECT_LT(worst, 10.0) << GetParam() << " " << w;
        }
        EXPECT_EQ(v->GetFrame(50), nullptr);
        EXPECT_EQ(v->GetFrame(-1), nullptr);
        // Back to the start and a jump into the middle.
        ASSERT_TRUE(v->GetFrame(7));
        EXPECT_EQ(FrameIdOf(v->GetFrame(7)), 7);
        EXPECT_EQ(FrameIdOf(v->GetFrame(33)), 33);
        EXPECT_EQ(FrameIdOf(v->GetFrame(0)), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Offered, EveryEncoder, ::testing::ValuesIn(OfferedCodes()), Printable);

}  // namespace
}  // namespace trov::test
