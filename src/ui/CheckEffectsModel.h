// What the check effects dialog does, free of any window toolkit: the sorted effect list, stepping
// the chosen effect frame by frame between two pictures, the frame number, the per-effect
// exclusion from random choice ("FADING_EFFECTS"), the about text, the pace of automatic stepping,
// and, when opened for a list entry, giving the chosen effect to that entry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "imaging/DibPicture.h"

namespace trov {

class CFadingEffect;
class CFadingEffectManager;
class CMainViewCommands;
class CSettingsStore;
class CTROVManager;

namespace checkeffects {
inline constexpr const char* kSection = "CHECK_EFFECTS_DLG";
inline constexpr const char* kExcludedSection = "FADING_EFFECTS";
// Frames of a transition when the dialog is opened for no entry.
inline constexpr int kDefaultFrames = 50;
inline constexpr const char* kLastPicture = "This is the last picture! No fading is possible!";
inline constexpr const char* kSelectPicture = "Please select a picture!";
inline constexpr const char* kWaiting = "Waiting!";
inline constexpr const char* kShowAutomatically = "Show next frames automatically";
inline constexpr const char* kUseEffect = "OK and use new fading effect";
inline constexpr const char* kDone = "Done";
}  // namespace checkeffects

class CCheckEffectsModel {
public:
    // effects: the registry (its effect objects are stepped on the caller's thread: no creation
    // may run meanwhile); settings: the application settings; frameRate paces automatic stepping.
    CCheckEffectsModel(CFadingEffectManager& effects, CSettingsStore& settings, double frameRate);
    ~CCheckEffectsModel();
    CCheckEffectsModel(const CCheckEffectsModel&) = delete;
    CCheckEffectsModel& operator=(const CCheckEffectsModel&) = delete;

    // The two pictures (equal size) and the frames of a transition; the next step starts anew.
    void SetPictures(std::unique_ptr<CDibPicture> a, std::unique_ptr<CDibPicture> b, int frames);
    // For no entry: the built-in ramp pictures with "A" and "B" at width x height, 50 frames.
    void UseBuiltInPictures(int width, int height);
    // From "Show Fading Preview": the first selected entry's prepared picture to the next entry's,
    // over the entry's "frames fading to next picture", its effect preset. False, with the status
    // "Please select a picture!" (no selection), "This is the last picture! No fading is
    // possible!" (the last entry) or the read error, when the dialog must not open.
    bool OpenForEntry(CMainViewCommands& commands);
    bool IsForEntry() const { return m_entry >= 0; }
    int EntryIndex() const { return m_entry; }

    // The registry's effect names in ascending UTF-16 order.
    const std::vector<std::string>& Names() const { return m_names; }
    // Chooses an effect by name (false, nothing changed, for an unknown one); the next step
    // starts it anew.
    bool Select(const std::string& name);
    const std::string& Selected() const { return m_selected; }

    // The next frame of the current effect (frame 1 after a new choice or after the last frame).
    // Null when no effect is chosen, there are no pictures, or the effect gives no frame.
    const CDibPicture* Step();
    // The frame shown last (0 before the first step) and the transition's length.
    int FrameNumber() const { return m_frame; }
    int FrameCount() const { return m_frames; }
    const CPicture* PictureA() const { return m_a.get(); }
    const CPicture* PictureB() const { return m_b.get(); }

    // "Disable effect (only for random fade)" of the current effect: "FADING_EFFECTS"/name,
    // 1 = excluded from random choice, 0 = allowed.
    bool IsDisabled() const;
    void SetDisabled(bool disabled);

    // "About current fading": name, "\r\n\r\n", "Author: " + author + "\r\n", "Version: " + version.
    std::string AboutText() const;
    // Automatic stepping: one frame per 1000 / frame rate milliseconds (at least 1).
    int StepIntervalMs() const;

    // "OK and use new fading effect": the chosen effect becomes the entry's transition, the rows
    // and totals are refreshed. False when not opened for an entry or nothing is chosen.
    bool UseForEntry(CMainViewCommands& commands);
    // Ends the running transition (buffers freed).
    void Stop();
    // After the dialog closed: stops, saves the application settings (the exclusions persist)
    // and sets the status "Waiting!".
    void Closed(CTROVManager& manager);

private:
    CFadingEffect* Current() const;

    CFadingEffectManager& m_effects;
    CSettingsStore& m_settings;
    double m_frameRate;
    std::vector<std::string> m_names;
    std::string m_selected;
    bool m_restart = true;
    CFadingEffect* m_running = nullptr;
    std::unique_ptr<CDibPicture> m_a;
    std::unique_ptr<CDibPicture> m_b;
    int m_frames = checkeffects::kDefaultFrames;
    int m_frame = 0;
    int m_entry = -1;
};

}  // namespace trov
