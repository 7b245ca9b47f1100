// "Add Color Fading": the three choices of its dialog and where their objects go.
#pragma once

#include <vector>

#include "creation/TROVManager.h"
#include "project/ProjectObject.h"

namespace trov {

inline constexpr const char* kAddColorFadingDlgSection = "ADD_COLOR_FADING_DLG";

// The dialog's buttons in order, with the choice each closes it with (1, 2, 3).
struct ColorFadingChoice {
    const char* key;
    ColorFadingPreset preset;
};
const std::vector<ColorFadingChoice>& ColorFadingChoices();

// Inserts one colour fading per selected object (indexes in ascending list order, taken from the
// first and shifted by the objects inserted so far): black directly after the object; the white
// flashes directly before it, the synchronised one taking its frames from the object. Returns the
// list positions of the inserted objects.
std::vector<int> AddColorFadings(CTROVManager& manager, const std::vector<int>& selected,
                                 ColorFadingPreset preset);

}  // namespace trov
