// What every command of the main window does (see MainViewCommands.h).
#include "ui/MainViewCommands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "creation/Creation.h"
#include "creation/PicturePreparation.h"
#include "effects/FadingEffectManager.h"
#include "imaging/PictureTools.h"
#include "infra/Log.h"
#include "infra/Utf16Order.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"
#include "video/AVIFrameReader.h"

namespace trov {

namespace fs = std::filesystem;

namespace {

constexpr const char* kClipboardSection = "TROV_OBJECTS";
constexpr const char* kClipboardCount = "Count";
// Frame counts and widths typed into the edits are kept within these bounds, so a typo cannot
// make a movie of days.
constexpr int kMaxFrames = 1000000;
constexpr int kMaxTextBackWidth = 1000;

std::string Format(const char* pattern, int value) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Extension(const std::string& path) {
    return Lower(fs::path(path).extension().string());
}

bool IsMediaFile(const std::string& path) {
    std::string ext = Extension(path);
    return ext == ".jpg" || ext == ".jpeg" || ext == ".bmp" || ext == ".avi";
}

bool CanRead(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    return static_cast<bool>(in);
}

std::string SectionName(int i) {
    return "PICTURE_" + std::to_string(i);
}

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

// ---- CPictureListControl ----------------------------------------------------------------------

void CPictureListControl::SetAllRows(const std::vector<PictureListRow>& rows) {
    DeleteAllRows();
    AppendRows(rows);
}

void CPictureListControl::AppendRows(const std::vector<PictureListRow>& rows) {
    int columns = std::min(GetColumnCount(), static_cast<int>(kPictureListColumnCount));
    for (const PictureListRow& row : rows) {
        int r = GetRowCount();
        InsertRow(r, row[0]);
        for (int c = 1; c < columns; ++c) SetCellText(r, c, row[static_cast<size_t>(c)]);
    }
}

// ---- CAddFilesJob ------------------------------------------------------------------------------

CAddFilesJob::CAddFilesJob(CTROVManager& manager, std::vector<std::string> paths)
    : m_manager(manager), m_paths(std::move(paths)), m_first(manager.GetObjectCount()) {
    CMessagePipelines& p = m_manager.GetPipelines();
    int n = static_cast<int>(m_paths.size());
    p.Send(pipeline::kMaxProgress, n);
    p.Send(pipeline::kMaxProgressComplete, n);
    p.Send(pipeline::kCurrentProgress, 0);
    p.Send(pipeline::kCurrentProgressComplete, 0);
}

bool CAddFilesJob::Step() {
    if (Done()) return false;
    const std::string& path = m_paths[m_next++];
    m_manager.SendStatus("Reading Information from " + path + " ...");
    if (CanRead(ResolveProjectPath(path))) {
        m_manager.AppendObject(
            CProjectObject::FromFile(path, m_manager.GetProjectSettings(), &m_manager.GetPipelines()));
        ++m_added;
    } else {
        m_skipped.push_back(path);
    }
    CMessagePipelines& p = m_manager.GetPipelines();
    p.Send(pipeline::kCurrentProgress, static_cast<int32_t>(m_next));
    p.Send(pipeline::kCurrentProgressComplete, static_cast<int32_t>(m_next));
    return true;
}

int CAddFilesJob::Finish() {
    if (m_finished) return m_added;
    while (Step()) {
    }
    m_finished = true;
    std::string status = Format(
        m_added < 2 ? "Sucessfully add %d new picture / AVI!" : "Sucessfully add %d new pictures / AVIs!",
        m_added);
    if (!m_skipped.empty()) {
        std::string unreadable = viewtext::kCanNotRead + m_skipped.front();
        if (m_skipped.size() > 1) unreadable += " (and " + std::to_string(m_skipped.size() - 1) + " more)";
        status = m_added == 0 ? unreadable : status + " " + unreadable;
    }
    m_status = status;
    m_manager.SendStatus(status);
    m_manager.RefreshProject();
    return m_added;
}

// ---- CMainViewCommands -------------------------------------------------------------------------

CMainViewCommands::CMainViewCommands(CTROVManager& manager, CPictureListControl& list,
                                     CMainViewChooser& chooser, CUserPrompt& prompt)
    : m_manager(manager), m_list(list), m_chooser(chooser), m_prompt(prompt) {
    m_guiState.SetInt(guistate::kTemp, guistate::kObjectsSelected, 0);
    m_guiState.SetInt(guistate::kGui, guistate::kDisabled, 0);
}

void CMainViewCommands::Status(const std::string& text) {
    m_manager.SendStatus(text);
}

void CMainViewCommands::SetModified(bool modified) {
    m_modified = modified;
    if (projectChanged) projectChanged();
}

void CMainViewCommands::Changed() {
    SetModified(true);
}

std::string CMainViewCommands::WindowTitle() const {
    std::string title = kProgramVersionText;
    const std::string& path = m_manager.GetProjectPath();
    if (!path.empty() || m_modified) {
        title += " - ";
        title += path.empty() ? std::string("Untitled") : FileNamePart(path);
        if (m_modified) title += "*";
    }
    return title;
}

void CMainViewCommands::SetCreationRunning(bool running) {
    m_creationRunning = running;
    m_guiState.SetInt(guistate::kGui, guistate::kDisabled, running ? 1 : 0);
    if (refreshControls) refreshControls();
}

std::string CMainViewCommands::WithUnsavedWarning(const std::string& question) const {
    if (!m_modified) return question;
    return std::string(viewtext::kUnsavedChanges) + "\r\n\r\n" + question;
}

bool CMainViewCommands::Confirm(const std::string& text, const std::string& caption) {
    return m_prompt.Ask(text, caption, PromptButtons::YesNoCancel, PromptAnswer::No) == PromptAnswer::Yes;
}

void CMainViewCommands::RefreshList() {
    std::vector<int> selected = m_list.GetSelectedRows();
    int n = m_manager.GetObjectCount();
    std::vector<PictureListRow> rows;
    rows.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) rows.push_back(PictureListRowTexts(*m_manager.GetObject(i), i));
    m_list.SetAllRows(rows);
    selected.erase(std::remove_if(selected.begin(), selected.end(), [n](int r) { return r >= n; }),
                   selected.end());
    m_list.SetSelectedRows(selected);
    if (projectChanged) projectChanged();
}

std::vector<int> CMainViewCommands::SelectedObjects() const {
    std::vector<int> objects;
    for (int row : m_list.GetSelectedRows()) {
        int index = PositionFromCell(m_list.GetCellText(row, kColPosition));
        if (index >= 0 && index < m_manager.GetObjectCount()) objects.push_back(index);
    }
    std::sort(objects.begin(), objects.end());
    objects.erase(std::unique(objects.begin(), objects.end()), objects.end());
    return objects;
}

// ---- Project menu -------------------------------------------------------------------------------

bool CMainViewCommands::ResetProject() {
    if (m_creationRunning) return false;
    if (!Confirm(viewtext::kResetQuestion, viewtext::kResetCaption)) return false;
    m_manager.ResetProject();
    m_list.SetSelectedRows({});
    RefreshList();
    SetModified(false);
    SelectionChanged();
    return true;
}

bool CMainViewCommands::OpenProject() {
    if (m_creationRunning) return false;
    if (m_modified) {
        std::string text = WithUnsavedWarning(viewtext::kOpenDiscardQuestion);
        if (!Confirm(text, viewtext::kWarningCaption)) return false;
    }
    std::vector<std::string> files = m_chooser.ChooseFilesToOpen(viewtext::kProjectFilter, false);
    if (files.empty()) return false;
    return OpenProjectFile(files.front());
}

bool CMainViewCommands::OpenProjectFile(const std::string& path) {
    if (m_creationRunning) return false;
    // A file that is no project (unreadable, or neither project settings nor entries) is refused
    // before the open project is reset, so the list stays as it was.
    CSettingsStore probe;
    if (path.empty() || !probe.Load(path) ||
        (!probe.HasSection(kProjectSettings) && !probe.HasSection(SectionName(0)))) {
        Status(viewtext::kCanNotLoadProject + path);
        return false;
    }
    if (!m_manager.LoadProject(path)) return false;
    m_list.SetSelectedRows({});
    RefreshList();
    SetModified(false);
    SelectionChanged();
    m_manager.SendStatus("Project loaded: " + m_manager.GetProjectPath());
    return true;
}

bool CMainViewCommands::SaveProject() {
    if (m_creationRunning) return false;
    std::string path = m_chooser.ChooseFileToSave(viewtext::kProjectFilter, "ini");
    if (path.empty()) return false;
    return SaveProjectFile(path);
}

bool CMainViewCommands::SaveProjectFile(const std::string& path) {
    if (!m_manager.SaveProject(path)) return false;
    SetModified(false);
    return true;
}

bool CMainViewCommands::MakeCompleteProject() {
    if (m_creationRunning || m_manager.GetObjectCount() == 0) return false;
    std::string folder = m_chooser.ChooseFolder(viewtext::kCompleteProjectTitle);
    if (folder.empty()) return false;
    std::string error;
    if (!m_manager.MakeCompleteProject(folder, error)) {
        m_prompt.Message("Make complete Project: " + error);
        return false;
    }
    RefreshList();
    SetModified(false);
    return true;
}

bool CMainViewCommands::MakePathsRelative() {
    if (m_creationRunning) return false;
    if (!m_manager.AskAndMakePathsRelative(m_prompt)) return false;
    RefreshList();
    Changed();
    return true;
}

bool CMainViewCommands::MakePathsAbsolute() {
    if (m_creationRunning) return false;
    if (!m_manager.AskAndMakePathsAbsolute(m_prompt)) return false;
    RefreshList();
    Changed();
    return true;
}

bool CMainViewCommands::SavePreviewPicture(CPicture* picture) {
    if (!picture || picture->IsEmpty()) return false;
    std::string path = m_chooser.ChooseFileToSave(viewtext::kBmpFilter, "bmp");
    if (path.empty()) return false;
    bool ok = picture->SaveFile(path);
    Status((ok ? viewtext::kPictureSaved : viewtext::kPictureNotSaved) + path);
    return ok;
}

bool CMainViewCommands::AskExit(bool batchMode) {
    if (batchMode) return true;
    PromptAnswer answer = m_prompt.Ask(WithUnsavedWarning(viewtext::kExitQuestion), viewtext::kExitCaption,
                                       PromptButtons::YesNoCancel, PromptAnswer::Yes);
    return answer == PromptAnswer::Yes;
}

// ---- Objects menu -------------------------------------------------------------------------------

int CMainViewCommands::AddPictures() {
    if (m_creationRunning) return 0;
    std::vector<std::string> files = m_chooser.ChooseFilesToOpen(viewtext::kMediaFilter, true);
    if (files.empty()) return 0;
    return AddFiles(files);
}

std::unique_ptr<CAddFilesJob> CMainViewCommands::BeginAdding(const std::vector<std::string>& paths) {
    return std::make_unique<CAddFilesJob>(m_manager, paths);
}

void CMainViewCommands::FinishAdding(CAddFilesJob& job) {
    bool any = job.Finish() > 0;
    RefreshList();
    if (any) {
        Changed();
        // The new rows become the selection, so their values show at once.
        std::vector<int> rows;
        for (int i = job.FirstIndex(); i < m_manager.GetObjectCount(); ++i) rows.push_back(i);
        m_list.SetSelectedRows(rows);
        SelectionChanged();
        // The adding's result stays in the status bar.
        Status(job.StatusText());
    }
}

int CMainViewCommands::AddFiles(const std::vector<std::string>& paths) {
    if (m_creationRunning || paths.empty()) return 0;
    std::unique_ptr<CAddFilesJob> job = BeginAdding(paths);
    job->Finish();
    FinishAdding(*job);
    return job->Added();
}

int CMainViewCommands::AddPictureDirectory() {
    if (m_creationRunning) return 0;
    std::string folder = m_chooser.ChooseFolder(viewtext::kPictureDirectoryTitle);
    if (folder.empty()) return 0;
    return AddFiles(PictureDirectoryFiles(folder));
}

std::vector<std::string> CMainViewCommands::PictureDirectoryFiles(const std::string& folder) {
    std::vector<std::string> bmp, jpg;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        std::string path = it->path().string();
        std::string ext = Extension(path);
        if (ext == ".bmp")
            bmp.push_back(path);
        else if (ext == ".jpg" || ext == ".jpeg")
            jpg.push_back(path);
    }
    auto byName = [](const std::string& a, const std::string& b) { return CompareUtf16(a, b) < 0; };
    std::sort(bmp.begin(), bmp.end(), byName);
    std::sort(jpg.begin(), jpg.end(), byName);
    bmp.insert(bmp.end(), jpg.begin(), jpg.end());
    return bmp;
}

std::vector<std::string> CMainViewCommands::DroppedFiles(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            std::vector<std::string> inFolder = PictureDirectoryFiles(path);
            files.insert(files.end(), inFolder.begin(), inFolder.end());
        } else if (IsMediaFile(path)) {
            files.push_back(path);
        }
    }
    return files;
}

bool CMainViewCommands::AddAudio() {
    if (m_creationRunning) return false;
    std::vector<int> objects = SelectedObjects();
    if (objects.empty()) {
        m_prompt.Message(viewtext::kSelectOneElement);
        return false;
    }
    std::vector<std::string> files = m_chooser.ChooseFilesToOpen(viewtext::kAudioFilter, false);
    if (files.empty()) return false;
    std::vector<int> rows = m_list.GetSelectedRows();
    m_manager.GetObject(objects.front())->audioFile = files.front();
    m_manager.RefreshProject();
    RefreshList();
    m_list.SetSelectedRows(rows);
    Changed();
    return true;
}

int CMainViewCommands::DeleteSelected() {
    if (m_creationRunning) return 0;
    std::vector<int> objects = SelectedObjects();
    int n = static_cast<int>(objects.size());
    if (n == 0) return 0;
    if (!Confirm(Format(n == 1 ? viewtext::kDeleteOne : viewtext::kDeleteMany, n), viewtext::kWarningCaption))
        return 0;
    // From the back, so the indexes still to remove stay valid.
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) m_manager.RemoveObject(*it);
    m_manager.RefreshProject();
    m_list.SetSelectedRows({});
    RefreshList();
    Changed();
    SelectionChanged();
    return n;
}

void CMainViewCommands::AddRandomFadings() {
    if (m_creationRunning) return;
    std::vector<int> objects = SelectedObjects();
    if (objects.empty()) return;
    CFadingEffectManager& effects = m_manager.GetCreation().GetEffects();
    if (effects.GetCount() == 0 || effects.AreAllDisabled()) {
        m_prompt.Message(viewtext::kAllEffectsDisabled);
        return;
    }
    for (int index : objects) {
        CFadingEffect* effect = effects.GetRandomEffect();
        if (effect) m_manager.GetObject(index)->fading2NextPictureName = effect->GetName();
    }
    RefreshList();
    Changed();
    SelectionChanged();
}

bool CMainViewCommands::ChooseFont() {
    if (m_creationRunning) return false;
    std::vector<int> objects = SelectedObjects();
    if (objects.empty()) return false;
    LogFont font = m_manager.GetObject(objects.front())->font;
    if (!m_chooser.ChooseFont(font)) return false;
    font.faceName = CutFaceName(font.faceName);
    for (int index : objects) m_manager.GetObject(index)->font = font;
    RefreshList();
    Changed();
    return true;
}

bool CMainViewCommands::ChooseTextColour(bool background) {
    if (m_creationRunning) return false;
    std::vector<int> objects = SelectedObjects();
    if (objects.empty()) return false;
    CProjectObject* first = m_manager.GetObject(objects.front());
    Colour colour = background ? first->textBackColor : first->textColor;
    if (!m_chooser.ChooseColour(colour)) return false;
    for (int index : objects) {
        CProjectObject* o = m_manager.GetObject(index);
        (background ? o->textBackColor : o->textColor) = colour;
    }
    Changed();
    if (showPreview) SelectionChanged();
    return true;
}

std::string CMainViewCommands::CopyText(const std::vector<int>& objects) const {
    CSettingsStore store;
    int n = 0;
    for (int index : objects) {
        const CProjectObject* o = m_manager.GetObject(index);
        if (!o) continue;
        o->SaveToStore(store, SectionName(n++));
    }
    store.SetInt(kClipboardSection, kClipboardCount, n);
    return store.ToText();
}

bool CMainViewCommands::CopySelected() {
    std::vector<int> objects = SelectedObjects();
    if (objects.empty()) return false;
    m_chooser.SetClipboardText(CopyText(objects));
    Status(Format(objects.size() == 1 ? "%d object copied." : "%d objects copied.",
                  static_cast<int>(objects.size())));
    return true;
}

int CMainViewCommands::PasteObjects() {
    if (m_creationRunning) return 0;
    return PasteText(m_chooser.GetClipboardText());
}

int CMainViewCommands::InsertObjectsAt(int index, std::vector<CProjectObject> objects) {
    int n = 0;
    for (CProjectObject& o : objects) m_manager.InsertObject(index + n++, std::move(o));
    return n;
}

int CMainViewCommands::PasteText(const std::string& text) {
    if (m_creationRunning) return 0;
    CSettingsStore store;
    store.FromText(text);
    int count = 0;
    if (!store.GetInt(kClipboardSection, kClipboardCount, count) || count <= 0) {
        Status(viewtext::kNothingToPaste);
        return 0;
    }
    std::vector<CProjectObject> objects;
    for (int i = 0; i < count; ++i) {
        CProjectObject o;
        if (!o.LoadFromStore(store, SectionName(i), &m_manager.GetPipelines())) break;
        objects.push_back(std::move(o));
    }
    if (objects.empty()) {
        Status(viewtext::kNothingToPaste);
        return 0;
    }
    std::vector<int> selected = SelectedObjects();
    int at = selected.empty() ? m_manager.GetObjectCount() : selected.back() + 1;
    int n = InsertObjectsAt(at, std::move(objects));
    m_manager.RefreshProject();
    RefreshList();
    std::vector<int> rows;
    for (int i = 0; i < n; ++i) rows.push_back(at + i);
    m_list.SetSelectedRows(rows);
    Changed();
    SelectionChanged();
    Status(Format(n == 1 ? "%d object pasted." : "%d objects pasted.", n));
    return n;
}

// ---- Select & Manipulate -------------------------------------------------------------------------

void CMainViewCommands::SelectAll() {
    std::vector<int> rows(static_cast<size_t>(m_list.GetRowCount()));
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int>(i);
    m_list.SetSelectedRows(rows);
    SelectionChanged();
}

void CMainViewCommands::SelectAllWithText() {
    std::vector<int> rows;
    for (int r = 0; r < m_list.GetRowCount(); ++r)
        if (!m_list.GetCellText(r, kColText).empty()) rows.push_back(r);
    m_list.SetSelectedRows(rows);
    SelectionChanged();
}

void CMainViewCommands::Rotate(int degrees) {
    if (m_creationRunning) return;
    std::vector<int> objects = SelectedObjects();
    if (objects.empty()) return;
    std::vector<int> rows = m_list.GetSelectedRows();
    m_manager.RotateSelected(objects, degrees);
    RefreshList();
    m_list.SetSelectedRows(rows);
    Changed();
    SelectionChanged();
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
        // As a still (outside a creation every entry is prepared so), through the picture cache.
        int rotation = o.IsAVI() ? 0 : o.rotation;
        picture = prep.LookupPicture(o.GetCacheName(), w, h, rotation);
        if (!picture) {
            std::unique_ptr<CPicture> raw;
            if (o.IsAVI()) {
                // Frame 0 of the clip; the previews keep a clip reader of their own (it serialises
                // its calls), apart from the creation's.
                static CAVIFrameReader clips;
                raw = clips.ReadVideoFrame(ResolveProjectPath(NativePath(o.GetFileName())), 0);
            } else {
                EntryPictureRequest load;
                load.file = o.GetFileName();
                load.projectFolder = GetProjectDirectory();
                load.rotation = o.rotation;
                load.fitWidth = w;
                load.fitHeight = h;
                raw = LoadEntryPicture(load);
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
    Status(viewtext::kCanNotRead + fileName);
}

void CMainViewCommands::PreviewDone() {
    std::string status = m_manager.GetStatusText();
    for (const char* preparing : {"Reading picture: ", "Creating picture: ", "Caching picture"})
        if (status.rfind(preparing, 0) == 0) {
            Status(viewtext::kUpdated);
            return;
        }
}

std::vector<std::string> CMainViewCommands::ThreadPriorityNames() {
    return {"Highest", "High", "Normal", "Low", "Lowest", "Idle", "Pause"};
}

void CMainViewCommands::SetThreadPriority(const std::string& name) {
    int level = PriorityLevelFromName(name);
    if (level >= 0) m_manager.GetCreation().GetWorker().SetPriority(level);
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
    Changed();
}

}  // namespace trov
