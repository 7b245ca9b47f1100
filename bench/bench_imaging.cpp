// Imaging speed: JPEG decoding, both resampling filters, rotation, frame copies, blend, captions.
// References measured in the same process on the same pixels: plain libjpeg-turbo decoding into
// a buffer (what djpeg does before writing), and libswscale's area and Lanczos scalers.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "imaging/JpegPicture.h"
#include "imaging/PictureTools.h"
#include "imaging/RegionResampler.h"

extern "C" {
#include <jpeglib.h>
#include <libswscale/swscale.h>
}

namespace {

using namespace trov;

std::string PhotoPath() {
    if (const char* p = std::getenv("TROV_BENCH_PHOTO")) return p;
    for (const char* dir :
         {"/work/shared/bench-photos", "../shared/bench-photos", "../../shared/bench-photos"}) {
        const auto p = std::filesystem::path(dir) / "04_Dragonfly_by_Bolly.jpg";
        if (std::filesystem::exists(p)) return p.string();
    }
    return {};
}

const CPicture* Photo() {
    static std::unique_ptr<CPicture> photo = [] {
        auto p = std::make_unique<CJpegPicture>();
        if (!p->LoadFile(PhotoPath(), true)) return std::unique_ptr<CPicture>();
        return std::unique_ptr<CPicture>(std::move(p));
    }();
    return photo.get();
}

// The photo at exactly 4000 x 3000 (12 megapixels).
const CPicture* Source12MP() {
    static std::unique_ptr<CDibPicture> src = [] {
        CPictureTools tools;
        return Photo() ? tools.ResizeWith(Photo(), 4000, 3000, false, kQualityProduction) : nullptr;
    }();
    return src.get();
}

#define REQUIRE_PHOTO(state)                                             \
    if (!Photo()) {                                                      \
        state.SkipWithError("bench photo not found (TROV_BENCH_PHOTO)"); \
        return;                                                          \
    }

void BM_JpegDecode_Ours(benchmark::State& state) {
    REQUIRE_PHOTO(state);
    const std::string path = PhotoPath();
    for (auto _ : state) {
        CJpegPicture p;
        benchmark::DoNotOptimize(p.LoadFile(path, true));
    }
    state.SetLabel(std::to_string(Photo()->GetWidth()) + "x" + std::to_string(Photo()->GetHeight()));
}
BENCHMARK(BM_JpegDecode_Ours)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegDecode_PlainLibjpeg(benchmark::State& state) {
    REQUIRE_PHOTO(state);
    const std::string path = PhotoPath();
    std::vector<unsigned char> buffer;
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        jpeg_decompress_struct ci;
        jpeg_error_mgr err;
        ci.err = jpeg_std_error(&err);
        jpeg_create_decompress(&ci);
        jpeg_stdio_src(&ci, f);
        jpeg_read_header(&ci, TRUE);
        ci.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&ci);
        const size_t stride = size_t(ci.output_width) * 3;
        buffer.resize(stride * ci.output_height);
        while (ci.output_scanline < ci.output_height) {
            JSAMPROW row = buffer.data() + stride * ci.output_scanline;
            jpeg_read_scanlines(&ci, &row, 1);
        }
        jpeg_finish_decompress(&ci);
        jpeg_destroy_decompress(&ci);
        std::fclose(f);
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_JpegDecode_PlainLibjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

// Args: quality, threads (0 = one per core).
void BM_Resize_Ours(benchmark::State& state) {
    REQUIRE_PHOTO(state);
    const int quality = int(state.range(0));
    Source12MP();
    CPictureTools::SetThreadCount(int(state.range(1)));
    CPictureTools tools;
    for (auto _ : state) benchmark::DoNotOptimize(tools.ResizeWith(Source12MP(), 1280, 720, false, quality));
    state.SetLabel(std::string(quality == kQualityFinalProduction ? "lanczos" : "area") +
                   " 4000x3000->1280x720, " + std::to_string(CPictureTools::GetThreadCount()) + " thread(s)");
    CPictureTools::SetThreadCount(0);
}
BENCHMARK(BM_Resize_Ours)
    ->Args({kQualityProduction, 1})
    ->Args({kQualityProduction, 0})
    ->Args({kQualityFinalProduction, 1})
    ->Args({kQualityFinalProduction, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// libswscale on the same bottom-up BGR rows (orientation does not matter to the cost).
void BM_Resize_Swscale(benchmark::State& state) {
    REQUIRE_PHOTO(state);
    const int flags = state.range(0) == 1 ? SWS_LANCZOS : SWS_AREA;
    const CPicture* src = Source12MP();
    CDibPicture dst;
    dst.Create(1280, 720);
    SwsContext* ctx = sws_getContext(src->GetWidth(), src->GetHeight(), AV_PIX_FMT_BGR24, 1280, 720,
                                     AV_PIX_FMT_BGR24, flags, nullptr, nullptr, nullptr);
    const uint8_t* srcData[4] = {src->GetBits(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {src->GetStride(), 0, 0, 0};
    uint8_t* dstData[4] = {dst.GetBits(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {dst.GetStride(), 0, 0, 0};
    for (auto _ : state) {
        sws_scale(ctx, srcData, srcStride, 0, src->GetHeight(), dstData, dstStride);
        benchmark::DoNotOptimize(dst.GetBits());
    }
    sws_freeContext(ctx);
    state.SetLabel(flags == SWS_LANCZOS ? "swscale lanczos" : "swscale area");
}
// A picture-move frame: a moving 2560x1440 window of a prepared picture down to the movie (720p).
// Args: quality, threads (0 = one per core).
void BM_ResizeRegion_PictureMove(benchmark::State& state) {
    CPictureTools::SetQuality(int(state.range(0)));
    CPictureTools::SetThreadCount(int(state.range(1)));
    CPictureTools tools;
    auto source = tools.CreatePicture(2880, 1620, MakeColour(90, 120, 150));
    int shift = 0;
    for (auto _ : state) {
        shift = (shift + 7) % 300;
        benchmark::DoNotOptimize(tools.ResizeRegion(source.get(), shift / 2, shift / 3, 2560 - shift / 2,
                                                    1440 - shift / 3, 1280, 720));
    }
    state.SetLabel(std::string(state.range(0) == kQualityFinalProduction ? "lanczos" : "area") + ", " +
                   std::to_string(CPictureTools::GetThreadCount()) + " thread(s)");
    CPictureTools::SetThreadCount(0);
    CPictureTools::SetQuality(kQualityProduction);
}
BENCHMARK(BM_ResizeRegion_PictureMove)
    ->Args({kQualityProduction, 1})
    ->Args({kQualityProduction, 0})
    ->Args({kQualityFinalProduction, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One picture-move frame at 720p on one core: a crop gliding over 75 frames from the whole
// prepared picture to 60 % of it, scaled to 1280x720. Args: source width (3606x2028 or
// 6028x3390), quality, way: 0 = ResizeRegion (a new picture and new tables every frame), 1 = a
// CRegionResampler writing into one kept frame.
void BM_PictureMoveFrame(benchmark::State& state) {
    const int sw = int(state.range(0)), sh = sw == 3606 ? 2028 : 3390;
    const int quality = int(state.range(1));
    const bool kept = state.range(2) == 1;
    CPictureTools::SetQuality(quality);
    CPictureTools::SetThreadCount(1);
    CPictureTools tools;
    CDibPicture source;
    source.Create(sw, sh);
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < 3 * sw; ++x) source.GetRow(y)[x] = uint8_t((x * 7 + y * 13 + (x * y >> 5)) & 255);
    CRegionResampler resampler;
    resampler.SetThreads(1);
    CDibPicture frame;
    frame.Create(1280, 720);
    int j = 0;
    for (auto _ : state) {
        const double f = (j++ % 75) / 75.0 * 0.4;
        const int left = int(sw * f * 0.5), bottom = int(sh * f * 0.3);
        const int right = sw - int(sw * f * 0.5), top = sh - int(sh * f * 0.7);
        if (kept) {
            resampler.Resample(source, left, bottom, right, top, frame, quality);
            benchmark::DoNotOptimize(frame.GetBits());
        } else {
            benchmark::DoNotOptimize(tools.ResizeRegion(&source, left, bottom, right, top, 1280, 720));
        }
    }
    state.SetLabel(std::to_string(sw) + "x" + std::to_string(sh) + ", " +
                   (quality == kQualityFinalProduction ? "lanczos" : "area") + ", " +
                   (kept ? "kept frame and tables" : "ResizeRegion") + ", 1 thread");
    CPictureTools::SetThreadCount(0);
    CPictureTools::SetQuality(kQualityProduction);
}
BENCHMARK(BM_PictureMoveFrame)
    ->ArgsProduct({{3606, 6028}, {kQualityProduction}, {0, 1}})
    ->Args({3606, kQualityFinalProduction, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(BM_Resize_Swscale)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Rotate90(benchmark::State& state) {
    REQUIRE_PHOTO(state);
    CPictureTools tools;
    for (auto _ : state) benchmark::DoNotOptimize(tools.Rotate(Source12MP(), int(state.range(0))));
    state.SetLabel("4000x3000");
}
BENCHMARK(BM_Rotate90)->Arg(90)->Arg(180)->Unit(benchmark::kMillisecond)->UseRealTime();

std::unique_ptr<CDibPicture> Frame(Colour c) {
    CPictureTools tools;
    return tools.CreatePicture(1920, 1080, c);
}

void BM_CopyRectFullFrame(benchmark::State& state) {
    auto a = Frame(0x102030), b = Frame(0x405060);
    const int dx = int(state.range(0));  // 0: whole-block fast path; 1: per-row path
    for (auto _ : state) {
        b->CopyRect(a.get(), 0, 0, 1920, 1080, dx, 0);
        benchmark::DoNotOptimize(b->GetBits());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * a->GetImageSize());
}
BENCHMARK(BM_CopyRectFullFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_BlendWithMask(benchmark::State& state) {
    auto a = Frame(0x102030), b = Frame(0x405060), m = Frame(0x808080);
    for (auto _ : state) {
        a->BlendWithMask(b.get(), m.get());
        benchmark::DoNotOptimize(a->GetBits());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * a->GetImageSize());
}
BENCHMARK(BM_BlendWithMask)->Unit(benchmark::kMicrosecond);

void BM_Caption(benchmark::State& state) {
    auto frame = Frame(0x405060);
    CPictureTools tools;
    CaptionSettings s;
    s.text = "Summer holidays at the lake\\nwith the whole family, August 2026";
    s.textColour = 0xFFFFFF;
    s.backColour = 0x000000;
    s.backWidth = int(state.range(0));
    const LogFont font = LogFont::Default();
    tools.DrawCaption(frame.get(), &s, &font, kCaptionBottomCenter);  // fonts loaded outside the timing
    for (auto _ : state)
        benchmark::DoNotOptimize(tools.DrawCaption(frame.get(), &s, &font, kCaptionBottomCenter));
    state.SetLabel("1920x1080, backWidth " + std::to_string(s.backWidth));
}
BENCHMARK(BM_Caption)->Arg(0)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
