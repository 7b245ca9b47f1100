// The preview-creation command (see the header).
#include "ui/FadingPreviewCommand.h"

#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "imaging/PictureTools.h"
#include "infra/MessagePipelines.h"
#include "ui/MainViewCommands.h"

namespace trov {

CFadingPreviewCommand::CFadingPreviewCommand(CTROVManager& manager, CUserPrompt& prompt,
                                             CMainViewChooser& chooser, VideoCodecChooser codecChooser)
    : m_manager(manager), m_prompt(prompt), m_chooser(chooser), m_codecChooser(std::move(codecChooser)) {}

std::unique_ptr<CDibPicture> CFadingPreviewCommand::LoadOwnPicture() {
    std::vector<std::string> files = m_chooser.ChooseFilesToOpen(fadingpreview::kPictureFilter, false);
    if (files.empty() || files.front().empty()) return nullptr;
    const std::string& file = files.front();
    m_manager.SendStatus("Loading " + file + "...");
    CPictureTools tools(&m_manager.GetPipelines());
    std::string failure;
    std::unique_ptr<CPicture> raw =
        tools.LoadPicture(file, true, fadingpreview::kWidth, fadingpreview::kHeight, &failure);
    if (!raw) {
        m_manager.SendStatus(viewtext::kCanNotRead + file);
        m_prompt.Message(viewtext::kCanNotRead + file + (failure.empty() ? "" : "\n" + failure));
        return nullptr;
    }
    m_manager.SendStatus("Resizing...");
    return FitPreviewPicture(*raw);
}

bool CFadingPreviewCommand::Prepare(bool ownPictures) {
    m_a.reset();
    m_b.reset();
    m_result = {};
    const char* question = ownPictures ? fadingpreview::kQuestionOwn : fadingpreview::kQuestionBuiltIn;
    if (m_prompt.Ask(question, fadingpreview::kCaption, PromptButtons::YesNo, PromptAnswer::No) !=
        PromptAnswer::Yes)
        return false;
    if (ownPictures) {
        m_a = LoadOwnPicture();
        if (m_a) m_b = LoadOwnPicture();
    } else {
        m_a = MakeRampPictureA();
        m_b = MakeRampPictureB();
    }
    if (!m_a || !m_b) {
        m_a.reset();
        m_b.reset();
        return false;
    }
    VideoCodecChooser choose = m_codecChooser ? m_codecChooser : GetVideoCodecChooser();
    CompressionOptions previous{};
    m_options = {};
    if (!choose || !choose(*m_a->GetHeader(), previous, m_options) || m_options.fccHandler == 0) {
        m_a.reset();
        m_b.reset();
        return false;
    }
    std::string reason;
    if (!CanCompress(m_options, *m_a->GetHeader(), "preview.avi", &reason)) {
        m_prompt.Message(reason, fadingpreview::kCaption);
        m_a.reset();
        m_b.reset();
        return false;
    }
    return true;
}

bool CFadingPreviewCommand::Execute(const std::atomic<bool>* cancel) {
    if (!m_a || !m_b) return false;
    CFadingPreviewMaker maker(m_manager.GetCreation().GetEffects(),
                              FadingPreviewFolder(m_manager.GetProgramDirectory()),
                              &m_manager.GetPipelines());
    maker.SetThreadCount(m_threads);
    m_result = maker.Create(*m_a, *m_b, m_options, cancel);
    return m_result.Ok();
}

void CFadingPreviewCommand::Finish() {
    const bool ok = m_result.Ok();
    m_manager.SendStatus(ok ? fadingpreview::kSuccess : fadingpreview::kFailure);
    m_prompt.Message(ok ? fadingpreview::kSuccess : fadingpreview::kFailure, fadingpreview::kCaption);
}

bool CFadingPreviewCommand::Run(bool ownPictures) {
    if (!Prepare(ownPictures)) return false;
    Execute();
    Finish();
    return m_result.Ok();
}

}  // namespace trov
