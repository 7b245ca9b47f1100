// What the creation settings dialog decides, without a window: the range boxes and their
// clamping, the quality choice, the two cache switches with their reminders, the output file, the
// video and audio codec set-up, the list of codec settings files and the check before the start.
// The Qt dialog only shows what this class says and forwards its controls' changes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/UiControls.h"
#include "video/VideoTypes.h"

namespace trov {

class CCreation;
class CTROVManager;
class CUserPrompt;

// The language section of the dialog; it also holds the texts of the codec choosers and of the
// main view's start button while a creation runs.
inline constexpr const char* kCreationSettingsSection = "CREATION_SETTINGS_DLG";
inline constexpr const char* kVideoCodecErrorText = "Error! Please use another codec!";
inline constexpr const char* kSpecifyCodecsText =
    "Please specify the movie codecs. Without specifying these codecs, the movie can not be created!";
inline constexpr const char* kStreamCacheReminder =
    "Remember: Only use this feature for testing your slide show. For the final creation of your slide "
    "show, it is recommended, that you disable this feature.";
inline constexpr const char* kPermanentCacheReminder =
    "Remember: If you use the permanently cache, it is HIGHLY RECOMMENDED to reset this cache before start "
    "creating a new project!";
inline constexpr const char* kDeleteCodecSettingsQuestion =
    "Do you want to delete the current selected Codec Settings?";
inline constexpr const char* kDeleteCodecSettingsCaption = "Delete Codec Settings";
inline constexpr const char* kOutputFileFilter = "AVI File (*.avi)";
inline constexpr const char* kOutputFileSuffix = "avi";

// One entry of the "Quality:" combo box. Names are never translated; the description is replaced
// by the dialog section's key when the language file has it.
struct SQualityChoice {
    const char* name;
    const char* descriptionKey;
    const char* description;
    int value;
};
// "Production" (0) and "Final Production" (1).
const std::vector<SQualityChoice>& QualityChoices();

// The range boxes after a change: both parsed as integers, negatives raised to 0 and an end
// above maxEnd lowered to it. corrected: a value changed, so both boxes are rewritten.
struct SPositionCheck {
    int start = 0;
    int end = 0;
    bool corrected = false;
};
SPositionCheck CheckPositions(const std::string& startText, const std::string& endText, int maxEnd);

class CCreationSettingsModel {
public:
    // The texts of the dialog's language section: key, English default -> shown text.
    using TextLookup = std::function<std::string(const std::string& key, const std::string& fallback)>;

    // codecDirectory: where codec settings files are saved, listed, loaded and deleted.
    CCreationSettingsModel(CTROVManager& manager, CCreation& creation, CUserPrompt& prompt,
                           std::string codecDirectory);
    void SetTextLookup(TextLookup lookup) { m_text = std::move(lookup); }

    // The opening steps after the language: quality from "Quality", the audio and video texts, the
    // output file ("Output-AVI"), the range (first..last, highest end maxEnd), the cache switches.
    // Clears the video failure flag.
    void Open(int first, int last, int maxEnd);

    // ---- what the dialog shows ----
    const std::string& OutputFile() const { return m_outputFile; }
    int StartPosition() const { return m_start; }
    int EndPosition() const { return m_end; }
    int MaxEndPosition() const { return m_maxEnd; }
    // The selected quality entry's name and its (translated) description.
    const std::string& QualityName() const { return m_qualityName; }
    std::string QualityDescription() const;
    std::string QualityDescription(const std::string& name) const;
    bool StreamCacheChecked() const { return m_streamCache; }
    bool PermanentCacheChecked() const { return m_permanentCache; }
    const std::string& VideoText() const { return m_videoText; }
    const std::string& AudioText() const { return m_audioText; }
    bool VideoFailed() const { return m_videoFailed; }

    // ---- the controls ----
    // A change of either range box. Returns true when both boxes must be rewritten with "%d"
    // (StartPosition()/EndPosition()); the caller does so through `rewrite`, and the change
    // notifications that this rewriting causes are ignored.
    bool PositionsChanged(const std::string& startText, const std::string& endText,
                          const std::function<void()>& rewrite);
    // A quality entry chosen by its text: on a match the value is saved as "Quality" at once.
    bool SelectQuality(const std::string& name);
    // The cache check boxes: saved at once; checking shows the reminder.
    void SetStreamCache(bool on);
    void SetPermanentCache(bool on);
    // "Reset Cache": the clear-cache command (question, then "Cache cleared!").
    void ResetCache();
    // "Browse": the chosen file becomes the output and the project's "Output-AVI". Empty: nothing.
    void SetOutputFile(const std::string& path);
    // The output file as the creation writes it (relative names resolve against the project folder).
    std::string ResolvedOutputPath() const;

    // "Choose Video Codec": sets up the output with the codec the user chooses (the installed
    // chooser dialog). False, with the error text, when it failed or was cancelled.
    bool ChooseVideoCodec();
    // Sets up the output with these options (a loaded codec settings file).
    bool SetUpVideoCodec(const CompressionOptions& options);
    // "Choose Audio Codec": the chooser for the output format; the audio text follows slot 0.
    void ChooseAudioCodec(void* owner);

    // The codec settings list: rows "Filename", "Video", "Audio" (the columns the list has).
    void FillCodecList(CListControl& list) const;
    // "Save Video und Audio Codec Settings": nothing when both texts are "Not set!"; else a new
    // "CS_<n>.ini" and a row for it. Returns the file name ("" when nothing was saved).
    std::string SaveCodecSettings(CListControl& list);
    // Selecting a row: loads that file (video set-up, then the audio re-selection). False when
    // the file does not load or its video set-up fails.
    bool LoadCodecSettings(const std::string& fileName, void* owner = nullptr);
    // Delete or Backspace on a row: beeps, asks, and on Yes deletes the file and the row.
    bool DeleteCodecSettings(CListControl& list, int row);
    void SetBeep(std::function<void()> beep) { m_beep = std::move(beep); }

    // "Start Creation": true when the creation may start (a usable video set-up for the current
    // output file); otherwise the reason was shown and the dialog stays open.
    bool CheckStart();

private:
    std::string Text(const std::string& key, const std::string& fallback) const;
    void RefreshAudioText();
    void VideoSetUpDone(bool ok);

    CTROVManager& m_manager;
    CCreation& m_creation;
    CUserPrompt& m_prompt;
    std::string m_codecDirectory;
    TextLookup m_text;
    std::function<void()> m_beep;

    std::string m_outputFile;
    int m_start = 0;
    int m_end = 0;
    int m_maxEnd = 0;
    bool m_rewriting = false;
    std::string m_qualityName;
    bool m_streamCache = false;
    bool m_permanentCache = false;
    std::string m_videoText;
    std::string m_audioText;
    bool m_videoFailed = false;
    // The output file the current video set-up was made for ("" : none in this dialog).
    std::string m_setUpFor;
};

// What a creation started from the window came to, as the exit code of a batch run (the same
// codes as the command line's -CREATE).
struct SCreationRunFacts {
    bool hadEntries = true;        // the project had something to create
    bool checkPassed = false;      // the consistency check passed and the dialog was opened
    bool dialogConfirmed = false;  // the dialog closed with "Start Creation"
    bool cancelled = false;
    bool written = false;  // the movie was written completely
};
// 0 written; 1 nothing to create or the check failed; 2 the codec set-up was not usable (the
// dialog was not confirmed); 130 cancelled; 3 any other failure.
int CreationExitCode(const SCreationRunFacts& facts);

}  // namespace trov
