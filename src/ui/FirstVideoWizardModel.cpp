// The first-video wizard's loop and page actions (see the header).
#include "ui/FirstVideoWizardModel.h"

#include <algorithm>
#include <climits>

#include "creation/TROVManager.h"
#include "settings/ApplicationSettings.h"
#include "settings/SettingsStore.h"
#include "ui/MainViewCommands.h"

namespace trov {

namespace {

struct PageNames {
    const char* section;
    const char* category;
};
constexpr PageNames kPages[kWizardPageCount] = {
    {"WIZARD_01_DLG_INFORMATION", "Wizard_01_Dlg_Information"},
    {"WIZARD_01_DLG_01", "Wizard_01_Dlg_01"},
    {"WIZARD_01_DLG_02", "Wizard_01_Dlg_02"},
    {"WIZARD_01_DLG_03", "Wizard_01_Dlg_03"},
    {"WIZARD_01_DLG_FINISH", "Wizard_01_Dlg_Finish"},
};

}  // namespace

const char* WizardPageSection(int page) {
    return page >= 0 && page < kWizardPageCount ? kPages[page].section : "";
}

const char* WizardPageCategory(int page) {
    return page >= 0 && page < kWizardPageCount ? kPages[page].category : "";
}

CFirstVideoWizardModel::CFirstVideoWizardModel(CMainViewCommands& commands) : m_commands(commands) {}

bool CFirstVideoWizardModel::Run(const std::function<int(int page)>& showPage,
                                 const std::function<void()>& startCreation) {
    int page = kWizardWelcome;
    while (page >= 0 && page < kWizardPageCount) {
        const int code = showPage(page);
        if (code == kWizardNext) {
            ++page;
        } else if (code == kWizardBack) {
            page = std::max(0, page - 1);
        } else if (code == kWizardNextAndCreate) {
            // The pages are closed before the creation starts: it runs as from the button.
            if (startCreation) startCreation();
            return true;
        } else {
            return false;
        }
    }
    return false;
}

int CFirstVideoWizardModel::AddPictures() {
    if (m_commands.IsCreationRunning()) return 0;
    std::vector<std::string> files = m_commands.Chooser().ChooseFilesToOpen(viewtext::kMediaFilter, true);
    if (files.empty()) return 0;
    // "Reset" without its question: the wizard builds a new project from these files.
    CTROVManager& manager = m_commands.GetManager();
    manager.ResetProject();
    m_commands.RefreshList();
    m_commands.SetModified(false);
    int added = m_commands.AddFiles(files);
    if (added > 0) {
        m_picturesAdded = true;
        m_commands.RefreshList();  // the totals
        m_commands.SelectAll();
        // The page promises a fading effect between two pictures: without one the creation
        // would refuse every new entry.
        m_commands.AddRandomFadings();
    } else {
        m_picturesAdded = false;
    }
    if (m_commands.projectChanged) m_commands.projectChanged();
    return added;
}

bool CFirstVideoWizardModel::CanLeavePictures() const {
    return m_picturesAdded && m_commands.GetManager().GetObjectCount() > 0;
}

int CFirstVideoWizardModel::FramesForSeconds(int seconds) const {
    int fps = 1;
    if (!m_commands.GetManager().GetProjectSettings().GetInt(kProjectSettings, projkey::kFramesPerSeconds,
                                                             fps))
        fps = 1;
    long long frames = static_cast<long long>(seconds) * fps;
    return static_cast<int>(std::clamp<long long>(frames, 0, kMaxFrameCount));
}

bool CFirstVideoWizardModel::ApplySeconds(const std::string& secondsText, std::string& error) {
    std::string_view t = CSettingsStore::Trim(secondsText);
    bool digits = !t.empty() && t.size() <= 9 &&
                  std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
        error = wizardtext::kWholeSeconds;
        return false;
    }
    error.clear();
    const int frames = FramesForSeconds(CSettingsStore::ParseInt(std::string(t)));
    CSettingsStore& state = m_commands.GetGuiState();
    state.SetString(EditFieldSection(EditField::ShowPicture), guistate::kValue, std::to_string(frames));
    // The number goes into the box first, so that the Update button reads it from there.
    if (m_commands.refreshControls) m_commands.refreshControls();
    m_commands.Update(EditField::ShowPicture);
    if (m_commands.projectChanged) m_commands.projectChanged();
    return true;
}

std::string CFirstVideoWizardModel::BrowseOutput() {
    std::string path = m_commands.Chooser().ChooseFileToSave(wizardtext::kAviFilter, wizardtext::kAviSuffix);
    if (path.empty()) return {};
    m_commands.GetManager().GetProjectSettings().SetString(kProjectSettings, projkey::kOutputAVI, path);
    m_commands.SetModified(true);
    if (m_commands.projectChanged) m_commands.projectChanged();
    return path;
}

std::string CFirstVideoWizardModel::OutputPath() const {
    std::string path;
    m_commands.GetManager().GetProjectSettings().GetString(kProjectSettings, projkey::kOutputAVI, path);
    return path;
}

}  // namespace trov
