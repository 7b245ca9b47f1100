// A dialog's translated texts.
#include "ui/qt/DialogTexts.h"

#include "ui/LanguageTable.h"

namespace trov {

QString CDialogTexts::Default(const char* key) const {
    const char* text = FindDefaultText(m_section, key);
    return QString::fromUtf8(text ? text : key);
}

void CDialogTexts::Add(const char* key, QWidget* widget) {
    m_widgets[key] = widget;
}

void CDialogTexts::Apply(const CWndLanguageManager& main) {
    OpenDialogLanguage(main, m_language, m_section, [this](std::string_view key) -> CWindowControl* {
        auto it = m_widgets.find(std::string(key));
        if (it == m_widgets.end()) return nullptr;
        m_adapters.push_back(std::make_unique<CQtWindowControl>(it->second));
        return m_adapters.back().get();
    });
}

}  // namespace trov
