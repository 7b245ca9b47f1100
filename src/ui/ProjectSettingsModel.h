// What the project settings dialog edits: a copy of the project settings store, its bindings, the
// background colour, saving and loading a settings file, "Set As Default", and what OK does.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "creation/TROVManager.h"
#include "imaging/Picture.h"
#include "infra/UserPrompt.h"
#include "settings/SettingsStore.h"
#include "ui/NumberFields.h"
#include "ui/SettingsWndCommunicator.h"

namespace trov {

inline constexpr const char* kProjectSettingsDlgSection = "PROJECT_SETTINGS_DLG";

namespace projectsettingstext {
inline constexpr const char* kOutputFilter = "AVI File (*.avi)";
inline constexpr const char* kOutputSuffix = "AVI";
inline constexpr const char* kSettingsFilter = "Project Settings (*.ini)";
inline constexpr const char* kSettingsSuffix = "INI";
inline constexpr const char* kWritten = "Settings sucessfully written!";
inline constexpr const char* kCanNotWrite = "Error: Can not write settings: ";
inline constexpr const char* kCanNotRead = "Error: Can not read settings: ";
}  // namespace projectsettingstext

class CProjectSettingsModel {
public:
    // Copies the whole project settings store of manager.
    explicit CProjectSettingsModel(CTROVManager& manager);

    CSettingsStore& Copy() { return m_copy; }
    const CSettingsStore& Copy() const { return m_copy; }

    // The "PROJECT_SETTINGS" keys bound to text boxes, in binding order.
    static const std::vector<const char*>& BoundKeys();
    // The bound keys that hold numbers, with their ranges.
    static const std::vector<NumberField>& NumberFields();
    // Binds the copy and one text box per bound key (controlFor(key); null skips the key).
    void Bind(CSettingsWndCommunicator& binder,
              const std::function<CWindowControl*(const char* key)>& controlFor);

    // The copy in the controls; a box whose key the copy lacks (after "Load Settings") is emptied,
    // so it cannot bring the old value back.
    void ShowInControls(CSettingsWndCommunicator& binder);
    // Reads the controls into the copy; a number box holding no valid number keeps its old value
    // and the reason is returned (empty when everything was accepted). An empty box whose key the
    // copy lacks stays absent.
    std::string ReadControls(CSettingsWndCommunicator& binder);

    // "Choose Output AVI": the path becomes "Output-AVI" (an empty path changes nothing).
    void SetOutputFile(const std::string& path);
    // The colour from the three components; black unless all three exist.
    Colour GetBackgroundColour() const;
    void SetBackgroundColour(Colour colour);

    // "Save Settings": the whole copy as an 8-bit settings file, with the result message.
    bool SaveSettings(const std::string& path, CUserPrompt& prompt) const;
    // "Load Settings": on success the copy becomes the file's content (keys the file lacks are
    // gone); otherwise the read error and the copy stays.
    bool LoadSettings(const std::string& path, CUserPrompt& prompt);
    // "Set As Default": the copy's "PROJECT_SETTINGS" goes into the application settings file and,
    // once it is written, into the live application settings.
    bool SetAsDefault(CUserPrompt& prompt);

    // OK: the copy becomes the project settings; background colour and list follow.
    void Apply();

private:
    CTROVManager& m_manager;
    CSettingsStore m_copy;
    std::vector<std::pair<const char*, CWindowControl*>> m_controls;
};

}  // namespace trov
