// Picture tools: create, load, rotate and resample pictures; pictures of project entries.
#include "imaging/PictureTools.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "imaging/JpegPicture.h"
#include "imaging/RegionResampler.h"
#include "imaging/ResampleTaps.h"
#include "infra/MessagePipelines.h"
#include "infra/ParallelRows.h"

namespace trov {

namespace {

std::atomic<int> g_quality{kQualityProduction};

std::string LowerExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    for (auto& ch : ext) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    return ext;
}

std::atomic<int> g_threads{0};

int ThreadCount() {
    static const int kAuto = [] {
        const unsigned hc = std::thread::hardware_concurrency();
        return int(std::clamp(hc == 0 ? 1u : hc, 1u, 8u));
    }();
    const int set = g_threads.load();
    return set > 0 ? set : kAuto;
}

// Whole-picture kernels whose rows are independent: at least 8 rows a slice.
template <typename Fn>
void PictureRows(int n, Fn&& fn) {
    ParallelRows(n, std::min(ThreadCount(), std::max(1, n / 8)), fn);
}

// The part of a picture resampling reads: sw x sh pixels from column sx, memory row sy.
struct SourceRegion {
    int sx = 0, sy = 0, sw = 0, sh = 0;
};

// Separable resampling of a region of src into the tw x th rectangle of dst at (ox, oy) (see
// ResampleRows). Lanczos rounds (+0.5); the area filter truncates. Edge taps reflect inside the
// region, so a region resamples exactly as a copy of it would.
bool Resample(const CPicture& src, SourceRegion region, CPicture& dst, int ox, int oy, int tw, int th,
              bool lanczos, CPictureTools& tools) {
    ResamplePlan plan;
    plan.Prepare(region.sw, region.sh, tw, th, lanczos);
    const int maxProgress = lanczos ? th : std::max(1, region.sh / 4);
    tools.ReportProgressStart(maxProgress);
    // Big targets are done in groups, each one step of progress; a frame-sized one in one go.
    const int group = int64_t(tw) * th > 4000000 ? std::max(16, th / 16) : th;
    std::atomic<bool> failed{false};
    for (int g0 = 0; g0 < th; g0 += group) {
        const int g1 = std::min(th, g0 + group);
        PictureRows(g1 - g0, [&](int b, int e) {
            std::vector<float> row;
            if (!ResampleRows(src, region.sx, region.sy, plan, dst, ox, oy, g0 + b, g0 + e, row))
                failed = true;
        });
        if (failed) return false;
        tools.ReportProgress(int(int64_t(maxProgress) * g1 / th));
    }
    return true;
}

}  // namespace

void CPictureTools::SetThreadCount(int threads) {
    g_threads.store(std::clamp(threads, 0, 64));
}
int CPictureTools::GetThreadCount() {
    return ThreadCount();
}

void CPictureTools::SetQuality(int quality) {
    g_quality.store(quality);
}
int CPictureTools::GetQuality() {
    return g_quality.load();
}

void CPictureTools::ReportProgressStart(int max) {
    SendValue(m_pipelines, pipeline::kCurrentProgress, 0);
    SendValue(m_pipelines, pipeline::kMaxProgress, max);
}

void CPictureTools::ReportProgress(int current) {
    SendValue(m_pipelines, pipeline::kCurrentProgress, current);
}

std::unique_ptr<CDibPicture> CPictureTools::CreatePicture(int width, int height, Colour colour,
                                                          const std::string& name) {
    auto p = std::make_unique<CDibPicture>();
    if (!p->Create(width, height)) return nullptr;
    p->SetFileName(name);
    if (colour != kNoColour) p->Fill(colour);
    p->BitsChanged();
    return p;
}

std::unique_ptr<CPicture> CPictureTools::LoadPicture(const std::string& path, bool tryBoth, int fitWidth,
                                                     int fitHeight, std::string* failure) try {
    auto fail = [&](const std::string& why) -> std::unique_ptr<CPicture> {
        if (failure) *failure = why;
        return nullptr;
    };
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return fail("cannot open " + path);
    const std::string ext = LowerExtension(path);
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif") {
        auto p = std::make_unique<CJpegPicture>();
        p->SetSizeHint(fitWidth, fitHeight);
        if (p->LoadFile(path, false)) return p;
        return fail(p->GetLastError());
    }
    if (ext == "bmp") {
        auto p = std::make_unique<CDibPicture>();
        if (p->LoadFile(path, false)) return p;
        return fail(p->GetLastError());
    }
    if (!tryBoth)
        return fail("CPictureTools::LoadPicture: " + path + " is neither a JPEG nor a BMP file by its name");
    auto dib = std::make_unique<CDibPicture>();
    if (dib->LoadFile(path, false)) return dib;
    auto jpeg = std::make_unique<CJpegPicture>();
    jpeg->SetSizeHint(fitWidth, fitHeight);
    if (jpeg->LoadFile(path, false)) return jpeg;
    // The cause of the reader the file's first bytes belong to.
    std::string head;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char b[2] = {0, 0};
        head.assign(b, std::fread(b, 1, 2, f));
        std::fclose(f);
    }
    return fail(head == "BM" ? dib->GetLastError() : jpeg->GetLastError());
} catch (const std::exception&) {
    if (failure) *failure = "CPictureTools::LoadPicture: out of memory reading " + path;
    return nullptr;
}

std::unique_ptr<CDibPicture> CPictureTools::Resize(const CPicture* source, int width, int height,
                                                   bool keepAspect) {
    return ResizeWith(source, width, height, keepAspect, GetQuality());
}

std::unique_ptr<CDibPicture> CPictureTools::ResizeWith(const CPicture* source, int width, int height,
                                                       bool keepAspect, int quality) try {
    if (!source || source->IsEmpty() || width < 1 || height < 1) return nullptr;
    const int sw = source->GetWidth(), sh = source->GetHeight();
    if (sw == width && sh == height) return source->Clone();

    auto result = std::make_unique<CDibPicture>();
    if (!result->Create(width, height)) return nullptr;
    int tw = width, th = height, ox = 0, oy = 0;
    if (keepAspect) {
        const double ratio = double(sw) / double(sh);
        if (double(width) / double(height) <= ratio) {
            th = int(width / ratio);
        } else {
            tw = int(height * ratio);
        }
        // An extreme aspect ratio would round a side to 0; keep at least one pixel.
        tw = std::clamp(tw, 1, width);
        th = std::clamp(th, 1, height);
        ox = (width - tw) / 2;
        oy = (height - th) / 2;
    } else {
        result->Clear();
    }
    const bool lanczos = quality == kQualityFinalProduction && tw != 1 && th != 1;
    if (!Resample(*source, SourceRegion{0, 0, sw, sh}, *result, ox, oy, tw, th, lanczos, *this))
        return nullptr;
    result->BitsChanged();
    return result;
} catch (const std::exception&) {
    return nullptr;
}

std::unique_ptr<CDibPicture> CPictureTools::ResizeRegion(const CPicture* source, int left, int bottom,
                                                         int right, int top, int width, int height) try {
    if (!source || source->IsEmpty() || width < 1 || height < 1) return nullptr;
    auto result = std::make_unique<CDibPicture>();
    if (!result->Create(width, height)) return nullptr;
    CRegionResampler resampler;
    if (!resampler.Resample(*source, left, bottom, right, top, *result, GetQuality(), this)) return nullptr;
    return result;
} catch (const std::exception&) {
    return nullptr;
}

std::unique_ptr<CDibPicture> CPictureTools::Rotate(const CPicture* source, int degrees) try {
    if (!source || source->IsEmpty()) return nullptr;
    int a = degrees % 360;
    if (a < 0) a += 360;
    if (a != 90 && a != 180 && a != 270) return nullptr;
    const int w = source->GetWidth(), h = source->GetHeight();
    auto out = std::make_unique<CDibPicture>();
    if (!out->Create(a == 180 ? w : h, a == 180 ? h : w)) return nullptr;
    // The mapping is that of per-pixel GetPixel/SetPixel:
    //  90: (x, y) -> (y, W-1-x);  180: (W-1-x, H-1-y);  270: (H-1-y, x).
    // Quarter turns go in square tiles so that both pictures stay in cache.
    constexpr int kTile = 64;
    auto px = [](uint8_t* d, const uint8_t* s) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    };
    PictureRows(h, [&](int y0, int y1) {
        if (a == 180) {
            for (int y = y0; y < y1; ++y) {
                const uint8_t* s = source->GetRow(y);
                uint8_t* d = out->GetRow(h - 1 - y) + 3 * (w - 1);
                for (int x = 0; x < w; ++x) px(d - 3 * x, s + 3 * x);
            }
            return;
        }
        for (int ty = y0; ty < y1; ty += kTile) {
            const int tyEnd = std::min(y1, ty + kTile);
            for (int tx = 0; tx < w; tx += kTile) {
                const int txEnd = std::min(w, tx + kTile);
                for (int x = tx; x < txEnd; ++x) {
                    // Source column x becomes destination row W-1-x (90) or x (270).
                    uint8_t* drow = out->GetRow(a == 90 ? w - 1 - x : x);
                    for (int y = ty; y < tyEnd; ++y)
                        px(drow + 3 * (a == 90 ? y : h - 1 - y), source->GetRow(y) + 3 * x);
                }
            }
        }
    });
    out->BitsChanged();
    return out;
} catch (const std::exception&) {
    return nullptr;
}

std::unique_ptr<CDibPicture> CPictureTools::Mirror(const CPicture* source) try {
    if (!source || source->IsEmpty()) return nullptr;
    const int w = source->GetWidth(), h = source->GetHeight();
    auto out = std::make_unique<CDibPicture>();
    if (!out->Create(w, h)) return nullptr;
    PictureRows(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* s = source->GetRow(y);
            uint8_t* d = out->GetRow(y) + 3 * size_t(w - 1);
            for (int x = 0; x < w; ++x, s += 3, d -= 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
    });
    out->BitsChanged();
    return out;
} catch (const std::exception&) {
    return nullptr;
}

std::unique_ptr<CDibPicture> CPictureTools::ApplyExifOrientation(const CPicture* source, int orientation) {
    if (!source || source->IsEmpty()) return nullptr;
    switch (orientation) {
        case 2:
            return Mirror(source);
        case 3:
            return Rotate(source, 180);
        case 4: {
            auto turned = Rotate(source, 180);
            return turned ? Mirror(turned.get()) : nullptr;
        }
        case 5: {
            auto turned = Rotate(source, 90);
            return turned ? Mirror(turned.get()) : nullptr;
        }
        case 6:
            return Rotate(source, 90);
        case 7: {
            auto turned = Rotate(source, 270);
            return turned ? Mirror(turned.get()) : nullptr;
        }
        case 8:
            return Rotate(source, 270);
        default:
            return nullptr;
    }
}

// ---- pictures of project entries ----

std::string EntryPictureKey(const std::string& file, int rotation, int exifOrientation) {
    const Colour bg = CPicture::GetDefaultBackgroundColour();
    std::string key = file + "#" + std::to_string(rotation) + "#" + "#" + std::to_string(ColourRed(bg)) +
                      "#" + std::to_string(ColourGreen(bg)) + "#" + std::to_string(ColourBlue(bg));
    if (exifOrientation != 1) key += "#exif" + std::to_string(exifOrientation);
    return key;
}

namespace {

std::filesystem::path EntryPath(const EntryPictureRequest& request) {
    // Relative paths are taken from the project's folder (without changing the process's
    // working directory, which other threads share).
    std::string file = request.file;
    if (file.find('\\') != std::string::npos && file.find('/') == std::string::npos)
        std::replace(file.begin(), file.end(), '\\', '/');
    std::filesystem::path p(file);
    if (p.is_relative() && !request.projectFolder.empty())
        p = std::filesystem::path(request.projectFolder) / p;
    return p;
}

}  // namespace

int EntryExifOrientation(const EntryPictureRequest& request) {
    if (!request.applyExifOrientation) return 1;
    return ReadJpegExifOrientation(EntryPath(request).string());
}

std::unique_ptr<CPicture> LoadEntryPicture(const EntryPictureRequest& request) try {
    const std::filesystem::path p = EntryPath(request);
    const int exif = EntryExifOrientation(request);
    // The hint describes the picture after both turns; a quarter turn swaps its sides.
    int fitW = request.fitWidth, fitH = request.fitHeight;
    const int quarter = ((request.rotation % 360) + 360) % 360;
    if (quarter == 90 || quarter == 270) std::swap(fitW, fitH);
    if (exif >= 5) std::swap(fitW, fitH);
    CPictureTools tools;
    std::unique_ptr<CPicture> picture = tools.LoadPicture(p.string(), true, fitW, fitH, request.failure);
    if (!picture) return nullptr;
    picture->SetFileName(EntryPictureKey(request.file, request.rotation, exif));
    auto replace = [&](std::unique_ptr<CDibPicture> turned) {
        if (!turned) return;
        turned->SetFileName(picture->GetFileName());
        if (picture->IsDamaged()) turned->SetDamaged(picture->GetDamageMessage());
        picture = std::move(turned);
    };
    if (exif != 1) replace(tools.ApplyExifOrientation(picture.get(), exif));
    if (request.rotation != 0) replace(tools.Rotate(picture.get(), request.rotation));
    return picture;
} catch (const std::exception&) {
    if (request.failure) *request.failure = "out of memory reading " + request.file;
    return nullptr;
}

}  // namespace trov
