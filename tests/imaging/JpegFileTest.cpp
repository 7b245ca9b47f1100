// JPEG files: made here with libjpeg's compressor (grey, colour, progressive, CMYK, YCCK,
// Adobe-inverted CMYK), then decoded; damaged and hostile files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include "ImagingTestUtil.h"
#include "JpegTestEncoder.h"
#include "imaging/JpegPicture.h"
#include "imaging/PictureTools.h"
#include "infra/Log.h"
#include "infra/UserPrompt.h"
#include "support/TestSupport.h"

extern "C" {
#include <jpeglib.h>
}

namespace trov {
namespace {

using test::TempDir;
using Bytes = std::vector<unsigned char>;

using test::EncodeOptions;

Bytes Encode(int width, int height, const std::function<void(int x, int y, JSAMPLE* px)>& sample,
             const EncodeOptions& o) {
    return test::EncodeJpeg(width, height, sample, o);
}

// Four flat 16x16 quadrants (top-left, top-right, bottom-left, bottom-right) of these colours.
const Colour kQuadrants[4] = {MakeColour(220, 30, 40), MakeColour(20, 200, 60), MakeColour(30, 40, 210),
                              MakeColour(240, 230, 20)};
int QuadrantOf(int x, int yFromTop) {
    return (yFromTop < 16 ? 0 : 2) + (x < 16 ? 0 : 1);
}

void ExpectNear(Colour got, Colour want, int tolerance, const std::string& where) {
    EXPECT_NEAR(ColourRed(got), ColourRed(want), tolerance) << where;
    EXPECT_NEAR(ColourGreen(got), ColourGreen(want), tolerance) << where;
    EXPECT_NEAR(ColourBlue(got), ColourBlue(want), tolerance) << where;
}

// Checks the quadrant picture, sampling the middle of each quadrant (away from block edges).
void ExpectQuadrants(const CPicture& p, int tolerance) {
    ASSERT_EQ(p.GetWidth(), 32);
    ASSERT_EQ(p.GetHeight(), 32);
    for (int q = 0; q < 4; ++q) {
        const int x = (q % 2) * 16 + 8, yTop = (q / 2) * 16 + 8;
        // Screen row yTop is picture row 31 - yTop (bottom-up).
        ExpectNear(p.GetColour(x, 31 - yTop), kQuadrants[q], tolerance, "quadrant " + std::to_string(q));
    }
}

Bytes QuadrantRgb(const EncodeOptions& o) {
    return Encode(
        32, 32,
        [](int x, int y, JSAMPLE* px) {
            const Colour c = kQuadrants[QuadrantOf(x, y)];
            px[0] = ColourRed(c);
            px[1] = ColourGreen(c);
            px[2] = ColourBlue(c);
        },
        o);
}

bool Decode(CJpegPicture& p, const Bytes& b) {
    return p.LoadFromMemory(b.data(), b.size(), "test.jpg");
}

TEST(JpegRead, ColourTopScanlineIsTheLastRow) {
    for (bool progressive : {false, true}) {
        EncodeOptions o;
        o.progressive = progressive;
        CJpegPicture p;
        ASSERT_TRUE(Decode(p, QuadrantRgb(o))) << p.GetLastError();
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        ExpectQuadrants(p, 3);
        EXPECT_FALSE(p.IsDamaged());
    }
}

TEST(JpegRead, GreyscaleBecomesEqualChannels) {
    EncodeOptions o;
    o.input = JCS_GRAYSCALE;
    const Bytes b = Encode(
        37, 23, [](int x, int y, JSAMPLE* px) { px[0] = JSAMPLE((x * 6 + y * 3) & 0xFF); }, o);
    CJpegPicture p;
    ASSERT_TRUE(Decode(p, b)) << p.GetLastError();
    ASSERT_EQ(p.GetWidth(), 37);
    ASSERT_EQ(p.GetHeight(), 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            uint8_t r, g, bl;
            p.GetPixel(x, y, r, g, bl);
            ASSERT_EQ(r, g);
            ASSERT_EQ(g, bl);
            ASSERT_NEAR(r, (x * 6 + (22 - y) * 3) & 0xFF, 2) << x << "," << y;
        }
}

// CMYK samples for a colour: K = 255 - max(R, G, B), the inks the rest.
void CmykFor(Colour c, JSAMPLE* px, bool inverted) {
    const int r = ColourRed(c), g = ColourGreen(c), b = ColourBlue(c);
    const int mx = std::max({r, g, b});
    const int k = 255 - mx;
    const int cy = mx ? (mx - r) * 255 / mx : 0, ma = mx ? (mx - g) * 255 / mx : 0,
              ye = mx ? (mx - b) * 255 / mx : 0;
    const int v[4] = {cy, ma, ye, k};
    for (int i = 0; i < 4; ++i) px[i] = JSAMPLE(inverted ? 255 - v[i] : v[i]);
}

TEST(JpegRead, CmykAndYcckConvertToRgb) {
    struct Case {
        const char* name;
        J_COLOR_SPACE stored;
        bool adobe;  // Adobe marker present: samples are stored inverted
    };
    for (const Case& c :
         {Case{"Adobe CMYK (inverted)", JCS_CMYK, true}, Case{"Adobe YCCK (inverted)", JCS_YCCK, true},
          Case{"plain CMYK", JCS_CMYK, false}}) {
        EncodeOptions o;
        o.input = JCS_CMYK;
        o.stored = c.stored;
        o.adobeMarker = c.adobe;
        const bool inverted = c.adobe;
        const Bytes b = Encode(
            32, 32, [&](int x, int y, JSAMPLE* px) { CmykFor(kQuadrants[QuadrantOf(x, y)], px, inverted); },
            o);
        CJpegPicture p;
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Decode(p, b)) << p.GetLastError();
        ExpectQuadrants(p, 6);
    }
}

TEST(JpegRead, TruncatedFileLoadsButIsMarkedDamaged) {
    TempDir dir;
    EncodeOptions o;
    const Bytes full = Encode(
        64, 64,
        [](int x, int y, JSAMPLE* px) {
            px[0] = JSAMPLE(x * 4);
            px[1] = JSAMPLE(y * 4);
            px[2] = JSAMPLE((x * y) & 0xFF);
        },
        o);
    const Bytes half(full.begin(), full.begin() + ptrdiff_t(full.size() / 2));
    test::WriteFileBytes(dir / "cut.jpg", std::string(half.begin(), half.end()));
    CJpegPicture p;
    ASSERT_TRUE(p.LoadFile(dir / "cut.jpg", true)) << p.GetLastError();
    EXPECT_EQ(p.GetWidth(), 64);
    EXPECT_EQ(p.GetHeight(), 64);
    EXPECT_TRUE(p.IsDamaged());
    EXPECT_NE(p.GetDamageMessage().find("cut.jpg"), std::string::npos) << p.GetDamageMessage();

    // The tools keep the flag; a reload of an intact file clears it.
    CPictureTools tools;
    auto viaTools = tools.LoadPicture(dir / "cut.jpg", false);
    ASSERT_NE(viaTools, nullptr);
    EXPECT_TRUE(viaTools->IsDamaged());
    test::WriteFileBytes(dir / "cut.jpg", std::string(full.begin(), full.end()));
    ASSERT_TRUE(p.LoadFile(dir / "cut.jpg", true));
    EXPECT_FALSE(p.IsDamaged());
}

// Where the marker FF xx first follows the start of the image (a header marker, not scan data).
size_t MarkerAt(const Bytes& b, unsigned char marker) {
    for (size_t i = 2; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == marker) return i;
    return b.size();
}

// Reads the log written while fn runs.
std::string LogOf(const std::function<void()>& fn) {
    TempDir logDir;
    SetLogDirectory(logDir.Path().string());
    EnableLog(true);
    fn();
    EnableLog(false);
    CloseLog();
    std::string log = test::ReadFileBytes(GetLogPath());
    SetLogDirectory("");
    return log;
}

TEST(JpegRead, StrayBytesBeforeAMarkerLoseNoPixelAndAreOnlyLogged) {
    TempDir dir;
    EncodeOptions o;
    const Bytes good = QuadrantRgb(o);
    CJpegPicture clean;
    ASSERT_TRUE(Decode(clean, good));
    // Camera files often carry padding between segments: libjpeg skips it with the warning
    // "Corrupt JPEG data: 4 extraneous bytes before marker 0xdb" and decodes every pixel.
    const size_t dqt = MarkerAt(good, 0xDB);
    ASSERT_LT(dqt, good.size());
    Bytes stray = good;
    stray.insert(stray.begin() + ptrdiff_t(dqt), {0x00, 0x12, 0x34, 0x56});
    test::WriteFileBytes(dir / "camera.jpg", std::string(stray.begin(), stray.end()));
    CJpegPicture p;
    const std::string log =
        LogOf([&] { ASSERT_TRUE(p.LoadFile(dir / "camera.jpg", true)) << p.GetLastError(); });
    EXPECT_FALSE(p.IsDamaged()) << p.GetDamageMessage();
    EXPECT_TRUE(test::SamePixels(p, clean));
    EXPECT_NE(log.find("camera.jpg"), std::string::npos) << log;
    EXPECT_NE(log.find("Corrupt JPEG data: 4 extraneous bytes before marker 0xdb"), std::string::npos) << log;

    // The same through the picture tools (what the consistency check uses).
    CPictureTools tools;
    auto viaTools = tools.LoadPicture(dir / "camera.jpg", false);
    ASSERT_NE(viaTools, nullptr);
    EXPECT_FALSE(viaTools->IsDamaged());
}

TEST(JpegRead, CorruptScanDataIsDamagedAndNamedInTheLog) {
    TempDir dir;
    EncodeOptions o;
    const Bytes good = Encode(
        64, 64,
        [](int x, int y, JSAMPLE* px) {
            px[0] = JSAMPLE(x * 4);
            px[1] = JSAMPLE(y * 4);
            px[2] = JSAMPLE((x * y) & 0xFF);
        },
        o);
    // A restart-less scan whose entropy data is overwritten with a marker in the middle: the
    // decoder runs into it and has to invent the rest of the picture.
    const size_t sos = MarkerAt(good, 0xDA);
    ASSERT_LT(sos, good.size());
    Bytes broken = good;
    const size_t middle = sos + (good.size() - sos) / 2;
    broken[middle] = 0xFF;
    broken[middle + 1] = 0xD0 + 3;  // RST3 where none belongs
    test::WriteFileBytes(dir / "broken.jpg", std::string(broken.begin(), broken.end()));
    CJpegPicture p;
    const std::string log =
        LogOf([&] { ASSERT_TRUE(p.LoadFile(dir / "broken.jpg", true)) << p.GetLastError(); });
    EXPECT_TRUE(p.IsDamaged());
    EXPECT_NE(p.GetDamageMessage().find("Corrupt JPEG data"), std::string::npos) << p.GetDamageMessage();
    EXPECT_NE(log.find("broken.jpg"), std::string::npos) << log;
    EXPECT_NE(log.find("Corrupt JPEG data"), std::string::npos) << log;
}

TEST(JpegRead, CorruptAndMissingFilesFailCleanly) {
    TempDir dir;
    EncodeOptions o;
    const Bytes good = QuadrantRgb(o);
    std::vector<std::pair<std::string, Bytes>> bad;
    bad.push_back({"not a JPEG", Bytes{'h', 'e', 'l', 'l', 'o'}});
    bad.push_back({"start of image only", Bytes{0xFF, 0xD8}});
    bad.push_back({"header cut short", Bytes(good.begin(), good.begin() + 40)});
    {
        Bytes b = good;
        // Frame header height/width (SOF0: FF C0, length, precision, height, width): zero width.
        for (size_t i = 0; i + 8 < b.size(); ++i)
            if (b[i] == 0xFF && b[i + 1] == 0xC0) {
                b[i + 7] = 0;
                b[i + 8] = 0;
                break;
            }
        bad.push_back({"zero width", b});
    }
    for (const auto& [what, bytes] : bad) {
        CJpegPicture p;
        EXPECT_FALSE(Decode(p, bytes)) << what;
        EXPECT_TRUE(p.IsEmpty()) << what;
        EXPECT_FALSE(p.GetLastError().empty()) << what;
        test::WriteFileBytes(dir / "bad.jpg", std::string(bytes.begin(), bytes.end()));
        EXPECT_FALSE(p.LoadFile(dir / "bad.jpg", true)) << what;
        EXPECT_NE(p.GetLastError().find("bad.jpg"), std::string::npos) << p.GetLastError();
    }
    CJpegPicture p;
    EXPECT_FALSE(p.LoadFile(dir / "missing.jpg", true));
}

TEST(JpegRead, SameNameWithoutForceKeepsThePicture) {
    TempDir dir;
    EncodeOptions o;
    const Bytes a = QuadrantRgb(o);
    test::WriteFileBytes(dir / "a.jpg", std::string(a.begin(), a.end()));
    CJpegPicture p;
    ASSERT_TRUE(p.LoadFile(dir / "a.jpg", false));
    const Bytes g = Encode(
        8, 8, [](int, int, JSAMPLE* px) { px[0] = px[1] = px[2] = 0; }, o);
    test::WriteFileBytes(dir / "a.jpg", std::string(g.begin(), g.end()));
    EXPECT_TRUE(p.LoadFile(dir / "a.jpg", false));
    EXPECT_EQ(p.GetWidth(), 32);
    EXPECT_TRUE(p.LoadFile(dir / "a.jpg", true));
    EXPECT_EQ(p.GetWidth(), 8);
}

class RecordingPrompt : public CUserPrompt {
public:
    PromptAnswer Ask(const std::string& text, const std::string&, PromptButtons, PromptAnswer d) override {
        texts.push_back(text);
        return d;
    }
    std::vector<std::string> texts;
};

TEST(JpegWrite, SavingSaysNotImplemented) {
    RecordingPrompt prompt;
    SetUserPrompt(&prompt);
    TempDir dir;
    CJpegPicture p;
    ASSERT_TRUE(p.Create(4, 4));
    EXPECT_FALSE(p.SaveFile(dir / "x.jpg"));
    SetUserPrompt(nullptr);
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0], "Currently not implemented!");
}

TEST(JpegRead, RealPhotoDecodes) {
    auto photos = test::BenchPhotosDir();
    if (photos.empty()) {
        // Under ctest only the first variable of the test environment may arrive.
        if (const char* data = std::getenv("TROV_TEST_DATA")) {
            const auto p = (std::filesystem::path(data) / ".." / ".." / ".." / "shared" / "bench-photos")
                               .lexically_normal();
            if (std::filesystem::is_directory(p)) photos = p;
        }
    }
    if (photos.empty()) GTEST_SKIP() << "bench photos not present";
    CJpegPicture p;
    ASSERT_TRUE(p.LoadFile((photos / "01_Bridge_by_Sander_Klootwijk.jpg").string(), true))
        << p.GetLastError();
    EXPECT_EQ(p.GetWidth(), 4352);
    EXPECT_EQ(p.GetHeight(), 2448);
    EXPECT_FALSE(p.IsDamaged());
}

}  // namespace
}  // namespace trov
