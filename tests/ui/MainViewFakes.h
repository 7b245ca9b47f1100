// Fakes for the main view tests (with and without windows): a prompt that answers from a script and records
// what it was asked, a chooser that hands out prepared files, folders and clipboard texts.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "infra/UserPrompt.h"
#include "ui/MainViewCommands.h"

namespace trov::test {

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
