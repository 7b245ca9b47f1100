// Shared by the fuzz harnesses: the scratch directory and the quiet prompt.
#include "FuzzSupport.h"

#include <cstdio>
#include <filesystem>
#include <mutex>

#include "infra/Log.h"
#include "infra/UserPrompt.h"

namespace trov::fuzz {

namespace {

class QuietPrompt : public CUserPrompt {
public:
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons, PromptAnswer answer) override {
        return answer;
    }
};

std::string g_scratch;

void RemoveScratch() {
    std::error_code ec;
    if (!g_scratch.empty()) std::filesystem::remove_all(g_scratch, ec);
}

}  // namespace

const std::string& ScratchDirectory() {
    static std::once_flag once;
    std::call_once(once, [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/trov-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        g_scratch = pattern;
        std::atexit(RemoveScratch);
    });
    return g_scratch;
}

void QuietProgram() {
    static std::once_flag once;
    std::call_once(once, [] {
        static QuietPrompt prompt;
        SetUserPrompt(&prompt);
        EnableLog(false);
        // Nothing the readers do may write beside the build tree's programs.
        setenv("TROV_HOME", ScratchDirectory().c_str(), 1);
    });
}

}  // namespace trov::fuzz
