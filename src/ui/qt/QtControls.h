// Thin adapters: Qt widgets behind the small control interfaces the user-interface logic works on.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "ui/MainViewCommands.h"
#include "ui/UiControls.h"

class QWidget;
class QCheckBox;
class QComboBox;
class QMenuBar;
class QMenu;
class QAction;
class QTreeWidget;
class QSlider;

namespace trov {

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string S(const QString& text) {
    return text.toStdString();
}

// Any widget with a text: labels, buttons, check boxes, group boxes, line edits, plain text
// edits; other widgets (dialogs, frames) through their window title.
class CQtWindowControl : public CWindowControl {
public:
    explicit CQtWindowControl(QWidget* widget) : m_widget(widget) {}
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    void SetEnabled(bool enabled) override;
    bool IsEnabled() const override;
    QWidget* Widget() const { return m_widget; }

private:
    QWidget* m_widget;
};

class CQtCheckControl : public CCheckControl {
public:
    explicit CQtCheckControl(QCheckBox* box) : m_box(box) {}
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    void SetEnabled(bool enabled) override;
    bool IsEnabled() const override;
    int GetCheck() const override;
    void SetCheck(int state) override;

private:
    QCheckBox* m_box;
};

// A drop-down list; sorted keeps its entries in the order of their texts (the language list).
class CQtComboControl : public CComboControl {
public:
    CQtComboControl(QComboBox* combo, bool sorted) : m_combo(combo), m_sorted(sorted) {}
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    void SetEnabled(bool enabled) override;
    bool IsEnabled() const override;
    int GetCount() const override;
    std::string GetItemText(int index) const override;
    int GetSelection() const override;
    void SetSelection(int index) override;
    void ClearItems() override;
    int AddItem(const std::string& text) override;

private:
    QComboBox* m_combo;
    bool m_sorted;
};

// The picture list: a QTreeWidget shown as a report list.
class CQtPictureList : public CPictureListControl {
public:
    explicit CQtPictureList(QTreeWidget* tree) : m_tree(tree) {}
    int GetColumnCount() const override;
    void DeleteColumn(int index) override;
    void InsertColumn(int index, const std::string& title, int width) override;
    std::string GetColumnTitle(int index) const override;
    int GetColumnWidth(int index) const override;
    int TextWidth(const std::string& text) const override;
    int GetRowCount() const override;
    void DeleteAllRows() override;
    void InsertRow(int index, const std::string& text) override;
    std::string GetCellText(int row, int column) const override;
    void SetCellText(int row, int column, const std::string& text) override;
    std::vector<int> GetSelectedRows() const override;
    void SetSelectedRows(const std::vector<int>& rows) override;
    void SetAllRows(const std::vector<PictureListRow>& rows) override;
    void AppendRows(const std::vector<PictureListRow>& rows) override;
    QTreeWidget* Tree() const { return m_tree; }

private:
    QTreeWidget* m_tree;
};

// The menu bar reached by position; separators are positions with an empty text.
class CQtMenuControl : public CMenuControl {
public:
    explicit CQtMenuControl(QMenuBar* bar) : m_bar(bar) {}
    int GetItemCount(const std::vector<int>& path) const override;
    bool HasSubMenu(const std::vector<int>& path) const override;
    std::string GetItemText(const std::vector<int>& path) const override;
    void SetItemText(const std::vector<int>& path, const std::string& text) override;
    void Redraw() override;

private:
    // The action at path, null when there is none.
    QAction* ActionAt(const std::vector<int>& path) const;
    QMenuBar* m_bar;
};

}  // namespace trov
