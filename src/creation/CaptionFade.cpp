// Caption fades with the two-pass mask blend, and frame cropping.
#include "creation/CaptionFade.h"

#include <cstdio>

#include "infra/MessagePipelines.h"

namespace trov {

std::unique_ptr<CDibPicture> CropFrame(const CPicture& frame, const CropMargins& margins,
                                       CPictureTools& tools) {
    if (margins.IsZero() || frame.IsEmpty()) return nullptr;
    int w = frame.GetWidth(), h = frame.GetHeight();
    auto out = std::make_unique<CDibPicture>();
    if (!out->Create(w, h)) return nullptr;
    out->Clear();
    int iw = w - margins.left - margins.right, ih = h - margins.top - margins.bottom;
    if (iw < 1 || ih < 1) return out;
    auto inner = tools.Resize(&frame, iw, ih, false);
    if (inner) out->CopyAt(inner.get(), margins.left, margins.bottom);
    out->SetFileName(frame.GetFileName());
    return out;
}

bool RunCaptionFade(CFadingEffect& effect, int n, bool fadeIn, const CPicture& bare,
                    const CPicture& captioned, const CaptionDrawing& caption, CPictureTools& tools,
                    const FrameSink& sink) {
    if (n <= 0 || bare.IsEmpty()) return true;
    std::shared_ptr<const CCaptionOverlay> overlay;
    // Cross Dissolve runs between the two pictures: no caption to prepare.
    if (effect.GetName() != "Cross Dissolve")
        overlay = CCaptionOverlay::Build(bare.GetWidth(), bare.GetHeight(), caption.settings, caption.font,
                                         caption.position, &tools);
    return RunCaptionFade(effect, n, fadeIn, bare, captioned, overlay.get(), tools, sink);
}

bool RunCaptionFade(CFadingEffect& effect, int n, bool fadeIn, const CPicture& bare,
                    const CPicture& captioned, const CCaptionOverlay* overlay, CPictureTools& tools,
                    const FrameSink& sink) {
    if (n <= 0 || bare.IsEmpty()) return true;
    CMessagePipelines* pipes = tools.GetPipelines();
    if (effect.GetName() == "Cross Dissolve") {
        if (fadeIn)
            effect.Init(&bare, &captioned, n);
        else
            effect.Init(&captioned, &bare, n);
        bool ok = true;
        for (int i = 0; i < n && ok; ++i) {
            CDibPicture* f = effect.NextFrame();
            if (!f) break;
            ok = sink(*f);
        }
        effect.End();
        return ok;
    }

    const int w = bare.GetWidth(), h = bare.GetHeight();
    CDibPicture start, end, text, mask, output;
    for (CDibPicture* p : {&start, &end, &text, &mask, &output}) {
        if (!p->Create(w, h)) return true;
        p->Clear();
    }
    if (overlay) {
        overlay->Composite(text);
        overlay->Composite(mask, 0xFFFFFF, 0xFFFFFF);
    }

    effect.SetTextMode(true);
    effect.Init(&start, &end, n);
    bool ok = true;
    CDibPicture textFrame;
    for (int k = 0; k < n && ok; ++k) {
        int i = fadeIn ? k : n - 1 - k;
        char status[96];
        std::snprintf(status, sizeof status, "%d of %d ...", i, n);
        SendStatus(pipes, std::string("Creating Textfading-Effect-Frame ") + status);
        end.CopyFrom(&text);
        effect.SetCurrentFrame(i);
        CDibPicture* f = effect.NextFrame();
        if (!f) break;
        // The effect's frame is overwritten by the next step: keep the caption frame.
        if (textFrame.GetWidth() != w || textFrame.GetHeight() != h) textFrame.Create(w, h);
        textFrame.CopyFrom(f);
        end.CopyFrom(&mask);
        output.CopyFrom(&bare);
        effect.SetCurrentFrame(i);
        CDibPicture* m = effect.NextFrame();
        if (!m) break;
        output.BlendWithMask(&textFrame, m);
        output.BitsChanged();
        ok = sink(output);
    }
    effect.End();
    effect.SetTextMode(false);
    return ok;
}

}  // namespace trov
