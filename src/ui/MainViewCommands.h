// What every command of the main window does: the picture list's commands, the project commands
// of the menu, the Update buttons, the selection's GUI state and the questions they ask. Free of
// any window toolkit; the widgets call these and the tests drive them with fakes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "creation/TROVManager.h"
#include "imaging/Caption.h"
#include "imaging/DibPicture.h"
#include "imaging/Picture.h"
#include "infra/UserPrompt.h"
#include "settings/SettingsStore.h"
#include "ui/PictureListRows.h"
#include "ui/UiControls.h"

namespace trov {

class CPicturePreparation;

// The sections and keys of the main window's GUI state store: the editable fields of the first
// selected object (key "Value" each), whether objects are selected, whether a creation runs.
namespace guistate {
inline constexpr const char* kValue = "Value";
inline constexpr const char* kTextFadeIn = "Text-FadeIn";
inline constexpr const char* kShowPicture = "ShowPicture";
inline constexpr const char* kTextFadeOut = "Text-FadeOut";
inline constexpr const char* kFade2NextPicture = "Fade2NextPicture";
inline constexpr const char* kTextBackWidth = "TextBackWidth";
inline constexpr const char* kPictureText = "PictureText";
inline constexpr const char* kFadingName = "Fading2NextPictureName";
inline constexpr const char* kTemp = "TEMP";
inline constexpr const char* kObjectsSelected = "ObjectsSelected";
inline constexpr const char* kGui = "GUI";
inline constexpr const char* kDisabled = "Disabled";
}  // namespace guistate

// The seven fields with an "Update" button.
enum class EditField {
    TextFadeIn,
    ShowPicture,
    TextFadeOut,
    Fade2NextPicture,
    TextBackWidth,
    PictureText,
    FadingEffect
};
// The GUI state section of a field.
const char* EditFieldSection(EditField field);

// Directions of the move operation (buttons and Ctrl+Up/Down).
enum MoveDirection : int { kMoveUp = 1, kMoveDown = 2, kMoveToFirst = 3, kMoveToEnd = 4 };

// Texts of the commands (questions, captions, status texts).
namespace viewtext {
inline constexpr const char* kExitQuestion = "Do you want to exit TROV?";
inline constexpr const char* kExitCaption = "Exit TROV!";
inline constexpr const char* kResetQuestion = "Do you want to reset your Project (all data will be lost)?";
inline constexpr const char* kResetCaption = "Reset Project!";
inline constexpr const char* kDeleteOne = "Do you want to delete %d item from your picture list?";
inline constexpr const char* kDeleteMany = "Do you want to delete %d items from your picture list?";
inline constexpr const char* kWarningCaption = "Warning!";
inline constexpr const char* kSortNamesQuestion = "Do you want to sort your picture list by names?";
inline constexpr const char* kSortTextQuestion = "Do you want to sort your picture list by text?";
inline constexpr const char* kSortCaption = "Sorting picture list";
inline constexpr const char* kSortNotPossible = "Sorting this row is not possible!";
inline constexpr const char* kUpdated = "Updated!";
inline constexpr const char* kCanNotRead = "Error! Can not read ";
inline constexpr const char* kDoubleClickOnly =
    "Double click only on: Color-Fading, Pictures with: Panorama Scrolling, Picture Move";
inline constexpr const char* kSelectOneElement = "Please first select one element of the Picture List!";
inline constexpr const char* kAllEffectsDisabled =
    "Sorry! All effects are disabled! Please enable at least one effect (look at the \"Check Effects\" "
    "dialog)!";
inline constexpr const char* kPictureDirectoryTitle = "Please select the directory containing your pictures!";
inline constexpr const char* kProjectFilter = "TROV Ini (*.ini)";
inline constexpr const char* kMediaFilter = "Media Files (*.jpg; *.bmp; *.avi)";
inline constexpr const char* kAudioFilter = "Audio File (*.wav)";
inline constexpr const char* kBmpFilter = "BMP Files (*.bmp)";
inline constexpr const char* kPictureSaved = "Picture sucessfully saved: ";
inline constexpr const char* kPictureNotSaved = "Picture could not be saved: ";
inline constexpr const char* kCanNotLoadProject = "Error: Can not load Project: ";
inline constexpr const char* kCancelCreationQuestion = "Do you want to cancel the creation?";
inline constexpr const char* kUnsavedChanges = "The project has unsaved changes that will be lost.";
inline constexpr const char* kOpenDiscardQuestion = "Do you want to open another project anyway?";
inline constexpr const char* kNothingToPaste = "The clipboard holds no picture list objects to paste.";
inline constexpr const char* kCompleteProjectTitle = "Please select an empty directory for the creation!";
inline constexpr const char* kMoveLocked = "Check \"Change picture position\" to move pictures.";
}  // namespace viewtext

// The picture list as the commands see it: a report list with a selection.
class CPictureListControl : public CListControl {
public:
    // The selected rows in ascending order.
    virtual std::vector<int> GetSelectedRows() const = 0;
    // Selects exactly these rows (others deselected); the first becomes current and visible.
    virtual void SetSelectedRows(const std::vector<int>& rows) = 0;
    // Replaces every row at once. The default goes row by row through the list interface.
    virtual void SetAllRows(const std::vector<PictureListRow>& rows);
    // Appends rows at the end (the list filling while files are added).
    virtual void AppendRows(const std::vector<PictureListRow>& rows);
};

// Files, folders, colours, fonts and the clipboard: what the commands ask for besides questions.
// Every chooser returns empty / false when the user cancels.
class CMainViewChooser {
public:
    virtual ~CMainViewChooser() = default;
    // filter: "Name (*.a; *.b)"; several files only when multiple.
    virtual std::vector<std::string> ChooseFilesToOpen(const std::string& filter, bool multiple) = 0;
    virtual std::string ChooseFileToSave(const std::string& filter, const std::string& defaultSuffix) = 0;
    virtual std::string ChooseFolder(const std::string& title) = 0;
    virtual bool ChooseColour(Colour& colour) = 0;
    virtual bool ChooseFont(LogFont& font) = 0;
    virtual std::string GetClipboardText() = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
};

// Adds files one at a time so the window can keep drawing in between (the list fills while it
// runs). Reports status and both progress bars as the adding command does.
class CAddFilesJob {
public:
    CAddFilesJob(CTROVManager& manager, std::vector<std::string> paths);
    // Adds the next file; false when nothing was left to add.
    bool Step();
    bool Done() const { return m_next >= m_paths.size(); }
    // The objects added so far (their list positions start at FirstIndex()).
    int Added() const { return m_added; }
    int FirstIndex() const { return m_first; }
    // Files skipped because they could not be read.
    const std::vector<std::string>& Skipped() const { return m_skipped; }
    // Adds what is left, then posts the result status and recomputes the totals. Returns Added().
    int Finish();
    // The result status posted by Finish.
    const std::string& StatusText() const { return m_status; }

private:
    CTROVManager& m_manager;
    std::vector<std::string> m_paths;
    size_t m_next = 0;
    int m_added = 0;
    int m_first = 0;
    bool m_finished = false;
    std::vector<std::string> m_skipped;
    std::string m_status;
};

class CMainViewCommands {
public:
    CMainViewCommands(CTROVManager& manager, CPictureListControl& list, CMainViewChooser& chooser,
                      CUserPrompt& prompt);

    // ---- hooks the window sets (all optional) ----
    // Reads every bound control into the GUI state (the binder's controls-to-settings).
    std::function<void()> readControls;
    // Shows the GUI state in the bound controls (settings-to-controls).
    std::function<void()> refreshControls;
    // Shows object index in the preview area (-1 clears it); false when its picture cannot be read.
    std::function<bool(int index)> showPreview;
    // The window title, the play length or the modified mark changed.
    std::function<void()> projectChanged;
    // The settings of a panorama or picture-move object (their dialogs); false when not available.
    std::function<bool(int index)> openMotionSettings;

    CSettingsStore& GetGuiState() { return m_guiState; }
    const CSettingsStore& GetGuiState() const { return m_guiState; }
    CTROVManager& GetManager() { return m_manager; }
    CMainViewChooser& Chooser() { return m_chooser; }
    CUserPrompt& Prompt() { return m_prompt; }

    // ---- project state ----
    bool IsModified() const { return m_modified; }
    void SetModified(bool modified);
    // "TROV" or "TROV - <file name>", with " *" when modified.
    std::string WindowTitle() const;
    // While a creation runs the controls are disabled ("GUI"/"Disabled" 1) and list commands do nothing.
    void SetCreationRunning(bool running);
    bool IsCreationRunning() const { return m_creationRunning; }
    // The unsaved-changes warning in front of a question, when the project is modified.
    std::string WithUnsavedWarning(const std::string& question) const;

    // Rebuilds every row from the project and recomputes the play length; the selection is kept
    // for rows that still exist.
    void RefreshList();
    // The same, selecting `selected` (rows taken before the list was emptied: a language file
    // rebuilds the list's columns, and with them its rows).
    void RefreshList(std::vector<int> selected);
    std::vector<int> SelectedRows() const { return m_list.GetSelectedRows(); }

    // The check boxes "Change picture position", "Show Preview" and "Full" ("TROV_SETTINGS" keys):
    // stored in the application settings and saved at once; the preview follows.
    void SetOption(const char* key, bool on);
    bool GetOption(const char* key) const;
    // The move commands work only with "Change picture position" on (a lock against moving rows
    // by accident) and while no creation runs.
    bool CanMove() const;

    // ---- Project menu ----
    bool ResetProject();                            // asks first
    bool OpenProject();                             // asks about unsaved changes, file dialog
    bool OpenProjectFile(const std::string& path);  // no questions
    bool SaveProject();                             // file dialog
    bool SaveProjectFile(const std::string& path);
    bool MakeCompleteProject();
    bool MakePathsRelative();
    bool MakePathsAbsolute();
    // Saves picture as a BMP file chosen by the user; null picture: nothing.
    bool SavePreviewPicture(CPicture* picture);
    // The exit question ("Exit TROV!"); true when the window may close. Batch runs never ask.
    bool AskExit(bool batchMode);

    // ---- Objects menu ----
    int AddPictures();  // file dialog, then AddFiles
    // Adds the files that can be read, in order; returns how many were added.
    int AddFiles(const std::vector<std::string>& paths);
    // Starts an incremental add (the window steps it); the caller runs Finish() at the end and
    // then FinishAdding().
    std::unique_ptr<CAddFilesJob> BeginAdding(const std::vector<std::string>& paths);
    void FinishAdding(CAddFilesJob& job);
    int AddPictureDirectory();  // folder dialog
    // The files a folder adds: every "*.bmp", then every "*.jpg" (and "*.jpeg"), each group in
    // name order; letter case of the extension ignored. Sub-folders are not entered.
    static std::vector<std::string> PictureDirectoryFiles(const std::string& folder);
    // Files and folders dropped onto the list: folders as by AddPictureDirectory, files with a
    // media extension as by AddPictures, in the given order; others ignored.
    static std::vector<std::string> DroppedFiles(const std::vector<std::string>& paths);
    bool AddAudio();
    // Asks, then deletes the selected rows; returns how many were removed.
    int DeleteSelected();
    void AddRandomFadings();
    bool ChooseFont();
    bool ChooseTextColour(bool background);
    // Copy / paste through the clipboard as settings text.
    bool CopySelected();
    int PasteObjects();
    // The selected objects as a settings text ("TROV_OBJECTS": "Count"; "PICTURE_<i>" each).
    std::string CopyText(const std::vector<int>& rows) const;
    // Inserts the objects of such a text behind the last selected row (at the end with none
    // selected) and selects them; returns how many. A text without objects changes nothing.
    int PasteText(const std::string& text);

    // ---- Select & Manipulate ----
    void SelectAll();
    void SelectAllWithText();
    void Rotate(int degrees);

    // ---- the list ----
    // A click on a column header: sorts by names (1) or text (7) after asking.
    bool HeaderClicked(int column);
    // Moves the selected rows; direction as MoveDirection. Ignored while a creation runs.
    bool MoveSelected(int direction);
    // Loads the first selected object into the GUI state, shows it in the preview, refreshes
    // the controls and posts "Updated!" (or the read error).
    void SelectionChanged();
    void DoubleClick(int row);
    // An "Update" button: reads the controls, copies that field into every selected object.
    void Update(EditField field);

    // The picture the preview shows for object index: prepared at the movie size as the creation
    // prepares it (background colour bars, rotation), with its caption drawn when "Full" is on.
    // Null when the picture cannot be read. Runs PreparePreviewPicture on this thread.
    std::unique_ptr<CDibPicture> PreviewPicture(int index);
    // What a preview of object index needs, read on the GUI thread so the preparation can run on
    // another one.
    struct PreviewRequest {
        CProjectObject object;  // a copy: the list may change while it is prepared
        int width = 0, height = 0;
        int quality = 0;
        bool withCaption = false;
    };
    bool MakePreviewRequest(int index, PreviewRequest& request) const;
    // The preview picture of a request (thread-safe: the caches lock themselves, the clip reader too).
    static std::unique_ptr<CDibPicture> PreparePreviewPicture(CPicturePreparation& preparation,
                                                              const PreviewRequest& request);
    CPicturePreparation& GetPicturePreparation();
    // A preview that could not be made: the read error in the status bar.
    void PreviewFailed(const std::string& fileName);
    // A preview that was made: the preparation's own status texts ("Reading picture: " ...) give
    // way to the selection's "Updated!" again; any other text stays.
    void PreviewDone();
    // "Movie-Size-X" x "Movie-Size-Y" of the project (640 x 480 when missing or absurd).
    void MovieSize(int& width, int& height) const;
    // The project's "ApplyExifOrientation": its creation shows photos upright by their EXIF data.
    bool AppliesExifOrientation() const;
    // The names of the "Thread Priority:" list, in its order, and the one selected at start.
    static std::vector<std::string> ThreadPriorityNames();
    static constexpr const char* kDefaultThreadPriority = "Normal";
    // A new selection in the priority list, applied to the creation's worker at once.
    void SetThreadPriority(const std::string& name);

    // The objects behind the selected rows, by the number in their position column.
    std::vector<int> SelectedObjects() const;

    // The text of the status pipeline sent by commands (forwarded to the manager).
    void Status(const std::string& text);
    // A step that moved the "Current Process:" bar is over: the bar is empty again, so a full bar
    // never stands for a window that is idle.
    void ClearCurrentProgress();

private:
    void ClearSelectionState();
    void Changed();
    bool Confirm(const std::string& text, const std::string& caption);
    int InsertObjectsAt(int index, std::vector<CProjectObject> objects);

    CTROVManager& m_manager;
    CPictureListControl& m_list;
    CMainViewChooser& m_chooser;
    CUserPrompt& m_prompt;
    CSettingsStore m_guiState;
    bool m_modified = false;
    bool m_creationRunning = false;
};

// The object index shown in a position cell; -1 when the text is no number.
int PositionFromCell(const std::string& text);

}  // namespace trov
