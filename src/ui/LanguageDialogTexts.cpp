// The language sections of every dialog, one function each; DialogSections gives their order in
// the language file.
#include "ui/LanguageTableParts.h"

namespace trov::languagetable {

namespace {

CLanguageSection OptionsDialogTexts() {
    return {"options dialog",
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
            }};
}

CLanguageSection AddColourFadingDialogTexts() {
    return {"add colour fading dialog",
            "ADD_COLOR_FADING_DLG",
            "AddColorFadingDlg",
            {
                {"MainTitle", "Add Colorfading"},
                {"DefaultColorFading", "Default Color Fading"},
                {"WhiteFlash", "White Flash"},
                {"WhiteFlashSync", "White, synchronized Flash"},
            }};
}

CLanguageSection AudioSettingsDialogTexts() {
    return {"audio settings dialog",
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
            }};
}

CLanguageSection CheckEffectsDialogTexts() {
    return {"check effects dialog",
            "CHECK_EFFECTS_DLG",
            "CheckEffectsDlg",
            {
                {"MainTitle", "Check Effect"},
                {"CurrentFrame", "Current Frame:"},
                {"DisableEffect", "Disable effect (only for random fade)"},
                {"ShowNextFrame", "Show next frame of current fading"},
                {"AboutCurrentFading", "About current fading"},
            }};
}

CLanguageSection CreationSettingsDialogTexts() {
    return {
        "creation settings dialog",
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
            // The main view's start button while a creation runs, and the status bar's movie button.
            {"CancelCreation", "Cancel Creation", 0},
            {"OpenMovie", "Open the movie", 0},
            {"NoMoviePlayer", "No program was found to open the movie:", 0},
            // The two codec choosers this dialog opens.
            {"OK", "OK", 0},
            {"VideoCodec.Encoders", "Video encoders of this machine (movie %d x %d):", 0},
            {"VideoCodec.Quality", "Quality (0 - 10000):", 0},
            {"VideoCodec.KeyFrames", "Key frame every:", 0},
            {"VideoCodec.KeyFramesValue", "one per second of the movie", 0},
            {"VideoCodec.DataRate", "Data rate:", 0},
            {"VideoCodec.ByQuality", "by quality", 0},
            {"VideoCodec.Options", "Encoder options:", 0},
            {"VideoCodec.OptionsHint", "key=value;key=value (the encoder's own options)", 0},
            {"VideoCodec.Lossless", "Lossless: quality and data rate do not apply.", 0},
            {"VideoCodec.QualityNote", "Quality 10000 is the best; a data rate overrides the quality.", 0},
            {"VideoCodec.ChooseEncoder", "Choose an encoder.", 0},
            {"VideoCodec.CanCompress", "This encoder can compress %d x %d pictures.", 0},
            {"VideoCodec.CannotTake", "This encoder cannot take this movie:", 0},
            {"AudioCodec.ChooseFormat", "Choose your Audio Format", 0},
            {"AudioCodec.PcmSelection", "16 Bit PCM Selection", 0},
            {"AudioCodec.Format", "Format:", 0},
            {"AudioCodec.Attributes", "Attributes:", 0},
            {"AudioCodec.NoAudio", "No audio", 0},
        }};
}

CLanguageSection PanoramaScrollingDialogTexts() {
    return {"panorama scrolling dialog",
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
            }};
}

CLanguageSection PictureMoveDialogTexts() {
    return {"picture move dialog",
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
                // The quality boxes' explanation (a message box).
                {"Help", "Help"},
            }};
}

CLanguageSection ProjectSettingsDialogTexts() {
    return {"project settings dialog",
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
            }};
}

CLanguageSection SpecialPictureSettingsDialogTexts() {
    return {"special picture settings dialog",
            "SPECIAL_PICTURE_SETTINGS_DLG",
            "SpecialPictureSettingsDlg",
            {
                {"MainTitle", "Special Picture Settings"},
                {"PanoramaScrolling", "Panorama Scrolling"},
                {"ConfigurePanoramaScrolling", kConfigure},
                {"PictureMove", "Picture Move"},
                {"ConfigurePictureMove", kConfigure},
                {"Cancel", kCancel},
            }};
}

CLanguageSection SpecialTextEditDialogTexts() {
    return {"special text edit dialog",
            "SPECIAL_TEXT_EDIT_DLG",
            "SpecialTextEditDlg",
            {
                {"MainTitle", "Special Text Edit"},
                {"Removes", "Removes all letters until the declared letters are found:"},
                {"StartRemovingLetters", "Start"},
                {"CloseWithoutEditing", "Close without editing"},
            }};
}

// The synchronisation dialog's keys are this program's own: its texts are those the dialog shows.
CLanguageSection AudioVideoSynchronisationDialogTexts() {
    return {"audio/video synchronisation dialog",
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
                // Texts the dialog shows itself.
                {"StopSynchronisation", "Stop synchronisation", 0},
                {"PreprocessingDone", "Preprocessing done!", 0},
                {"PreprocessingCanceled", "Preprocessing canceled!", 0},
                {"NotRead", "Could not be read (pictures, audio pieces):", 0},
                {"NoSound", "No sound can be played. The pictures are timed by the clock alone.", 0},
                {"StartNotAnEntry", "The start position is not an entry of the picture list.", 0},
                {"ApplyQuestion", "Do you want apply the synchronisation settings?", 0},
                {"ApplyCaption", "Apply synchronization!", 0},
                {"PanoramaScroll", "Panorama Scroll.", 0},
                {"PictureMove", "Picture Move", 0},
            }};
}

CLanguageSection TextSettingsDialogTexts() {
    return {"text settings dialog",
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
            }};
}

CLanguageSection WizardWelcomePageTexts() {
    return {"wizard: welcome page",
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
            }};
}

CLanguageSection WizardStep1Texts() {
    return {"wizard: step 1",
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
            }};
}

CLanguageSection WizardStep2Texts() {
    return {
        "wizard: step 2",
        "WIZARD_01_DLG_02",
        "Wizard_01_Dlg_02",
        {
            {"TextSettings", kWizardCaption},
            {"Step2", "How many seconds do you want to see one picture? Please enter the time in seconds:"},
            {"TimeInSeconds", "Time in seconds:"},
            {"Back", kBack},
            {"Next", kNext},
            {"Cancel", kCancel},
            {"WholeSeconds", "Please enter the time in whole seconds (0 or more).", 0},
        }};
}

CLanguageSection WizardStep3Texts() {
    return {"wizard: step 3",
            "WIZARD_01_DLG_03",
            "Wizard_01_Dlg_03",
            {
                {"TextSettings", kWizardCaption},
                {"SelectDestination", "Please select your destination:"},
                {"Browse", kBrowse},
                {"Back", kBack},
                {"Next", kNext},
                {"Cancel", kCancel},
            }};
}

// The last page's forward button is "Finish".
CLanguageSection WizardFinishPageTexts() {
    return {"wizard: finish page",
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
            }};
}

}  // namespace

std::vector<CLanguageSection> DialogSections() {
    return {
        OptionsDialogTexts(),
        AddColourFadingDialogTexts(),
        AudioSettingsDialogTexts(),
        CheckEffectsDialogTexts(),
        CreationSettingsDialogTexts(),
        PanoramaScrollingDialogTexts(),
        PictureMoveDialogTexts(),
        ProjectSettingsDialogTexts(),
        SpecialPictureSettingsDialogTexts(),
        SpecialTextEditDialogTexts(),
        AudioVideoSynchronisationDialogTexts(),
        TextSettingsDialogTexts(),
        WizardWelcomePageTexts(),
        WizardStep1Texts(),
        WizardStep2Texts(),
        WizardStep3Texts(),
        WizardFinishPageTexts(),
    };
}

}  // namespace trov::languagetable
