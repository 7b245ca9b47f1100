// End-to-end creations of small movies, read back with ffprobe/ffmpeg as independent readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "imaging/JpegTestEncoder.h"
#include "infra/Log.h"
#include "infra/UserPrompt.h"
#include "project/ProjectPaths.h"
#include "settings/SettingsStore.h"
#include "support/RecordingPrompt.h"
#include "support/TestSupport.h"
#include "video/CodecSettings.h"

namespace trov {
namespace {

namespace fs = std::filesystem;

std::string Shell(const std::string& command) {
    std::string out;
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

// The source tree (for the shipped demo pictures).
std::string SourceDir() {
    const char* env = std::getenv("TROV_SOURCE_DIR");
    if (env && *env) return env;
    return (fs::path(__FILE__).parent_path().parent_path().parent_path()).string();
}

int ProbeFrameCount(const std::string& file) {
    std::string out = Shell(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
        "-of csv=p=0 '" +
        file + "' 2>/dev/null");
    return out.empty() ? -1 : std::atoi(out.c_str());
}

// Errors of a full decode (empty = clean).
std::string DecodeErrors(const std::string& file) {
    return Shell("ffmpeg -nostdin -v error -i '" + file + "' -f null - 2>&1");
}

// One MD5 per decoded frame (header lines dropped).
std::vector<std::string> FrameDigests(const std::string& file) {
    std::vector<std::string> out;
    std::string text = Shell("ffmpeg -nostdin -v error -i '" + file + "' -map 0:v -f framemd5 - 2>/dev/null");
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line[0] != '#') out.push_back(line.substr(line.rfind(',') + 1));
        start = end + 1;
    }
    return out;
}

// Cancels the creation when a status text starts with `trigger`.
class CCancellingView : public CTROVManagerView {
public:
    CCancellingView(CTROVManager& m, std::string trigger) : m_manager(m), m_trigger(std::move(trigger)) {}
    void OnStatusText(const std::string& text) override {
        last = text;
        if (text.rfind(m_trigger, 0) == 0) m_manager.CancelCreation();
        if (text == "Creation canceled!") sawCancelText = true;
    }
    std::string last;
    std::atomic<bool> sawCancelText{false};

private:
    CTROVManager& m_manager;
    std::string m_trigger;
};

class CreationTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUserPrompt(&prompt);
        CPicture::SetDefaultBackgroundColour(0);
    }
    void TearDown() override { SetUserPrompt(nullptr); }

    // A manager on a fresh program directory with a 160 x 120 movie at 25 fps.
    std::unique_ptr<CTROVManager> MakeManager(bool streamCache, const std::string& extra = "") {
        std::string settings =
            "[PROJECT_SETTINGS]\nMovie-Size-X=160\nMovie-Size-Y=120\nFramesPerSeconds=25\n"
            "TempDir=" +
            (dir / "temp") + "\nOutput-AVI=" + (dir / "out.avi") +
            "\n[TROV_SETTINGS]\nCreationEnsureItemIsVisible=0\nEnableVideoStreamCache=" +
            (streamCache ? "1" : "0") + "\n" + extra;
        fs::create_directories(dir.Path() / "prog");
        test::WriteFileBytes(dir.Path() / "prog" / "Settings.ini", settings);
        auto m = std::make_unique<CTROVManager>();
        m->Initialize((dir.Path() / "prog").string());
        return m;
    }

    // A BMP picture of w x h with a vertical gradient, so different pictures differ.
    std::string MakeBmp(const std::string& name, int w, int h, uint8_t tint) {
        CDibPicture p;
        EXPECT_TRUE(p.Create(w, h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) p.SetPixel(x, y, uint8_t(x * 255 / w), uint8_t(y * 255 / h), tint);
        std::string path = dir / name;
        EXPECT_TRUE(p.SaveFile(path));
        return path;
    }

    static CProjectObject Entry(const std::string& file, int in, int show, int out, int next,
                                const std::string& caption = "") {
        CProjectObject o;
        o.SetFileName(file);
        o.textFadeIn = in;
        o.showPicture = show;
        o.textFadeOut = out;
        o.fade2NextPicture = next;
        o.pictureText = caption;
        o.fading2NextPictureName = "Cross Dissolve";
        o.font.height = -14;
        return o;
    }

    // Creates the movie with MJPEG; true when it was written.
    bool Create(CTROVManager& m, const std::string& codec = "MJPG") {
        CodecSettingsRecord rec;
        if (!MakeVideoCodecSettings(codec, 9000, "", rec)) return false;
        return m.StartCreation(
            [&](CCreation& c, int&, int&) { return c.CreateNewAVI(c.GetOutputPath(), &rec.video, false); });
    }

    test::TempDir dir;
    test::CTextRecordingPrompt prompt;
};

TEST_F(CreationTest, OneEntryHasItsCaptionPhasesAndNoTransition) {
    auto m = MakeManager(false);
    std::string pic = MakeBmp("a.bmp", 200, 100, 10);
    m->AppendObject(Entry(pic, 5, 10, 4, 25, "Hello"));
    ASSERT_TRUE(Create(*m));
    EXPECT_EQ(m->GetCreation().GetTotalFrames(), 19);
    EXPECT_EQ(ProbeFrameCount(dir / "out.avi"), 19);
    EXPECT_EQ(DecodeErrors(dir / "out.avi"), "");
    EXPECT_EQ(m->GetStatusText(), "Output-AVI sucessfully written: " + (dir / "out.avi"));
}

TEST_F(CreationTest, TwoEntriesWithTheDefaultTimelineGive305Frames) {
    auto m = MakeManager(false);
    m->AppendObject(Entry(MakeBmp("a.bmp", 160, 120, 0), 25, 100, 15, 25, "One"));
    m->AppendObject(Entry(MakeBmp("b.bmp", 320, 240, 200), 25, 100, 15, 25, "Two"));
    ASSERT_TRUE(Create(*m));
    EXPECT_EQ(ProbeFrameCount(dir / "out.avi"), 305);
    EXPECT_EQ(DecodeErrors(dir / "out.avi"), "");
    // MJPEG is intra-only: the 99 repeats of each shown picture reuse its packet, and decode alike.
    EXPECT_EQ(m->GetCreation().GetReusedPackets(), 2 * 99);
    auto digests = FrameDigests(dir / "out.avi");
    ASSERT_EQ(digests.size(), 305u);
    for (int i = 25; i < 125; ++i) EXPECT_EQ(digests[i], digests[25]) << i;
    EXPECT_NE(digests[0], digests[25]);

    // H.264 predicts between frames: every frame is encoded.
    ASSERT_TRUE(Create(*m, "H264"));
    EXPECT_EQ(m->GetCreation().GetReusedPackets(), 0);
    EXPECT_EQ(ProbeFrameCount(dir / "out.avi"), 305);
}

TEST_F(CreationTest, ZeroTransitionEmptyCaptionsAndZeroFadeInKeepTheCount) {
    auto m = MakeManager(false);
    std::string a = MakeBmp("a.bmp", 160, 120, 0);
    m->AppendObject(Entry(a, 3, 4, 2, 0));          // empty caption, no transition
    m->AppendObject(Entry(a, 0, 5, 3, 6, "Text"));  // caption with Text-FadeIn 0
    m->AppendObject(Entry(a, 2, 2, 2, 9));
    ASSERT_TRUE(Create(*m));
    // 3+4+2+0 + 0+5+3+6 + 2+2+2 = 29
    EXPECT_EQ(m->GetCreation().GetTotalFrames(), 29);
    EXPECT_EQ(ProbeFrameCount(dir / "out.avi"), 29);
}

TEST_F(CreationTest, EveryEntryKindRendersIntoADecodableMovie) {
    std::string jpeg = SourceDir() + "/demo/pictures/aitzgorri.jpg";
    std::string wide = SourceDir() + "/demo/pictures/seeding_wide.jpg";
    std::string clip = dir / "clip.avi";
    ASSERT_EQ(
        Shell("ffmpeg -nostdin -v error -f lavfi -i testsrc=size=176x144:rate=25 -frames:v 12 -c:v mjpeg '" +
              clip + "' 2>&1"),
        "");
    for (bool check : {true, false}) {
        auto m = MakeManager(false, check ? "" : "ConsistencyCheck=0\n");
        m->AppendObject(Entry(jpeg, 3, 5, 3, 4, "JPEG"));
        m->AppendObject(Entry(MakeBmp("b.bmp", 90, 120, 50), 2, 4, 2, 4, "BMP"));
        CProjectObject avi = Entry(clip, 2, 11, 2, 4, "Clip");
        m->AppendObject(avi);
        CProjectObject pan = Entry(wide, 2, 8, 2, 4, "Pan");
        pan.panoramaScrolling = true;
        pan.panoramaScrollingType = 2;
        pan.fading2NextPictureName = "Left-Right-Wipe";
        m->AppendObject(pan);
        CProjectObject move = Entry(jpeg, 2, 8, 2, 4, "Move");
        move.pictureMove = true;
        move.pictureMoveSettings = "0|0|0|0|25|25|25|25|";
        move.flightPoints = "10|10|90|90|";
        move.flightPointsRadius = 2;
        m->AppendObject(move);
        CProjectObject colour = Entry(kColorFadingFileName, 0, 3, 0, 4);
        colour.isColorFade = true;
        colour.colorFadeColorRef = 0xFFFFFF;
        colour.SetFileName(kColorFadingFileName);
        m->AppendObject(colour);
        CProjectObject rotated = Entry(jpeg, 1, 3, 1, 0);
        rotated.rotation = 90;
        rotated.textFadeInEffectName = "Left-Right-Wipe";
        rotated.pictureText = "Wipe";
        m->AppendObject(rotated);
        m->GetCreation().SetRenderThreads(2);
        ASSERT_TRUE(Create(*m)) << m->GetStatusText();
        int total = m->GetCreation().GetTotalFrames();
        EXPECT_EQ(total, (3 + 5 + 3 + 4) + (2 + 4 + 2 + 4) + (2 + 11 + 2 + 4) + (2 + 8 + 2 + 4) +
                             (2 + 8 + 2 + 4) + (0 + 3 + 0 + 4) + (1 + 3 + 1));
        EXPECT_EQ(ProbeFrameCount(dir / "out.avi"), total);
        EXPECT_EQ(DecodeErrors(dir / "out.avi"), "");

        // Each picture was prepared while the entry before it was rendered (read from the picture
        // cache, or decoded when the check is off); with one render thread the frame loop prepares
        // each when it gets there, and the frames are the same.
        const auto ahead = FrameDigests(dir / "out.avi");
        m->ResetCaches();
        m->GetCreation().SetRenderThreads(1);
        ASSERT_TRUE(Create(*m)) << m->GetStatusText();
        EXPECT_EQ(FrameDigests(dir / "out.avi"), ahead) << check;
        m->ResetCaches();
    }
}

TEST_F(CreationTest, StreamCachePastesUnchangedPartsWithIdenticalFrames) {
    auto m = MakeManager(true);
    ASSERT_TRUE(m->IsVideoStreamCacheEnabled());
    std::string a = MakeBmp("a.bmp", 160, 120, 0), b = MakeBmp("b.bmp", 160, 120, 90),
                c = MakeBmp("c.bmp", 160, 120, 180);
    m->AppendObject(Entry(a, 3, 5, 3, 4, "A"));
    m->AppendObject(Entry(b, 3, 5, 3, 4, "B"));
    m->AppendObject(Entry(c, 3, 5, 3, 4, "C"));
    ASSERT_TRUE(Create(*m));
    int total = m->GetCreation().GetTotalFrames();
    EXPECT_EQ(m->GetCreation().GetPastedFrames(), 0);
    size_t firstParts = m->GetCreation().GetCreatedPartFiles().size();
    EXPECT_EQ(firstParts, 11u);  // 3 phases x 3 entries + 2 transitions
    EXPECT_EQ(ProbeFrameCount(dir / "out.avi"), total);
    auto before = FrameDigests(dir / "out.avi");
    ASSERT_EQ(before.size(), size_t(total));

    // Unchanged: everything comes from the cache, frame for frame the same.
    ASSERT_TRUE(Create(*m));
    EXPECT_EQ(m->GetCreation().GetPastedFrames(), total);
    EXPECT_TRUE(m->GetCreation().GetCreatedPartFiles().empty());
    EXPECT_EQ(FrameDigests(dir / "out.avi"), before);
    EXPECT_EQ(DecodeErrors(dir / "out.avi"), "");

    // A new caption on B re-renders B's three caption and show parts only.
    m->GetObject(1)->pictureText = "Changed";
    ASSERT_TRUE(Create(*m));
    EXPECT_EQ(m->GetCreation().GetCreatedPartFiles().size(), 3u);
    EXPECT_EQ(m->GetCreation().GetPastedFrames(), total - 11);
    auto after = FrameDigests(dir / "out.avi");
    ASSERT_EQ(after.size(), size_t(total));
    // Entry A and the transition into B are untouched; B's caption phases differ.
    for (int i = 0; i < 15; ++i) EXPECT_EQ(after[i], before[i]) << i;
    EXPECT_NE(after[16], before[16]);

    // The index survives a restart of the program.
    m.reset();
    auto again = MakeManager(true);
    again->AppendObject(Entry(a, 3, 5, 3, 4, "A"));
    ASSERT_TRUE(Create(*again));
    EXPECT_EQ(again->GetCreation().GetPastedFrames(), 11);
    EXPECT_TRUE(again->GetCreation().GetCreatedPartFiles().empty());
}

TEST_F(CreationTest, TwoEntriesWithTheSamePictureShareOneCachedPicture) {
    auto m = MakeManager(false);
    std::string a = MakeBmp("a.bmp", 200, 100, 0);
    fs::copy_file(a, dir / "copy.bmp");
    m->AppendObject(Entry(a, 1, 1, 1, 1));
    m->AppendObject(Entry(dir / "copy.bmp", 1, 1, 1, 1));
    m->AppendObject(Entry(MakeBmp("other.bmp", 200, 100, 77), 1, 1, 1, 1));
    ASSERT_TRUE(Create(*m));
    int pics = 0;
    for (const auto& e : fs::directory_iterator(dir.Path() / "temp"))
        pics += e.path().filename().string().rfind("pic_", 0) == 0;
    EXPECT_EQ(pics, 2);
    EXPECT_EQ(m->GetPictureCache().GetIndexSize(), 2u);
}

TEST_F(CreationTest, CancelLeavesAPlayableShorterMovieAndStoresNoParts) {
    for (bool cache : {false, true}) {
        auto m = MakeManager(cache);
        std::string a = MakeBmp("a.bmp", 160, 120, 0);
        m->AppendObject(Entry(a, 5, 40, 5, 5, "A"));
        m->AppendObject(Entry(a, 5, 40, 5, 5, "B"));
        CCancellingView view(*m, "Writing frame 20 of");
        m->SetView(&view);
        EXPECT_FALSE(Create(*m));
        m->SetView(nullptr);
        EXPECT_TRUE(m->IsCreationCanceled());
        EXPECT_TRUE(view.sawCancelText.load());
        EXPECT_EQ(view.last, "Creation canceled!");
        int frames = ProbeFrameCount(dir / "out.avi");
        EXPECT_GE(frames, 19) << cache;
        EXPECT_LE(frames, 20) << cache;
        EXPECT_EQ(DecodeErrors(dir / "out.avi"), "");
        // Only the finished fade-in part is kept; the show part cut short by the cancel is not.
        EXPECT_EQ(m->GetStreamCache().GetIndexSize(), cache ? 1u : 0u);
    }
}

// Reads the copy of the project in the temporary directory when the first frame is written.
class CProjectCopyView : public CTROVManagerView {
public:
    explicit CProjectCopyView(std::string path) : m_path(std::move(path)) {}
    void OnStatusText(const std::string& text) override {
        if (text.rfind("Writing frame 1 of", 0) != 0) return;
        CSettingsStore copy;
        if (!copy.Load(m_path)) return;
        copy.GetString("PICTURE_1", "PictureText", secondCaption);
        copy.GetString("PROJECT_SETTINGS", "Movie-Size-X", width);
    }
    std::string secondCaption, width;

private:
    std::string m_path;
};

TEST_F(CreationTest, RunningCreationKeepsACopyOfTheProjectInTheTemporaryDirectory) {
    auto m = MakeManager(false);
    const std::string copy = (dir.Path() / "temp" / kCurrentProjectFile).string();
    std::string a = MakeBmp("a.bmp", 160, 120, 0);
    m->AppendObject(Entry(a, 0, 3, 0, 2));
    m->AppendObject(Entry(a, 0, 3, 0, 0, "Second"));
    CProjectCopyView view(copy);
    m->SetView(&view);
    ASSERT_TRUE(Create(*m));
    m->SetView(nullptr);
    // The unsaved project, entries included, was there while the frames were written; it is gone after.
    EXPECT_EQ(view.secondCaption, "Second");
    EXPECT_EQ(view.width, "160");
    EXPECT_FALSE(fs::exists(copy));
    // Also after a run stopped by a finding of the check.
    m->AppendObject(Entry(dir / "missing.bmp", 0, 3, 0, 0));
    EXPECT_FALSE(Create(*m));
    EXPECT_FALSE(fs::exists(copy));
}

// Records every status text (they come from several threads).
class CStatusRecorder : public CTROVManagerView {
public:
    void OnStatusText(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        texts.push_back(text);
    }
    int CountStartingWith(const std::string& prefix) {
        std::lock_guard<std::mutex> lock(m_mutex);
        int n = 0;
        for (const std::string& t : texts) n += t.rfind(prefix, 0) == 0;
        return n;
    }
    std::vector<std::string> texts;

private:
    std::mutex m_mutex;
};

TEST_F(CreationTest, MovingPicturesArePreparedByTheCheckAndTakenFromThePictureCache) {
    for (bool check : {true, false}) {
        auto m = MakeManager(false, check ? "" : "ConsistencyCheck=0\n");
        CProjectObject move = Entry(MakeBmp("m.bmp", 400, 300, 20), 0, 6, 0, 3);
        move.pictureMove = true;
        move.pictureMoveSettings = "0|0|0|0|25|25|25|25|";
        m->AppendObject(move);
        CProjectObject pan = Entry(MakeBmp("p.bmp", 640, 120, 90), 0, 6, 0, 0);
        pan.panoramaScrolling = true;
        pan.panoramaScrollingType = 1;
        m->AppendObject(pan);
        CStatusRecorder first;
        m->SetView(&first);
        ASSERT_TRUE(Create(*m));
        const auto digests = FrameDigests(dir / "out.avi");
        ASSERT_EQ(digests.size(), 6u + 3u + 6u);
        // With the check on it prepares both sources on its threads; without, the frame loop does.
        EXPECT_EQ(first.CountStartingWith("Reading picture: "), check ? 0 : 2) << check;
        EXPECT_EQ(m->GetPictureCache().GetIndexSize(), 2u);

        // The next run takes both from the cache and renders the same frames.
        CStatusRecorder second;
        m->SetView(&second);
        ASSERT_TRUE(Create(*m));
        EXPECT_EQ(second.CountStartingWith("Reading picture: "), 0);
        EXPECT_EQ(FrameDigests(dir / "out.avi"), digests);
        // Another glide is another preparation; the first stays cached for an undo.
        m->GetObject(0)->pictureMoveSettings = "10|10|10|10|0|0|0|0|";
        ASSERT_TRUE(Create(*m));
        m->SetView(nullptr);
        EXPECT_EQ(m->GetPictureCache().GetIndexSize(), 3u);
        EXPECT_NE(FrameDigests(dir / "out.avi"), digests);
        m->ResetCaches();
    }
}

// Picture moves, caption fades with Cross Dissolve and transitions whose frames stand alone are
// drawn side by side; the movie is the one a single render thread makes.
TEST_F(CreationTest, PictureMovesRenderedSideBySideGiveTheFramesOfOneThread) {
    for (bool cache : {false, true}) {
        auto m = MakeManager(cache);
        const std::string jpeg = SourceDir() + "/demo/pictures/aitzgorri.jpg";
        CProjectObject zoomIn = Entry(jpeg, 2, 17, 2, 3, "Zoom in");
        zoomIn.pictureMove = true;
        zoomIn.pictureMoveSettings = "0|0|0|0|20|15|10|25|";
        zoomIn.fading2NextPictureName = "Iris (Round)";
        m->AppendObject(zoomIn);
        CProjectObject zoomOut = Entry(MakeBmp("b.bmp", 301, 203, 60), 0, 13, 0, 3);
        zoomOut.pictureMove = true;
        zoomOut.pictureMoveSettings = "15|10|20|20|0|0|0|0|";
        zoomOut.fading2NextPictureName = "Blur-Fade";
        m->AppendObject(zoomOut);
        // A route drawn as it goes keeps its frames in sequence.
        CProjectObject route = Entry(jpeg, 1, 9, 1, 0, "Route");
        route.pictureMove = true;
        route.pictureMoveSettings = "0|0|0|0|25|25|25|25|";
        route.flightPoints = "10|10|90|90|";
        route.flightPointsRadius = 2;
        m->AppendObject(route);
        const int total = (2 + 17 + 2 + 3) + (13 + 3) + (1 + 9 + 1);

        m->GetCreation().SetRenderThreads(1);
        EXPECT_EQ(m->GetCreation().GetRenderThreads(), 1);
        ASSERT_TRUE(Create(*m)) << m->GetStatusText();
        const auto serial = FrameDigests(dir / "out.avi");
        ASSERT_EQ(serial.size(), size_t(total));
        // The glide moves: the comparison below is about frames that differ from one another.
        EXPECT_NE(serial[3], serial[4]);
        EXPECT_NE(serial[24], serial[25]);
        for (int threads : {3, 2}) {
            if (cache) m->ResetCaches();  // rendered again, not pasted
            m->GetCreation().SetRenderThreads(threads);
            ASSERT_TRUE(Create(*m)) << m->GetStatusText();
            EXPECT_EQ(m->GetCreation().GetPastedFrames(), 0);
            EXPECT_EQ(FrameDigests(dir / "out.avi"), serial) << threads << " " << cache;
        }
        m->ResetCaches();

        // A cancel in the middle of a glide: the frames up to it, in order, and nothing more.
        m->GetCreation().SetRenderThreads(3);
        CCancellingView view(*m, "Writing frame 12 of");
        m->SetView(&view);
        EXPECT_FALSE(Create(*m));
        m->SetView(nullptr);
        EXPECT_TRUE(view.sawCancelText.load());
        const auto cut = FrameDigests(dir / "out.avi");
        EXPECT_GE(cut.size(), 11u) << cache;
        EXPECT_LE(cut.size(), 12u) << cache;
        for (size_t k = 0; k < cut.size() && k < serial.size(); ++k) EXPECT_EQ(cut[k], serial[k]) << k;
        EXPECT_EQ(DecodeErrors(dir / "out.avi"), "");
        EXPECT_EQ(m->GetStreamCache().GetIndexSize(), cache ? 1u : 0u);
        m->ResetCaches();
    }
}

// The frames of a captioned glide take their caption where they are drawn, but the glide's last
// bare frame stays caption-free: the caption fades out to it, so the movie ends on the frame the
// same glide without a caption ends on.
TEST_F(CreationTest, CaptionOfAGlideFadesOutToItsBareLastFrame) {
    std::vector<std::string> digests[2];
    for (int captioned : {0, 1}) {
        auto m = MakeManager(false);
        CProjectObject glide = Entry(MakeBmp("a.bmp", 301, 203, 60), 2, 6, 3, 0, captioned ? "Caption" : "");
        glide.pictureMove = true;
        glide.pictureMoveSettings = "0|0|0|0|20|15|10|25|";
        m->AppendObject(glide);
        for (int threads : {1, 3}) {
            m->GetCreation().SetRenderThreads(threads);
            ASSERT_TRUE(Create(*m)) << m->GetStatusText();
            auto frames = FrameDigests(dir / "out.avi");
            ASSERT_EQ(frames.size(), 11u);
            if (threads == 1)
                digests[captioned] = frames;
            else
                EXPECT_EQ(frames, digests[captioned]) << captioned;
        }
    }
    for (int k = 2; k < 8; ++k) EXPECT_NE(digests[1][size_t(k)], digests[0][size_t(k)]) << k;  // the caption
    EXPECT_EQ(digests[1][10], digests[0][10]);
}

TEST_F(CreationTest, UnknownTransitionEffectStopsBeforeAnythingIsWritten) {
    auto m = MakeManager(false);
    CProjectObject o = Entry(MakeBmp("a.bmp", 160, 120, 0), 1, 1, 1, 1);
    o.fading2NextPictureName = "No Such Effect";
    m->AppendObject(Entry(MakeBmp("b.bmp", 160, 120, 0), 1, 1, 1, 1));
    m->AppendObject(o);
    EXPECT_FALSE(Create(*m));
    ASSERT_FALSE(prompt.texts.empty());
    EXPECT_EQ(prompt.texts.back().rfind(
                  "Error at picture position 1:\r\nCan not find specified fading effect: No Such "
                  "Effect\r\n\r\nThis error means",
                  0),
              0u);
    EXPECT_FALSE(fs::exists(dir / "out.avi"));
    m->GetObject(1)->fading2NextPictureName = "";
    EXPECT_FALSE(Create(*m));
    EXPECT_NE(prompt.texts.back().find("Please set a fading effect to this picture!"), std::string::npos);
}

TEST_F(CreationTest, ConsistencyCheckListsUnreadableDamagedAndAudioFiles) {
    auto m = MakeManager(false);
    std::string good = MakeBmp("good.bmp", 64, 48, 0);
    std::string bytes = test::ReadFileBytes(SourceDir() + "/demo/pictures/sunset.jpg");
    test::WriteFileBytes(dir / "broken.jpg", bytes.substr(0, bytes.size() / 3));
    // A mono 16-bit WAV: "RIFF" header with one channel.
    std::string wav = "RIFF";
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto le16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    std::string fmt = le16(1) + le16(1) + le32(44100) + le32(88200) + le16(2) + le16(16);
    std::string data(400, '\0');
    wav += le32(4 + 8 + 16 + 8 + 400) + "WAVEfmt " + le32(16) + fmt + "data" + le32(400) + data;
    test::WriteFileBytes(dir / "mono.wav", wav);
    // A "WAV" file nothing can decode: the mono one is converted and no finding.
    test::WriteFileBytes(dir / "noise.wav", "RIFF" + std::string(200, '\x5A'));

    CProjectObject o1 = Entry(good, 1, 1, 1, 1);
    o1.audioFile = dir / "mono.wav";
    m->AppendObject(o1);
    CProjectObject missing = Entry(dir / "missing.jpg", 1, 1, 1, 1);
    missing.audioFile = dir / "noise.wav";
    m->AppendObject(missing);
    m->AppendObject(Entry(dir / "broken.jpg", 1, 1, 1, 1));
    CProjectObject colour = Entry(kColorFadingFileName, 1, 1, 1, 1);
    colour.isColorFade = true;
    colour.SetFileName(kColorFadingFileName);
    m->AppendObject(colour);

    ConsistencyFindings f = m->CheckConsistency();
    EXPECT_EQ(f.unreadable, std::vector<std::string>{dir / "missing.jpg"});
    EXPECT_EQ(f.inconsistent, std::vector<std::string>{dir / "broken.jpg"});
    EXPECT_EQ(f.audio, std::vector<std::string>{dir / "noise.wav"});
    std::string msg = f.Message();
    size_t p1 = msg.find("Some files could not be read:\r\n\r\n" + (dir / "missing.jpg") + "\r\n");
    size_t p2 = msg.find("Inconsistency detected:\r\n\r\n" + (dir / "broken.jpg") + "\r\n");
    size_t p3 = msg.find("Inconsistency of audio files detected:\r\n\r\n" + (dir / "noise.wav") + "\r\n");
    EXPECT_EQ(p1, 0u);
    EXPECT_NE(p2, std::string::npos);
    EXPECT_NE(p3, std::string::npos);
    EXPECT_LT(p2, p3);

    // The creation does not start and says why.
    EXPECT_FALSE(Create(*m));
    EXPECT_EQ(prompt.texts.back(), msg);

    // With the check off only existence counts.
    m->GetAppSettings().SetInt("TROV_SETTINGS", "ConsistencyCheck", 0);
    f = m->CheckConsistency();
    EXPECT_EQ(f.unreadable.size(), 1u);
    EXPECT_TRUE(f.inconsistent.empty());
    EXPECT_TRUE(f.audio.empty());
    EXPECT_EQ(f.Message().find("Inconsistency"), std::string::npos);
}

TEST_F(CreationTest, ConsistencyCheckGivesEachFileTheReadersCause) {
    auto m = MakeManager(false);
    // 70 bytes claiming 30000 x 30000 pixels; a JPEG cut short; a missing file; a mono WAV.
    std::string huge(70, '\0');
    huge[0] = 'B', huge[1] = 'M', huge[10] = 54, huge[14] = 40, huge[26] = 1, huge[28] = 24;
    for (int at : {18, 22}) huge[size_t(at)] = char(0x30), huge[size_t(at) + 1] = char(0x75);  // 30000
    test::WriteFileBytes(dir / "huge.bmp", huge);
    std::string bytes = test::ReadFileBytes(SourceDir() + "/demo/pictures/sunset.jpg");
    test::WriteFileBytes(dir / "cut.jpg", bytes.substr(0, bytes.size() / 3));
    // A camera file with stray bytes before a marker loses no pixel: no finding.
    const size_t dqt = bytes.find("\xFF\xDB");
    ASSERT_NE(dqt, std::string::npos);
    test::WriteFileBytes(dir / "camera.jpg",
                         bytes.substr(0, dqt) + std::string("\0\x11\x22\x33", 4) + bytes.substr(dqt));
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto le16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    // A format tag no decoder knows (a mono PCM file would simply be converted).
    std::string wav = "RIFF" + le32(4 + 8 + 16 + 8 + 400) + "WAVEfmt " + le32(16) + le16(0x7777) + le16(1) +
                      le32(22050) + le32(44100) + le16(2) + le16(16) + "data" + le32(400) +
                      std::string(400, '\0');
    test::WriteFileBytes(dir / "mono.wav", wav);
    CProjectObject first = Entry(dir / "huge.bmp", 1, 1, 1, 1);
    first.audioFile = dir / "mono.wav";
    m->AppendObject(first);
    m->AppendObject(Entry(dir / "cut.jpg", 1, 1, 1, 1));
    m->AppendObject(Entry(dir / "camera.jpg", 1, 1, 1, 1));
    m->AppendObject(Entry(dir / "gone.jpg", 1, 1, 1, 1));

    test::TempDir logDir;
    SetLogDirectory(logDir.Path().string());
    EnableLog(true);
    EXPECT_FALSE(Create(*m));
    EnableLog(false);
    CloseLog();
    const std::string log = test::ReadFileBytes(GetLogPath());
    SetLogDirectory("");

    const ConsistencyFindings& f = m->GetCreation().GetLastFindings();
    EXPECT_EQ(f.inconsistent, (std::vector<std::string>{dir / "huge.bmp", dir / "cut.jpg"}));
    EXPECT_EQ(f.unreadable, std::vector<std::string>{dir / "gone.jpg"});
    EXPECT_EQ(f.audio, std::vector<std::string>{dir / "mono.wav"});
    // The message box keeps its specified text; the causes come one line per file, in its order.
    EXPECT_EQ(prompt.texts.back(), f.Message());
    EXPECT_EQ(f.Message().find("header claims"), std::string::npos);
    ASSERT_EQ(f.causes.size(), 4u);
    EXPECT_EQ(f.causes[0].path, dir / "gone.jpg");
    EXPECT_NE(f.causes[0].cause.find("no such file"), std::string::npos) << f.causes[0].cause;
    EXPECT_EQ(f.causes[1].path, dir / "huge.bmp");
    EXPECT_NE(f.causes[1].cause.find("header claims"), std::string::npos) << f.causes[1].cause;
    EXPECT_EQ(f.causes[2].path, dir / "cut.jpg");
    EXPECT_NE(f.causes[2].cause.find("Premature end of JPEG file"), std::string::npos) << f.causes[2].cause;
    EXPECT_EQ(f.causes[3].path, dir / "mono.wav");
    EXPECT_NE(f.causes[3].cause.find("no decoder"), std::string::npos) << f.causes[3].cause;
    const std::string lines = f.CauseLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 4);
    // The log names each cause; the camera file is logged with libjpeg's warning, not refused.
    EXPECT_NE(log.find("CCreation::StartCreation: " + (dir / "huge.bmp") + ": CDibPicture::LoadFile"),
              std::string::npos)
        << log;
    EXPECT_NE(
        log.find("camera.jpg: loaded completely; libjpeg warned: Corrupt JPEG data: 4 extraneous bytes"),
        std::string::npos)
        << log;
}

TEST_F(CreationTest, ExifOrientationIsAProjectSettingAndPartOfThePictureCacheKey) {
    auto m = MakeManager(false);
    // New projects get the setting on; a project file without it keeps today's pictures.
    int apply = -1;
    EXPECT_TRUE(m->GetProjectSettings().GetInt("PROJECT_SETTINGS", "ApplyExifOrientation", apply));
    EXPECT_EQ(apply, 1);
    test::WriteFileBytes(dir / "old.ini",
                         "[PROJECT_SETTINGS]\nMovie-Size-X=160\nMovie-Size-Y=120\n"
                         "[PICTURE_0]\nFileName=phone.jpg\nShowPicture=3\n");
    test::WritePhonePhoto(dir / "phone.jpg");
    ASSERT_TRUE(m->LoadProject(dir / "old.ini"));
    EXPECT_TRUE(m->GetProjectSettings().GetInt("PROJECT_SETTINGS", "ApplyExifOrientation", apply));
    EXPECT_EQ(apply, 0);

    // Frame of 160 x 120: the stored picture (2:1) fills the width; upright (1:2) it is 60 wide
    // with bars left and right. Red is on the left as stored, on top upright.
    auto colourAt = [](const CPicture& p, int x, int yTop) {
        return p.GetColour(x, p.GetHeight() - 1 - yTop);
    };
    std::unique_ptr<CDibPicture> stored = m->GetCreation().PreparePicture(0, 160, 120);
    ASSERT_NE(stored, nullptr);
    EXPECT_GT(ColourRed(colourAt(*stored, 20, 60)), 150);    // left: red
    EXPECT_GT(ColourBlue(colourAt(*stored, 140, 60)), 150);  // right: blue

    m->GetProjectSettings().SetInt("PROJECT_SETTINGS", "ApplyExifOrientation", 1);
    // The picture cache holds the stored form now; the upright one has a key of its own.
    std::unique_ptr<CDibPicture> upright = m->GetCreation().PreparePicture(0, 160, 120);
    ASSERT_NE(upright, nullptr);
    EXPECT_EQ(colourAt(*upright, 20, 60), 0u);                // a black bar
    EXPECT_GT(ColourRed(colourAt(*upright, 80, 20)), 150);    // top: red
    EXPECT_GT(ColourBlue(colourAt(*upright, 80, 100)), 150);  // bottom: blue
    EXPECT_EQ(m->GetCreation().GetPicturePreparation().ExifOrientationOf(*m->GetObject(0)), 6);
    EXPECT_NE(m->GetCreation().GetPicturePreparation().PictureName(*m->GetObject(0)),
              m->GetObject(0)->GetCacheName());

    // The entry's rotation comes on top: a further quarter turn makes it 180 degrees from stored
    // (blue on the left, red on the right).
    m->GetObject(0)->rotation = 90;
    std::unique_ptr<CDibPicture> both = m->GetCreation().PreparePicture(0, 160, 120);
    ASSERT_NE(both, nullptr);
    EXPECT_GT(ColourBlue(colourAt(*both, 20, 60)), 150);
    EXPECT_GT(ColourRed(colourAt(*both, 140, 60)), 150);

    // Back off again: the stored form comes from the cache unchanged.
    m->GetObject(0)->rotation = 0;
    m->GetProjectSettings().SetInt("PROJECT_SETTINGS", "ApplyExifOrientation", 0);
    std::unique_ptr<CDibPicture> again = m->GetCreation().PreparePicture(0, 160, 120);
    ASSERT_NE(again, nullptr);
    EXPECT_GT(ColourRed(colourAt(*again, 20, 60)), 150);
}

TEST_F(CreationTest, OutputOverrideAndRangeOfTheSettingsStep) {
    auto m = MakeManager(false);
    std::string a = MakeBmp("a.bmp", 160, 120, 0);
    m->AppendObject(Entry(a, 1, 2, 1, 3));
    m->AppendObject(Entry(a, 1, 5, 1, 3));
    m->AppendObject(Entry(a, 1, 7, 1, 3));
    m->GetCreation().SetOutputOverride(dir / "other.avi");
    CodecSettingsRecord rec;
    ASSERT_TRUE(MakeVideoCodecSettings("MJPG", 9000, "", rec));
    ASSERT_TRUE(m->StartCreation([&](CCreation& c, int& first, int& last) {
        first = 1;
        last = 2;
        return c.CreateNewAVI(c.GetOutputPath(), &rec.video, false);
    }));
    EXPECT_FALSE(fs::exists(dir / "out.avi"));
    // Entries 1 and 2: 1+5+1+3 + 1+7+1 = 19.
    EXPECT_EQ(ProbeFrameCount(dir / "other.avi"), 19);
}

TEST_F(CreationTest, MakeCompleteProjectCopiesAndWritesMakeSh) {
    auto m = MakeManager(false);
    fs::create_directories(dir.Path() / "x");
    fs::create_directories(dir.Path() / "y");
    std::string p1 = MakeBmp("x/photo.bmp", 32, 32, 1), p2 = MakeBmp("y/photo.bmp", 32, 32, 2);
    m->AppendObject(Entry(p1, 1, 1, 1, 1));
    m->AppendObject(Entry(p2, 1, 1, 1, 1));
    std::string error;
    ASSERT_TRUE(m->MakeCompleteProject(dir / "complete", error)) << error;
    EXPECT_TRUE(fs::exists(dir.Path() / "complete" / "pictures" / "photo.bmp"));
    EXPECT_TRUE(fs::exists(dir.Path() / "complete" / "pictures" / "photo(1).bmp"));
    EXPECT_TRUE(fs::exists(dir.Path() / "complete" / "slideshow.ini"));
    EXPECT_EQ(m->GetObject(1)->GetFileName(), "pictures/photo(1).bmp");
    std::string sh = test::ReadFileBytes(dir.Path() / "complete" / "make.sh");
    EXPECT_EQ(sh.rfind("#!/bin/sh\n# TROV Slide Show Creation Batch-File\n", 0), 0u);
    EXPECT_NE(sh.find("/trov\" -project \"slideshow.ini\" -create cs_0.ini\n"), std::string::npos);
    EXPECT_TRUE((fs::status(dir.Path() / "complete" / "make.sh").permissions() & fs::perms::owner_exec) !=
                fs::perms::none);
}

}  // namespace
}  // namespace trov
