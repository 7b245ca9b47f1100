// Effect list and contact sheets.
#include "effects/EffectSheet.h"

#include <algorithm>
#include <cstdio>

#include "effects/EffectPixels.h"
#include "effects/FadingEffectManager.h"

namespace trov {

std::string DescribeEffects(const CFadingEffectManager& manager) {
    std::string text;
    int index = 1;
    for (const CFadingEffect* effect : manager.InRegistrationOrder()) {
        text += std::to_string(index++) + "\t" + effect->GetName() + "\t" + effect->GetVersion() + "\t" +
                effect->GetAuthor() + "\tcaption fades: " + (effect->IsTextCapable() ? "yes" : "no") + "\n";
    }
    return text;
}

bool RenderEffectSheet(CFadingEffect& effect, const CPicture& a, const CPicture& b, int frameCount, int cells,
                       int columns, int thumbWidth, CDibPicture& sheet) {
    if (a.IsEmpty() || b.IsEmpty() || frameCount < 1 || cells < 1 || columns < 1 || thumbWidth < 8)
        return false;
    cells = std::min(cells, frameCount);
    columns = std::min(columns, cells);
    const int rows = (cells + columns - 1) / columns;
    const int thumbHeight = std::max(1, thumbWidth * a.GetHeight() / a.GetWidth());
    const int gap = 4;
    if (!sheet.Create(columns * thumbWidth + (columns + 1) * gap, rows * thumbHeight + (rows + 1) * gap))
        return false;
    sheet.Fill(MakeColour(128, 128, 128));
    fx::CRectScaler scaler;
    effect.Init(&a, &b, frameCount);
    int drawn = 0, cell = 0;
    for (int k = 1; k <= frameCount && cell < cells; ++k) {
        const CDibPicture* frame = effect.NextFrame();
        if (!frame) break;
        // Cell i (1-based) shows frame ceil(i * n / cells): evenly spread, the last one is n.
        const long long wanted = (static_cast<long long>(cell + 1) * frameCount + cells - 1) / cells;
        if (k != wanted) continue;
        const int column = cell % columns, row = cell / columns;
        // Row 0 of the sheet is its bottom: the first cells go to the top.
        const int x = gap + column * (thumbWidth + gap);
        const int y = sheet.GetHeight() - (row + 1) * (thumbHeight + gap);
        scaler.Scale(sheet, x, y, thumbWidth, thumbHeight, *frame, 0, 0, frame->GetWidth(),
                     frame->GetHeight());
        ++cell;
        ++drawn;
    }
    effect.End();
    sheet.BitsChanged();
    return drawn > 0;
}

int WriteEffectFrames(CFadingEffect& effect, const CPicture& a, const CPicture& b, int frameCount,
                      const std::string& prefix) {
    int written = 0;
    effect.Init(&a, &b, frameCount);
    while (CDibPicture* frame = effect.NextFrame()) {
        char number[16];
        std::snprintf(number, sizeof number, "%04d", written + 1);
        if (!frame->SaveFile(prefix + number + ".bmp")) break;
        ++written;
    }
    effect.End();
    return written;
}

}  // namespace trov
