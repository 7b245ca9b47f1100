// Project persistence and content keys: load + save of a large project, MD5 throughput on a big file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "creation/TROVManager.h"
#include "infra/UserPrompt.h"
#include "project/Md5.h"
#include "settings/ApplicationSettings.h"

namespace {

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("trovbench-" + std::to_string(getpid()) + "-" + name))
        .string();
}

// MD5 of a 200 MB file; the second and later iterations read from the page cache, so this is
// the hash plus the copy out of the cache.
void BM_Md5File200MB(benchmark::State& state) {
    const std::string path = TempPath("md5.bin");
    const size_t size = 200u << 20;
    {
        std::ofstream f(path, std::ios::binary);
        std::string block(1 << 20, '\0');
        for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((i * 2654435761u) >> 11);
        for (size_t done = 0; done < size; done += block.size()) f.write(block.data(), block.size());
    }
    for (auto _ : state) {
        std::string hex;
        if (!trov::Md5OfFile(path, hex)) state.SkipWithError("cannot read the file");
        benchmark::DoNotOptimize(hex);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
    std::remove(path.c_str());
}
BENCHMARK(BM_Md5File200MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// MD5 of an in-memory buffer: the hash alone.
void BM_Md5Memory(benchmark::State& state) {
    std::string data(16u << 20, 'x');
    for (auto _ : state) benchmark::DoNotOptimize(trov::Md5Hex(data));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_Md5Memory)->Unit(benchmark::kMillisecond);

// A project of 2,000 entries whose files are all missing (so no content keys are computed).
std::string MakeProject(const std::string& dir) {
    trov::CSettingsStore s;
    trov::SeedProjectSettings(s, dir);
    for (int i = 0; i < 2000; ++i) {
        trov::CProjectObject o;
        o.SetFileName(dir + "/missing/picture" + std::to_string(i) + ".jpg");
        o.pictureText = "Caption number " + std::to_string(i);
        o.fading2NextPictureName = "Cross Dissolve";
        o.textFadeIn = 25, o.showPicture = 100, o.textFadeOut = 15, o.fade2NextPicture = 25;
        o.SaveToStore(s, "PICTURE_" + std::to_string(i));
    }
    std::string path = dir + "/project.ini";
    s.Save(path, trov::CTextFile::kUtf16LE);
    return path;
}

void BM_ProjectLoadSave2000(benchmark::State& state) {
    std::string dir = TempPath("proj");
    std::filesystem::create_directories(dir);
    std::string path = MakeProject(dir);
    trov::CTROVManager manager;
    manager.Initialize(dir);
    for (auto _ : state) {
        if (!manager.LoadProject(path) || manager.GetObjectCount() != 2000)
            state.SkipWithError("load failed");
        if (!manager.SaveProject(path)) state.SkipWithError("save failed");
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ProjectLoadSave2000)->Unit(benchmark::kMillisecond);

void BM_ProjectLoad2000(benchmark::State& state) {
    std::string dir = TempPath("projload");
    std::filesystem::create_directories(dir);
    std::string path = MakeProject(dir);
    trov::CTROVManager manager;
    manager.Initialize(dir);
    for (auto _ : state) {
        if (!manager.LoadProject(path)) state.SkipWithError("load failed");
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ProjectLoad2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
