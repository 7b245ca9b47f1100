// What every command of the main window does (see MainViewCommands.h): the window's state, the
// project menu and the worker's priority. The objects menu is in MainViewObjectCommands.cpp, the
// list, the previews and the entry edits are in MainViewListCommands.cpp.
#include "ui/MainViewCommands.h"

#include <algorithm>

#include "creation/Creation.h"
#include "infra/Log.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"
#include "ui/MainViewCommandsInternal.h"

namespace trov {

using mainview::SectionName;

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

void CMainViewCommands::ClearCurrentProgress() {
    m_manager.GetPipelines().Send(pipeline::kCurrentProgress, 0);
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
    RefreshList(m_list.GetSelectedRows());
}

void CMainViewCommands::RefreshList(std::vector<int> selected) {
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
    ClearCurrentProgress();
    return true;
}

bool CMainViewCommands::SaveProject() {
    if (m_creationRunning) return false;
    std::string path = m_chooser.ChooseFileToSave(viewtext::kProjectFilter, "ini");
    if (path.empty()) return false;
    return SaveProjectFile(path);
}

bool CMainViewCommands::SaveProjectFile(const std::string& path) {
    const bool saved = m_manager.SaveProject(path);
    ClearCurrentProgress();
    if (!saved) return false;
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

// ---- the worker ----------------------------------------------------------------------------------

std::vector<std::string> CMainViewCommands::ThreadPriorityNames() {
    return {"Highest", "High", "Normal", "Low", "Lowest", "Idle", "Pause"};
}

void CMainViewCommands::SetThreadPriority(const std::string& name) {
    int level = PriorityLevelFromName(name);
    if (level >= 0) m_manager.GetCreation().GetWorker().SetPriority(level);
}

}  // namespace trov
