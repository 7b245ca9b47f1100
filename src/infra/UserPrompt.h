// Questions and messages the core needs answered; the front end owns the implementation.
#pragma once

#include <string>

namespace trov {

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

class CUserPrompt {
public:
    virtual ~CUserPrompt() = default;
    // Shows text with a caption; returns the user's answer, or defaultAnswer where nobody can answer.
    // May be called from any thread.
    virtual PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                             PromptAnswer defaultAnswer) = 0;
    // A message with only an OK button.
    void Message(const std::string& text, const std::string& caption = "TROV") {
        Ask(text, caption, PromptButtons::Ok, PromptAnswer::Ok);
    }
};

// Prints the text to stderr and answers with the default: never blocks (command line, batch runs).
class CStderrPrompt : public CUserPrompt {
public:
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override;
};

// The process-wide prompt used where no other is given. Never null; CStderrPrompt until replaced.
// The pointer is not owned; the caller keeps the prompt alive while it is installed.
CUserPrompt& GetUserPrompt();
void SetUserPrompt(CUserPrompt* prompt);

}  // namespace trov
