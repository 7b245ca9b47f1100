// Plain in-memory controls for driving the user-interface logic without a window.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "infra/MessagePipelines.h"
#include "ui/SingleViewWndGUIResizer.h"
#include "ui/UiControls.h"

namespace trov::test {

class FakeWindow : public CWindowControl {
public:
    explicit FakeWindow(std::string initial = {}) : text(std::move(initial)) {}
    std::string GetText() const override { return text; }
    void SetText(const std::string& t) override {
        text = t;
        ++setCount;
    }
    void SetEnabled(bool e) override { enabled = e; }
    bool IsEnabled() const override { return enabled; }
    std::string text;
    bool enabled = true;
    int setCount = 0;
};

class FakeCheck : public CCheckControl {
public:
    std::string GetText() const override { return text; }
    void SetText(const std::string& t) override { text = t; }
    void SetEnabled(bool e) override { enabled = e; }
    bool IsEnabled() const override { return enabled; }
    int GetCheck() const override { return state; }
    void SetCheck(int s) override { state = s; }
    std::string text;
    bool enabled = true;
    int state = 0;
};

class FakeCombo : public CComboControl {
public:
    explicit FakeCombo(bool sortItems = false) : sorted(sortItems) {}
    std::string GetText() const override { return selection >= 0 ? items[selection] : std::string(); }
    void SetText(const std::string&) override {}
    void SetEnabled(bool e) override { enabled = e; }
    bool IsEnabled() const override { return enabled; }
    int GetCount() const override { return static_cast<int>(items.size()); }
    std::string GetItemText(int i) const override { return items.at(i); }
    int GetSelection() const override { return selection; }
    void SetSelection(int i) override { selection = i; }
    void ClearItems() override {
        items.clear();
        selection = -1;
    }
    int AddItem(const std::string& t) override {
        auto at = sorted ? std::upper_bound(items.begin(), items.end(), t) : items.end();
        return static_cast<int>(items.insert(at, t) - items.begin());
    }
    bool sorted;
    std::vector<std::string> items;
    int selection = -1;
    bool enabled = true;
};

class FakeSlider : public CSliderControl {
public:
    std::string GetText() const override { return {}; }
    void SetText(const std::string&) override {}
    void SetEnabled(bool e) override { enabled = e; }
    bool IsEnabled() const override { return enabled; }
    void SetRange(int lo, int hi) override {
        minimum = lo;
        maximum = hi;
    }
    int GetPosition() const override { return position; }
    void SetPosition(int p) override { position = p; }
    int minimum = 0, maximum = 100, position = -1;
    bool enabled = true;
};

class FakeList : public CListControl {
public:
    struct Column {
        std::string title;
        int width;
    };
    int GetColumnCount() const override { return static_cast<int>(columns.size()); }
    void DeleteColumn(int i) override {
        columns.erase(columns.begin() + i);
        for (auto& row : rows) {
            if (i < static_cast<int>(row.size())) row.erase(row.begin() + i);
        }
    }
    void InsertColumn(int i, const std::string& title, int width) override {
        columns.insert(columns.begin() + i, Column{title, width});
        for (auto& row : rows) row.insert(row.begin() + std::min<size_t>(i, row.size()), std::string());
    }
    std::string GetColumnTitle(int i) const override { return columns.at(i).title; }
    int GetColumnWidth(int i) const override { return columns.at(i).width; }
    // 7 pixels per byte plus a margin, enough to tell a measured width from a stored one.
    int TextWidth(const std::string& t) const override { return static_cast<int>(t.size()) * 7 + 12; }
    int GetRowCount() const override { return static_cast<int>(rows.size()); }
    void DeleteAllRows() override { rows.clear(); }
    void InsertRow(int i, const std::string& t) override {
        std::vector<std::string> row(std::max<size_t>(columns.size(), 1));
        row[0] = t;
        rows.insert(rows.begin() + std::min<size_t>(i, rows.size()), row);
    }
    std::string GetCellText(int r, int c) const override {
        return c < static_cast<int>(rows.at(r).size()) ? rows.at(r)[c] : std::string();
    }
    void SetCellText(int r, int c, const std::string& t) override { rows.at(r).at(c) = t; }
    std::vector<Column> columns;
    std::vector<std::vector<std::string>> rows;
};

// A menu tree; separators are items with an empty text and no submenu.
class FakeMenu : public CMenuControl {
public:
    struct Item {
        std::string text;
        std::vector<Item> items;
        bool popup = false;
    };
    const std::vector<Item>* Level(const std::vector<int>& path) const {
        const std::vector<Item>* level = &bar;
        for (int p : path) {
            if (p < 0 || p >= static_cast<int>(level->size()) || !(*level)[p].popup) return nullptr;
            level = &(*level)[p].items;
        }
        return level;
    }
    const Item* At(const std::vector<int>& path) const {
        if (path.empty()) return nullptr;
        const auto* level = Level({path.begin(), path.end() - 1});
        if (!level || path.back() < 0 || path.back() >= static_cast<int>(level->size())) return nullptr;
        return &(*level)[path.back()];
    }
    int GetItemCount(const std::vector<int>& path) const override {
        const auto* level = Level(path);
        return level ? static_cast<int>(level->size()) : 0;
    }
    bool HasSubMenu(const std::vector<int>& path) const override {
        const Item* item = At(path);
        return item && item->popup;
    }
    std::string GetItemText(const std::vector<int>& path) const override {
        const Item* item = At(path);
        return item ? item->text : std::string();
    }
    void SetItemText(const std::vector<int>& path, const std::string& text) override {
        if (const Item* item = At(path)) const_cast<Item*>(item)->text = text;
    }
    void Redraw() override { ++redraws; }
    std::vector<Item> bar;
    int redraws = 0;
};

class FakeGeometry : public CGeometryControl {
public:
    explicit FakeGeometry(CUiRect r = {}, CUiSize client = {}) : rect(r), clientSize(client) {}
    CUiRect GetGeometry() const override { return rect; }
    void SetGeometry(const CUiRect& r) override {
        rect = r;
        visible = true;
        if (followClient) clientSize = {r.Width(), r.Height()};
    }
    CUiSize GetClientSize() const override { return clientSize; }
    CUiRect rect;
    CUiSize clientSize;
    bool visible = false;
    bool followClient = false;
};

// Keeps every text sent to one pipeline.
class RecordingListener : public CMessagePipelineListener {
public:
    void OnMessage(const std::string&, int32_t) override {}
    void OnMessage(const std::string&, const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

}  // namespace trov::test
