// Reading clips: in-order decoding, hostile files, the clip reader, other containers,
// and the codec choice when no options are given.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "VideoTestUtil.h"
#include "imaging/PictureTools.h"
#include "project/ProjectObject.h"
#include "support/TestSupport.h"
#include "video/AVIContainer.h"
#include "video/AVIFrameReader.h"
#include "video/VideoCodecs.h"

namespace trov::test {
namespace {

TEST(AVIReading, InOrderFramesDecodeForwardWithoutSeeking) {
    TempDir dir;
    const std::string path = dir / "clip.avi";
    ASSERT_EQ(WriteMovie(path, Options("H264"), 96, 64, 25.0, 60).dwKeyFrameEvery, 25u);
    CAVIContainer in;
    ASSERT_TRUE(in.Open(path, false));
    CAVIStream* v = in.GetStream(0);
    for (int i = 0; i < 60; ++i) ASSERT_EQ(FrameIdOf(v->GetFrame(i)), i) << i;
    EXPECT_EQ(v->GetSeekCount(), 1);  // only to the start
    // Asking for the same frame again decodes nothing.
    EXPECT_EQ(FrameIdOf(v->GetFrame(59)), 59);
    EXPECT_EQ(v->GetSeekCount(), 1);
    // A step back seeks to the key frame before it; a short step forward inside a GOP does not.
    EXPECT_EQ(FrameIdOf(v->GetFrame(30)), 30);
    EXPECT_EQ(v->GetSeekCount(), 2);
    EXPECT_EQ(FrameIdOf(v->GetFrame(40)), 40);
    EXPECT_EQ(v->GetSeekCount(), 2);
    // Far ahead, past a key frame: one seek to that key frame.
    EXPECT_EQ(FrameIdOf(v->GetFrame(55)), 55);
    EXPECT_EQ(v->GetSeekCount(), 3);
}

TEST(AVIReading, MissingNonMovieAndEmptyFilesFailCleanly) {
    TempDir dir;
    CRecordingPrompt prompt;
    CAVIContainer in;
    EXPECT_FALSE(in.Open(dir / "missing.avi", false));
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_FALSE(in.Open(dir / "missing.avi", true));
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0], "Failed to open AVI File: " + (dir / "missing.avi"));
    EXPECT_FALSE(in.IsOpen());
    EXPECT_EQ(in.GetFileName(), "");
    EXPECT_EQ(in.GetStream(0), nullptr);
    EXPECT_EQ(in.GetFirstVideoStreamIndex(), -1);

    WriteFileBytes(dir / "text.avi", "This is not a movie at all, just a few words of text.\n");
    WriteFileBytes(dir / "empty.avi", "");
    WriteFileBytes(dir / "riff.avi", std::string("RIFF\xff\xff\xff\x7f"
                                                 "AVI LIST",
                                                 16) +
                                         std::string(100, '\0'));
    // A picture file is not a clip either.
    auto picture = PatternFrame(32, 24, 1);
    ASSERT_TRUE(picture->SaveFile(dir / "picture.avi"));
    for (const char* name : {"text.avi", "empty.avi", "riff.avi", "picture.avi"}) {
        EXPECT_FALSE(in.Open(dir / name, false)) << name;
        EXPECT_FALSE(in.IsOpen()) << name;
        EXPECT_FALSE(in.GetLastError().empty()) << name;
    }
    EXPECT_FALSE(in.Open(dir.Path().string(), false));  // a directory
}

TEST(AVIReading, TruncatedFilesGiveTheFramesThatArePresent) {
    TempDir dir;
    const std::string path = dir / "whole.avi";
    ASSERT_EQ(WriteMovie(path, Options("MJPG"), 96, 64, 25.0, 40).fccHandler, Options("MJPG").fccHandler);
    const std::string whole = ReadFileBytes(path);
    for (double part : {0.9, 0.6, 0.3, 0.05}) {
        const std::string cut = dir / "cut.avi";
        WriteFileBytes(cut, whole.substr(0, size_t(double(whole.size()) * part)));
        CAVIContainer in;
        if (!in.Open(cut, false)) {
            EXPECT_FALSE(in.GetLastError().empty());
            continue;
        }
        CAVIStream* v = in.GetStream(in.GetFirstVideoStreamIndex());
        if (!v) continue;
        // Without its index the file is read through once; the count is what is really there.
        int length = v->GetLength();
        EXPECT_LE(length, 40) << part;
        // (The header and the reserved index space take the first few kilobytes.)
        EXPECT_GE(length, int(40 * part * 0.6)) << part;
        int good = 0;
        for (int i = 0; i < length + 2; ++i) {
            const BitmapInfoHeader* f = v->GetFrame(i);
            if (f) {
                EXPECT_EQ(f->biWidth, 96);
                if (i < length - 1) {
                    EXPECT_EQ(FrameIdOf(f), i);  // the last one may be cut
                }
                ++good;
            }
        }
        EXPECT_GE(good, length - 1) << part;
        EXPECT_EQ(v->GetFrame(length + 5), nullptr);
    }
}

TEST(AVIReading, TheClipReaderOfThePictureListAndTheCreation) {
    TempDir dir;
    const std::string clip = dir / "Clip.avi";
    ASSERT_EQ(WriteMovie(clip, Options("FFV1"), 40, 30, 25.0, 12).fccHandler, Options("FFV1").fccHandler);
    CAVIFrameReader reader;
    std::unique_ptr<CDibPicture> frame = reader.ReadVideoFrame(clip, 5);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->GetWidth(), 40);
    EXPECT_EQ(frame->GetHeight(), 30);
    EXPECT_EQ(frame->GetFileName(), clip);
    auto expected = PatternFrame(40, 30, 5);
    EXPECT_EQ(std::memcmp(frame->GetBits(), expected->GetBits(), size_t(expected->GetImageSize())), 0);
    EXPECT_EQ(reader.ReadVideoFrame(clip, 12), nullptr);  // past the end
    EXPECT_EQ(reader.ReadVideoFrame(dir / "none.avi", 0), nullptr);
    // Names are compared exactly: another case is another file (none here).
    EXPECT_EQ(reader.ReadVideoFrame(dir / "CLIP.AVI", 0), nullptr);
    EXPECT_EQ(reader.GetFrameCount(clip), 12);
    EXPECT_EQ(reader.CountClipFrames(clip), 12);
    EXPECT_LT(reader.GetFrameCount(dir / "none.avi"), 0);

    // Frame 0 read again after the end: the clip is reopened or rewound, not left at its end.
    std::unique_ptr<CDibPicture> first = reader.ReadVideoFrame(clip, 0);
    ASSERT_TRUE(first);
    auto pattern0 = PatternFrame(40, 30, 0);
    EXPECT_EQ(std::memcmp(first->GetBits(), pattern0->GetBits(), size_t(pattern0->GetImageSize())), 0);

    // The list refresh sets "ShowPicture" of an AVI entry to the frame count - 1.
    CProjectObject object;
    object.SetFileName(clip);
    ASSERT_TRUE(object.IsAVI());
    std::vector<CProjectObject*> objects = {&object};
    NormalizeProjectObjects(objects, 25, &reader);
    EXPECT_EQ(object.showPicture, 11);
    reader.Close();
}

TEST(AVIContainers, OutputFollowsTheExtension) {
    TempDir dir;
    for (const char* ext : {"mkv", "mp4", "mov"}) {
        for (const char* codec : {"H264", "MJPG", "FMP4"}) {
            const std::string path = dir / (std::string("movie_") + codec + "." + ext);
            CompressionOptions options = Options(codec);
            ASSERT_TRUE(CanCompress(options, *PatternFrame(96, 64, 0)->GetHeader(), path)) << path;
            ASSERT_EQ(WriteMovie(path, options, 96, 64, 25.0, 30).fccHandler, options.fccHandler) << path;
            EXPECT_EQ(DecodeErrors(path), "") << path;
            EXPECT_EQ(ProbeCountedFrames(path), 30) << path;
            CAVIContainer in;
            ASSERT_TRUE(in.Open(path, false)) << path;
            CAVIStream* v = in.GetStream(in.GetFirstVideoStreamIndex());
            ASSERT_TRUE(v);
            EXPECT_EQ(v->GetLength(), 30) << path;
            EXPECT_NEAR(v->GetFrameRate(), 25.0, 1e-6) << path;
            for (int i : {0, 1, 2, 29, 12}) EXPECT_EQ(FrameIdOf(v->GetFrame(i)), i) << path;
        }
    }
    std::string format;
    RunCommand(
        "ffprobe -v error -show_entries format=format_name -of csv=p=0 '" + (dir / "movie_H264.mkv") + "'",
        format);
    EXPECT_NE(format.find("matroska"), std::string::npos);
    // A lossless codec the MP4 container cannot hold is refused with a reason.
    std::string why;
    EXPECT_FALSE(CanCompress(Options("HFYU"), *PatternFrame(96, 64, 0)->GetHeader(), dir / "x.mp4", &why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(ContainerForPath("/a.b/Movie.MKV"), "matroska");
    EXPECT_EQ(ContainerForPath("/a.mkv/movie"), "avi");
    EXPECT_EQ(ContainerForPath("movie.avi"), "avi");
}

// ---- codec choice ----

TEST(CodecChoice, NamesAndCapabilities) {
    ASSERT_FALSE(AvailableVideoEncoders().empty());
    EXPECT_EQ(GetVideoCodecName(nullptr), "Not set!");
    CompressionOptions o;
    EXPECT_EQ(GetVideoCodecName(&o), "");
    o.fccHandler = FourCCFromString("ZZZZ");
    EXPECT_EQ(GetVideoCodecName(&o), "Uncompressed");
    o.fccHandler = FourCCFromString("DIB ");
    EXPECT_EQ(GetVideoCodecName(&o), "Uncompressed");
    // The MPEG-4 codes of other programs map to our MPEG-4 encoder.
    for (const char* code : {"XVID", "DIVX", "DX50", "FMP4"}) {
        const VideoEncoderInfo* e = FindVideoEncoder(FourCCFromString(code));
        ASSERT_TRUE(e) << code;
        EXPECT_EQ(e->encoderName, "mpeg4");
    }
    EXPECT_EQ(FourCCToString(MakeFourCC('M', 'J', 'P', 'G')), "MJPG");
    EXPECT_EQ(FourCCFromString("DIB"), MakeFourCC('D', 'I', 'B', ' '));
    EXPECT_EQ(FourCCFromString("TOOLONG"), 0u);

    CompressionOptions made;
    ASSERT_TRUE(MakeCompressionOptions("libx264", 8000, "preset=veryfast", made));
    EXPECT_EQ(made.fccHandler, FourCCFromString("H264"));
    EXPECT_EQ(made.GetStateText(), "preset=veryfast");
    ASSERT_TRUE(MakeCompressionOptions("xvid", 8000, "", made));
    EXPECT_EQ(made.fccHandler, FourCCFromString("xvid"));
    EXPECT_FALSE(MakeCompressionOptions("nonsense", 8000, "", made));

    auto header = *PatternFrame(64, 48, 0)->GetHeader();
    std::string why;
    EXPECT_TRUE(CanCompress(Options("H264"), header, "x.avi", &why)) << why;
    EXPECT_FALSE(CanCompress(Options("H264"), *PatternFrame(37, 23, 0)->GetHeader(), "x.avi", &why));
    EXPECT_NE(why.find("even"), std::string::npos);
    EXPECT_FALSE(CanCompress(Options("H264", 9000, "bogus_option=1"), header, "x.avi", &why));
    EXPECT_NE(why.find("bogus_option"), std::string::npos);
    EXPECT_FALSE(CanCompress(Options("H264", 9000, "no equals sign"), header, "x.avi", &why));
    EXPECT_TRUE(CanCompress(Options("H264", 9000, " preset = veryfast ; tune=film"), header, "x.avi", &why))
        << why;
    BitmapInfoHeader eightBit = header;
    eightBit.biBitCount = 8;
    EXPECT_FALSE(CanCompress(Options("MJPG"), eightBit, "x.avi", &why));
}

TEST(CodecChoice, ExtraOptionsCannotBreakThePastingRules) {
    TempDir dir;
    const std::string path = dir / "bframes.avi";
    // B-frames and a scene-cut threshold asked for by the user are overridden.
    ASSERT_EQ(WriteMovie(path, Options("H264", 8000, "preset=ultrafast;x264-params=bframes=3:scenecut=40"),
                         64, 48, 25.0, 60)
                  .fccHandler,
              Options("H264").fccHandler);
    EXPECT_EQ(ProbeKeyFrames(path), (std::vector<int>{0, 25, 50}));
    std::string out;
    RunCommand(
        "ffprobe -v error -select_streams v:0 -show_entries stream=has_b_frames -of csv=p=0 '" + path + "'",
        out);
    EXPECT_EQ(out.substr(0, 1), "0");
}

TEST(CodecChoice, ChooserAndTheCannotCompressQuestion) {
    TempDir dir;
    auto odd = PatternFrame(37, 23, 0);
    auto make = [&](CAVIContainer& file) {
        EXPECT_TRUE(file.CreateFile(dir / "chosen.avi"));
        return file.CreateVideoStream(*odd->GetHeader(), 1.0, 25.0);
    };
    // Yes: the choice is offered again, with the previous choice; the second choice is taken.
    {
        CRecordingPrompt prompt;
        prompt.answers = {PromptAnswer::Yes};
        std::vector<uint32_t> previous;
        int calls = 0;
        CAVIContainer file;
        auto video = make(file);
        ASSERT_TRUE(video);
        bool ok = video->CreateCompressedStream(
            *odd->GetHeader(), nullptr,
            [&](const BitmapInfoHeader& h, const CompressionOptions& prev, CompressionOptions& choice) {
                EXPECT_EQ(h.biWidth, 37);
                previous.push_back(prev.fccHandler);
                choice = Options(calls++ == 0 ? "H264" : "MJPG", 7000);
                return true;
            });
        ASSERT_TRUE(ok);
        EXPECT_EQ(calls, 2);
        EXPECT_EQ(previous, (std::vector<uint32_t>{0, FourCCFromString("H264")}));
        ASSERT_EQ(prompt.captions.size(), 1u);
        EXPECT_EQ(prompt.captions[0], "Video Codec Warning!");
        EXPECT_EQ(prompt.texts[0].rfind("TROV Warning:\r\n\r\nIt could be", 0), 0u);
        EXPECT_EQ(video->GetOptions().fccHandler, FourCCFromString("MJPG"));
        EXPECT_EQ(video->GetOptions().dwQuality, 7000u);
        EXPECT_EQ(video->GetOptions().fccType, 0u);
        EXPECT_FALSE(video->CreateCompressedStream(*odd->GetHeader(), &video->GetOptions()));  // only once
    }
    // No: the choice is kept; the encoder then refuses the size and the set-up fails with the message.
    {
        CRecordingPrompt prompt;
        prompt.answers = {PromptAnswer::No};
        CAVIContainer file;
        auto video = make(file);
        bool ok = video->CreateCompressedStream(
            *odd->GetHeader(), nullptr,
            [&](const BitmapInfoHeader&, const CompressionOptions&, CompressionOptions& choice) {
                choice = Options("H264");
                return true;
            });
        EXPECT_FALSE(ok);
        ASSERT_EQ(prompt.texts.size(), 2u);
        EXPECT_EQ(prompt.texts[1].rfind("Error: TROV can not create a compressed video stream", 0), 0u);
        EXPECT_EQ(video->GetOptions().fccHandler, FourCCFromString("H264"));
    }
    // Cancel in the chooser; no chooser at all.
    {
        CAVIContainer file;
        auto video = make(file);
        EXPECT_FALSE(video->CreateCompressedStream(
            *odd->GetHeader(), nullptr,
            [](const BitmapInfoHeader&, const CompressionOptions&, CompressionOptions&) { return false; }));
        SetVideoCodecChooser({});
        EXPECT_FALSE(video->CreateCompressedStream(*odd->GetHeader(), nullptr));
        // A handler this machine has no encoder for fails without a message.
        CRecordingPrompt prompt;
        CompressionOptions unknown;
        unknown.fccHandler = FourCCFromString("ZZZZ");
        EXPECT_FALSE(video->CreateCompressedStream(*odd->GetHeader(), &unknown));
        EXPECT_TRUE(prompt.texts.empty());
    }
    // The process-wide chooser is used when none is given.
    {
        SetVideoCodecChooser(
            [](const BitmapInfoHeader&, const CompressionOptions&, CompressionOptions& choice) {
                choice = Options("FFV1");
                return true;
            });
        CAVIContainer file;
        auto video = make(file);
        EXPECT_TRUE(video->CreateCompressedStream(*odd->GetHeader(), nullptr));
        EXPECT_EQ(video->GetOptions().fccHandler, FourCCFromString("FFV1"));
        SetVideoCodecChooser({});
    }
}

TEST(AVIWriting, FramesThatDoNotMatchAreRefused) {
    TempDir dir;
    CAVIContainer out;
    ASSERT_TRUE(out.CreateFile(dir / "m.avi"));
    auto frame = PatternFrame(64, 48, 0);
    auto video = out.CreateVideoStream(*frame->GetHeader(), 1.0, 25.0);
    ASSERT_TRUE(video);
    EXPECT_FALSE(video->WriteFrame(*frame));  // no compressing stream yet
    ASSERT_TRUE(video->CreateCompressedStream(
        *frame->GetHeader(), nullptr,
        [](const BitmapInfoHeader&, const CompressionOptions&, CompressionOptions& c) {
            c = Options("MJPG");
            return true;
        }));
    EXPECT_FALSE(video->WriteFrame(*frame));  // not added to the file yet
    ASSERT_EQ(out.AddStream(std::move(video)), 0);
    CAVIStream* v = out.GetStream(0);
    EXPECT_FALSE(v->WriteFrame(*PatternFrame(32, 48, 0)));
    EXPECT_FALSE(v->WriteFrame(nullptr));
    EXPECT_FALSE(v->GetLastError().empty());
    ASSERT_TRUE(v->WriteFrame(*frame));
    EXPECT_EQ(v->GetVideoWritePosition(), 1);
    // Streams cannot join once samples are written.
    auto late = out.CreateVideoStream(*frame->GetHeader(), 1.0, 25.0);
    EXPECT_EQ(late, nullptr);
    EXPECT_TRUE(out.Close());
    EXPECT_EQ(ProbeCountedFrames(dir / "m.avi"), 1);
}

}  // namespace
}  // namespace trov::test
