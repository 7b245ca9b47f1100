// What the two files of the text table share: the texts several windows use, and the dialogs'
// sections (LanguageDialogTexts.cpp) that follow "MAIN_VIEW" (LanguageTable.cpp).
#pragma once

#include <vector>

#include "ui/LanguageTable.h"

namespace trov::languagetable {

// Common texts shared by several windows.
inline constexpr const char* kCancel = "Cancel";
inline constexpr const char* kUpdate = "Update";
inline constexpr const char* kBrowse = "Browse";
inline constexpr const char* kConfigure = "Configure";
inline constexpr const char* kWizardCaption = "TROV Wizard";
inline constexpr const char* kBack = "<< Back";
inline constexpr const char* kNext = "Next >>";

// Every dialog's section, in the order of the language file.
std::vector<CLanguageSection> DialogSections();

}  // namespace trov::languagetable
