// Writes the seed inputs of every fuzz harness into <folder>/<harness>/, made with the program's
// own writers and the generators of the unit tests (nothing is taken from elsewhere).
// Usage: trov_fuzz_seeds <folder>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "VideoTestUtil.h"
#include "audio/AudioFormats.h"
#include "audio/WaveTestUtil.h"
#include "creation/TROVManager.h"
#include "imaging/ImagingTestUtil.h"
#include "imaging/JpegTestEncoder.h"
#include "infra/UserPrompt.h"
#include "project/FileCache.h"
#include "settings/SettingsStore.h"
#include "ui/LanguageTable.h"
#include "video/CodecSettings.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

fs::path g_root;

fs::path Dir(const std::string& harness) {
    fs::path d = g_root / harness;
    fs::create_directories(d);
    return d;
}

void Put(const std::string& harness, const std::string& name, const std::string& bytes) {
    std::ofstream out(Dir(harness) / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// ---- text files and settings stores ----

CSettingsStore SampleStore() {
    CSettingsStore s;
    s.SetString("TROV_SETTINGS", "Language", "English.ini");
    s.SetInt("TROV_SETTINGS", "Quality", 2);
    s.SetFloat("PROJECT_SETTINGS", "FramesPerSeconds", 25.0f);
    s.SetString("PROJECT_SETTINGS", "//comment", "");
    s.SetString("Pictures", "Caption", "Grüße — 日本 \xF0\x9F\x8E\x9E");
    return s;
}

void TextSeeds() {
    CSettingsStore s = SampleStore();
    const fs::path d = Dir("text_file");
    s.Save((d / "utf16le.ini").string(), CTextFile::kUtf16LE);
    s.Save((d / "utf16be.ini").string(), CTextFile::kUtf16BE);
    CSettingsStore latin;
    latin.SetString("A", "Text", "caf\xC3\xA9 na\xC3\xAFve");  // fits Latin-1: written 8-bit
    latin.SetString("A", " spaced ", " value ");
    latin.Save((d / "latin1.ini").string(), CTextFile::k8Bit);
    Put("text_file", "utf8.ini", "[A]\r\nText=\xC3\xA9t\xC3\xA9 \xE2\x82\xAC\r\n[B]\nx = 1\n;c\n");
    Put("text_file", "flightpoints.txt", "10,20\r\n30,40\r\n-5,70000\r\nx\r\n");
    Put("text_file", "one-byte", "[");
}

// ---- projects ----

void ProjectSeeds() {
    CTROVManager manager;
    manager.GetProjectSettings().SetFloat("PROJECT_SETTINGS", "FramesPerSeconds", 25.0f);
    manager.GetProjectSettings().SetInt("PROJECT_SETTINGS", "PictureWidth", 640);
    CProjectObject picture;
    picture.SetFileName("pictures/photo.jpg");
    picture.showPicture = 50;
    picture.fade2NextPicture = 25;
    picture.pictureText = "Überschrift\nzweite Zeile";
    picture.pictureMove = true;
    picture.pictureMoveSettings =
        "10.000000|5.000000|20.000000|15.000000|0.000000|0.000000|0.000000|0.000000|";
    picture.flightPoints = "10.000000|20.000000|50.000000|50.000000|90.000000|10.000000|";
    picture.flightPointsRadius = 4;
    manager.AppendObject(picture);
    CProjectObject clip;
    clip.SetFileName("clips/clip.avi");
    clip.audioFile = "audio/music.wav";
    clip.loopAudio = true;
    clip.fadeOption = kFadeMix;
    clip.panoramaScrolling = true;
    clip.panoramaScrollingType = 2;
    manager.AppendObject(clip);
    CSettingsStore none;
    manager.AppendObject(CProjectObject::MakeColorFading(ColorFadingPreset::White, none, 25.0, nullptr));
    const fs::path d = Dir("project");
    manager.SaveProject((d / "project-utf16.trov").string());
    manager.SaveProjectCopy((d / "project-8bit.trov").string());
    fs::remove(d / "project-utf16.trov.bak");
    for (const auto& e : fs::directory_iterator(d))
        if (e.path().extension() != ".trov") fs::remove(e.path());
}

// ---- BMP ----

void Put16(std::string& b, size_t at, uint32_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}
void Put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

// File header, 40-byte information header, masks or colour table, pixels (rows padded to 4).
std::string Bmp(int width, int height, int bits, uint32_t compression, const std::string& table,
                const std::string& pixels) {
    const size_t off = 14 + 40 + table.size();
    std::string b(off, '\0');
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, uint32_t(off + pixels.size()));
    Put32(b, 10, uint32_t(off));
    Put32(b, 14, 40);
    Put32(b, 18, uint32_t(width));
    Put32(b, 22, uint32_t(height));
    Put16(b, 26, 1);
    Put16(b, 28, uint32_t(bits));
    Put32(b, 30, compression);
    Put32(b, 34, uint32_t(pixels.size()));
    std::copy(table.begin(), table.end(), b.begin() + 54);
    return b + pixels;
}

std::string Palette(int n) {
    std::string p;
    for (int i = 0; i < n; ++i) p += {char(i * 37), char(i * 91), char(255 - i * 13), '\0'};
    return p;
}

std::string Indexed(int width, int height, int bits) {
    const int stride = ((width * bits + 31) / 32) * 4;
    std::string px(size_t(stride * std::abs(height)), '\0');
    for (int y = 0; y < std::abs(height); ++y)
        for (int x = 0; x < width; ++x) {
            int v = (x + 3 * y) % (1 << bits);
            size_t bit = size_t(x * bits);
            px[size_t(y * stride) + bit / 8] |= char(v << (8 - bits - int(bit % 8)));
        }
    return px;
}

void BmpSeeds() {
    for (auto [w, h] : {std::pair{37, 23}, std::pair{4, 4}}) {
        auto pattern = test::MakePattern(w, h);
        fs::path p = Dir("bmp") / ("rgb24-" + std::to_string(w) + "x" + std::to_string(h) + ".bmp");
        pattern->SaveFile(p.string());
    }
    Put("bmp", "pal1.bmp", Bmp(13, 5, 1, 0, Palette(2), Indexed(13, 5, 1)));
    Put("bmp", "pal4-topdown.bmp", Bmp(9, -6, 4, 0, Palette(16), Indexed(9, 6, 4)));
    Put("bmp", "pal8.bmp", Bmp(7, 3, 8, 0, Palette(256), Indexed(7, 3, 8)));
    // RLE8: a run, an absolute run, a delta, end of line, end of bitmap.
    const std::string rle8("\x04\x01\x00\x03\x02\x03\x04\x00\x00\x02\x01\x01\x00\x00\x03\x05\x00\x01", 18);
    Put("bmp", "rle8.bmp", Bmp(8, 3, 8, 1, Palette(8), rle8));
    Put("bmp", "rle4.bmp", Bmp(8, 2, 4, 2, Palette(16), std::string("\x06\x12\x00\x00\x08\x34\x00\x01", 8)));
    std::string masks16(12, '\0');
    Put32(masks16, 0, 0xF800);
    Put32(masks16, 4, 0x07E0);
    Put32(masks16, 8, 0x001F);
    Put("bmp", "bitfields16.bmp", Bmp(5, 2, 16, 3, masks16, std::string(24, '\x5A')));
    Put("bmp", "rgb32.bmp", Bmp(3, 2, 32, 0, "", std::string(24, '\x7F')));
}

// ---- JPEG ----

void JpegSeeds() {
    auto sampler = [](int components) {
        return [components](int x, int y, JSAMPLE* px) {
            for (int c = 0; c < components; ++c) px[c] = JSAMPLE(test::PatternByte(x, y, c));
        };
    };
    struct Kind {
        const char* name;
        test::EncodeOptions options;
        int w, h;
    };
    test::EncodeOptions rgb, grey, cmyk, progressive;
    grey.input = JCS_GRAYSCALE;
    cmyk.input = JCS_CMYK;
    progressive.progressive = true;
    rgb.quality = 75;
    for (const Kind& k :
         {Kind{"rgb-37x23.jpg", rgb, 37, 23}, Kind{"grey-16x16.jpg", grey, 16, 16},
          Kind{"cmyk-9x7.jpg", cmyk, 9, 7}, Kind{"progressive-40x24.jpg", progressive, 40, 24}}) {
        int components = k.options.input == JCS_GRAYSCALE ? 1 : (k.options.input == JCS_CMYK ? 4 : 3);
        test::JpegBytes bytes = test::EncodeJpeg(k.w, k.h, sampler(components), k.options);
        Put("jpeg", k.name, std::string(bytes.begin(), bytes.end()));
    }
}

// ---- WAV ----

void WaveSeeds() {
    SWaveFormat mono8k;
    mono8k.formatTag = kWaveFormatPcm;
    mono8k.channels = 1;
    mono8k.samplesPerSec = 8000;
    mono8k.bitsPerSample = 16;
    mono8k.blockAlign = 2;
    mono8k.avgBytesPerSec = 16000;
    Put("wave", "mono16-8k.wav", test::PcmWav(mono8k, test::Sine16(2000, 1, 440, 8000, 8000)));
    SWaveFormat stereo = mono8k;
    stereo.channels = 2;
    stereo.samplesPerSec = 11025;
    stereo.blockAlign = 4;
    stereo.avgBytesPerSec = 44100;
    const std::string ramp = test::Bytes(test::RampStereo(1500));
    Put("wave", "stereo16-ramp.wav",
        test::Riff(test::Chunk("LIST", "INFOjunk!") + test::Chunk("fmt ", test::FmtPayload(stereo, false)) +
                   test::Chunk("data", ramp)));
    // Cut short, and with a RIFF size of 0 as unfinished writers leave it.
    std::string cut = test::PcmWav(stereo, test::RampStereo(800));
    Put("wave", "truncated.wav", cut.substr(0, cut.size() / 2));
    Put("wave", "riff-size-0.wav",
        test::Riff(test::Chunk("fmt ", test::FmtPayload(mono8k, false)) +
                       test::Chunk("data", std::string(301, '\x10')),
                   0));
    SWaveFormat eight = mono8k;
    eight.bitsPerSample = 8;
    eight.blockAlign = 1;
    eight.avgBytesPerSec = 8000;
    Put("wave", "mono8.wav", test::PcmWav(eight, std::vector<uint8_t>(999, 0x80)));
    SWaveFormat mp3;
    mp3.formatTag = kWaveFormatMpegLayer3;
    mp3.channels = 2;
    mp3.samplesPerSec = 44100;
    mp3.avgBytesPerSec = 16000;
    mp3.blockAlign = 1;
    mp3.extra = {1, 0, 2, 0, 0, 0, 0x20, 0x01, 1, 0, 0x71, 0x05};
    Put("wave", "mp3-extra.wav",
        test::Riff(test::Chunk("fmt ", test::FmtPayload(mp3, true)) +
                   test::Chunk("fact", std::string("\x10\x00\x00\x00", 4)) +
                   test::Chunk("data", std::string(417, '\x55'))));
}

// ---- AVI ----

void AviSeeds(const fs::path& work) {
    int written = 0;
    for (const std::string& code : test::OfferedCodes()) {
        fs::path p =
            work / ("clip-" + test::Printable(::testing::TestParamInfo<std::string>(code, 0)) + ".avi");
        if (test::WriteMovie(p.string(), test::Options(code.c_str(), 5000), 32, 18, 25.0, 6).fccHandler == 0)
            continue;
        std::string bytes = ReadAll(p);
        if (bytes.size() > 64 * 1024) continue;
        Put("avi_frames", p.filename().string(), bytes);
        // The same clip cut short, as a creation killed mid-write leaves it.
        if (written++ == 0)
            Put("avi_frames", "cut-" + p.filename().string(), bytes.substr(0, bytes.size() * 2 / 3));
    }
}

// ---- codec settings ----

void CodecSeeds(const fs::path& work) {
    fs::path d = work / "cs";
    fs::remove_all(d);
    int n = 0;
    for (const std::string& code : test::OfferedCodes()) {
        CodecSettingsRecord record;
        if (!MakeVideoCodecSettings(code, 7500, n % 2 ? "g=12:threads=1" : "", record)) continue;
        if (n == 0 && !ListAudioFormatTexts().empty()) {
            SetOutputAudioFormatByText(ListAudioFormatTexts().front());
            StoreOutputAudio(record);
        }
        SaveCodecSettings(record, d.string());
        if (++n == 3) break;
    }
    CodecSettingsRecord audioOnly;
    audioOnly.audioDescription = "PCM (44,100 Hz, 16 Bit, Stereo)";
    audioOnly.audioFormat = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 0, 0};
    SaveCodecSettings(audioOnly, d.string());
    for (const auto& e : fs::directory_iterator(d))
        Put("codec_settings", e.path().filename().string(), ReadAll(e.path()));
}

// ---- cache indexes ----

void CacheSeeds(const fs::path& work) {
    CFileCache latin;
    latin.SetDirectory(work.string());
    latin.Add("/home/user/pictures/photo.jpg#0#", work.string() + "/pic_0.bmp");
    latin.Add("d41d8cd98f00b204e9800998ecf8427e#90#", work.string() + "/pic_1.bmp");
    latin.SaveIndex("latin.idx");
    CFileCache wide;
    wide.SetDirectory(work.string());
    wide.Add("/home/user/Bilder/日本.jpg#0#", work.string() + "/日本_0.bmp");
    wide.SaveIndex("wide.idx");
    Put("cache_index", "latin.idx", ReadAll(work / "latin.idx"));
    Put("cache_index", "utf16.idx", ReadAll(work / "wide.idx"));
    Put("cache_index", "damaged.idx",
        "0123456789abcdef0123456789abcdef\r\n/tmp/a.bmp\r\nnot-a-digest\r\n/tmp/b.bmp\r\n");
}

// ---- language files ----

void LanguageSeeds() {
    CSettingsStore english = DefaultLanguageStore();
    const fs::path d = Dir("language");
    english.Save((d / "English-table.ini").string(), CTextFile::k8Bit);
    english.Save((d / "English-table-utf16be.ini").string(), CTextFile::kUtf16BE);
    // The shipped translation, as users edit such files.
    fs::copy_file(fs::path(TROV_SOURCE_DIR) / "data/Language/German.ini", d / "German.ini",
                  fs::copy_options::overwrite_existing);
    Put("language", "menu-loop.ini",
        "[LANGUAGE]\r\nLanguage=Loop\r\nVersion=0\r\n[MainMenu]\r\nItemCount=2\r\nItemName0=&File\r\n"
        "SubMenu0=1\r\n[MainMenu\\0]\r\nItemCount=99999\r\nItemName0=Open\tCtrl+O\r\nSubMenu0=1\r\n"
        "[PictureListColumnTexts]\r\nColumns=-7\r\nColumn0=Name\r\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    g_root = argv[1];
    fs::path work = g_root / ".work";
    fs::create_directories(work);
    CStderrPrompt prompt;
    SetUserPrompt(&prompt);
    TextSeeds();
    ProjectSeeds();
    BmpSeeds();
    JpegSeeds();
    WaveSeeds();
    AviSeeds(work);
    CodecSeeds(work);
    CacheSeeds(work);
    LanguageSeeds();
    fs::remove_all(work);
    return 0;
}
