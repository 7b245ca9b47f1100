// The audio settings dialog's scratch store and its commands.
#include "ui/AudioSettingsModel.h"

#include <filesystem>
#include <system_error>

#include "audio/WaveFile.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"

namespace trov {

namespace as = audiosettings;

int MillisecondsPerFrame(const CSettingsStore& projectSettings) {
    int fps = 25;
    projectSettings.GetInt(kProjectSettings, projkey::kFramesPerSeconds, fps);
    if (fps < 1) fps = 25;
    return 1000 / fps;
}

CAudioSettingsModel::CAudioSettingsModel(CTROVManager& manager, int index)
    : m_manager(manager), m_index(index) {
    const CProjectObject* o = manager.GetObject(index);
    if (!o) return;
    m_valid = true;
    if (const CProjectObject* previous = manager.GetObject(index - 1))
        m_previousTransition = previous->fade2NextPicture;
    m_scratch.SetString(as::kObject, objkey::kAudioFile, o->audioFile);
    m_scratch.SetInt(as::kObject, objkey::kAudioStartTime, o->audioStartTime);
    m_scratch.SetInt(as::kObject, objkey::kNormalizeAudio, o->normalizeAudio == 1 ? 1 : 0);
    m_scratch.SetInt(as::kObject, objkey::kLoopAudio, o->loopAudio ? 1 : 0);
    m_scratch.SetInt(as::kObject, objkey::kAudioFadingTime, o->audioFadingTime);
    m_scratch.SetInt(as::kObject, objkey::kSynchronizeFF2NP, o->synchronizeFF2NP == 1 ? 1 : 0);
    m_scratch.SetInt(as::kObject, objkey::kFadeOption, o->fadeOption);
    SetFadeOption(o->fadeOption);
    DerivedEntries();
}

void CAudioSettingsModel::Bind(CSettingsWndCommunicator& binder,
                               const std::function<CWindowControl*(AudioControl)>& controlFor) {
    binder.SetSettings(&m_scratch);
    auto add = [&](AudioControl c, const char* section, const char* key, int kind) {
        if (CWindowControl* control = controlFor(c)) binder.AddBinding(control, section, key, kind);
    };
    auto addEnable = [&](AudioControl c, const char* section, const char* key) {
        if (CWindowControl* control = controlFor(c))
            binder.AddBinding(control, section, key, "0", kBindEnableIfEqual);
    };
    add(AudioControl::FileBox, as::kObject, objkey::kAudioFile, kBindText);
    add(AudioControl::StartTimeBox, as::kObject, objkey::kAudioStartTime, kBindText);
    add(AudioControl::Normalize, as::kObject, objkey::kNormalizeAudio, kBindCheck);
    add(AudioControl::Loop, as::kObject, objkey::kLoopAudio, kBindCheck);
    add(AudioControl::FadingTimeBox, as::kObject, objkey::kAudioFadingTime, kBindText);
    add(AudioControl::Synchronize, as::kObject, objkey::kSynchronizeFF2NP, kBindCheck);
    add(AudioControl::Option1, as::kFadeOption, as::kOption[0], kBindCheck);
    add(AudioControl::Option2, as::kFadeOption, as::kOption[1], kBindCheck);
    add(AudioControl::Option3, as::kFadeOption, as::kOption[2], kBindCheck);
    addEnable(AudioControl::FadingTimeBox, as::kObject, objkey::kSynchronizeFF2NP);
    addEnable(AudioControl::FadingTimeLabel, as::kObject, objkey::kSynchronizeFF2NP);
    addEnable(AudioControl::PlayExample, as::kFadeOption, as::kDisableGUI);
}

const std::vector<NumberField>& CAudioSettingsModel::NumberFields() {
    // Up to 24 hours of audio.
    static const std::vector<NumberField> fields{
        {as::kObject, objkey::kAudioStartTime, "Start Time (in milliseconds):", false, 0, 86400000},
        {as::kObject, objkey::kAudioFadingTime, "Fading Time (in milliseconds):", false, 0, 86400000},
    };
    return fields;
}

std::string CAudioSettingsModel::ReadControls(CSettingsWndCommunicator& binder) {
    CSettingsStore before = m_scratch;
    binder.UpdateAllSettings();
    std::string refused = RefuseBadNumbers(m_scratch, before, NumberFields());
    // The option buttons are exclusive in the window; the mirror decides when more than one is read.
    SetFadeOption(GetFadeOption());
    DerivedEntries();
    return refused;
}

void CAudioSettingsModel::SetFadeOption(int option) {
    for (int i = 0; i < 3; ++i) m_scratch.SetInt(as::kFadeOption, as::kOption[i], option == i + 1 ? 1 : 0);
}

int CAudioSettingsModel::GetFadeOption() const {
    for (int i = 0; i < 3; ++i) {
        int on = 0;
        if (m_scratch.GetInt(as::kFadeOption, as::kOption[i], on) && on == 1) return i + 1;
    }
    return kFadeNone;
}

void CAudioSettingsModel::SetSynchronize(bool on) {
    m_scratch.SetInt(as::kObject, objkey::kSynchronizeFF2NP, on ? 1 : 0);
    DerivedEntries();
}

void CAudioSettingsModel::Reset() {
    const CProjectObject defaults;
    m_scratch.SetString(as::kObject, objkey::kAudioFile, defaults.audioFile);
    m_scratch.SetInt(as::kObject, objkey::kAudioStartTime, defaults.audioStartTime);
    m_scratch.SetInt(as::kObject, objkey::kNormalizeAudio, defaults.normalizeAudio);
    m_scratch.SetInt(as::kObject, objkey::kLoopAudio, defaults.loopAudio ? 1 : 0);
    m_scratch.SetInt(as::kObject, objkey::kAudioFadingTime, defaults.audioFadingTime);
    m_scratch.SetInt(as::kObject, objkey::kSynchronizeFF2NP, defaults.synchronizeFF2NP);
    SetFadeOption(defaults.fadeOption);
    DerivedEntries();
}

void CAudioSettingsModel::Browse(const std::string& path) {
    if (path.empty()) return;
    Reset();
    m_scratch.SetString(as::kObject, objkey::kAudioFile, path);
    DerivedEntries();
}

// The entries that follow from others: the synchronised fading time and the play button's state.
void CAudioSettingsModel::DerivedEntries() {
    int sync = 0;
    m_scratch.GetInt(as::kObject, objkey::kSynchronizeFF2NP, sync);
    if (sync == 1 && m_previousTransition >= 0)
        m_scratch.SetInt(as::kObject, objkey::kAudioFadingTime,
                         MillisecondsPerFrame(m_manager.GetProjectSettings()) * m_previousTransition);
    m_scratch.SetInt(as::kFadeOption, as::kDisableGUI, GetAudioFile().empty() ? 1 : 0);
}

std::string CAudioSettingsModel::GetAudioFile() const {
    std::string file;
    m_scratch.GetString(as::kObject, objkey::kAudioFile, file);
    return file;
}

int CAudioSettingsModel::GetStartTime() const {
    int v = 0;
    m_scratch.GetInt(as::kObject, objkey::kAudioStartTime, v);
    return v;
}

bool CAudioSettingsModel::GetLoop() const {
    int v = 0;
    m_scratch.GetInt(as::kObject, objkey::kLoopAudio, v);
    return v == 1;
}

int CAudioSettingsModel::GetFadingTime() const {
    int v = 0;
    m_scratch.GetInt(as::kObject, objkey::kAudioFadingTime, v);
    return v;
}

std::string CAudioSettingsModel::PlayShortExample(CSoundOutput& output) {
    const std::string file = GetAudioFile();
    if (file.empty()) return "No audio file chosen: nothing to play.";
    const std::string path = ResolveProjectPath(NativePath(file));
    CWaveFile probe;
    if (!probe.Open(path)) return "Can not play " + file + ": it does not open as a WAV file.";
    probe.Close();
    const std::string temp = m_manager.GetTempDirectory();
    std::error_code ec;
    std::filesystem::create_directories(temp, ec);
    if (PlayAudioEntryPreview(path, GetStartTime(), GetLoop(), temp, output))
        return "Played 2 seconds of " + file + " from " + std::to_string(GetStartTime()) + " ms.";
    std::string why;
    if (auto* alsa = dynamic_cast<CAlsaSoundOutput*>(&output)) why = alsa->GetLastError();
    return "No sound device could play the short example" +
           (why.empty() ? std::string(".") : " (" + why + ").");
}

bool CAudioSettingsModel::Accept(CUserPrompt& prompt) {
    CProjectObject* o = m_manager.GetObject(m_index);
    if (!o) return false;
    const std::string file = GetAudioFile();
    if (!file.empty() && !ValidateAudioEntryFile(ResolveProjectPath(NativePath(file)), &prompt)) return false;
    int v = 0;
    o->audioFile = file;
    o->audioStartTime = GetStartTime();
    m_scratch.GetInt(as::kObject, objkey::kNormalizeAudio, v);
    o->normalizeAudio = v == 1 ? 1 : 0;
    o->loopAudio = GetLoop();
    o->audioFadingTime = GetFadingTime();
    v = 0;
    m_scratch.GetInt(as::kObject, objkey::kSynchronizeFF2NP, v);
    o->synchronizeFF2NP = v == 1 ? 1 : 0;
    o->fadeOption = GetFadeOption();
    m_manager.RefreshProject();
    return true;
}

}  // namespace trov
