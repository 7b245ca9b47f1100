// The small control interfaces the user-interface logic works on. The window toolkit's widgets
// implement them as thin adapters; the tests implement them with plain fakes.
#pragma once

#include <string>
#include <vector>

namespace trov {

// Any window with a text: a control, a label, a frame or a dialog caption.
class CWindowControl {
public:
    virtual ~CWindowControl() = default;
    virtual std::string GetText() const = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsEnabled() const = 0;
};

// A check box: state 0 off, 1 on.
class CCheckControl : public CWindowControl {
public:
    virtual int GetCheck() const = 0;
    virtual void SetCheck(int state) = 0;
};

// A drop-down list (combo box). Indexes are 0-based; -1 means no entry. GetText/SetText of the
// base are the edit text (for a pure drop-down list: the selected entry's text).
class CComboControl : public CWindowControl {
public:
    virtual int GetCount() const = 0;
    virtual std::string GetItemText(int index) const = 0;
    virtual int GetSelection() const = 0;
    // -1 clears the selection.
    virtual void SetSelection(int index) = 0;
    virtual void ClearItems() = 0;
    // Appends an entry, or inserts it at its sorted place when the control sorts; returns its index.
    virtual int AddItem(const std::string& text) = 0;
};

// A slider (track bar) with an integer range.
class CSliderControl : public CWindowControl {
public:
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual int GetPosition() const = 0;
    virtual void SetPosition(int position) = 0;
};

// A report list: columns with titles and widths, rows of cell texts.
class CListControl {
public:
    virtual ~CListControl() = default;
    virtual int GetColumnCount() const = 0;
    // Removes column index (the cells of that column go with it).
    virtual void DeleteColumn(int index) = 0;
    // Inserts a left-aligned column at index; width in pixels.
    virtual void InsertColumn(int index, const std::string& title, int width) = 0;
    virtual std::string GetColumnTitle(int index) const = 0;
    virtual int GetColumnWidth(int index) const = 0;
    // The pixel width of text in the list's font (for columns sized to their title).
    virtual int TextWidth(const std::string& text) const = 0;

    virtual int GetRowCount() const = 0;
    virtual void DeleteAllRows() = 0;
    // Inserts a row at index with text as the cell of column 0 (other cells empty).
    virtual void InsertRow(int index, const std::string& text) = 0;
    virtual std::string GetCellText(int row, int column) const = 0;
    virtual void SetCellText(int row, int column, const std::string& text) = 0;
};

// A menu bar reached by position. A path is the list of positions from the bar down: {} is the
// bar itself, {0} its first menu, {0, 2} the third item of that menu. Separators count as
// positions (with an empty text).
class CMenuControl {
public:
    virtual ~CMenuControl() = default;
    // The number of items of the menu at path; 0 when path does not name a menu.
    virtual int GetItemCount(const std::vector<int>& path) const = 0;
    virtual bool HasSubMenu(const std::vector<int>& path) const = 0;
    virtual std::string GetItemText(const std::vector<int>& path) const = 0;
    // Replaces the text of the item at path; its command, shortcut and submenu stay.
    virtual void SetItemText(const std::vector<int>& path, const std::string& text) = 0;
    // Shows changed texts (a repaint of the bar).
    virtual void Redraw() = 0;
};

}  // namespace trov
