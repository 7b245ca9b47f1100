// The objects menu of the main window: adding, deleting, copying and pasting entries, fonts and
// colours, selecting and rotating.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "creation/Creation.h"
#include "effects/FadingEffectManager.h"
#include "imaging/PictureTools.h"
#include "infra/Utf16Order.h"
#include "project/ProjectPaths.h"
#include "ui/MainViewCommands.h"
#include "ui/MainViewCommandsInternal.h"

namespace trov {

using mainview::CanRead;
using mainview::SectionName;

namespace fs = std::filesystem;

namespace {

constexpr const char* kClipboardSection = "TROV_OBJECTS";
constexpr const char* kClipboardCount = "Count";

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

}  // namespace

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
    ClearCurrentProgress();
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
    // The rebuilt rows passed through an empty selection; its state (fields, buttons) comes back.
    SelectionChanged();
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
    std::vector<int> rows = m_list.GetSelectedRows();
    for (int index : objects) m_manager.GetObject(index)->font = font;
    RefreshList();
    m_list.SetSelectedRows(rows);
    Changed();
    // The rebuilt rows passed through an empty selection; its state (fields, buttons) comes back.
    SelectionChanged();
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

}  // namespace trov
