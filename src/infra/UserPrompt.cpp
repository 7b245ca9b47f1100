// Default prompt: stderr with the documented default answer.
#include "infra/UserPrompt.h"

#include <atomic>
#include <cstdio>

namespace trov {

PromptAnswer CStderrPrompt::Ask(const std::string& text, const std::string& caption, PromptButtons,
                                PromptAnswer defaultAnswer) {
    if (caption.empty())
        std::fprintf(stderr, "%s\n", text.c_str());
    else
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return defaultAnswer;
}

namespace {
CStderrPrompt g_stderrPrompt;
std::atomic<CUserPrompt*> g_prompt{&g_stderrPrompt};
}  // namespace

CUserPrompt& GetUserPrompt() {
    return *g_prompt.load();
}

void SetUserPrompt(CUserPrompt* prompt) {
    g_prompt.store(prompt ? prompt : &g_stderrPrompt);
}

}  // namespace trov
