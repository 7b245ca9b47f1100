// A user prompt for tests that answers every question with its default and keeps the texts shown.
#pragma once

#include <string>
#include <vector>

#include "infra/UserPrompt.h"

namespace trov::test {

class CTextRecordingPrompt : public CUserPrompt {
public:
    PromptAnswer Ask(const std::string& text, const std::string&, PromptButtons,
                     PromptAnswer defaultAnswer) override {
        texts.push_back(text);
        return defaultAnswer;
    }
    std::vector<std::string> texts;
};

}  // namespace trov::test
