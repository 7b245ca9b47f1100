// The fading-effects preview without a window: the built-in pictures, one decodable movie of the
// right length per registered effect, nothing written when the user backs out, and the player
// that loops a file or shows the "not created" picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "effects/FadingEffectManager.h"
#include "imaging/PictureTools.h"
#include "support/TestSupport.h"
#include "ui/FadingPreviewCommand.h"
#include "ui/FadingPreviewMaker.h"
#include "ui/FadingPreviewPlayer.h"
#include "ui/MainViewFakes.h"

namespace trov {
namespace {

namespace fs = std::filesystem;
using test::CFakeChooser;
using test::CScriptedPrompt;

std::string Shell(const std::string& cmd) {
    std::string out;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return "popen failed";
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

CompressionOptions Mjpeg() {
    CompressionOptions o;
    EXPECT_TRUE(MakeCompressionOptions("MJPG", 7500, "", o));
    return o;
}

size_t FileCount(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return 0;
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(folder)) n += e.is_regular_file() ? 1 : 0;
    return n;
}

class FadingPreviewTest : public ::testing::Test {
protected:
    FadingPreviewTest() { manager.Initialize(home.Path().string()); }
    CFadingEffectManager& Effects() { return manager.GetCreation().GetEffects(); }
    fs::path Folder() const { return FadingPreviewFolder(home.Path().string()); }

    test::TempDir home;
    CTROVManager manager;
    CScriptedPrompt prompt;
    CFakeChooser chooser;
};

TEST_F(FadingPreviewTest, BuiltInPicturesAreTheTwoRampsWithWhiteLetters) {
    auto a = MakeRampPictureA();
    auto b = MakeRampPictureB();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->GetWidth(), 160);
    EXPECT_EQ(a->GetHeight(), 120);
    uint8_t r = 0, g = 0, bl = 0;
    // A corner far from the letter: grey ramp x * 255 / 160.
    a->GetPixel(100, 5, r, g, bl);
    EXPECT_EQ(r, 100 * 255 / 160);
    EXPECT_EQ(g, r);
    EXPECT_EQ(bl, r);
    // B: 255 - x*255/h, 255 - (w-x)*255/h kept in its low byte, y*255/h.
    b->GetPixel(10, 5, r, g, bl);
    EXPECT_EQ(r, static_cast<uint8_t>(255 - 10 * 255 / 120));
    EXPECT_EQ(g, static_cast<uint8_t>(255 - 150 * 255 / 120));
    EXPECT_EQ(bl, static_cast<uint8_t>(5 * 255 / 120));
    // The letters: white pixels in the middle that the ramps never have there.
    auto whiteNearCentre = [](const CPicture& p) {
        int white = 0;
        for (int y = 40; y < 80; ++y)
            for (int x = 60; x < 100; ++x) white += p.GetColour(x, y) == MakeColour(255, 255, 255) ? 1 : 0;
        return white;
    };
    EXPECT_GT(whiteNearCentre(*a), 30);
    EXPECT_GT(whiteNearCentre(*b), 30);
}

TEST_F(FadingPreviewTest, EveryEffectGetsAMovieThatFfmpegDecodesWithTheFrameCount) {
    // Small pictures and few frames keep the 127+ movies cheap; the rules are the same.
    auto a = MakeRampPictureA(48, 36);
    auto b = MakeRampPictureB(48, 36);
    CFadingPreviewMaker maker(Effects(), Folder().string(), &manager.GetPipelines());
    maker.SetFrameCount(7);
    maker.SetThreadCount(2);
    CFadingPreviewMaker::Result result = maker.Create(*a, *b, Mjpeg());
    const std::vector<CFadingEffect*> effects = Effects().InRegistrationOrder();
    ASSERT_GE(effects.size(), 127u);
    EXPECT_TRUE(result.failed.empty()) << result.failed.front();
    EXPECT_EQ(result.written, static_cast<int>(effects.size()));
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(FileCount(Folder()), effects.size());
    // The complete bar counted the effects.
    EXPECT_EQ(manager.GetProgressPosition(true), CProgressMeter::kRange);

    // One ffprobe run over all files: each must decode without a message to exactly 7 frames.
    std::string list;
    for (CFadingEffect* e : effects)
        list += "'" + FadingPreviewPath(home.Path().string(), e->GetName()) + "' ";
    std::string out = Shell("for f in " + list +
                            "; do printf '%s=' \"$(basename \"$f\")\"; ffprobe -v error -count_frames "
                            "-select_streams v:0 -show_entries stream=nb_read_frames,codec_name,width "
                            "-of csv=p=0 \"$f\"; done");
    std::istringstream lines(out);
    std::string line;
    size_t good = 0;
    while (std::getline(lines, line)) {
        if (line.find("=mjpeg,48,7") != std::string::npos)
            ++good;
        else
            ADD_FAILURE() << line;
    }
    EXPECT_EQ(good, effects.size());
}

TEST_F(FadingPreviewTest, CancellingEitherPictureDialogOrTheCodecCreatesNothing) {
    std::string picture = home / "p.bmp";
    CPictureTools tools;
    ASSERT_TRUE(tools.CreatePicture(64, 32, MakeColour(200, 10, 10))->SaveFile(picture));
    int codecAsked = 0;
    auto codec = [&](const BitmapInfoHeader&, const CompressionOptions&, CompressionOptions& c) {
        ++codecAsked;
        c = Mjpeg();
        return true;
    };
    CFadingPreviewCommand command(manager, prompt, chooser, codec);
    // First dialog cancelled.
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_FALSE(command.Run(true));
    // Second dialog cancelled.
    prompt.answers = {PromptAnswer::Yes};
    chooser.files = {{picture}};
    EXPECT_FALSE(command.Run(true));
    EXPECT_EQ(chooser.filters.size(), 3u);
    EXPECT_EQ(chooser.filters.front(), fadingpreview::kPictureFilter);
    EXPECT_EQ(codecAsked, 0);
    // No to the question: not even a dialog.
    prompt.answers = {PromptAnswer::No};
    EXPECT_FALSE(command.Run(false));
    EXPECT_EQ(chooser.filters.size(), 3u);
    // The codec choice cancelled.
    CFadingPreviewCommand noCodec(
        manager, prompt, chooser,
        [](const BitmapInfoHeader&, const CompressionOptions&, CompressionOptions&) { return false; });
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_FALSE(noCodec.Run(false));
    EXPECT_FALSE(fs::exists(Folder()));
    // Only end messages count as messages; none of these runs got as far.
    for (const auto& q : prompt.asked) EXPECT_NE(q.text, fadingpreview::kFailure);
}

TEST_F(FadingPreviewTest, OwnPicturesAreFittedAndAnUnreadableOneIsNamed) {
    std::string wide = home / "wide.bmp", broken = home / "broken.jpg";
    CPictureTools tools;
    ASSERT_TRUE(tools.CreatePicture(320, 120, MakeColour(0, 200, 0))->SaveFile(wide));
    { std::ofstream(broken) << "not a picture"; }
    auto codec = [](const BitmapInfoHeader& in, const CompressionOptions&, CompressionOptions& c) {
        EXPECT_EQ(in.biWidth, 160);
        EXPECT_EQ(in.biHeight, 120);
        return MakeCompressionOptions("MJPG", 7500, "", c);
    };
    CFadingPreviewCommand command(manager, prompt, chooser, codec);
    prompt.answers = {PromptAnswer::Yes};
    chooser.files = {{wide}, {wide}};
    ASSERT_TRUE(command.Prepare(true));
    // 320 x 120 fitted into 160 x 120: 160 x 60 of picture, bars above and below.
    EXPECT_EQ(command.PictureA()->GetColour(80, 60), MakeColour(0, 200, 0));
    EXPECT_EQ(command.PictureA()->GetColour(80, 2), MakeColour(0, 0, 0));

    prompt.answers = {PromptAnswer::Yes};
    chooser.files = {{wide}, {broken}};
    EXPECT_FALSE(command.Prepare(true));
    ASSERT_FALSE(prompt.asked.empty());
    EXPECT_NE(prompt.asked.back().text.find("broken.jpg"), std::string::npos);
    EXPECT_FALSE(fs::exists(Folder()));
}

TEST_F(FadingPreviewTest, AFailedFileIsRemovedAndTheEndMessageSaysSo) {
    CFadingEffectManager& effects = Effects();
    CFadingPreviewMaker maker(effects, Folder().string(), nullptr);
    maker.SetFrameCount(3);
    fs::create_directories(Folder());
    auto a = MakeRampPictureA(16, 12), b = MakeRampPictureB(16, 12);
    ASSERT_TRUE(maker.WriteEffectPreview(*effects.Find("Cross Dissolve"), *a, *b, Mjpeg(),
                                         FadingPreviewPath(home.Path().string(), "Cross Dissolve")));
    // A folder that cannot be written fails and leaves nothing behind.
    EXPECT_FALSE(maker.WriteEffectPreview(*effects.Find("Cross Dissolve"), *a, *b, Mjpeg(),
                                          (home.Path() / "missing" / "x.avi").string()));
    EXPECT_FALSE(fs::exists(home.Path() / "missing" / "x.avi"));
    // A command that had nothing to render reports the failure.
    CFadingPreviewCommand command(manager, prompt, chooser);
    EXPECT_FALSE(command.Execute());
    command.Finish();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, fadingpreview::kFailure);
    EXPECT_EQ(prompt.asked[0].caption, fadingpreview::kCaption);
}

TEST_F(FadingPreviewTest, PlayerLoopsTheFileAndShowsTheGreyPictureWithoutOne) {
    auto a = MakeRampPictureA(32, 24), b = MakeRampPictureB(32, 24);
    CFadingPreviewMaker maker(Effects(), Folder().string(), nullptr);
    maker.SetFrameCount(4);
    fs::create_directories(Folder());
    ASSERT_TRUE(maker.WriteEffectPreview(*Effects().Find("Cross Dissolve"), *a, *b, Mjpeg(),
                                         FadingPreviewPath(home.Path().string(), "Cross Dissolve")));
    CFadingPreviewPlayer player(home.Path().string());
    player.SetEffect("Cross Dissolve");
    ASSERT_TRUE(player.HasPreview());
    EXPECT_EQ(player.FrameCount(), 4);
    EXPECT_EQ(player.FrameIntervalMs(), 40);
    std::vector<int> order;
    for (int i = 0; i < 9; ++i) {
        const CPicture* frame = player.NextFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->GetWidth(), 32);
        order.push_back(player.FrameIndex());
    }
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 3, 0}));

    player.SetEffect("Iris (Round)");  // no file
    EXPECT_FALSE(player.HasPreview());
    const CPicture* grey = player.NextFrame();
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->GetWidth(), 160);
    EXPECT_EQ(grey->GetHeight(), 120);
    EXPECT_EQ(grey->GetColour(2, 2), MakeColour(100, 100, 100));
    int white = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) white += grey->GetColour(x, y) == MakeColour(255, 255, 255) ? 1 : 0;
    EXPECT_GT(white, 50);  // the text is there

    // A damaged file plays as none.
    {
        std::ofstream(FadingPreviewPath(home.Path().string(), "Iris (Round)"), std::ios::binary)
            << "RIFF junk";
    }
    player.SetEffect("Cross Dissolve");
    player.SetEffect("Iris (Round)");
    EXPECT_FALSE(player.HasPreview());
    EXPECT_EQ(player.NextFrame()->GetColour(2, 2), MakeColour(100, 100, 100));
}

TEST(FadingPreviewPathTest, NameBecomesFileInThePreviewFolder) {
    EXPECT_EQ(FadingPreviewPath("/p", "Cross Dissolve"), "/p/FadingPreview/Cross Dissolve.avi");
    EXPECT_EQ(FadingPreviewFileName("a/b"), "a_b.avi");
}

}  // namespace
}  // namespace trov
