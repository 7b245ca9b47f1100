// The picture-move editor's decisions (see the header).
#include "ui/PictureMoveEditorModel.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "creation/PicturePreparation.h"
#include "imaging/PictureTools.h"
#include "settings/TextFile.h"
#include "ui/ListControlManager.h"

namespace trov {

using namespace pmove;

namespace {

constexpr int kMaxRadius = 500;
constexpr double kMinQuality = 1.0;
constexpr double kMaxQuality = 16.0;

int Round(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::lround(std::clamp(v, -1e9, 1e9)));
}

// The text starts with a number: an optional sign, then a digit.
bool StartsWithNumber(std::string_view text) {
    text = CSettingsStore::Trim(text);
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
    return !text.empty() && std::isdigit(static_cast<unsigned char>(text[0]));
}

}  // namespace

SViewArea ZoomedIn(const SViewArea& view) {
    SViewArea v = view;
    v.width = std::max(static_cast<int>(view.width * 0.95), std::min(view.width, kMinViewSide));
    v.height = std::max(static_cast<int>(view.height * 0.95), std::min(view.height, kMinViewSide));
    const int shrinkW = view.width - v.width, shrinkH = view.height - v.height;
    if (shrinkW > 2) {
        v.x += shrinkW / 2;
        v.y += shrinkH / 2;
    }
    return v;
}

SViewArea ZoomedOut(const SViewArea& view, int pictureWidth, int pictureHeight) {
    const int largest = kMaxViewFactor * std::max({pictureWidth, pictureHeight, kMinViewSide});
    SViewArea v = view;
    v.width = std::min(static_cast<int>(view.width * 1.0526315789473684), largest);
    v.height = std::min(static_cast<int>(view.height * 1.0526315789473684), largest);
    v.width = std::max(v.width, view.width);
    v.height = std::max(v.height, view.height);
    v.x -= (v.width - view.width) / 2;
    v.y -= (v.height - view.height) / 2;
    return v;
}

std::pair<int, int> SViewMapping::ToPicture(double wx, double wy) const {
    return {view.x + static_cast<int>(std::floor((wx - offsetX) / scale)),
            view.y + static_cast<int>(std::floor((wy - offsetY) / scale))};
}

std::pair<double, double> SViewMapping::ToWindow(double px, double py) const {
    return {offsetX + (px - view.x) * scale, offsetY + (py - view.y) * scale};
}

SViewMapping MapView(const SViewArea& view, int windowW, int windowH) {
    SViewMapping m;
    m.view = view;
    if (view.width < 1 || view.height < 1 || windowW < 1 || windowH < 1) return m;
    m.scale = std::min(static_cast<double>(windowW) / view.width, static_cast<double>(windowH) / view.height);
    m.offsetX = (windowW - view.width * m.scale) / 2.0;
    m.offsetY = (windowH - view.height * m.scale) / 2.0;
    return m;
}

bool ParseWholeNumber(const std::string& text, int& value) {
    std::string_view t = CSettingsStore::Trim(text);
    size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    if (i >= t.size() || t.size() - i > 9) return false;
    for (size_t k = i; k < t.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(t[k]))) return false;
    value = CSettingsStore::ParseInt(t);
    return true;
}

bool ParseDecimalNumber(const std::string& text, double& value) {
    std::string_view t = CSettingsStore::Trim(text);
    size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    bool digit = false, separator = false;
    for (size_t k = i; k < t.size(); ++k) {
        if (std::isdigit(static_cast<unsigned char>(t[k]))) {
            digit = true;
        } else if ((t[k] == '.' || t[k] == ',') && !separator) {
            separator = true;
        } else {
            return false;
        }
    }
    if (!digit || t.size() > 24) return false;
    value = CSettingsStore::ParseLenientDouble(t);
    return true;
}

std::string NotANumberMessage(const std::string& text, bool whole) {
    return "\"" + text + "\" is not " + (whole ? "a whole number" : "a number") +
           ". The previous value is kept.";
}

std::unique_ptr<CDibPicture> PictureMoveEditorPicture(CPicturePreparation& preparation,
                                                      const CProjectObject& object, int movieW, int movieH) {
    std::unique_ptr<CPicture> raw = preparation.LoadObjectPicture(object);
    if (!raw || raw->IsEmpty()) return nullptr;
    // Quality and limit 1: the renderer's own preparation without its enlargement, so the margins
    // mean the same part of the picture here as in the movie.
    CSettingsStore noMargins;
    CPictureTools tools;
    return PreparePictureMoveSource(*raw, movieW, movieH, noMargins, 1.0, 1.0, tools);
}

CPictureMoveEditorModel::CPictureMoveEditorModel(const CProjectObject& object, int pictureW, int pictureH,
                                                 const CSettingsStore& projectSettings)
    : m_w(std::max(pictureW, 1)), m_h(std::max(pictureH, 1)) {
    m_frames = std::max(object.showPicture, 1);
    m_colour = object.flightPointsColor;
    m_radius = std::clamp(object.flightPointsRadius, 1, kMaxRadius);
    m_oldSettings = object.pictureMoveSettings;
    projectSettings.GetString(kProject, kQuality, m_quality);
    projectSettings.GetString(kProject, kScaleLimit, m_limit);
    m_store.SetString(kProject, kQuality, m_quality);
    m_store.SetString(kProject, kScaleLimit, m_limit);
    CSettingsSection& columns = m_store.Section(kPointList);
    columns.Set("Columns", "2");
    columns.Set("Column0_Name", "X");
    columns.Set("Column0_Width", "150");
    columns.Set("Column1_Name", "Y");
    columns.Set("Column1_Width", "150");
    LoadPositions(object.pictureMoveSettings);
    LoadPoints(object.flightPoints);
    ShowWholePicture();
    SetCurrent({0, 0, m_w - 1, m_h - 1});
    WriteBothSet();
}

void CPictureMoveEditorModel::LoadPositions(const std::string& settings) {
    CSettingsStore margins;
    if (!ParsePictureMoveSettings(settings, margins)) return;
    // The inverse of BuildPictureMoveSettings, rounded so the stored floats give back the pixels.
    auto position = [&](const char* suffix) {
        auto margin = [&](const char* name) {
            double v = 0.0;
            margins.GetDouble(kPictureMoveSection, std::string(name) + suffix, v);
            return v;
        };
        PixelRect p;
        p.x = Round(margin("Left") * m_w / 100.0);
        p.y = Round(margin("Top") * m_h / 100.0);
        p.width = Round(m_w - margin("Right") * m_w / 100.0) - p.x - 1;
        p.height = Round(m_h - margin("Bottom") * m_h / 100.0) - p.y - 1;
        return Clamped(p);
    };
    m_pos1 = position("1");
    m_pos2 = position("2");
}

void CPictureMoveEditorModel::LoadPoints(const std::string& points) {
    CFlightPath path;
    path.Setup(points, m_colour, 0);
    m_points.clear();
    for (const CFlightPath::Point& p : path.PixelPoints(m_w, m_h))
        m_points.emplace_back(p.x, (m_h - 1) - p.y);
    m_currentPoint = m_points.empty() ? -1 : static_cast<int>(m_points.size()) - 1;
}

void CPictureMoveEditorModel::ShowWholePicture() {
    m_view = {0, 0, m_w, m_h};
}

PixelRect CPictureMoveEditorModel::Clamped(PixelRect r) const {
    // The rectangle includes its right and bottom edge pixels, so x + width stays below the width.
    r.x = std::clamp(r.x, 0, std::max(m_w - 2, 0));
    r.y = std::clamp(r.y, 0, std::max(m_h - 2, 0));
    r.width = std::clamp(r.width, 1, std::max(m_w - r.x - 1, 1));
    r.height = std::clamp(r.height, 1, std::max(m_h - r.y - 1, 1));
    return r;
}

void CPictureMoveEditorModel::SetCurrent(const PixelRect& rect) {
    m_current = Clamped(rect);
    WriteCurrent();
}

void CPictureMoveEditorModel::WriteCurrent() {
    m_store.SetInt(kCurrent, kPosX, m_current.x);
    m_store.SetInt(kCurrent, kPosY, m_current.y);
    m_store.SetInt(kCurrent, kWidth, m_current.width);
    m_store.SetInt(kCurrent, kHeight, m_current.height);
}

void CPictureMoveEditorModel::WriteBothSet() {
    m_store.SetString(kPositions, kBothSet, BothSet() ? "1" : "0");
}

bool CPictureMoveEditorModel::UpdateValues(std::string& message) {
    message.clear();
    int values[4] = {0, 0, 0, 0};
    const char* keys[4] = {kPosX, kPosY, kWidth, kHeight};
    for (int i = 0; i < 4; ++i) {
        std::string text;
        m_store.GetString(kCurrent, keys[i], text);
        if (!ParseWholeNumber(text, values[i])) {
            message = NotANumberMessage(text, true);
            WriteCurrent();
            return false;
        }
    }
    SetCurrent({values[0], values[1], values[2], values[3]});
    return true;
}

bool CPictureMoveEditorModel::PositionSet(int which) const {
    const PixelRect& p = Position(which);
    return p.width > 0 && p.height > 0;
}

void CPictureMoveEditorModel::SetAsPosition(int which) {
    (which == 1 ? m_pos1 : m_pos2) = m_current;
    WriteBothSet();
}

std::string CPictureMoveEditorModel::PositionText(int which) const {
    if (!PositionSet(which)) return "-";
    const PixelRect& p = Position(which);
    return std::to_string(p.x) + ", " + std::to_string(p.y) + ", " + std::to_string(p.width) + " x " +
           std::to_string(p.height);
}

PixelRect CPictureMoveEditorModel::FromMoveRect(const MoveRect& r) const {
    // Rows of the renderer count from the bottom; its right and top edges lie one beyond.
    return {r.left, m_h - r.top, r.right - r.left - 1, r.top - r.bottom - 1};
}

PixelRect CPictureMoveEditorModel::FrameRect(int j) const {
    CSettingsStore margins;
    ParsePictureMoveSettings(BuildPictureMoveSettings(m_pos1, m_pos2, m_w, m_h), margins);
    return FromMoveRect(PictureMoveFrameRect(margins, j, m_frames, m_w, m_h));
}

void CPictureMoveEditorModel::GoToFrame(int j) {
    m_frame = std::clamp(j, 0, m_frames - 1);
    if (BothSet()) SetCurrent(FrameRect(m_frame));
}

bool CPictureMoveEditorModel::AddPoint(int x, int y) {
    if (x < 0 || y < 0 || x >= m_w || y >= m_h) return false;
    m_points.emplace_back(x, y);
    m_currentPoint = static_cast<int>(m_points.size()) - 1;
    return true;
}

bool CPictureMoveEditorModel::DeletePoint(int index) {
    if (index < 0 || index >= static_cast<int>(m_points.size())) return false;
    m_points.erase(m_points.begin() + index);
    m_currentPoint = std::min(index, static_cast<int>(m_points.size()) - 1);
    return true;
}

void CPictureMoveEditorModel::SetCurrentPoint(int index) {
    m_currentPoint = (index >= 0 && index < static_cast<int>(m_points.size())) ? index : -1;
}

bool CPictureMoveEditorModel::SetRadiusText(const std::string& text, std::string& message) {
    int r = 0;
    if (!ParseWholeNumber(text, r)) {
        message = NotANumberMessage(text, true);
        return false;
    }
    if (r < 1 || r > kMaxRadius) {
        message = "The radius must lie between 1 and " + std::to_string(kMaxRadius) +
                  " pixels. The previous value is kept.";
        return false;
    }
    m_radius = r;
    message.clear();
    return true;
}

void CPictureMoveEditorModel::InitializePointList(CListControl& list) const {
    CListControlManager().InitializeList(m_store, kPointList, list);
}

void CPictureMoveEditorModel::FillPointList(CListControl& list) {
    const std::string xs = std::string(kPointRows) + "_COLUMN0", ys = std::string(kPointRows) + "_COLUMN1";
    m_store.RemoveSection(xs);
    m_store.RemoveSection(ys);
    for (size_t j = 0; j < m_points.size(); ++j) {
        m_store.SetInt(xs, "Entry" + std::to_string(j), m_points[j].first);
        m_store.SetInt(ys, "Entry" + std::to_string(j), m_points[j].second);
    }
    CListControlManager().RestoreRows(m_store, kPointRows, list);
}

bool CPictureMoveEditorModel::ImportPoints(const std::string& path, std::string& status) {
    CTextFile file;
    if (!file.Read(path)) {
        status = kPointsNotLoaded + path;
        return false;
    }
    m_points.clear();
    for (const std::string& line : file.Lines()) {
        const size_t comma = line.find(',');
        if (comma == std::string::npos) continue;
        const std::string x = line.substr(0, comma), y = line.substr(comma + 1);
        // A line with a comma but no numbers (a heading, stray text) is no point either.
        if (!StartsWithNumber(x) || !StartsWithNumber(y)) continue;
        m_points.emplace_back(CSettingsStore::ParseInt(CSettingsStore::Trim(x)),
                              CSettingsStore::ParseInt(CSettingsStore::Trim(y)));
    }
    m_currentPoint = static_cast<int>(m_points.size()) - 1;
    status = kPointsLoaded + path;
    return true;
}

bool CPictureMoveEditorModel::ExportPoints(const std::string& path, std::string& status) const {
    const bool ok = WriteFlightPointFile(path, m_points);
    status = (ok ? kPointsSaved : kPointsNotSaved) + path;
    return ok;
}

bool CPictureMoveEditorModel::SavePicture(const CPicture& picture, const std::string& path,
                                          std::string& status) {
    auto copy = picture.Clone();
    const bool ok = copy && copy->SaveFile(path);
    status = (ok ? kPictureSaved : kPictureNotSaved) + path;
    return ok;
}

void CPictureMoveEditorModel::MousePress(int x, int y) {
    m_before = m_current;
    m_anchorX = x;
    m_anchorY = y;
    const PixelRect& c = m_current;
    const bool whole = c.x == 0 && c.y == 0 && c.width >= m_w - 1 && c.height >= m_h - 1;
    const bool inside = x >= c.x && x <= c.x + c.width && y >= c.y && y <= c.y + c.height;
    m_drag = (inside && !whole) ? Drag::Move : Drag::Draw;
}

void CPictureMoveEditorModel::MouseMove(int x, int y) {
    if (m_drag == Drag::Move) {
        PixelRect r = m_before;
        r.x = std::clamp(m_before.x + (x - m_anchorX), 0, std::max(m_w - r.width - 1, 0));
        r.y = std::clamp(m_before.y + (y - m_anchorY), 0, std::max(m_h - r.height - 1, 0));
        SetCurrent(r);
    } else if (m_drag == Drag::Draw) {
        const int x0 = std::clamp(std::min(x, m_anchorX), 0, m_w - 1);
        const int y0 = std::clamp(std::min(y, m_anchorY), 0, m_h - 1);
        const int x1 = std::clamp(std::max(x, m_anchorX), 0, m_w - 1);
        const int y1 = std::clamp(std::max(y, m_anchorY), 0, m_h - 1);
        SetCurrent({x0, y0, x1 - x0, y1 - y0});
    }
}

void CPictureMoveEditorModel::MouseRelease(int x, int y) {
    if (m_drag == Drag::None) return;
    MouseMove(x, y);
    const int dx = std::abs(x - m_anchorX), dy = std::abs(y - m_anchorY);
    if (m_drag == Drag::Draw && (dx < 2 || dy < 2)) SetCurrent(m_before);
    m_drag = Drag::None;
}

std::string CPictureMoveEditorModel::QualityText() const {
    return m_quality;
}

std::string CPictureMoveEditorModel::ScaleLimitText() const {
    return m_limit;
}

bool CPictureMoveEditorModel::CheckQualityValue(const char* key, const std::string& old,
                                                std::string& message) {
    std::string text;
    m_store.GetString(kProject, key, text);
    double v = 0.0;
    if (!ParseDecimalNumber(text, v)) {
        message = NotANumberMessage(text, false);
    } else if (v < kMinQuality || v > kMaxQuality) {
        message = "\"" + text + "\": the scale factors lie between 1 and 16. The previous value is kept.";
    } else {
        return true;
    }
    m_store.SetString(kProject, key, old);
    return false;
}

bool CPictureMoveEditorModel::Accept(CProjectObject& edited, std::string& message) {
    message.clear();
    if (!CheckQualityValue(kQuality, m_quality, message) || !CheckQualityValue(kScaleLimit, m_limit, message))
        return false;
    m_store.GetString(kProject, kQuality, m_quality);
    m_store.GetString(kProject, kScaleLimit, m_limit);
    edited.pictureMoveSettings =
        BothSet() ? BuildPictureMoveSettings(m_pos1, m_pos2, m_w, m_h) : m_oldSettings;
    std::string points;
    for (const auto& [x, y] : m_points) {
        points += CSettingsStore::FormatFloat(static_cast<float>(x * 100.0 / m_w)) + "|";
        points += CSettingsStore::FormatFloat(static_cast<float>(y * 100.0 / m_h)) + "|";
    }
    edited.flightPoints = points;
    edited.flightPointsColor = m_colour;
    edited.flightPointsRadius = m_radius;
    return true;
}

}  // namespace trov
