// Fakes for the main view tests (with and without windows): a prompt that answers from a script and records
// what it was asked, a chooser that hands out prepared files, folders and clipboard texts.
#pragma once

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "infra/UserPrompt.h"
#include "ui/MainViewCommands.h"
#include "ui/UiFakes.h"

namespace trov::test {

// The fake list with a selection, as the commands need it: a selection keeps existing rows only, sorted.
class CFakePictureList : public CPictureListControl {
public:
    CFakePictureList() {
        for (int c = 0; c < kPictureListColumnCount; ++c) list.InsertColumn(c, "c" + std::to_string(c), 50);
    }
    int GetColumnCount() const override { return list.GetColumnCount(); }
    void DeleteColumn(int i) override { list.DeleteColumn(i); }
    void InsertColumn(int i, const std::string& t, int w) override { list.InsertColumn(i, t, w); }
    std::string GetColumnTitle(int i) const override { return list.GetColumnTitle(i); }
    int GetColumnWidth(int i) const override { return list.GetColumnWidth(i); }
    int TextWidth(const std::string& t) const override { return list.TextWidth(t); }
    int GetRowCount() const override { return list.GetRowCount(); }
    void DeleteAllRows() override { list.DeleteAllRows(); }
    void InsertRow(int i, const std::string& t) override { list.InsertRow(i, t); }
    std::string GetCellText(int r, int c) const override { return list.GetCellText(r, c); }
    void SetCellText(int r, int c, const std::string& t) override { list.SetCellText(r, c, t); }
    std::vector<int> GetSelectedRows() const override { return selected; }
    void SetSelectedRows(const std::vector<int>& rows) override {
        selected.clear();
        for (int r : rows)
            if (r >= 0 && r < GetRowCount()) selected.push_back(r);
        std::sort(selected.begin(), selected.end());
    }
    FakeList list;
    std::vector<int> selected;
};

class CScriptedPrompt : public CUserPrompt {
public:
    struct Question {
        std::string text;
        std::string caption;
        PromptButtons buttons;
    };
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override {
        asked.push_back({text, caption, buttons});
        if (answers.empty()) return defaultAnswer;
        PromptAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<PromptAnswer> answers;  // next answers; the question's default once empty
    std::vector<Question> asked;
};

class CFakeChooser : public CMainViewChooser {
public:
    std::vector<std::string> ChooseFilesToOpen(const std::string& filter, bool) override {
        filters.push_back(filter);
        if (files.empty()) return {};
        std::vector<std::string> f = files.front();
        files.pop_front();
        return f;
    }
    std::string ChooseFileToSave(const std::string& filter, const std::string&) override {
        filters.push_back(filter);
        return Pop(saveAs);
    }
    std::string ChooseFolder(const std::string& title) override {
        folderTitles.push_back(title);
        return Pop(folders);
    }
    bool ChooseColour(Colour& colour) override {
        if (colours.empty()) return false;
        colour = colours.front();
        colours.pop_front();
        return true;
    }
    bool ChooseFont(LogFont& font) override {
        if (fonts.empty()) return false;
        font = fonts.front();
        fonts.pop_front();
        return true;
    }
    std::string GetClipboardText() override { return clipboard; }
    void SetClipboardText(const std::string& text) override { clipboard = text; }

    std::deque<std::vector<std::string>> files;
    std::deque<std::string> saveAs, folders;
    std::deque<Colour> colours;
    std::deque<LogFont> fonts;
    std::string clipboard;
    std::vector<std::string> filters, folderTitles;

private:
    static std::string Pop(std::deque<std::string>& q) {
        if (q.empty()) return {};
        std::string s = q.front();
        q.pop_front();
        return s;
    }
};

}  // namespace trov::test
