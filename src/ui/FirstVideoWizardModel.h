// "Wizard 1: My First Video": five modal pages (welcome, pictures, seconds per picture, output file,
// finish) that change the project through the main window's own commands. The page loop and every
// page action live here; the pages themselves are thin dialogs.
#pragma once

#include <functional>
#include <string>

namespace trov {

class CMainViewCommands;

// How a page ends.
enum WizardResult : int {
    kWizardNext = 10,           // "Next >>", and "Finish" on the last page
    kWizardBack = 20,           // "<< Back"
    kWizardNextAndCreate = 40,  // "... create my first video now!" (last page only)
};

enum WizardPage : int {
    kWizardWelcome = 0,
    kWizardPictures = 1,
    kWizardSeconds = 2,
    kWizardDestination = 3,
    kWizardFinish = 4,
    kWizardPageCount = 5,
};

namespace wizardtext {
inline constexpr const char* kAviFilter = "AVI File (*.avi)";
inline constexpr const char* kAviSuffix = "AVI";
inline constexpr const char* kWholeSeconds = "Please enter the time in whole seconds (0 or more).";
}  // namespace wizardtext

// The language section of a page ("WIZARD_01_DLG_INFORMATION" ...).
const char* WizardPageSection(int page);
const char* WizardPageCategory(int page);

class CFirstVideoWizardModel {
public:
    explicit CFirstVideoWizardModel(CMainViewCommands& commands);

    // The wizard: shows page after page (showPage returns the page's result code) from the welcome
    // page on; 10 goes on, 20 goes back, 40 goes on and then starts the creation through
    // startCreation, anything else ends it, and so does going on from the last page. True when
    // the creation was started.
    static bool Run(const std::function<int(int page)>& showPage, const std::function<void()>& startCreation);

    // Step 1, "Add Pictures": the files chosen in the file dialog replace the project (reset
    // without the question), the totals are recomputed, every row is selected and gets a random
    // fading effect. Returns how many were added (0 when the dialog was cancelled: the project is
    // then left as it was).
    int AddPictures();
    // "Next >>" of step 1: once pictures were added (also when the page is shown again after Back).
    bool CanLeavePictures() const;

    // Step 2, "Next >>": frames = whole seconds x the project's integer "FramesPerSeconds" (1 when
    // missing), written into "Frames for showing Picture:" and applied to the selected rows with
    // its Update button. False (nothing changed, error set) when the text is no whole number >= 0.
    bool ApplySeconds(const std::string& secondsText, std::string& error);
    // seconds x the project's integer frame rate.
    int FramesForSeconds(int seconds) const;

    // Step 3, "Browse": the save-file dialog; the chosen file becomes the project's "Output-AVI".
    // Empty (nothing changed) when cancelled.
    std::string BrowseOutput();
    // The project's "Output-AVI" now.
    std::string OutputPath() const;

private:
    CMainViewCommands& m_commands;
    bool m_picturesAdded = false;
};

}  // namespace trov
