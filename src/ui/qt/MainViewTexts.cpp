// The main view's texts: its defaults and its registration with the language manager, from the
// table of every translatable text.
#include "ui/LanguageTable.h"
#include "ui/qt/MainView.h"

namespace trov {

namespace {
constexpr const char* kMainView = "MAIN_VIEW";
}  // namespace

std::string CMainView::DefaultText(const char* key) {
    const char* text = FindDefaultText(kMainView, key);
    return text ? text : key;
}

void CMainView::RegisterTexts(CWndLanguageManager& language) {
    language.AddListCtrl(m_list.get(), kPictureListSection, kMainCategory);
    const CLanguageSection* section = FindLanguageSection(kMainView);
    if (!section) return;
    for (const CLanguageKey& key : section->keys) {
        auto it = m_textControls.find(key.key);
        if (it == m_textControls.end()) continue;
        language.AddControl(it->second, key.text, section->section, key.key, section->category, key.mode);
    }
}

}  // namespace trov
