// The translated texts of one dialog: its widgets by language key, its own language manager with
// its section copied from the main window's, and the English defaults of the language table.
#pragma once

#include <QString>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/WndLanguageManager.h"
#include "ui/qt/QtControls.h"

class QWidget;

namespace trov {

class CDialogTexts {
public:
    explicit CDialogTexts(const char* section) : m_section(section) {}
    // The table's English text of key (the key itself when the table has none).
    QString Default(const char* key) const;
    // Registers widget under key (its text is set when Apply runs).
    void Add(const char* key, QWidget* widget);
    // Copies the section from main, registers every added widget in table order, applies them.
    void Apply(const CWndLanguageManager& main);
    CWndLanguageManager& Language() { return m_language; }
    const CWndLanguageManager& Language() const { return m_language; }

private:
    const char* m_section;
    std::map<std::string, QWidget*> m_widgets;
    std::vector<std::unique_ptr<CQtWindowControl>> m_adapters;
    CWndLanguageManager m_language;
};

}  // namespace trov
