// Picture tools: create, load, rotate and resample pictures; pictures of project entries.
#include "imaging/PictureTools.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <thread>
#include <vector>

#include "imaging/JpegPicture.h"
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

// For every target index along one axis: the source indices and normalised weights.
struct Taps {
    std::vector<int> start;  // offset of target j's taps in index/weight
    std::vector<int> index;
    std::vector<float> weight;
    int Count(int j) const { return start[size_t(j) + 1] - start[size_t(j)]; }
};

double LanczosKernel(double x) {
    if (x == 0.0) return 1.0;
    if (x <= -3.0 || x >= 3.0) return 0.0;
    const double px = std::numbers::pi * x;
    return (std::sin(px) / px) * (std::sin(px / 3.0) / (px / 3.0));
}

// Lanczos-3 taps: centre c = j / s, reflected edges, zero weights dropped, weights summing to 1.
Taps LanczosTaps(int srcSize, int dstSize) {
    Taps t;
    t.start.reserve(size_t(dstSize) + 1);
    const double s = double(dstSize) / double(srcSize);
    std::vector<std::pair<int, double>> tmp;
    for (int j = 0; j < dstSize; ++j) {
        t.start.push_back(int(t.index.size()));
        const double c = j / s;
        int lo, hi;
        if (s >= 1.0) {
            lo = int(std::trunc(c - 3.5));
            hi = int(std::trunc(c + 3.5));
        } else {
            lo = int(std::trunc(c - 3.0 / s - 0.5));
            hi = int(std::trunc(c + 3.0 / s + 0.5));
        }
        tmp.clear();
        double sum = 0.0;
        for (int i = lo; i <= hi; ++i) {
            const double w = s >= 1.0 ? LanczosKernel(c - i) : LanczosKernel((c - i) * s) * s;
            if (w == 0.0) continue;
            int r = i < 0 ? -i : (i >= srcSize ? 2 * srcSize - 1 - i : i);
            r = std::clamp(r, 0, srcSize - 1);  // a tiny source can reflect past its other edge
            tmp.emplace_back(r, w);
            sum += w;
        }
        if (tmp.empty() || std::fabs(sum) < 1e-12) {
            // Cannot happen for sane sizes; fall back to the nearest pixel.
            t.index.push_back(std::clamp(int(c + 0.5), 0, srcSize - 1));
            t.weight.push_back(1.0f);
            continue;
        }
        for (auto& [r, w] : tmp) {
            t.index.push_back(r);
            t.weight.push_back(float(w / sum));
        }
    }
    t.start.push_back(int(t.index.size()));
    return t;
}

// Area taps: source pixel i covers [i*s, (i+1)*s) in target units; its weight for target j is the
// length of the overlap with [j, j+1).
Taps AreaTaps(int srcSize, int dstSize) {
    // Gather per source pixel (the overlap table), then regroup per target pixel.
    const double s = double(dstSize) / double(srcSize);
    std::vector<std::vector<std::pair<int, double>>> perTarget(static_cast<size_t>(dstSize));
    for (int i = 0; i < srcSize; ++i) {
        const double a = i * s, b = (i + 1) * s;
        const int j0 = std::max(0, int(std::floor(a)));
        const int j1 = std::min(dstSize - 1, int(std::ceil(b)) - 1);
        for (int j = j0; j <= j1; ++j) {
            const double ov = std::min(b, double(j + 1)) - std::max(a, double(j));
            if (ov > 1e-12) perTarget[size_t(j)].emplace_back(i, ov);
        }
    }
    Taps t;
    t.start.reserve(size_t(dstSize) + 1);
    for (int j = 0; j < dstSize; ++j) {
        t.start.push_back(int(t.index.size()));
        for (auto& [i, w] : perTarget[size_t(j)]) {
            t.index.push_back(i);
            t.weight.push_back(float(w));
        }
    }
    t.start.push_back(int(t.index.size()));
    return t;
}

// The part of a picture resampling reads: sw x sh pixels from column sx, memory row sy.
struct SourceRegion {
    int sx = 0, sy = 0, sw = 0, sh = 0;
};

// Area filters of shrinks up to about 3:1 have at most four consecutive taps per target pixel:
// padded to exactly four (zero weights), the horizontal pass runs without an inner loop.
// Adding the zero terms leaves every sum bit for bit as it was.
struct FourTaps {
    std::vector<int> first;  // 3 * the first source column of target j (a float offset)
    std::vector<float> weight;
};

// Fills `out` and returns true when every target pixel of hx has one to four consecutive taps.
bool MakeFourTaps(const Taps& hx, int tw, FourTaps& out) {
    for (int j = 0; j < tw; ++j) {
        const int b = hx.start[size_t(j)], n = hx.Count(j);
        if (n < 1 || n > 4) return false;
        for (int t = 1; t < n; ++t)
            if (hx.index[size_t(b + t)] != hx.index[size_t(b)] + t) return false;
    }
    out.first.resize(size_t(tw));
    out.weight.assign(size_t(4) * size_t(tw), 0.0f);
    for (int j = 0; j < tw; ++j) {
        const int b = hx.start[size_t(j)];
        out.first[size_t(j)] = 3 * hx.index[size_t(b)];
        for (int t = 0; t < hx.Count(j); ++t) out.weight[size_t(4 * j + t)] = hx.weight[size_t(b + t)];
    }
    return true;
}

// Truncated, then clamped as an integer (branch-free; the sums stay far inside int range).
inline uint8_t ToByte(float v) {
    return uint8_t(std::clamp(static_cast<int>(v), 0, 255));
}

// The vertical pass for target row k: the weighted sum of whole source rows into r.
void SumSourceRows(const CPicture& src, SourceRegion region, const Taps& vy, int k, float* r,
                   size_t rowFloats) {
    const int t0 = vy.start[size_t(k)], t1 = vy.start[size_t(k) + 1];
    if (t0 == t1) std::fill(r, r + rowFloats, 0.0f);
    for (int t = t0; t < t1; ++t) {
        const float w = vy.weight[size_t(t)];
        const uint8_t* s = src.GetRow(region.sy + vy.index[size_t(t)]) + 3 * size_t(region.sx);
        // The first tap sets the row (0 + w * s is w * s exactly), the others add.
        if (t == t0)
            for (size_t x = 0; x < rowFloats; ++x) r[x] = w * float(s[x]);
        else
            for (size_t x = 0; x < rowFloats; ++x) r[x] += w * float(s[x]);
    }
}

// The horizontal pass over one summed row with exactly four taps per target pixel.
void FourTapRow(const float* r, const FourTaps& taps, int tw, float bias, uint8_t* d) {
    for (int j = 0; j < tw; ++j) {
        const float* p = r + taps.first[size_t(j)];
        const float* w = taps.weight.data() + 4 * size_t(j);
        float b0 = bias, g = bias, rr = bias;
        for (int t = 0; t < 4; ++t) {  // a constant count: unrolled, no branches
            b0 += w[t] * p[3 * t];
            g += w[t] * p[3 * t + 1];
            rr += w[t] * p[3 * t + 2];
        }
        d[3 * j] = ToByte(b0);
        d[3 * j + 1] = ToByte(g);
        d[3 * j + 2] = ToByte(rr);
    }
}

// The horizontal pass over one summed row with any number of taps per target pixel.
void TapRow(const float* r, const Taps& hx, int tw, float bias, uint8_t* d) {
    for (int j = 0; j < tw; ++j) {
        float b0 = bias, g = bias, rr = bias;
        for (int t = hx.start[size_t(j)]; t < hx.start[size_t(j) + 1]; ++t) {
            const float w = hx.weight[size_t(t)];
            const float* p = r + 3 * size_t(hx.index[size_t(t)]);
            b0 += w * p[0];
            g += w * p[1];
            rr += w * p[2];
        }
        d[3 * j] = ToByte(b0);
        d[3 * j + 1] = ToByte(g);
        d[3 * j + 2] = ToByte(rr);
    }
}

// Everything one resampling needs, computed once before the rows are shared among threads.
struct ResamplePlan {
    Taps hx, vy;
    FourTaps four;
    bool useFour = false;
    float bias = 0.0f;
    size_t rowFloats = 0;
};

ResamplePlan PlanResample(int sw, int sh, int tw, int th, bool lanczos) {
    ResamplePlan plan;
    plan.hx = lanczos ? LanczosTaps(sw, tw) : AreaTaps(sw, tw);
    plan.vy = lanczos ? LanczosTaps(sh, th) : AreaTaps(sh, th);
    // The area sums equal the exact average up to float rounding; the tiny bias keeps a value
    // like 199.99998 (really 200) from being truncated to 199.
    plan.bias = lanczos ? 0.5f : 0.001f;
    plan.rowFloats = size_t(3) * size_t(sw);
    plan.useFour = !lanczos && MakeFourTaps(plan.hx, tw, plan.four);
    return plan;
}

// Target rows [k0, k1) of one thread; false when its row buffer cannot be had.
bool ResampleRows(const CPicture& src, SourceRegion region, CPicture& dst, int ox, int oy, int tw,
                  const ResamplePlan& plan, int k0, int k1) {
    std::vector<float> row;
    try {
        // The padded taps may read three pixels past the row: they stay zero.
        row.resize(plan.rowFloats + 12);
    } catch (const std::exception&) {
        return false;  // an exception must not leave a helper thread
    }
    for (int k = k0; k < k1; ++k) {
        SumSourceRows(src, region, plan.vy, k, row.data(), plan.rowFloats);
        uint8_t* d = dst.GetRow(oy + k) + 3 * ox;
        if (plan.useFour)
            FourTapRow(row.data(), plan.four, tw, plan.bias, d);
        else
            TapRow(row.data(), plan.hx, tw, plan.bias, d);
    }
    return true;
}

// Separable resampling of a region of src into the tw x th rectangle of dst at (ox, oy): for each
// target row the vertical taps are summed over whole source rows (contiguous, vectorisable), then
// the horizontal taps over that float row. Lanczos rounds (+0.5); the area filter truncates.
// Edge taps reflect inside the region, so a region resamples exactly as a copy of it would.
bool Resample(const CPicture& src, SourceRegion region, CPicture& dst, int ox, int oy, int tw, int th,
              bool lanczos, CPictureTools& tools) {
    const ResamplePlan plan = PlanResample(region.sw, region.sh, tw, th, lanczos);
    const int maxProgress = lanczos ? th : std::max(1, region.sh / 4);
    tools.ReportProgressStart(maxProgress);
    // Big targets are done in groups, each one step of progress; a frame-sized one in one go.
    const int group = int64_t(tw) * th > 4000000 ? std::max(16, th / 16) : th;
    std::atomic<bool> failed{false};
    for (int g0 = 0; g0 < th; g0 += group) {
        const int g1 = std::min(th, g0 + group);
        PictureRows(g1 - g0, [&](int b, int e) {
            if (!ResampleRows(src, region, dst, ox, oy, tw, plan, g0 + b, g0 + e)) failed = true;
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
    left = std::clamp(left, 0, source->GetWidth());
    right = std::clamp(right, left, source->GetWidth());
    bottom = std::clamp(bottom, 0, source->GetHeight());
    top = std::clamp(top, bottom, source->GetHeight());
    if (right == left || top == bottom) return nullptr;
    auto result = std::make_unique<CDibPicture>();
    if (!result->Create(width, height)) return nullptr;
    if (right - left == width && top - bottom == height) {
        for (int y = 0; y < height; ++y)
            std::memcpy(result->GetRow(y), source->GetRow(bottom + y) + 3 * size_t(left), 3 * size_t(width));
    } else {
        const bool lanczos = GetQuality() == kQualityFinalProduction && width != 1 && height != 1;
        if (!Resample(*source, SourceRegion{left, bottom, right - left, top - bottom}, *result, 0, 0, width,
                      height, lanczos, *this))
            return nullptr;
    }
    result->BitsChanged();
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
