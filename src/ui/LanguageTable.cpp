#include "ui/LanguageTable.h"

#include <algorithm>

#include "ui/WndLanguageManager.h"

namespace trov {

namespace {

// Common texts shared by several windows.
constexpr const char* kCancel = "Cancel";
constexpr const char* kUpdate = "Update";
constexpr const char* kBrowse = "Browse";
constexpr const char* kConfigure = "Configure";
constexpr const char* kWizardCaption = "TROV Wizard";
constexpr const char* kBack = "<< Back";
constexpr const char* kNext = "Next >>";

std::vector<CLanguageSection> BuildSections() {
    std::vector<CLanguageSection> s;
    s.push_back({"main view",
                 kMainViewSection,
                 kMainViewCategory,
                 {
                     {"PictureList", "Picture List"},
                     {"ChangePicturePos", "Change picture position"},
                     {"MoveToFirst", "Move to first"},
                     {"MoveUp", "Move up"},
                     {"MoveDown", "Move Down"},
                     {"MoveToEnd", "Move to end"},
                     {"SelectAll", "Select All"},
                     {"StaticSettings", "Settings"},
                     {"ShowPreview", "Show Preview"},
                     {"FullPreview", "Full"},
                     {"FramesTextFadeIn", "Frames for Text-Fade-In:"},
                     {"FramesShowingPicture", "Frames for showing Picture:"},
                     {"FramesTextFadeOut", "Frames for Text-Fade-Out:"},
                     {"FramesFading2NextPicture", "Frames fading to next picture:"},
                     {"TextBackWidth", "Text back width:"},
                     {"FadeEffect", "Fade-Effect:"},
                     {"PictureText", "Picture Text:"},
                     {"SpecialTextEdit", "Special"},
                     {"UpdateFTFI", kUpdate},
                     {"UpdateFSP", kUpdate},
                     {"UpdateFTFO", kUpdate},
                     {"UpdateF2NP", kUpdate},
                     {"UpdateTextBackWidth", kUpdate},
                     {"UpdateFadeEffect", kUpdate},
                     {"UpdatePictureText", kUpdate},
                     {"CompletePlayLength", "Complete Play Length:"},
                     {"ThreadPriority", "Thread Priority:"},
                     {"StartCreation", "Start &Creation"},
                     {"AudioSettings", "&Audio Settings"},
                     {"AddColorFading", "Add Color Fading"},
                     {"AddRandomFadings", "Add Random Fadings"},
                     {"ShowFadingPreview", "Show &Fading Preview"},
                     {"Choose Font", "Choose Font"},
                     {"TextColor", "Text Color"},
                     {"TextBackgroundColor", "Text Background Color"},
                     {"TextSettings", "Text Settings"},
                     {"SpecialPictureSettings", "Special Picture Settings"},
                     {"CurrentProcess", "Current Process:"},
                     {"CompleteProcess", "Complete Process:"},
                     {"CurrentTime", "Current Time:"},
                     {"RemainingTime", "Remain. Time:"},
                 }});
    s.push_back({"options dialog",
                 "OPTIONS_DLG",
                 "OptionsDlg",
                 {
                     {"MainTitle", "TROV Options"},
                     {"ChooseLanguage", "Choose your language"},
                     {"About", "About"},
                     {"TempDirText", "Temp directory (used for caching)"},
                     {"ChangeTempDir", "Change temp directory"},
                     {"AboutTROV", "About TROV, Contact, Updates"},
                     {"OK", "OK"},
                     {"Cancel", kCancel},
                 }});
    s.push_back({"add colour fading dialog",
                 "ADD_COLOR_FADING_DLG",
                 "AddColorFadingDlg",
                 {
                     {"MainTitle", "Add Colorfading"},
                     {"DefaultColorFading", "Default Color Fading"},
                     {"WhiteFlash", "White Flash"},
                     {"WhiteFlashSync", "White, synchronized Flash"},
                 }});
    s.push_back(
        {"audio settings dialog",
         "AUDIO_SETTINGS_DLG",
         "AudioSettingsDlg",
         {
             {"MainTitle", "Audio Settings"},
             {"AudioFile", "Audio File:"},
             {"BrowseAudioFile", kBrowse},
             {"NormalizeAudioFile",
              "Normalize Audio File (normalized file is cached; no changes to the original file)"},
             {"StartTime", "Start Time (in milliseconds):"},
             {"PlayShortExample", "Play short example"},
             {"FadingOptions", "Fading Option"},
             {"Option1", "Fading Time = Time, how long the Audio File is faded in"},
             {"Option2", "Fading Time = Time, how long the Audio File is faded out"},
             {"Option3",
              "Fading Time = Time, how long the Audio File is mixed with the last Audio File (if "
              "available)"},
             {"FadingTime", "Fading Time (in milliseconds):"},
             {"Synchronize", "Synchronize to frames fading to next picture (both values are identical)"},
             {"UseNewSettings", "Use new settings"},
             {"ResetSettings", "Reset Settings"},
             {"Cancel", kCancel},
             {"LoopAudio", "Loop Audio"},
         }});
    s.push_back({"check effects dialog",
                 "CHECK_EFFECTS_DLG",
                 "CheckEffectsDlg",
                 {
                     {"MainTitle", "Check Effect"},
                     {"CurrentFrame", "Current Frame:"},
                     {"DisableEffect", "Disable effect (only for random fade)"},
                     {"ShowNextFrame", "Show next frame of current fading"},
                     {"AboutCurrentFading", "About current fading"},
                 }});
    s.push_back(
        {"creation settings dialog",
         "CREATION_SETTINGS_DLG",
         "CreationSettingsDlg",
         {
             {"MainTitle", "Creation Settings"},
             {"MovieSettings", "Movie Settings"},
             {"ChooseVideoCodec", "Choose Video Codec"},
             {"ChooseAudioCodec", "Choose Audio Codec"},
             {"StartCreation", "Start Creation"},
             {"Cancel", kCancel},
             {"SaveCodecSettings", "Save Video und Audio Codec Settings"},
             {"StaticInformation",
              "Remember: TROV only supports AVIs with 2 GBytes (maximum). So don´t use \"Uncompressed\" as a "
              "video "
              "codec; use another codec. Only set an audio codec, if you have audio-files in your project."},
             {"StaticFilename", "Filename"},
             {"BrowseFileName", kBrowse},
             {"EnableVideoStreamCache",
              "Enable Video Stream Cache (If you enable this cache, then the creation process is speeded up, "
              "because TROV regenerates only these parts, which have been changed. For example: If you "
              "change "
              "only the picture text of one picture, then the next time TROV only regenerates this part. If "
              "you "
              "enable this, it is possible that the created video gets bigger than without enabled it.)"},
             {"StaticCreationSettings", "Creation Settings"},
             {"EnablePermanentCache",
              "Enable Permanent Cache (All cached files keep resistent if you exit TROV. Ready to use next "
              "time "
              "you start TROV)"},
             {"ResetCache", "Reset Cache"},
             {"StaticStartPosition", "StartPosition:"},
             {"StaticEndPosition", "EndPosition:"},
             {"StaticQuality", "Quality:"},
             // Looked up for the quality description beside the combo box, not registered.
             {"Quality.Production", "Good Quality - Normal Creation (Default)", 0},
             {"Quality.FinalProduction",
              "Excellent Quality - Slowest Creation (Use this, if you want the best quality; needs ~40% more "
              "time than Default)",
              0},
         }});
    s.push_back({"panorama scrolling dialog",
                 "PANORAMA_SCROLLING_DLG",
                 "PanomaraScrollingDlg",
                 {
                     {"MainTitle", "Panorama Scrolling Settings"},
                     {"Information",
                      "This feature allows you to let your picture scroll from one direction to another "
                      "direction. Best use for Panorama-Pictures."},
                     {"ScrollFrom", "Scroll from ..."},
                     {"Top2Bottom", "Top to Bottom"},
                     {"Left2Right", "Left to Right"},
                     {"Right2Left", "Right to Left"},
                     {"Bottom2Top", "Bottom to Top"},
                     {"Cancel", kCancel},
                 }});
    s.push_back({"picture move dialog",
                 "PICTURE_MOVE_DLG",
                 "PictureMoveDlg",
                 {
                     {"MainTitle", "Picture Move"},
                     {"PictureMoveControls", "Picture Move Controls"},
                     {"PosX", "Pos X:"},
                     {"PosY", "Pos Y:"},
                     {"Width", "Width:"},
                     {"Height", "Height:"},
                     {"UpdateValues", "Update Values"},
                     {"ZoomIn", "Zoom In"},
                     {"ZoomOut", "Zoom Out"},
                     {"PositionSet", "Position Set"},
                     {"SetAsPosition1", "Set as Position 1"},
                     {"SetAsPosition2", "Set as Position 2"},
                     {"Pos1", "Pos 1"},
                     {"Pos2", "Pos 2"},
                     {"FirstFrame", "<<<"},
                     {"PrevFrame", "<"},
                     {"NextFrame", ">"},
                     {"LastFrame", ">>>"},
                     {"QualitySettings", "Quality Settings for current project"},
                     {"InternalScaleFactor", "Internal Scale Factor:"},
                     {"MaximumScaleFactor", "Maximum Scale Factor:"},
                     {"Cancel", kCancel},
                     {"StaticPoint2Point", "Point-2-Point Flight"},
                     {"AddFlightPoint", "Add Point (left click on the picture)"},
                     {"ChangeFlightPointColor", "Change Flight Point-Color"},
                     {"StaticRadius", "Radius:"},
                     {"SavePicture", "Save Picture (for manual X / Y selection)"},
                     {"ImportPoints", "Import Points from TXT-File"},
                     {"ExportPoints", "Export Points as TXT-File"},
                 }});
    s.push_back({"project settings dialog",
                 "PROJECT_SETTINGS_DLG",
                 "ProjectSettingsDlg",
                 {
                     {"MainTitle", "Project Settings"},
                     {"Settings", "Settings"},
                     {"ChooseOutputAVI", "Choose Output AVI"},
                     {"FramesTextFadeIn", "Frames Text-Fade-In:"},
                     {"FramesShowingPicture", "Frames Showing Picture:"},
                     {"FramesTextFadeOut", "Frames Text-Fade-Out:"},
                     {"FramesFading2NextPicture", "Frames fading to next picture:"},
                     {"MovieSize", "Movie-Size:"},
                     {"FramesPerSeconds", "Frames per seconds:"},
                     {"Commands", "Commands"},
                     {"SetAsDefault", "Set As Default"},
                     {"LoadSettings", "Load Settings"},
                     {"SaveSettings", "Save Settings"},
                     {"Cancel", kCancel},
                     {"ChangeGlobalBackgroundColor", "Change Global Background Color"},
                     {"StaticGlobalBackgroundColor", "Global Background Color"},
                     {"CropInPixel", "Crop in Pixel"},
                     {"CropTop", "Top"},
                     {"CropBottom", "Bottom"},
                     {"CropLeft", "Left"},
                     {"CropRight", "Right"},
                 }});
    s.push_back({"special picture settings dialog",
                 "SPECIAL_PICTURE_SETTINGS_DLG",
                 "SpecialPictureSettingsDlg",
                 {
                     {"MainTitle", "Special Picture Settings"},
                     {"PanoramaScrolling", "Panorama Scrolling"},
                     {"ConfigurePanoramaScrolling", kConfigure},
                     {"PictureMove", "Picture Move"},
                     {"ConfigurePictureMove", kConfigure},
                     {"Cancel", kCancel},
                 }});
    s.push_back({"special text edit dialog",
                 "SPECIAL_TEXT_EDIT_DLG",
                 "SpecialTextEditDlg",
                 {
                     {"MainTitle", "Special Text Edit"},
                     {"Removes", "Removes all letters until the declared letters are found:"},
                     {"StartRemovingLetters", "Start"},
                     {"CloseWithoutEditing", "Close without editing"},
                 }});
    // The synchronisation dialog's keys are this program's own: its texts are those the dialog shows.
    s.push_back(
        {"audio/video synchronisation dialog",
         "SYNC_AUDIO_VIDEO_DLG",
         "SyncAudioVideoDlg",
         {
             {"MainTitle", "Synchronize Audio and Video"},
             {"Information",
              "To start the synchronisation between audio and video, you first have to preprocess your "
              "current project. After that, click \"Start synchronisation\" for starting your "
              "synchronisation. If you have made changes to your project (for example a new picture), "
              "then it is STRONGLY recommended, that you preprocess again!"},
             {"Preprocessing", "Preprocessing"},
             {"StaticStartPosition", "Start position:"},
             {"StaticEndPosition", "End position:"},
             {"StartSynchronisation", "Start synchronisation"},
             {"NextPicture", "&Next Picture"},
             {"StaticImages", "Current Image < Next image < Next but one image"},
             {"StaticCurrentTime", "Current time:"},
             {"StaticPictureTime", "Time of current picture:"},
             {"ApplySynchronisation", "Apply synchronisation"},
             {"Cancel", kCancel},
         }});
    s.push_back({"text settings dialog",
                 "TEXT_SETTINGS_DLG",
                 "TextSettingsDlg",
                 {
                     {"TextSettings", "Text Settings"},
                     {"TextPosition", "Text Position"},
                     {"BottomLeft", "Bottom - Left"},
                     {"BottomCenter", "Bottom - Center"},
                     {"BottomRight", "Bottom - Right"},
                     {"CenterLeft", "Center - Left"},
                     {"CenterRight", "Center - Right"},
                     {"TopLeft", "Top - Left"},
                     {"TopCenter", "Top - Center"},
                     {"TopRight", "Top - Right"},
                     {"CenterCenter", "Center - Center"},
                     {"StaticTextFading", "Text Fading"},
                     {"StaticTextFadeIn", "Text Fade-In-Effect:"},
                     {"StaticTextFadeOut", "Text Fade-Out-Effect:"},
                     {"ResetTextFadings", "Reset"},
                     {"OK", "Use new settings"},
                     {"Cancel", kCancel},
                 }});
    s.push_back(
        {"wizard: welcome page",
         "WIZARD_01_DLG_INFORMATION",
         "Wizard_01_Dlg_Information",
         {
             {"TextSettings", kWizardCaption},
             {"Welcome1", "My First Video"},
             {"Welcome2",
              "This Wizard will help you to create your first video from your pictures. Just follow the "
              "next steps and you will get your first video."},
             {"Welcome3", "Please first save your project, if you don´t want to loose your settings."},
             {"Back", kBack},
             {"Next", kNext},
             {"Cancel", kCancel},
         }});
    s.push_back(
        {"wizard: step 1",
         "WIZARD_01_DLG_01",
         "Wizard_01_Dlg_01",
         {
             {"TextSettings", kWizardCaption},
             {"Step1",
              "Select your pictures, from which you want to create your video (a fading effect between "
              "two pictures is added automatically):"},
             {"AddPictures", "Add Pictures"},
             {"Back", kBack},
             {"Next", kNext},
             {"Cancel", kCancel},
         }});
    s.push_back(
        {"wizard: step 2",
         "WIZARD_01_DLG_02",
         "Wizard_01_Dlg_02",
         {
             {"TextSettings", kWizardCaption},
             {"Step2", "How many seconds do you want to see one picture? Please enter the time in seconds:"},
             {"TimeInSeconds", "Time in seconds:"},
             {"Back", kBack},
             {"Next", kNext},
             {"Cancel", kCancel},
         }});
    s.push_back({"wizard: step 3",
                 "WIZARD_01_DLG_03",
                 "Wizard_01_Dlg_03",
                 {
                     {"TextSettings", kWizardCaption},
                     {"SelectDestination", "Please select your destination:"},
                     {"Browse", kBrowse},
                     {"Back", kBack},
                     {"Next", kNext},
                     {"Cancel", kCancel},
                 }});
    // The last page's forward button is "Finish".
    s.push_back({"wizard: finish page",
                 "WIZARD_01_DLG_FINISH",
                 "Wizard_01_Dlg_Finish",
                 {
                     {"TextSettings", "TROV Wizard - Finish"},
                     {"Congratulation",
                      "Congratulation! You set up your first TROV project! Press \"Finish\", if you want to "
                      "change some settings of your project now!"},
                     {"FinishAndStartCreation",
                      "No, i don´t want to change any settings! Please create my first video now!"},
                     {"Finish", "Finish"},
                     {"Back", kBack},
                     {"Cancel", kCancel},
                 }});
    return s;
}

std::vector<CMainMenuItem> BuildMenu() {
    const CMainMenuItem sep{"", "", "", {}};
    return {
        {"",
         "Project",
         "",
         {
             {"ProjectReset", "&Reset", "Ctrl+R", {}},
             {"ProjectOpen", "&Open Project", "Ctrl+O", {}},
             {"ProjectSave", "&Save Project", "Ctrl+S", {}},
             sep,
             {"ProjectMakeComplete", "Make complete Project", "F8", {}},
             sep,
             {"ProjectSettings", "&Project Settings", "Ctrl+P", {}},
             sep,
             {"ProjectPathsRelative", "Make directory paths relative to saved project", "", {}},
             {"ProjectPathsAbsolute", "Make directory paths absolute to saved project", "", {}},
             sep,
             {"ProjectSavePreviewPicture", "Save Preview Picture", "Ctrl+E", {}},
             sep,
             {"ProjectExit", "E&xit", "", {}},
         }},
        {"",
         "Objects",
         "",
         {
             {"ObjectsAddPictures", "Add Pictures", "F3", {}},
             {"ObjectsAddAudio", "Add Audio", "", {}},
             {"ObjectsAddPictureDirectory", "Add Picture Directory", "F4", {}},
             sep,
             {"ObjectsAudioSettings", "Audio Settings", "Ctrl+A", {}},
             {"ObjectsAddColorFading", "Add Color Fading", "", {}},
             {"ObjectsAddRandomFading", "Add Random Fading", "", {}},
             sep,
             {"ObjectsChooseFont", "Choose Font", "", {}},
             {"ObjectsChooseTextColor", "Choose Text Color", "", {}},
             {"ObjectsChooseTextBackgroundColor", "Choose Text Background Color", "", {}},
             {"ObjectsChangeTextPosition", "Change Text Position", "", {}},
             {"ObjectsSpecialTextEdit", "Special Text Edit", "", {}},
             sep,
             {"ObjectsSpecialPictureSettings", "Special Picture Settings", "", {}},
             {"ObjectsShowFadingPreview", "Show Fading Preview", "Ctrl+F", {}},
             sep,
             {"ObjectsCopy", "Copy Objects", "Ctrl+Ins", {}},
             {"ObjectsPaste", "Paste Objects", "Shift+Ins", {}},
             {"ObjectsDelete", "Delete Objects", "Del", {}},
             sep,
             {"ObjectsSynchronize", "Synchronize Audio and Video", "F10", {}},
         }},
        {"",
         "Select && Manipulate",
         "",
         {
             {"SelectAll", "Select all objects", "", {}},
             {"SelectAllWithText", "Select all objects with text", "", {}},
             sep,
             {"RotateClockwise", "Rotate 90 clockwise", "", {}},
             {"Rotate180", "Rotate 180", "", {}},
             {"RotateCounterclockwise", "Rotate 90 counterclockwise", "", {}},
         }},
        {"", "Start Creation", "", {{"StartCreation", "Start Creation", "F5", {}}}},
        {"", "Wizards", "", {{"WizardFirstVideo", "Wizard 1: My First Video", "", {}}}},
        {"",
         "Options",
         "",
         {
             {"OptionsCheckEffects", "Check Effects", "", {}},
             sep,
             {"OptionsCreateFadingPreview", "Create Realtime Fading Effects Preview", "", {}},
             {"OptionsCreateFadingPreviewOwn",
              "Create Realtime Fading Effects Preview with own pictures",
              "",
              {}},
             {"OptionsShowHideFadingPreview", "Show / Hide Realtime Fading Effects Preview", "F2", {}},
             sep,
             {"OptionsOptions", "Options", "", {}},
         }},
        {"About", "&About", "", {}},
    };
}

// Platform menu flags kept in the file for readers of the format: a separator's type, a popup's state.
constexpr int kSeparatorType = 0x800;

void AppendTree(const std::vector<CMainMenuItem>& items, std::vector<CMenuTreeItem>& out) {
    for (const CMainMenuItem& item : items) {
        CMenuTreeItem node;
        node.text = item.text;
        if (item.shortcut[0] != '\0') node.text += std::string("\t") + item.shortcut;
        if (item.IsSeparator()) node.type = kSeparatorType;
        if (!item.items.empty()) {
            node.hasSubMenu = true;
            AppendTree(item.items, node.items);
        }
        out.push_back(std::move(node));
    }
}

void CheckMenu(const CSettingsStore& file, const std::string& section, const std::vector<CMenuTreeItem>& tree,
               std::vector<std::string>& problems, std::vector<std::string>& visited) {
    visited.push_back(section);
    const CSettingsSection* s = file.GetSection(section);
    if (!s) {
        problems.push_back("missing section [" + section + "]");
        return;
    }
    std::vector<std::string> expected{"ItemCount"};
    for (size_t i = 0; i < tree.size(); ++i) {
        for (const char* k : {"ItemName", "SubMenu", "State", "Type"})
            expected.push_back(k + std::to_string(i));
    }
    int count = -1;
    file.GetInt(section, "ItemCount", count);
    if (count != static_cast<int>(tree.size())) {
        problems.push_back("[" + section + "] ItemCount is " + std::to_string(count) + ", the menu has " +
                           std::to_string(tree.size()) + " positions");
    }
    for (const std::string& key : expected) {
        if (!s->Has(key)) problems.push_back("[" + section + "] missing key " + key);
    }
    for (const auto& [key, value] : s->GetEntries()) {
        if (std::find(expected.begin(), expected.end(), key) == expected.end()) {
            problems.push_back("[" + section + "] unused key " + key);
        }
    }
    for (size_t i = 0; i < tree.size(); ++i) {
        const std::string n = std::to_string(i);
        std::string text;
        file.GetString(section, "ItemName" + n, text);
        const bool separator = tree[i].type == kSeparatorType;
        if (separator != text.empty()) {
            problems.push_back("[" + section + "] ItemName" + n +
                               (separator ? " must be empty (a separator)" : " is empty"));
        }
        // The shortcut text after the tab is shown as the translator writes it ("Strg+O"); the key
        // itself stays. An item with a shortcut must keep one, an item without must not gain one.
        const bool hasShortcut = tree[i].text.find('\t') != std::string::npos;
        if (!separator && hasShortcut != (text.find('\t') != std::string::npos)) {
            problems.push_back(
                "[" + section + "] ItemName" + n +
                (hasShortcut ? " must end in a tab and its shortcut" : " must have no shortcut"));
        }
        int sub = 0;
        file.GetInt(section, "SubMenu" + n, sub);
        if ((sub == 1) != tree[i].hasSubMenu)
            problems.push_back("[" + section + "] SubMenu" + n + " is wrong");
        if (tree[i].hasSubMenu) CheckMenu(file, section + "\\" + n, tree[i].items, problems, visited);
    }
}

void CheckKeys(const CSettingsStore& file, const std::string& section,
               const std::vector<std::pair<std::string, std::string>>& keys,
               std::vector<std::string>& problems) {
    const CSettingsSection* s = file.GetSection(section);
    if (!s) {
        problems.push_back("missing section [" + section + "]");
        return;
    }
    for (const auto& [key, text] : keys) {
        std::string value;
        if (!s->Get(key, value)) {
            problems.push_back("[" + section + "] missing key " + key);
        } else if (Placeholders(value) != Placeholders(text)) {
            problems.push_back("[" + section + "] " + key + ": placeholders differ from \"" + text + "\"");
        } else if (value.empty() && !text.empty()) {
            problems.push_back("[" + section + "] " + key + " is empty");
        }
    }
    for (const auto& entry : s->GetEntries()) {
        // A named reference, not a structured binding: clang 14 (the fuzz build) cannot capture those.
        const std::string& key = entry.first;
        const bool known =
            std::any_of(keys.begin(), keys.end(), [&](const auto& k) { return k.first == key; });
        if (!known) problems.push_back("[" + section + "] unused key " + key);
    }
}

std::vector<std::pair<std::string, std::string>> ColumnKeys(const std::vector<CColumnDefault>& columns) {
    std::vector<std::pair<std::string, std::string>> keys{{"Columns", ""}};
    for (size_t i = 0; i < columns.size(); ++i) {
        keys.emplace_back("Column" + std::to_string(i) + "_Name", columns[i].name);
        keys.emplace_back("Column" + std::to_string(i) + "_Width", "");
    }
    return keys;
}

void WriteColumns(CSettingsStore& store, const std::string& section,
                  const std::vector<CColumnDefault>& columns) {
    store.SetInt(section, "Columns", static_cast<int>(columns.size()));
    for (size_t i = 0; i < columns.size(); ++i) {
        store.SetString(section, "Column" + std::to_string(i) + "_Name", columns[i].name);
        store.SetInt(section, "Column" + std::to_string(i) + "_Width", columns[i].width);
    }
}

}  // namespace

const std::vector<CLanguageSection>& LanguageSections() {
    static const std::vector<CLanguageSection> sections = BuildSections();
    return sections;
}

const CLanguageSection* FindLanguageSection(std::string_view section) {
    for (const CLanguageSection& s : LanguageSections()) {
        if (section == s.section) return &s;
    }
    return nullptr;
}

const char* FindDefaultText(std::string_view section, std::string_view key) {
    if (const CLanguageSection* s = FindLanguageSection(section)) {
        for (const CLanguageKey& k : s->keys) {
            if (key == k.key) return k.text;
        }
    }
    return nullptr;
}

int RegisterLanguageSection(CWndLanguageManager& manager, const CLanguageSection& section,
                            const std::function<CWindowControl*(std::string_view key)>& controlFor) {
    int registered = 0;
    for (const CLanguageKey& k : section.keys) {
        if (k.mode == 0) continue;
        CWindowControl* control = controlFor(k.key);
        if (control &&
            manager.AddControl(control, k.text, section.section, k.key, section.category, k.mode)) {
            ++registered;
        }
    }
    return registered;
}

int OpenDialogLanguage(const CWndLanguageManager& mainManager, CWndLanguageManager& dialogManager,
                       std::string_view section,
                       const std::function<CWindowControl*(std::string_view key)>& controlFor) {
    const CLanguageSection* table = FindLanguageSection(section);
    if (!table) return 0;
    dialogManager.CopySectionFrom(mainManager, table->section);
    const int registered = RegisterLanguageSection(dialogManager, *table, controlFor);
    dialogManager.UpdateCategory(table->category);
    return registered;
}

const std::vector<CMainMenuItem>& MainMenuItems() {
    static const std::vector<CMainMenuItem> menu = BuildMenu();
    return menu;
}

std::vector<CMenuTreeItem> MainMenuTree() {
    std::vector<CMenuTreeItem> tree;
    AppendTree(MainMenuItems(), tree);
    return tree;
}

const std::vector<CColumnDefault>& PictureListColumns() {
    static const std::vector<CColumnDefault> columns{
        {"Position", 60},
        {"File Name", 400},
        {"Text-FadeIn", 100},
        {"ShowPicture", 100},
        {"Text-FadeOut", 100},
        {"Fade2NextPicture", 100},
        {"Fading-Type to next picture", 180},
        {"Text", 500},
        {"Font", 150},
        {"Special Picture Settings", 250},
        {"Audio", 250},
        {"Start Time", 100},
        {"Fading Time", 100},
        {"Fade Option", 100},
        {"Rotation", 100},
    };
    return columns;
}

const std::vector<CColumnDefault>& CodecSettingsListColumns() {
    static const std::vector<CColumnDefault> columns{{"Filename", 100}, {"Video", 150}, {"Audio", 150}};
    return columns;
}

const std::vector<CLanguageKey>& MessageTexts() {
    static const std::vector<CLanguageKey> texts{
        {"CanNotFindFadingEffect", "Can not find specified fading effect:"},
        {"MaybeUpdateTROVOrUseDLL",
         "This error means, that you have selected one fading, that is not installed to TROV. Please update "
         "your project or update TROV or add the DLL with the plug-in for the fading you have selected!"},
        {"AddAFadingEffect",
         "Please set a fading effect to this picture! If you don´t want a fading effect to the next picture, "
         "please also add a fading effect to the picture; then set the frames fading to next picture to 0."},
    };
    return texts;
}

CSettingsStore DefaultLanguageStore() {
    CSettingsStore store;
    store.SetString(kLanguageInfoSection, "Language", "English");
    store.SetString(kLanguageInfoSection, "Version", kLanguageFileVersion);
    store.SetString(kLanguageInfoSection, "Author", "Trovamatic");
    store.SetString(kLanguageInfoSection, "Comment", "The built-in English texts.");
    for (const CLanguageKey& k : MessageTexts()) store.SetString(kTextsSection, k.key, k.text);
    WriteMenuTree(store, kMainMenuSection, MainMenuTree());
    WriteColumns(store, kPictureListSection, PictureListColumns());
    WriteColumns(store, kCodecSettingsListSection, CodecSettingsListColumns());
    for (const CLanguageSection& s : LanguageSections()) {
        for (const CLanguageKey& k : s.keys) store.SetString(s.section, k.key, k.text);
    }
    return store;
}

namespace {
class FileWriter {
public:
    void Section(const std::string& name) {
        if (!m_text.empty()) m_text += "\r\n";
        m_text += "[" + name + "]\r\n";
    }
    void Key(const std::string& key, const std::string& value) { m_text += key + "=" + value + "\r\n"; }
    void Key(const std::string& key, int value) { Key(key, std::to_string(value)); }
    void Menu(const std::string& section, const std::vector<CMenuTreeItem>& items) {
        Section(section);
        Key("ItemCount", static_cast<int>(items.size()));
        for (size_t i = 0; i < items.size(); ++i) {
            const std::string n = std::to_string(i);
            Key("ItemName" + n, items[i].text);
            Key("SubMenu" + n, items[i].hasSubMenu ? 1 : 0);
            Key("State" + n, items[i].state);
            Key("Type" + n, items[i].type);
        }
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].hasSubMenu) Menu(section + "\\" + std::to_string(i), items[i].items);
        }
    }
    void Columns(const std::string& section, const std::vector<CColumnDefault>& columns) {
        Section(section);
        Key("Columns", static_cast<int>(columns.size()));
        for (size_t i = 0; i < columns.size(); ++i) {
            Key("Column" + std::to_string(i) + "_Name", columns[i].name);
            Key("Column" + std::to_string(i) + "_Width", columns[i].width);
        }
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};
}  // namespace

std::string DefaultLanguageFileText() {
    const CSettingsStore store = DefaultLanguageStore();
    FileWriter w;
    w.Section(kLanguageInfoSection);
    for (const char* key : {"Language", "Version", "Author", "Comment"}) {
        std::string value;
        store.GetString(kLanguageInfoSection, key, value);
        w.Key(key, value);
    }
    w.Section(kTextsSection);
    for (const CLanguageKey& k : MessageTexts()) w.Key(k.key, k.text);
    w.Menu(kMainMenuSection, MainMenuTree());
    w.Columns(kPictureListSection, PictureListColumns());
    w.Columns(kCodecSettingsListSection, CodecSettingsListColumns());
    for (const CLanguageSection& s : LanguageSections()) {
        w.Section(s.section);
        for (const CLanguageKey& k : s.keys) w.Key(k.key, k.text);
    }
    return w.Text();
}

std::vector<std::string> Placeholders(std::string_view text) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        size_t j = i + 1;
        while (j < text.size() &&
               std::string_view("-+ #0123456789.lhz").find(text[j]) != std::string_view::npos)
            ++j;
        if (j >= text.size()) break;
        // Only conversions count; a "%" followed by a letter that is none ("~40% more") is plain text.
        if (std::string_view("%dioupxXsScfeEgG").find(text[j]) == std::string_view::npos) continue;
        out.emplace_back(text.substr(i, j - i + 1));
        i = j;
    }
    return out;
}

std::vector<std::string> CheckLanguageFile(const CSettingsStore& file) {
    std::vector<std::string> problems;
    std::vector<std::string> known{kLanguageInfoSection, kTextsSection, kPictureListSection,
                                   kCodecSettingsListSection};
    {
        std::vector<std::pair<std::string, std::string>> keys;
        for (const CLanguageKey& k : MessageTexts()) keys.emplace_back(k.key, k.text);
        CheckKeys(file, kTextsSection, keys, problems);
    }
    if (!file.HasKey(kLanguageInfoSection, "Language")) problems.push_back("missing key [LANGUAGE] Language");
    if (const CSettingsSection* info = file.GetSection(kLanguageInfoSection)) {
        for (const auto& [key, value] : info->GetEntries()) {
            if (key != "Language" && key != "Version" && key != "Author" && key != "Comment")
                problems.push_back("[LANGUAGE] unused key " + key);
        }
    }
    CheckKeys(file, kPictureListSection, ColumnKeys(PictureListColumns()), problems);
    CheckKeys(file, kCodecSettingsListSection, ColumnKeys(CodecSettingsListColumns()), problems);
    CheckMenu(file, kMainMenuSection, MainMenuTree(), problems, known);
    for (const CLanguageSection& s : LanguageSections()) {
        known.push_back(s.section);
        std::vector<std::pair<std::string, std::string>> keys;
        for (const CLanguageKey& k : s.keys) keys.emplace_back(k.key, k.text);
        CheckKeys(file, s.section, keys, problems);
    }
    for (const auto& [name, section] : file.GetSections()) {
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            problems.push_back("unused section [" + name + "]");
        }
    }
    return problems;
}

}  // namespace trov
