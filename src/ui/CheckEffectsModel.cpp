// The check effects dialog's logic (see the header).
#include "ui/CheckEffectsModel.h"

#include <algorithm>
#include <cmath>

#include "creation/TROVManager.h"
#include "effects/FadingEffect.h"
#include "effects/FadingEffectManager.h"
#include "settings/SettingsStore.h"
#include "ui/FadingPreviewMaker.h"
#include "ui/MainViewCommands.h"

namespace trov {

CCheckEffectsModel::CCheckEffectsModel(CFadingEffectManager& effects, CSettingsStore& settings,
                                       double frameRate)
    : m_effects(effects), m_settings(settings), m_frameRate(frameRate), m_names(effects.GetNames()) {}

CCheckEffectsModel::~CCheckEffectsModel() {
    Stop();
}

void CCheckEffectsModel::SetPictures(std::unique_ptr<CDibPicture> a, std::unique_ptr<CDibPicture> b,
                                     int frames) {
    // The running effect borrows the old pictures: it ends before they go.
    Stop();
    m_a = std::move(a);
    m_b = std::move(b);
    m_frames = std::max(1, frames);
    m_frame = 0;
    m_restart = true;
}

void CCheckEffectsModel::UseBuiltInPictures(int width, int height) {
    m_entry = -1;
    SetPictures(MakeRampPictureA(width, height), MakeRampPictureB(width, height),
                checkeffects::kDefaultFrames);
}

bool CCheckEffectsModel::OpenForEntry(CMainViewCommands& commands) {
    const std::vector<int> selected = commands.SelectedObjects();
    if (selected.empty()) {
        commands.Status(checkeffects::kSelectPicture);
        return false;
    }
    const int index = selected.front();
    CTROVManager& manager = commands.GetManager();
    if (index + 1 >= manager.GetObjectCount()) {
        commands.Status(checkeffects::kLastPicture);
        return false;
    }
    std::unique_ptr<CDibPicture> pictures[2];
    for (int i = 0; i < 2; ++i) {
        CMainViewCommands::PreviewRequest request;
        if (!commands.MakePreviewRequest(index + i, request)) return false;
        // The transition runs between the pictures themselves; captions come and go before it.
        request.withCaption = false;
        pictures[i] = CMainViewCommands::PreparePreviewPicture(commands.GetPicturePreparation(), request);
        if (!pictures[i]) {
            commands.PreviewFailed(request.object.GetFileName());
            return false;
        }
    }
    const CProjectObject& object = *manager.GetObject(index);
    SetPictures(std::move(pictures[0]), std::move(pictures[1]), object.fade2NextPicture);
    m_entry = index;
    Select(object.fading2NextPictureName);
    return true;
}

bool CCheckEffectsModel::Select(const std::string& name) {
    if (!m_effects.Find(name)) return false;
    m_selected = name;
    m_restart = true;
    return true;
}

CFadingEffect* CCheckEffectsModel::Current() const {
    return m_selected.empty() ? nullptr : m_effects.Find(m_selected);
}

const CDibPicture* CCheckEffectsModel::Step() {
    CFadingEffect* effect = Current();
    if (!effect || !m_a || !m_b) return nullptr;
    if (m_restart || m_running != effect || m_frame >= m_frames) {
        if (m_running) m_running->End();
        effect->Init(m_a.get(), m_b.get(), m_frames);
        m_running = effect;
        m_frame = 0;
        m_restart = false;
    }
    CDibPicture* frame = effect->NextFrame();
    if (!frame) {
        // The effect ended early: the next step starts it again.
        m_restart = true;
        return nullptr;
    }
    ++m_frame;
    return frame;
}

bool CCheckEffectsModel::IsDisabled() const {
    return m_effects.IsDisabled(Current());
}

void CCheckEffectsModel::SetDisabled(bool disabled) {
    if (m_selected.empty()) return;
    m_settings.SetInt(checkeffects::kExcludedSection, m_selected, disabled ? 1 : 0);
}

std::string CCheckEffectsModel::AboutText() const {
    const CFadingEffect* effect = Current();
    if (!effect) return {};
    return effect->GetName() + "\r\n\r\n" + "Author: " + effect->GetAuthor() + "\r\n" +
           "Version: " + effect->GetVersion();
}

int CCheckEffectsModel::StepIntervalMs() const {
    if (!(m_frameRate > 0.0) || !std::isfinite(m_frameRate)) return 40;
    return std::max(1, static_cast<int>(std::lround(1000.0 / m_frameRate)));
}

bool CCheckEffectsModel::UseForEntry(CMainViewCommands& commands) {
    if (!IsForEntry() || m_selected.empty()) return false;
    Stop();
    CProjectObject* object = commands.GetManager().GetObject(m_entry);
    if (!object) return false;
    object->fading2NextPictureName = m_selected;
    commands.SetModified(true);
    commands.RefreshList();
    commands.SelectionChanged();
    return true;
}

void CCheckEffectsModel::Stop() {
    if (m_running) m_running->End();
    m_running = nullptr;
    m_restart = true;
}

void CCheckEffectsModel::Closed(CTROVManager& manager) {
    Stop();
    manager.SaveAppSettings();
    manager.SendStatus(checkeffects::kWaiting);
}

}  // namespace trov
