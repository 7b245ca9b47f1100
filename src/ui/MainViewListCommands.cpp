// The main window's list: sorting, moving entries, the selection and its previews, and the edits
// of the selected entries.
#include <algorithm>

#include "creation/Creation.h"
#include "creation/PicturePreparation.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"
#include "ui/MainViewCommands.h"
#include "ui/MainViewCommandsInternal.h"
#include "video/AVIFrameReader.h"

namespace trov {

using mainview::CanRead;

namespace {

// Frame counts and widths typed into the edits are kept within these bounds, so a typo cannot
// make a movie of days.
constexpr int kMaxFrames = 1000000;
constexpr int kMaxTextBackWidth = 1000;

int Clamp(int value, int low, int high) {
    return std::min(std::max(value, low), high);
}

}  // namespace

const char* EditFieldSection(EditField field) {
    switch (field) {
        case EditField::TextFadeIn:
            return guistate::kTextFadeIn;
        case EditField::ShowPicture:
            return guistate::kShowPicture;
        case EditField::TextFadeOut:
            return guistate::kTextFadeOut;
        case EditField::Fade2NextPicture:
            return guistate::kFade2NextPicture;
        case EditField::TextBackWidth:
            return guistate::kTextBackWidth;
        case EditField::PictureText:
            return guistate::kPictureText;
        case EditField::FadingEffect:
            return guistate::kFadingName;
    }
    return guistate::kTextFadeIn;
}

int PositionFromCell(const std::string& text) {
    if (text.empty()) return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        if (value > 100000000) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// ---- the list ----------------------------------------------------------------------------------

bool CMainViewCommands::HeaderClicked(int column) {
    if (m_creationRunning) return false;
    if (column != kColFileName && column != kColText) {
        Status(viewtext::kSortNotPossible);
        return false;
    }
    bool byNames = column == kColFileName;
    if (!Confirm(byNames ? viewtext::kSortNamesQuestion : viewtext::kSortTextQuestion,
                 viewtext::kSortCaption))
        return false;
    m_list.SetSelectedRows({});
    SelectionChanged();
    // The sort's own status comes last.
    m_manager.SortProject(byNames ? SortProjectBy::Names : SortProjectBy::Text);
    RefreshList();
    Changed();
    return true;
}

void CMainViewCommands::SetOption(const char* key, bool on) {
    m_manager.GetAppSettings().SetInt(kTrovSettings, key, on ? 1 : 0);
    m_manager.SaveAppSettings();
    if (std::string(key) != appkey::kMovePicturePosition) SelectionChanged();
}

bool CMainViewCommands::GetOption(const char* key) const {
    int value = 0;
    m_manager.GetAppSettings().GetInt(kTrovSettings, key, value);
    return value == 1;
}

bool CMainViewCommands::CanMove() const {
    return !m_creationRunning && GetOption(appkey::kMovePicturePosition);
}

bool CMainViewCommands::MoveSelected(int direction) {
    if (m_creationRunning) return false;
    if (!CanMove()) {
        Status(viewtext::kMoveLocked);
        return false;
    }
    std::vector<int> selected = SelectedObjects();
    int n = m_manager.GetObjectCount();
    if (selected.empty() || n < 2) return false;
    std::vector<bool> isSelected(static_cast<size_t>(n), false);
    for (int i : selected) isSelected[static_cast<size_t>(i)] = true;

    // order[new position] = old position.
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
    switch (direction) {
        case kMoveUp:
            // Each selected row swaps with the row above, unless that one is selected and stuck.
            for (int i = 1; i < n; ++i)
                if (isSelected[static_cast<size_t>(order[static_cast<size_t>(i)])] &&
                    !isSelected[static_cast<size_t>(order[static_cast<size_t>(i - 1)])])
                    std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(i - 1)]);
            break;
        case kMoveDown:
            for (int i = n - 2; i >= 0; --i)
                if (isSelected[static_cast<size_t>(order[static_cast<size_t>(i)])] &&
                    !isSelected[static_cast<size_t>(order[static_cast<size_t>(i + 1)])])
                    std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(i + 1)]);
            break;
        case kMoveToFirst:
        case kMoveToEnd: {
            std::vector<int> chosen, rest;
            for (int i = 0; i < n; ++i) (isSelected[static_cast<size_t>(i)] ? chosen : rest).push_back(i);
            order = direction == kMoveToFirst ? chosen : rest;
            const std::vector<int>& tail = direction == kMoveToFirst ? rest : chosen;
            order.insert(order.end(), tail.begin(), tail.end());
            break;
        }
        default:
            return false;
    }
    bool moved = false;
    // Apply the order with single moves; `current` mirrors the project's order of old positions.
    std::vector<int> current(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) current[static_cast<size_t>(i)] = i;
    std::vector<int> newSelection;
    for (int target = 0; target < n; ++target) {
        int old = order[static_cast<size_t>(target)];
        int at = static_cast<int>(std::find(current.begin() + target, current.end(), old) - current.begin());
        if (at != target) {
            m_manager.MoveObject(at, target);
            current.erase(current.begin() + at);
            current.insert(current.begin() + target, old);
            moved = true;
        }
        if (isSelected[static_cast<size_t>(old)]) newSelection.push_back(target);
    }
    if (!moved) return false;
    m_manager.RefreshProject();
    RefreshList();
    m_list.SetSelectedRows(newSelection);
    Changed();
    return true;
}

void CMainViewCommands::ClearSelectionState() {
    for (const char* section :
         {guistate::kTextFadeIn, guistate::kShowPicture, guistate::kTextFadeOut, guistate::kFade2NextPicture,
          guistate::kTextBackWidth, guistate::kPictureText})
        m_guiState.SetString(section, guistate::kValue, "");
    // The effect box keeps its entry: an empty text would select its first effect.
    m_guiState.RemoveSection(guistate::kFadingName);
}

void CMainViewCommands::SelectionChanged() {
    std::vector<int> objects = SelectedObjects();
    bool previewOn = false;
    m_manager.GetAppSettings().GetBool(kTrovSettings, appkey::kShowPreview, previewOn);
    bool readable = true;
    const CProjectObject* first = objects.empty() ? nullptr : m_manager.GetObject(objects.front());
    if (showPreview) {
        bool shown = showPreview(first && previewOn ? objects.front() : -1);
        if (first && previewOn) readable = shown;
    }
    if (first && !previewOn && !first->IsColorFade())
        readable = CanRead(ResolveProjectPath(NativePath(first->GetFileName())));

    int disabled = m_creationRunning ? 1 : 0;
    if (!first) {
        ClearSelectionState();
        m_guiState.SetInt(guistate::kTemp, guistate::kObjectsSelected, 0);
    } else {
        m_guiState.SetInt(guistate::kTextFadeIn, guistate::kValue, first->textFadeIn);
        m_guiState.SetInt(guistate::kShowPicture, guistate::kValue, first->showPicture);
        m_guiState.SetInt(guistate::kTextFadeOut, guistate::kValue, first->textFadeOut);
        m_guiState.SetInt(guistate::kFade2NextPicture, guistate::kValue, first->fade2NextPicture);
        m_guiState.SetInt(guistate::kTextBackWidth, guistate::kValue, first->textBackWidth);
        m_guiState.SetString(guistate::kPictureText, guistate::kValue, first->pictureText);
        m_guiState.SetString(guistate::kFadingName, guistate::kValue, first->fading2NextPictureName);
        m_guiState.SetInt(guistate::kTemp, guistate::kObjectsSelected, 1);
    }
    m_guiState.SetInt(guistate::kGui, guistate::kDisabled, disabled);
    if (m_creationRunning) return;
    if (refreshControls) refreshControls();
    if (first && !readable)
        Status(viewtext::kCanNotRead + first->GetFileName());
    else
        Status(viewtext::kUpdated);
}

void CMainViewCommands::DoubleClick(int row) {
    if (m_creationRunning) return;
    int index = PositionFromCell(m_list.GetCellText(row, kColPosition));
    CProjectObject* o = m_manager.GetObject(index);
    if (!o) return;
    if (o->IsColorFade()) {
        Colour colour = o->colorFadeColorRef;
        if (!m_chooser.ChooseColour(colour)) return;
        o->colorFadeColorRef = colour;
        RefreshList();
        m_list.SetSelectedRows({row});
        Changed();
        SelectionChanged();
        return;
    }
    if (o->panoramaScrolling || o->pictureMove) {
        if (openMotionSettings && openMotionSettings(index)) {
            RefreshList();
            Changed();
        }
        return;
    }
    Status(viewtext::kDoubleClickOnly);
}

void CMainViewCommands::MovieSize(int& width, int& height) const {
    width = 640, height = 480;
    int w = 0, h = 0;
    const CSettingsStore& project = m_manager.GetProjectSettings();
    if (project.GetInt(kProjectSettings, projkey::kMovieSizeX, w) &&
        project.GetInt(kProjectSettings, projkey::kMovieSizeY, h) && w >= 16 && h >= 16 && w <= 8192 &&
        h <= 8192) {
        width = w;
        height = h;
    }
}

bool CMainViewCommands::AppliesExifOrientation() const {
    int apply = 0;
    return m_manager.GetProjectSettings().GetInt(kProjectSettings, projkey::kApplyExifOrientation, apply) &&
           apply == 1;
}

bool CMainViewCommands::MakePreviewRequest(int index, PreviewRequest& request) const {
    const CProjectObject* o = m_manager.GetObject(index);
    if (!o) return false;
    request.object = *o;
    MovieSize(request.width, request.height);
    request.quality = m_manager.GetQuality();
    request.withCaption = GetOption(appkey::kFullPreview) && !o->pictureText.empty();
    return true;
}

CPicturePreparation& CMainViewCommands::GetPicturePreparation() {
    return m_manager.GetCreation().GetPicturePreparation();
}

std::unique_ptr<CDibPicture> CMainViewCommands::PreparePreviewPicture(CPicturePreparation& prep,
                                                                      const PreviewRequest& r) {
    const CProjectObject& o = r.object;
    const int w = r.width, h = r.height;
    CPictureTools tools;
    std::unique_ptr<CDibPicture> picture;
    if (o.IsColorFade()) {
        picture = tools.CreatePicture(w, h, o.colorFadeColorRef);
    } else {
        // As a still (outside a creation every entry is prepared so), through the picture cache,
        // under the name and turned as the creation prepares it (EXIF orientation included).
        int rotation = o.IsAVI() ? 0 : o.rotation;
        picture = prep.LookupPicture(prep.PictureName(o), w, h, rotation);
        if (!picture) {
            std::unique_ptr<CPicture> raw;
            if (o.IsAVI()) {
                // Frame 0 of the clip; the previews keep a clip reader of their own (it serialises
                // its calls), apart from the creation's.
                static CAVIFrameReader clips;
                raw = clips.ReadVideoFrame(ResolveProjectPath(NativePath(o.GetFileName())), 0);
            } else {
                raw = prep.LoadObjectPicture(o, w, h);
            }
            if (!raw || raw->IsEmpty()) return nullptr;
            picture = prep.FinishStill(o, *raw, w, h, r.quality);
        }
    }
    if (picture && r.withCaption) {
        CaptionSettings caption;
        caption.text = o.pictureText;
        caption.textColour = o.textColor;
        caption.backColour = o.textBackColor;
        caption.backWidth = o.textBackWidth;
        LogFont font = o.font;
        tools.DrawCaption(picture.get(), &caption, &font, o.textPosition);
    }
    return picture;
}

std::unique_ptr<CDibPicture> CMainViewCommands::PreviewPicture(int index) {
    PreviewRequest request;
    if (!MakePreviewRequest(index, request)) return nullptr;
    return PreparePreviewPicture(GetPicturePreparation(), request);
}

void CMainViewCommands::PreviewFailed(const std::string& fileName) {
    ClearCurrentProgress();
    Status(viewtext::kCanNotRead + fileName);
}

void CMainViewCommands::PreviewDone() {
    // The preparation's resize moved the bar on the loader's thread; the picture is shown now.
    ClearCurrentProgress();
    std::string status = m_manager.GetStatusText();
    for (const char* preparing : {"Reading picture: ", "Creating picture: ", "Caching picture"})
        if (status.rfind(preparing, 0) == 0) {
            Status(viewtext::kUpdated);
            return;
        }
}

void CMainViewCommands::Update(EditField field) {
    if (m_creationRunning) return;
    if (readControls) readControls();
    std::string value;
    m_guiState.GetString(EditFieldSection(field), guistate::kValue, value);
    std::vector<int> objects = SelectedObjects();
    if (objects.empty()) return;
    int number = CSettingsStore::ParseInt(value);
    bool isNumber = field != EditField::PictureText && field != EditField::FadingEffect;
    if (isNumber) {
        std::string_view trimmed = CSettingsStore::Trim(value);
        bool digits = !trimmed.empty() && std::all_of(trimmed.begin(), trimmed.end(), [](char c) {
            return (c >= '0' && c <= '9') || c == '-' || c == '+';
        });
        if (!digits) {
            Status("Please enter a number: " + value);
            return;
        }
    }
    for (int index : objects) {
        CProjectObject* o = m_manager.GetObject(index);
        switch (field) {
            case EditField::TextFadeIn:
                o->textFadeIn = Clamp(number, 0, kMaxFrames);
                break;
            case EditField::ShowPicture:
                o->showPicture = Clamp(number, 0, kMaxFrames);
                break;
            case EditField::TextFadeOut:
                o->textFadeOut = Clamp(number, 0, kMaxFrames);
                break;
            case EditField::Fade2NextPicture:
                o->fade2NextPicture = Clamp(number, 0, kMaxFrames);
                break;
            case EditField::TextBackWidth:
                o->textBackWidth = Clamp(number, 0, kMaxTextBackWidth);
                break;
            case EditField::PictureText:
                o->pictureText = value;
                break;
            case EditField::FadingEffect:
                if (!value.empty()) o->fading2NextPictureName = value;
                break;
        }
    }
    std::vector<int> rows = m_list.GetSelectedRows();
    m_manager.RefreshProject();
    RefreshList();
    m_list.SetSelectedRows(rows);
    // Rebuilding the rows passed through an empty selection (a window list reports it), which
    // cleared the fields and locked the Update buttons; the selection's state comes back here.
    SelectionChanged();
    Changed();
}

}  // namespace trov
