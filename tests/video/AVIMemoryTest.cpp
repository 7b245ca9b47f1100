// Clips read from memory through the frame reader, and AVI inputs the fuzzer found
// (fuzz/regressions/avi_frames).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "VideoTestUtil.h"
#include "support/TestSupport.h"
#include "video/AVIFrameReader.h"

namespace trov {
namespace {

using test::TempDir;

TEST(AVIMemory, AClipReadFromMemoryGivesTheFramesOfTheFile) {
    TempDir dir;
    const std::string path = dir / "clip.avi";
    ASSERT_NE(test::WriteMovie(path, test::Options("MJPG"), 37, 23, 25.0, 7).fccHandler, 0u);
    const std::string bytes = test::ReadFileBytes(path);
    CAVIFrameReader fromFile, fromMemory;
    ASSERT_TRUE(
        fromMemory.OpenMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "mem.avi"));
    EXPECT_EQ(fromMemory.GetFrameCount("mem.avi"), 7);
    EXPECT_EQ(fromFile.GetFrameCount(path), 7);
    // Forward, a jump back and the last frame, so the memory context is seeked too.
    for (int frame : {0, 1, 5, 2, 6}) {
        auto a = fromFile.ReadVideoFrame(path, frame);
        auto b = fromMemory.ReadVideoFrame("mem.avi", frame);
        ASSERT_TRUE(a && b) << "frame " << frame;
        ASSERT_EQ(a->GetWidth(), 37);
        ASSERT_EQ(b->GetHeight(), 23);
        EXPECT_EQ(std::memcmp(a->GetBits(), b->GetBits(), size_t(a->GetImageSize())), 0) << "frame " << frame;
    }
    EXPECT_EQ(fromMemory.ReadVideoFrame("mem.avi", 7), nullptr);
}

TEST(AVIMemory, BytesThatAreNoMovieAreRefused) {
    const std::string junk(5000, 'x');
    CAVIContainer container;
    EXPECT_FALSE(
        container.OpenMemory(reinterpret_cast<const uint8_t*>(junk.data()), junk.size(), "junk.avi", false));
    EXPECT_FALSE(container.IsOpen());
    EXPECT_FALSE(container.GetLastError().empty());
    EXPECT_FALSE(container.OpenMemory(nullptr, 0, "empty.avi", false));
}

// A stream header whose width made the informative image size overflow (undefined behaviour,
// caught by the sanitizers): the clip opens or is refused, and reading it does no harm.
TEST(AVIFuzzRegression, AStreamOfAbsurdWidthIsHandledWithoutOverflow) {
    const std::string bytes =
        test::ReadFileBytes(std::string(TROV_SOURCE_DIR_VALUE) +
                            "/fuzz/regressions/avi_frames/stream-width-overflows-image-size");
    ASSERT_FALSE(bytes.empty());
    CAVIFrameReader reader;
    if (!reader.OpenMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "r.avi")) return;
    for (int frame = 0; frame < std::min(reader.GetFrameCount("r.avi"), 3); ++frame) {
        auto picture = reader.ReadVideoFrame("r.avi", frame);
        if (!picture) continue;
        EXPECT_GT(picture->GetWidth(), 0);
        EXPECT_LE(picture->GetWidth(), CPicture::kMaxSide);
    }
}

// Clips of a few hundred bytes whose stream format declares an FFV1 frame 655,392 pixels wide
// and 18 high: opening one sets up a decoder for 12 megapixels, and the frame is wider than any
// picture may be. Each is refused or read as nothing, without harm.
TEST(AVIFuzzRegression, ClipsDeclaringFramesWiderThanAnyPictureGiveNoFrame) {
    for (int n = 1; n <= 4; ++n) {
        const std::string bytes =
            test::ReadFileBytes(std::string(TROV_SOURCE_DIR_VALUE) +
                                "/fuzz/regressions/avi_frames/frame-of-12-megapixels-" + std::to_string(n));
        ASSERT_FALSE(bytes.empty()) << n;
        CAVIFrameReader reader;
        if (!reader.OpenMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "r.avi"))
            continue;
        const int count = reader.GetFrameCount("r.avi");
        for (int frame : {0, 1, count - 1}) {
            if (frame < 0) continue;
            EXPECT_EQ(reader.ReadVideoFrame("r.avi", frame), nullptr) << n << " frame " << frame;
        }
    }
}

}  // namespace
}  // namespace trov
