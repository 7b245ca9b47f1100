// A normalised copy in the wave cache that was cut short or damaged is made again, never played.
#include <gtest/gtest.h>

#include <filesystem>

#include "audio/WaveCache.h"
#include "audio/WaveFile.h"
#include "audio/WaveTestUtil.h"
#include "project/FileCache.h"
#include "support/TestSupport.h"
#include "video/WaveFormat.h"

namespace trov {
namespace {

namespace fs = std::filesystem;
using test::PcmWav;
using test::RampStereo;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

TEST(WaveCacheDamage, ACopyCutShortOrOverwrittenIsMadeAgain) {
    TempDir dir;
    const std::string source = dir / "tone.wav";
    WriteFileBytes(source, PcmWav(StandardWaveFormat(), RampStereo(44100)));
    fs::create_directories(dir.Path() / "cache");
    CFileCache files;
    files.SetDirectory((dir.Path() / "cache").string());
    CWaveCache cache(files);
    CWaveFile wave;
    ASSERT_TRUE(wave.Open(source));
    ASSERT_TRUE(cache.AddNormalized(wave));
    ASSERT_TRUE(cache.Lookup(source).has_value());
    const std::string copy = *cache.Lookup(source);
    const std::string whole = ReadFileBytes(copy);

    WriteFileBytes(copy, whole.substr(0, whole.size() / 2));
    EXPECT_FALSE(cache.Lookup(source).has_value()) << "a copy cut short";
    WriteFileBytes(copy, std::string(whole.size(), '\0'));
    EXPECT_FALSE(cache.Lookup(source).has_value()) << "a copy that is no WAVE file";
    fs::remove(copy);
    EXPECT_FALSE(cache.Lookup(source).has_value()) << "a missing copy";

    ASSERT_TRUE(wave.Open(source));
    ASSERT_TRUE(cache.AddNormalized(wave));
    ASSERT_EQ(cache.Lookup(source).value_or(""), copy);
    EXPECT_EQ(ReadFileBytes(copy), whole);
}

}  // namespace
}  // namespace trov
