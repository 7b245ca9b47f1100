// Video layer speed, side by side with the ffmpeg program on the same frames in the same run:
// encoding 1280x720 with MJPEG and H.264, decoding H.264 into picture buffers, pasting compressed
// samples. Run from a release build: ./bench_video --benchmark_min_time=0
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include "imaging/PictureTools.h"
#include "video/AVIContainer.h"
#include "video/FrameConversion.h"
#include "video/VideoCodecs.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

constexpr int kW = 1280, kH = 720;
constexpr int kFrames = 100;   // frames per encoding run
constexpr int kDistinct = 50;  // distinct frames (a slow pan over a photo), then repeated

const fs::path& WorkDir() {
    static fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("trov-bench-video-" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// A slow pan across a real photo (or a synthetic picture when the photos are missing).
const std::vector<std::unique_ptr<CDibPicture>>& Frames() {
    static std::vector<std::unique_ptr<CDibPicture>> frames = [] {
        std::vector<std::unique_ptr<CDibPicture>> list;
        CPictureTools tools;
        std::unique_ptr<CDibPicture> big;
        const char* roots[] = {"/work/shared/bench-photos/01_Bridge_by_Sander_Klootwijk.jpg",
                               "../shared/bench-photos/01_Bridge_by_Sander_Klootwijk.jpg"};
        for (const char* p : roots) {
            if (auto photo = tools.LoadPicture(p, true)) {
                big = tools.ResizeWith(photo.get(), kW + 2 * kDistinct, kH + kDistinct, false,
                                       kQualityProduction);
                break;
            }
        }
        if (!big) {
            big = std::make_unique<CDibPicture>();
            big->Create(kW + 2 * kDistinct, kH + kDistinct);
            for (int y = 0; y < big->GetHeight(); ++y)
                for (int x = 0; x < big->GetWidth(); ++x)
                    big->SetPixel(x, y, uint8_t(x * 255 / big->GetWidth()),
                                  uint8_t(y * 255 / big->GetHeight()), uint8_t((x ^ y) & 0xFF));
        }
        for (int i = 0; i < kDistinct; ++i) {
            auto f = std::make_unique<CDibPicture>();
            f->Create(kW, kH);
            f->CopyCropped(big.get(), 2 * i, i, 2 * i + kW, i + kH);
            list.push_back(std::move(f));
        }
        return list;
    }();
    return frames;
}

// The same frames as raw top-down BGR for the ffmpeg program.
const std::string& RawFile() {
    static std::string path = [] {
        std::string p = (WorkDir() / "frames.bgr").string();
        FILE* f = std::fopen(p.c_str(), "wb");
        std::vector<uint8_t> row(size_t(kW) * 3);
        for (int n = 0; n < kFrames; ++n) {
            const CDibPicture& pic = *Frames()[size_t(n % kDistinct)];
            for (int y = kH - 1; y >= 0; --y) std::fwrite(pic.GetRow(y), 1, row.size(), f);
        }
        std::fclose(f);
        return p;
    }();
    return path;
}

double Seconds(const std::chrono::steady_clock::time_point& since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

CompressionOptions Codec(const char* fourCC) {
    CompressionOptions o;
    o.fccHandler = FourCCFromString(fourCC);
    o.dwQuality = 7500;  // MJPEG: quantiser 4; H.264: CRF 18.75
    return o;
}

bool EncodeOurs(const std::string& path, const CompressionOptions& options) {
    CAVIContainer out;
    if (!out.CreateFile(path)) return false;
    auto v = out.CreateVideoStream(*Frames()[0]->GetHeader(), 1.0, 25.0);
    if (!v || !v->CreateCompressedStream(*Frames()[0]->GetHeader(), &options)) return false;
    out.AddStream(std::move(v));
    for (int n = 0; n < kFrames; ++n)
        if (!out.GetStream(0)->WriteFrame(*Frames()[size_t(n % kDistinct)])) return false;
    return out.Close();
}

void RunFfmpeg(benchmark::State& state, const std::string& args) {
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        std::string cmd = "ffmpeg -nostdin -v error -y " + args + " >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("ffmpeg failed");
        state.SetIterationTime(Seconds(t0));
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

std::string RawInput() {
    return "-f rawvideo -pix_fmt bgr24 -s " + std::to_string(kW) + "x" + std::to_string(kH) + " -r 25 -i '" +
           RawFile() + "' -sws_flags bicubic+accurate_rnd+full_chroma_inp ";
}

void BM_EncodeMJPEG_Ours(benchmark::State& state) {
    Frames();
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        if (!EncodeOurs((WorkDir() / "ours_mjpg.avi").string(), Codec("MJPG")))
            state.SkipWithError("encode failed");
        state.SetIterationTime(Seconds(t0));
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_EncodeMJPEG_Ffmpeg(benchmark::State& state) {
    RawFile();
    RunFfmpeg(state, RawInput() + "-c:v mjpeg -pix_fmt yuvj420p -q:v 4 -g 25 '" +
                         (WorkDir() / "ff_mjpg.avi").string() + "'");
}

void BM_EncodeH264_Ours(benchmark::State& state) {
    Frames();
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        if (!EncodeOurs((WorkDir() / "ours_h264.avi").string(), Codec("H264")))
            state.SkipWithError("encode failed");
        state.SetIterationTime(Seconds(t0));
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_EncodeH264_Ffmpeg(benchmark::State& state) {
    RawFile();
    RunFfmpeg(state, RawInput() +
                         "-c:v libx264 -pix_fmt yuv420p -crf 18.75 -g 25 -keyint_min 25 -bf 0 "
                         "-x264-params scenecut=0:open-gop=0:bframes=0:repeat-headers=1 '" +
                         (WorkDir() / "ff_h264.avi").string() + "'");
}

const std::string& H264Clip() {
    static std::string path = [] {
        std::string p = (WorkDir() / "clip_h264.avi").string();
        EncodeOurs(p, Codec("H264"));
        return p;
    }();
    return path;
}

void BM_DecodeH264_Ours(benchmark::State& state) {
    H264Clip();
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        CAVIContainer in;
        if (!in.Open(H264Clip(), false)) state.SkipWithError("open failed");
        CAVIStream* v = in.GetStream(0);
        for (int i = 0; v && i < v->GetLength(); ++i)
            if (!v->GetFrame(i)) state.SkipWithError("decode failed");
        state.SetIterationTime(Seconds(t0));
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_DecodeH264_Ffmpeg(benchmark::State& state) {
    H264Clip();
    RunFfmpeg(state, "-i '" + H264Clip() + "' -f null -");
}

// Pasting 500 frames of a MJPEG part into a movie: compressed bytes only, never decoded.
void BM_Paste500Frames(benchmark::State& state) {
    const std::string part = (WorkDir() / "part.avi").string();
    {
        CAVIContainer out;
        out.CreateFile(part);
        auto v = out.CreateVideoStream(*Frames()[0]->GetHeader(), 1.0, 25.0);
        CompressionOptions o = Codec("MJPG");
        v->CreateCompressedStream(*Frames()[0]->GetHeader(), &o);
        out.AddStream(std::move(v));
        for (int n = 0; n < 500; ++n) out.GetStream(0)->WriteFrame(*Frames()[size_t(n % kDistinct)]);
        out.Close();
    }
    const double bytes = double(fs::file_size(part));
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        CAVIContainer out, in;
        out.CreateFile((WorkDir() / "pasted.avi").string());
        auto v = out.CreateVideoStream(*Frames()[0]->GetHeader(), 1.0, 25.0);
        CompressionOptions o = Codec("MJPG");
        v->CreateCompressedStream(*Frames()[0]->GetHeader(), &o);
        out.AddStream(std::move(v));
        in.Open(part, false);
        if (!out.PasteStreams(*in.GetStream(0), 0, 0, 500)) state.SkipWithError("paste failed");
        in.Close();
        out.Close();
        state.SetIterationTime(Seconds(t0));
    }
    state.SetItemsProcessed(state.iterations() * 500);
    state.SetBytesProcessed(int64_t(double(state.iterations()) * bytes));
}

void BM_CopyFile_Reference(benchmark::State& state) {
    const std::string part = (WorkDir() / "part.avi").string();
    const double bytes = double(fs::file_size(part));
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        fs::copy_file(part, WorkDir() / "copy.avi", fs::copy_options::overwrite_existing);
        state.SetIterationTime(Seconds(t0));
    }
    state.SetBytesProcessed(int64_t(double(state.iterations()) * bytes));
}

}  // namespace

// One 1280x720 frame from our bottom-up BGR to the encoders' 4:2:0. Arg: 0 ours, 1 swscale's
// default path (flipped by a negative stride, as FFmpeg's rawvideo reading does), 2 its accurate path.
void BM_ConvertBgrToYuv420(benchmark::State& state) {
    constexpr int kW = 1280, kH = 720;
    CPictureTools tools;
    auto frame = tools.CreatePicture(kW, kH, MakeColour(30, 140, 220));
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; x += 7) frame->SetPixel(x, y, uint8_t(x), uint8_t(y), uint8_t(x + y));
    AVFrame* out = av_frame_alloc();
    out->format = AV_PIX_FMT_YUV420P;
    out->width = kW;
    out->height = kH;
    av_frame_get_buffer(out, 0);
    const int stride = CPicture::StrideFor(kW);
    const uint8_t* bits = frame->GetBits();
    SwsContext* sws = nullptr;
    if (state.range(0) > 0)
        sws = sws_getContext(
            kW, kH, AV_PIX_FMT_BGR24, kW, kH, AV_PIX_FMT_YUV420P,
            state.range(0) == 2 ? SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP : SWS_BICUBIC, nullptr,
            nullptr, nullptr);
    for (auto _ : state) {
        if (!sws) {
            ConvertBgrToYuv420(bits, stride, kW, kH, false,
                               Yuv420Planes{out->data[0], out->data[1], out->data[2], out->linesize[0],
                                            out->linesize[1], out->linesize[2]});
        } else {
            const uint8_t* src[1] = {bits + size_t(kH - 1) * size_t(stride)};
            const int srcStride[1] = {-stride};
            sws_scale(sws, src, srcStride, 0, kH, out->data, out->linesize);
        }
        benchmark::DoNotOptimize(out->data[0][0]);
    }
    state.SetLabel(state.range(0) == 0   ? "ours"
                   : state.range(0) == 1 ? "swscale default"
                                         : "swscale accurate");
    sws_freeContext(sws);
    av_frame_free(&out);
}

BENCHMARK(BM_ConvertBgrToYuv420)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeMJPEG_Ours)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EncodeMJPEG_Ffmpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EncodeH264_Ours)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_EncodeH264_Ffmpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_DecodeH264_Ours)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DecodeH264_Ffmpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Paste500Frames)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CopyFile_Reference)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(WorkDir(), ec);
    return 0;
}
