// Audio benchmarks: effect throughput, assembly of a 10-minute track, encoding speed against the
// ffmpeg program encoding the same track with the same encoder, and the assembly's peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/AudioEffect.h"
#include "audio/AudioFormats.h"
#include "audio/AudioTrack.h"
#include "audio/WaveCache.h"
#include "audio/WaveFile.h"
#include "project/FileCache.h"

namespace {

using namespace trov;

const std::filesystem::path& BenchDir() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("trov_bench_audio_" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

// A WAV file of `seconds` of two mixed sines, written in one-second pieces.
std::string MakeMusic(const std::string& name, const SWaveFormat& format, int seconds, double hz) {
    std::string path = (BenchDir() / name).string();
    if (std::filesystem::exists(path)) return path;
    CWaveFile wave;
    wave.Create(path, format);
    const int rate = int(format.samplesPerSec), ch = format.channels;
    std::vector<uint8_t> block(size_t(rate) * ch * 2);
    for (int s = 0; s < seconds; ++s) {
        for (int i = 0; i < rate; ++i) {
            double t = double(s * rate + i) / rate;
            int v = int(9000 * std::sin(2 * M_PI * hz * t) + 3000 * std::sin(2 * M_PI * hz * 2.01 * t));
            for (int c = 0; c < ch; ++c) {
                size_t at = (size_t(i) * ch + c) * 2;
                block[at] = uint8_t(v & 0xFF);
                block[at + 1] = uint8_t((v >> 8) & 0xFF);
            }
        }
        wave.WriteBytes(block.data(), block.size());
    }
    wave.Close();
    return path;
}

// A 10-minute show: 120 entries of 4 s plus 1 s transitions; three pieces with a loop, a
// normalised 22,050 Hz mono piece and cross-fades.
std::vector<SAudioEntry> TenMinuteShow() {
    std::string one = MakeMusic("one.wav", StandardWaveFormat(), 180, 440.0);
    std::string two = MakeMusic("two.wav", PcmWaveFormat(22050, 1, 16), 240, 330.0);
    std::vector<SAudioEntry> entries(120);
    for (auto& e : entries) {
        e.showPicture = 100;
        e.fade2Next = 25;
    }
    entries[0].audioFile = one;
    entries[0].loop = true;
    entries[40].audioFile = two;
    entries[40].normalize = true;
    entries[40].fadeOption = 3;
    entries[40].fadingTime = 2000;
    entries[80].audioFile = one;
    entries[80].loop = true;
    entries[80].audioStartTime = 10000;
    entries[80].fadeOption = 3;
    entries[80].fadingTime = 1500;
    return entries;
}

class CNullSink : public CAudioTrackSink {
public:
    bool WriteAudio(const EncodedAudio& block) override {
        bytes += block.bytes.size();
        return true;
    }
    size_t bytes = 0;
};

SWaveFormat Mp3Format() {
    SAudioFormatChoice choice;
    FindAudioFormatByDescription(kWaveFormatMpegLayer3, "128 kBit/s, 44,100 Hz, Stereo", {}, choice);
    return choice.format;
}

CFileCache& Cache() {
    static CFileCache cache;
    cache.SetDirectory(BenchDir().string());
    return cache;
}

void BM_Effect(benchmark::State& state) {
    CWaveFile wave;
    wave.SetFormat(StandardWaveFormat());
    std::vector<uint8_t> bytes(size_t(176400) * 10);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 37);
    CWaveFile other;
    other.SetFormat(StandardWaveFormat());
    other.SetBuffer(bytes);
    CFadeInEffect fadeIn;
    CMixEffect mix;
    mix.GetSettings().SetInt("MIX", "TargetEnd", int(bytes.size()));
    mix.GetSettings().SetInt("MIX", "SourceEnd", int(bytes.size()));
    CNormalizeVolumeEffect normalize;
    for (auto _ : state) {
        state.PauseTiming();
        wave.SetBuffer(bytes);
        state.ResumeTiming();
        switch (state.range(0)) {
            case 0:
                fadeIn.Apply(wave, -1, -1);
                break;
            case 1:
                mix.ApplyMix(&wave, &other);
                break;
            default:
                normalize.Apply(wave, -1, -1);
                break;
        }
        benchmark::DoNotOptimize(wave.GetData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    state.SetLabel(state.range(0) == 0 ? "fade in" : state.range(0) == 1 ? "mix" : "normalize");
}
BENCHMARK(BM_Effect)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Assembly only: the standard-format track of the 10-minute show.
void BM_AssembleTenMinutes(benchmark::State& state) {
    auto entries = TenMinuteShow();
    CWaveCache cache(Cache());
    std::string track = (BenchDir() / "track.wav").string();
    for (auto _ : state) {
        auto copy = entries;
        SAudioTrackContext ctx;
        ctx.waveCache = &cache;
        AssembleAudioTrack(copy, {}, track, ctx);
    }
    state.counters["track_MB"] = double(std::filesystem::file_size(track)) / 1e6;
}
BENCHMARK(BM_AssembleTenMinutes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Encoding only: the assembled 10-minute track into MP3 128 kBit/s.
void BM_EncodeTenMinutesMp3(benchmark::State& state) {
    std::string track = (BenchDir() / "track.wav").string();
    if (!std::filesystem::exists(track)) {
        auto entries = TenMinuteShow();
        AssembleAudioTrack(entries, {}, track, {});
    }
    SWaveFormat mp3 = Mp3Format();
    for (auto _ : state) {
        CNullSink sink;
        EncodeAudioTrack(track, mp3, sink, {});
        benchmark::DoNotOptimize(sink.bytes);
    }
}
BENCHMARK(BM_EncodeTenMinutesMp3)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The ffmpeg program encoding the same WAV with the same encoder and bit rate.
void BM_FfmpegEncodeTenMinutesMp3(benchmark::State& state) {
    std::string track = (BenchDir() / "track.wav").string();
    std::string command =
        "ffmpeg -nostdin -v error -y -i '" + track + "' -c:a libmp3lame -b:a 128k -f mp3 /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("ffmpeg failed");
    }
}
BENCHMARK(BM_FfmpegEncodeTenMinutesMp3)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The whole job (assembly + encoding), with the peak memory of a process that does only that.
void BM_CreateTrackTenMinutesMp3(benchmark::State& state) {
    auto entries = TenMinuteShow();
    SWaveFormat mp3 = Mp3Format();
    {
        std::lock_guard lock(GetAudioSlotMutex());
        GetAudioFormatSlot(kOutputAudioSlot).format = mp3;
    }
    CWaveCache cache(Cache());
    for (auto _ : state) {
        auto copy = entries;
        CNullSink sink;
        SAudioTrackSettings settings;
        settings.tempDir = BenchDir().string();
        SAudioTrackContext ctx;
        ctx.waveCache = &cache;
        CreateAudioTrack(copy, settings, sink, ctx);
    }
    // Peak resident memory of a fresh process running the same job (after the timed loop).
    int fds[2];
    if (::pipe(fds) == 0) {
        pid_t pid = ::fork();
        if (pid == 0) {
            auto copy = entries;
            CNullSink sink;
            SAudioTrackSettings settings;
            settings.tempDir = BenchDir().string();
            SAudioTrackContext ctx;
            ctx.waveCache = &cache;
            struct rusage before {};
            ::getrusage(RUSAGE_SELF, &before);
            CreateAudioTrack(copy, settings, sink, ctx);
            struct rusage after {};
            ::getrusage(RUSAGE_SELF, &after);
            long values[2] = {before.ru_maxrss, after.ru_maxrss};
            [[maybe_unused]] ssize_t w = ::write(fds[1], values, sizeof values);
            ::_exit(0);
        }
        long values[2] = {0, 0};
        [[maybe_unused]] ssize_t r = ::read(fds[0], values, sizeof values);
        ::waitpid(pid, nullptr, 0);
        ::close(fds[0]);
        ::close(fds[1]);
        state.counters["peak_RSS_MB"] = double(values[1]) / 1024.0;
        state.counters["RSS_growth_MB"] = double(values[1] - values[0]) / 1024.0;
    }
}
BENCHMARK(BM_CreateTrackTenMinutesMp3)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(BenchDir());
    return 0;
}
