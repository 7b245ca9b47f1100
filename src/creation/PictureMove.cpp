// Picture move geometry, frame rendering and the flight path.
#include "creation/PictureMove.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "infra/MessagePipelines.h"
#include "settings/SettingsStore.h"
#include "settings/TextFile.h"

namespace trov {

namespace {

const char* const kMoveKeys[8] = {"Left1", "Top1", "Right1", "Bottom1", "Left2", "Top2", "Right2", "Bottom2"};

// rnd(v) = truncation(v + 0.5), as the geometry is defined.
int Rnd(double v) {
    return static_cast<int>(v + 0.5);
}

// Truncation guarded against values no int can hold (absurd percentages in a project file).
int Trunc(double v) {
    if (!(v == v)) return 0;
    if (v > 1e9) return 1000000000;
    if (v < -1e9) return -1000000000;
    return static_cast<int>(v);
}

// Splits "a|b|c|" into pieces; every piece must end with "|".
bool SplitBars(const std::string& text, std::vector<std::string>& pieces) {
    pieces.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t bar = text.find('|', start);
        if (bar == std::string::npos) return false;
        pieces.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    return true;
}

double ReadMargin(const CSettingsStore& store, const std::string& key) {
    double v = 0.0;
    store.GetDouble(kPictureMoveSection, key, v);
    return v;
}

}  // namespace

bool ParsePictureMoveSettings(const std::string& text, CSettingsStore& store) {
    std::vector<std::string> pieces;
    if (!SplitBars(text, pieces) || pieces.size() != 8) return false;
    float values[8];
    for (int i = 0; i < 8; ++i) {
        if (!CSettingsStore::ParseFloat(pieces[i], values[i])) return false;
    }
    for (int i = 0; i < 8; ++i) store.SetFloat(kPictureMoveSection, kMoveKeys[i], values[i]);
    return true;
}

std::string BuildPictureMoveSettings(const PixelRect& p1, const PixelRect& p2, int width, int height) {
    if (width < 1 || height < 1) return {};
    std::string out;
    for (const PixelRect* p : {&p1, &p2}) {
        float w = static_cast<float>(width), h = static_cast<float>(height);
        float left = static_cast<float>(p->x) * 100.0f / w;
        float top = static_cast<float>(p->y) * 100.0f / h;
        float right = static_cast<float>(width - p->width - p->x - 1) * 100.0f / w;
        float bottom = static_cast<float>(height - p->height - p->y - 1) * 100.0f / h;
        for (float v : {left, top, right, bottom}) {
            out += CSettingsStore::FormatFloat(v);
            out += '|';
        }
    }
    return out;
}

MoveRect GetPictureMoveRect(const CSettingsStore& store, const std::string& suffix, int w, int h) {
    double left = ReadMargin(store, "Left" + suffix);
    double top = ReadMargin(store, "Top" + suffix);
    double right = ReadMargin(store, "Right" + suffix);
    double bottom = ReadMargin(store, "Bottom" + suffix);
    MoveRect r;
    r.left = Trunc(left * w * 0.01);
    r.bottom = h - Trunc(h - bottom * h * 0.01);
    r.right = Trunc(w - right * w * 0.01);
    r.top = h - Trunc(top * h * 0.01);
    return r;
}

double PictureMoveFactor(int j, int n) {
    if (n <= 0) return 0.0;
    return (std::sin(static_cast<double>(j) / n * std::numbers::pi - std::numbers::pi / 2) + 1.0) * 0.5;
}

double PictureMoveScale(int pictureW, int pictureH, int movieW, int movieH, const CSettingsStore& store,
                        double quality, double limit) {
    if (pictureW < 1 || pictureH < 1 || movieW < 1 || movieH < 1) return 1.0;
    MoveRect r1 = GetPictureMoveRect(store, "1", movieW, movieH);
    MoveRect r2 = GetPictureMoveRect(store, "2", movieW, movieH);
    int cw = std::min(r1.Width(), r2.Width());
    int ch = std::min(r1.Height(), r2.Height());
    double c = std::max(static_cast<double>(pictureW) / movieW, static_cast<double>(pictureH) / movieH);
    double k =
        std::min(static_cast<double>(Trunc(c * cw)) / movieW, static_cast<double>(Trunc(c * ch)) / movieH);
    // A degenerate crop (zero or negative size) asks for infinite magnification: the limit caps it.
    double s = k > 0.0 ? quality / k : limit;
    if (s < 1.0) s = 1.0;
    if (s > limit) s = limit;
    return s;
}

std::unique_ptr<CDibPicture> PreparePictureMoveSource(const CPicture& picture, int movieW, int movieH,
                                                      const CSettingsStore& store, double quality,
                                                      double limit, CPictureTools& tools) {
    int pw = picture.GetWidth(), ph = picture.GetHeight();
    if (picture.IsEmpty() || movieW < 1 || movieH < 1) return picture.Clone();
    double s = PictureMoveScale(pw, ph, movieW, movieH, store, quality, limit);
    double u = (static_cast<double>(movieH) / movieW) / (static_cast<double>(ph) / pw);
    int nw = pw, nh = ph;
    if (u > 1.0) {
        nh = Trunc(ph * s);
        nw = Trunc(pw / u * s);
    } else if (u < 1.0) {
        nh = Trunc(s * ph * u);
        nw = Trunc(pw * s);
    } else {
        if (s <= 1.0) return picture.Clone();
        nw = Trunc(pw * s);
        nh = Trunc(ph * s);
    }
    if (nw < 1 || nh < 1 || nw > CPicture::kMaxSide || nh > CPicture::kMaxSide) return picture.Clone();
    if (nw == pw && nh == ph) return picture.Clone();
    auto scaled = tools.Resize(&picture, nw, nh, true);
    if (!scaled) return picture.Clone();
    scaled->SetFileName(picture.GetFileName());
    return scaled;
}

MoveRect PictureMoveFrameRect(const CSettingsStore& store, int j, int n, int w, int h) {
    MoveRect r1 = GetPictureMoveRect(store, "1", w, h);
    MoveRect r2 = GetPictureMoveRect(store, "2", w, h);
    double f = PictureMoveFactor(j, n);
    MoveRect r;
    r.left = Trunc(f * (r2.left - r1.left) + r1.left);
    r.bottom = Trunc(f * (r2.bottom - r1.bottom) + r1.bottom);
    r.right = Trunc(f * (r2.right - r1.right) + r1.right);
    r.top = Trunc(f * (r2.top - r1.top) + r1.top);
    return r;
}

bool RenderPictureMoveFrame(const CSettingsStore& store, int j, int n, const CPicture& source,
                            CPicture& frame, CRegionResampler& resampler, CPictureTools& tools) {
    if (source.IsEmpty() || frame.IsEmpty()) return false;
    MoveRect r = PictureMoveFrameRect(store, j, n, source.GetWidth(), source.GetHeight());
    // Keep the crop inside the source and at least one pixel big, whatever the margins say.
    r.left = std::clamp(r.left, 0, source.GetWidth() - 1);
    r.bottom = std::clamp(r.bottom, 0, source.GetHeight() - 1);
    r.right = std::clamp(r.right, r.left + 1, source.GetWidth());
    r.top = std::clamp(r.top, r.bottom + 1, source.GetHeight());
    SendStatus(tools.GetPipelines(), "Resizing picture ...");
    return resampler.Resample(source, r.left, r.bottom, r.right, r.top, frame, CPictureTools::GetQuality(),
                              &tools);
}

std::unique_ptr<CDibPicture> RenderPictureMoveFrame(const CSettingsStore& store, int j, int n,
                                                    const CPicture& source, int movieW, int movieH,
                                                    CPictureTools& tools) {
    if (source.IsEmpty() || movieW < 1 || movieH < 1) return nullptr;
    auto frame = std::make_unique<CDibPicture>();
    if (!frame->Create(movieW, movieH)) return nullptr;
    CRegionResampler resampler;
    if (!RenderPictureMoveFrame(store, j, n, source, *frame, resampler, tools)) return nullptr;
    return frame;
}

// ---- flight path ----

void CFlightPath::Setup(const std::string& points, Colour colour, int radius) {
    m_colour = colour;
    m_percent.clear();
    m_disk.clear();
    m_ring.clear();
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < points.size()) {
        size_t bar = points.find('|', start);
        if (bar == std::string::npos) bar = points.size();
        pieces.push_back(points.substr(start, bar - start));
        start = bar + 1;
    }
    for (size_t i = 0; i + 1 < pieces.size(); i += 2) {
        float x = 0, y = 0;
        if (!CSettingsStore::ParseFloat(pieces[i], x) || !CSettingsStore::ParseFloat(pieces[i + 1], y))
            continue;
        m_percent.emplace_back(x, y);
    }
    // A radius beyond any sensible line width would only burn time; 500 pixels is plenty.
    int r = std::clamp(radius, 0, 500);
    for (int dy = -r; dy < r; ++dy) {
        for (int dx = -r; dx < r; ++dx) {
            double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
            if (d < r) {
                m_disk.push_back({dx, dy});
                if (d > r - 2) m_ring.push_back({dx, dy});
            }
        }
    }
    m_reach = r;
}

std::vector<CFlightPath::Point> CFlightPath::PixelPoints(int w, int h) const {
    // A percentage from a project file may be any float; a point far outside the picture is held
    // a few picture sides away, where no int overflows and its segment stays short enough to walk.
    const double far = 4.0 * CPicture::kMaxSide;
    auto pixel = [far](double v) { return Rnd(std::clamp(v, -far, far)); };
    std::vector<Point> out;
    for (const auto& [px, py] : m_percent)
        out.push_back({pixel(px * 0.01 * w), (h - 1) - pixel(py * 0.01 * h)});
    return out;
}

double CFlightPath::Length(int w, int h) const {
    auto pts = PixelPoints(w, h);
    double len = 0.0;
    for (size_t i = 1; i < pts.size(); ++i)
        len += std::hypot(static_cast<double>(pts[i].x - pts[i - 1].x),
                          static_cast<double>(pts[i].y - pts[i - 1].y));
    return len;
}

void CFlightPath::DrawSegment(CPicture& picture, double ax, double ay, double bx, double by) const {
    int sx = Rnd(ax), sy = Rnd(ay);
    double dx = Rnd(bx) - sx, dy = Rnd(by) - sy;
    double t = std::sqrt(dx * dx + dy * dy);
    if (t == 0.0) return;
    int w = picture.GetWidth(), h = picture.GetHeight();
    uint8_t red = ColourRed(m_colour), green = ColourGreen(m_colour), blue = ColourBlue(m_colour);
    // Only the steps whose disk can reach the picture are walked. A point of a hand-edited project
    // may lie hundreds of thousands of pixels away, and walking all of its line, a ring per pixel,
    // for every frame would stall the creation. Steps outside draw nothing, so skipping them
    // changes no pixel; the margins cover the rounding of the step positions.
    double first = 0.0, last = std::floor(t);
    auto keepNear = [&](double start, double step, int side) {
        double low = -m_reach - 2.0, high = side - 1 + m_reach + 2.0;
        if (step == 0.0) {
            if (start < low || start > high) last = -1.0;
            return;
        }
        double m1 = (low - start) / step, m2 = (high - start) / step;
        if (m1 > m2) std::swap(m1, m2);
        first = std::max(first, std::floor(m1) - 1.0);
        last = std::min(last, std::ceil(m2) + 1.0);
    };
    keepNear(sx, dx / t, w);
    keepNear(sy, dy / t, h);
    if (first > last) return;
    for (int m = static_cast<int>(first); m <= static_cast<int>(last); ++m) {
        int cx = sx + Rnd(m * dx / t), cy = sy + Rnd(m * dy / t);
        const auto& offsets = (m == 0) ? m_disk : m_ring;
        for (const Offset& o : offsets) {
            int x = cx + o.dx, y = cy + o.dy;
            if (x < 0 || y < 0 || x >= w || y >= h) continue;
            uint8_t* p = picture.GetRow(y) + 3 * x;
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
    }
}

void CFlightPath::DrawFrame(CPicture& picture, int j, int n) const {
    if (picture.IsEmpty() || m_percent.size() < 2) return;
    int q = std::max(n - 1, 0);
    if (q == 0) return;
    int w = picture.GetWidth(), h = picture.GetHeight();
    auto pts = PixelPoints(w, h);
    double total = Length(w, h);
    double from = total / q * std::max(j - 1, 0);
    double to = total / q * j;
    double before = 0.0;
    for (size_t i = 1; i < pts.size(); ++i) {
        double vx = pts[i].x - pts[i - 1].x, vy = pts[i].y - pts[i - 1].y;
        double s = std::hypot(vx, vy);
        if (s > 0.0 && before <= to && before + s >= from) {
            double a = std::max(from - before, 0.0);
            double b = std::max(std::min(to - before, s), 0.0);
            DrawSegment(picture, pts[i - 1].x + a / s * vx, pts[i - 1].y + a / s * vy,
                        pts[i - 1].x + b / s * vx, pts[i - 1].y + b / s * vy);
        }
        before += s;
    }
    picture.BitsChanged();
}

bool ReadFlightPointFile(const std::string& path, std::vector<std::pair<int, int>>& points) {
    CTextFile file;
    if (!file.Read(path)) return false;
    points.clear();
    for (const std::string& line : file.Lines()) {
        size_t comma = line.find(',');
        if (comma == std::string::npos) continue;
        points.emplace_back(CSettingsStore::ParseInt(line.substr(0, comma)),
                            CSettingsStore::ParseInt(line.substr(comma + 1)));
    }
    return true;
}

bool WriteFlightPointFile(const std::string& path, const std::vector<std::pair<int, int>>& points) {
    std::vector<std::string> lines;
    for (const auto& [x, y] : points) lines.push_back(std::to_string(x) + "," + std::to_string(y));
    CTextFile file;
    return file.Write(path, CTextFile::k8Bit, lines);
}

}  // namespace trov
