// Where "Add Color Fading" puts its objects.
#include "ui/ColorFadingModel.h"

#include <algorithm>

namespace trov {

const std::vector<ColorFadingChoice>& ColorFadingChoices() {
    static const std::vector<ColorFadingChoice> choices{
        {"DefaultColorFading", ColorFadingPreset::Black},
        {"WhiteFlash", ColorFadingPreset::White},
        {"WhiteFlashSync", ColorFadingPreset::WhiteTakingFrames},
    };
    return choices;
}

std::vector<int> AddColorFadings(CTROVManager& manager, const std::vector<int>& selected,
                                 ColorFadingPreset preset) {
    std::vector<int> sorted = selected;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    std::vector<int> inserted;
    int count = 0;
    for (int index : sorted) {
        const int at = index + count;
        if (!manager.GetObject(at)) continue;
        const int target = preset == ColorFadingPreset::Black ? at + 1 : at;
        if (!manager.InsertColorFading(preset, target)) continue;
        inserted.push_back(target);
        ++count;
    }
    return inserted;
}

}  // namespace trov
