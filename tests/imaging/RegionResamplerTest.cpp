// The frame resampler against a plain reference of both filters: random crops, sizes and both
// qualities, with the tables kept from call to call, both kernel builds, and frames recycled.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "ImagingTestUtil.h"
#include "imaging/PictureTools.h"
#include "imaging/RegionResampler.h"

namespace trov {
namespace {

using test::SamePixels;

// ---- reference: the filters written out directly, one list of (index, weight) per target ----

using TapList = std::vector<std::vector<std::pair<int, float>>>;

double Lanczos(double x) {
    if (x == 0.0) return 1.0;
    if (std::fabs(x) >= 3.0) return 0.0;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px * (std::sin(px / 3.0) / (px / 3.0));
}

TapList LanczosList(int src, int dst) {
    TapList out(static_cast<size_t>(dst));
    const double s = double(dst) / src;
    for (int j = 0; j < dst; ++j) {
        const double c = j / s, reach = s >= 1.0 ? 3.5 : 3.0 / s + 0.5;
        std::vector<std::pair<int, double>> raw;
        double sum = 0.0;
        for (int i = int(std::trunc(c - reach)); i <= int(std::trunc(c + reach)); ++i) {
            const double w = s >= 1.0 ? Lanczos(c - i) : Lanczos((c - i) * s) * s;
            if (w == 0.0) continue;
            const int r = std::clamp(i < 0 ? -i : (i >= src ? 2 * src - 1 - i : i), 0, src - 1);
            raw.emplace_back(r, w);
            sum += w;
        }
        for (auto [r, w] : raw) out[size_t(j)].emplace_back(r, float(w / sum));
    }
    return out;
}

TapList AreaList(int src, int dst) {
    TapList out(static_cast<size_t>(dst));
    const double s = double(dst) / src;
    for (int i = 0; i < src; ++i) {
        const double a = i * s, b = (i + 1) * s;
        for (int j = std::max(0, int(std::floor(a))); j <= std::min(dst - 1, int(std::ceil(b)) - 1); ++j) {
            const double ov = std::min(b, j + 1.0) - std::max(a, double(j));
            if (ov > 1e-12) out[size_t(j)].emplace_back(i, float(ov));
        }
    }
    return out;
}

// Vertical sums first (float, tap by tap), then the horizontal ones from the bias, truncated.
std::unique_ptr<CDibPicture> Reference(const CPicture& src, int left, int bottom, int right, int top, int tw,
                                       int th, bool lanczos) {
    auto out = std::make_unique<CDibPicture>();
    out->Create(tw, th);
    const int sw = right - left, sh = top - bottom;
    if (sw == tw && sh == th) {
        out->CopyRect(&src, left, bottom, right, top, -left, -bottom);
        return out;
    }
    lanczos = lanczos && tw != 1 && th != 1;
    const TapList hx = lanczos ? LanczosList(sw, tw) : AreaList(sw, tw);
    const TapList vy = lanczos ? LanczosList(sh, th) : AreaList(sh, th);
    const float bias = lanczos ? 0.5f : 0.001f;
    std::vector<float> row(size_t(3 * sw));
    for (int k = 0; k < th; ++k) {
        for (int x = 0; x < 3 * sw; ++x) {
            float v = 0.0f;
            bool firstTap = true;
            for (auto [i, w] : vy[size_t(k)]) {
                const float term = w * float(src.GetRow(bottom + i)[3 * left + x]);
                v = firstTap ? term : v + term;
                firstTap = false;
            }
            row[size_t(x)] = v;
        }
        for (int j = 0; j < tw; ++j)
            for (int c = 0; c < 3; ++c) {
                float v = bias;
                for (auto [i, w] : hx[size_t(j)]) v += w * row[size_t(3 * i + c)];
                out->GetRow(k)[3 * j + c] = uint8_t(std::clamp(int(v), 0, 255));
            }
    }
    return out;
}

std::unique_ptr<CDibPicture> Noise(int w, int h, std::mt19937& rng) {
    auto p = std::make_unique<CDibPicture>();
    p->Create(w, h);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3 * w; ++x) p->GetRow(y)[x] = uint8_t(byte(rng));
    return p;
}

class VectorKernelsScope {
public:
    explicit VectorKernelsScope(bool on, bool wide = true) {
        CRegionResampler::SetVectorKernels(on);
        CRegionResampler::SetWideVectorKernels(wide);
    }
    ~VectorKernelsScope() {
        CRegionResampler::SetVectorKernels(true);
        CRegionResampler::SetWideVectorKernels(true);
    }
};

// Random crops of a noise picture (every byte value, so clamping and truncation are exercised)
// to random targets: shrinking up to 12:1 (beyond the padded-tap width), enlarging, one axis each
// way, one-pixel crops and targets, same-size parts. One resampler and one target per size run
// through all of them, the target full of the last result's bytes.
void CompareRandomCrops(int quality, int threads, unsigned seed) {
    std::mt19937 rng(seed);
    auto src = Noise(397, 263, rng);
    CRegionResampler resampler;
    resampler.SetThreads(threads);
    std::uniform_int_distribution<int> coin(0, 9);
    for (int n = 0; n < 60; ++n) {
        const int left = std::uniform_int_distribution<int>(0, 396)(rng);
        const int bottom = std::uniform_int_distribution<int>(0, 262)(rng);
        const int right = coin(rng) == 0 ? left + 1 : std::uniform_int_distribution<int>(left + 1, 397)(rng);
        const int top =
            coin(rng) == 0 ? bottom + 1 : std::uniform_int_distribution<int>(bottom + 1, 263)(rng);
        int tw = std::uniform_int_distribution<int>(1, 160)(rng);
        int th = std::uniform_int_distribution<int>(1, 120)(rng);
        if (coin(rng) == 0) tw = right - left, th = top - bottom;
        if (coin(rng) == 1) tw = std::max(1, (right - left) / 12);
        auto target = Noise(tw, th, rng);
        ASSERT_TRUE(resampler.Resample(*src, left, bottom, right, top, *target, quality));
        auto expected = Reference(*src, left, bottom, right, top, tw, th, quality == kQualityFinalProduction);
        ASSERT_TRUE(SamePixels(*expected, *target))
            << "quality " << quality << " part " << left << "," << bottom << " - " << right << "," << top
            << " to " << tw << "x" << th << " threads " << threads << " vector "
            << CRegionResampler::VectorKernels() << " wide " << CRegionResampler::WideVectorKernels();
    }
}

TEST(RegionResampler, EveryCropMatchesTheReferenceInBothFiltersAndEveryKernelBuild) {
    // AVX-512 sums (where the processor has them), AVX2 sums, plain kernels.
    for (int build : {0, 1, 2}) {
        VectorKernelsScope scope(build < 2, build == 0);
        for (int quality : {kQualityProduction, kQualityFinalProduction}) {
            CompareRandomCrops(quality, 1, 11u + unsigned(quality));
            CompareRandomCrops(quality, 3, 23u + unsigned(quality));
        }
    }
}

// The frames of a picture move: a crop gliding by a pixel or two per frame at the sizes of a
// movie, rendered into one recycled frame.
TEST(RegionResampler, GlidingCropIntoOneFrameMatchesFreshResizes) {
    std::mt19937 rng(5);
    auto src = Noise(720, 410, rng);
    CPictureTools tools;
    for (int quality : {kQualityProduction, kQualityFinalProduction}) {
        CRegionResampler resampler;
        resampler.SetThreads(1);
        CDibPicture frame;
        ASSERT_TRUE(frame.Create(160, 90));
        for (int j = 0; j < 24; ++j) {
            const int left = j * 3, bottom = j * 2, right = 720 - j * 5, top = 410 - j;
            ASSERT_TRUE(resampler.Resample(*src, left, bottom, right, top, frame, quality));
            auto copy = tools.CreatePicture(right - left, top - bottom);
            copy->CopyRect(src.get(), left, bottom, right, top, -left, -bottom);
            auto expected = tools.ResizeWith(copy.get(), 160, 90, false, quality);
            ASSERT_TRUE(SamePixels(*expected, frame)) << "frame " << j << " quality " << quality;
        }
    }
}

TEST(RegionResampler, PartsOutsideAreClippedAndEmptyOnesLeaveTheTargetAlone) {
    std::mt19937 rng(9);
    auto src = Noise(50, 40, rng);
    CRegionResampler resampler;
    CDibPicture target;
    ASSERT_TRUE(target.Create(20, 10));
    ASSERT_TRUE(resampler.Resample(*src, -30, -4, 90, 55, target, kQualityProduction));
    EXPECT_TRUE(SamePixels(*Reference(*src, 0, 0, 50, 40, 20, 10, false), target));
    auto before = target.Clone();
    EXPECT_FALSE(resampler.Resample(*src, 10, 10, 10, 30, target, kQualityProduction));
    EXPECT_FALSE(resampler.Resample(*src, 60, 0, 70, 30, target, kQualityProduction));
    EXPECT_TRUE(SamePixels(*before, target));
    CDibPicture empty;
    EXPECT_FALSE(resampler.Resample(*src, 0, 0, 50, 40, empty, kQualityProduction));
    EXPECT_FALSE(resampler.Resample(empty, 0, 0, 50, 40, target, kQualityProduction));
}

}  // namespace
}  // namespace trov
