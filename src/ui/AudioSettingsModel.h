// What the audio settings dialog edits: the audio fields of one object in a scratch store
// ("OBJECT" and the fade-option mirror "FADE_OPTION"), Browse, Reset, synchronising the fading
// time, the short example, and the checks before the fields go back into the object.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "audio/SoundPlayer.h"
#include "creation/TROVManager.h"
#include "infra/UserPrompt.h"
#include "settings/SettingsStore.h"
#include "ui/NumberFields.h"
#include "ui/SettingsWndCommunicator.h"

namespace trov {

inline constexpr const char* kAudioSettingsDlgSection = "AUDIO_SETTINGS_DLG";

namespace audiosettings {
inline constexpr const char* kObject = "OBJECT";
inline constexpr const char* kFadeOption = "FADE_OPTION";
inline constexpr const char* kOption[3] = {"Option1", "Option2", "Option3"};
// 1 while nothing can be played (no audio file): the "Play short example" button is disabled.
inline constexpr const char* kDisableGUI = "DisableGUI";
inline constexpr const char* kFilter = "Audio File (*.wav)";
inline constexpr const char* kInvalidWav =
    "Error: Your selected WAV-File seems not to be valid. Please check your file and check if your file is a "
    "WAV-File.";
inline constexpr int kExampleMs = 2000;
}  // namespace audiosettings

// The controls the dialog binds, by the name the model asks for.
enum class AudioControl {
    FileBox,        // text: "AudioFile"
    StartTimeBox,   // text: "AudioStartTime"
    Normalize,      // check: "NormalizeAudio"
    Loop,           // check: "LoopAudio"
    FadingTimeBox,  // text: "AudioFadingTime"; enabled only while not synchronised
    Synchronize,    // check: "SynchronizeFF2NP"
    Option1,        // check (radio): "FADE_OPTION"/"Option1" ...
    Option2,
    Option3,
    FadingTimeLabel,  // enabled only while not synchronised
    PlayExample,      // enabled while "FADE_OPTION"/"DisableGUI" is "0"
};

class CAudioSettingsModel {
public:
    // The audio fields of object index (the one before it feeds the synchronised fading time).
    CAudioSettingsModel(CTROVManager& manager, int index);

    CSettingsStore& Scratch() { return m_scratch; }
    const CSettingsStore& Scratch() const { return m_scratch; }
    bool IsValid() const { return m_valid; }

    // Binds the scratch store in the specified order; controlFor may return null to skip one.
    void Bind(CSettingsWndCommunicator& binder,
              const std::function<CWindowControl*(AudioControl)>& controlFor);
    // The number boxes (start time and fading time, milliseconds).
    static const std::vector<NumberField>& NumberFields();

    // Reads the controls into the scratch store; bad numbers keep their old values, the reason is
    // returned (empty when all were accepted). The derived entries follow.
    std::string ReadControls(CSettingsWndCommunicator& binder);

    // A fading option button (1..3): its entry 1, the other two 0.
    void SetFadeOption(int option);
    // 1..3 from the mirror; -1 when none is on.
    int GetFadeOption() const;
    // The synchronise box; while on, the fading time is the previous object's transition in ms.
    void SetSynchronize(bool on);
    // "Reset Settings": every field back to its default (no file, 0 ms, no options).
    void Reset();
    // "Browse": the fields are reset first, then the file is set (an empty path changes nothing).
    void Browse(const std::string& path);

    std::string GetAudioFile() const;
    int GetStartTime() const;
    bool GetLoop() const;
    int GetFadingTime() const;

    // "Play short example": 2 s from the start time (looping when asked) cut into the temp
    // folder's "TempUsed.wav", played on output (blocking), deleted. Returns the status text: what
    // was played, or why nothing was (no file, not a WAV file, no sound device).
    std::string PlayShortExample(CSoundOutput& output);

    // "Use new settings": false, with the message through prompt and the object unchanged, when a
    // set audio file is not a WAV file; else writes the fields into the object.
    bool Accept(CUserPrompt& prompt);

private:
    void DerivedEntries();

    CTROVManager& m_manager;
    int m_index;
    bool m_valid = false;
    int m_previousTransition = -1;  // frames; -1 for the first object
    CSettingsStore m_scratch;
};

// Milliseconds of one frame as the audio track counts them: 1000 / the frame rate read as an
// integer (25 when that is below 1).
int MillisecondsPerFrame(const CSettingsStore& projectSettings);

}  // namespace trov
