// Number boxes of the editing dialogs: which entries hold numbers, their sensible ranges, and the
// refusal of a text that is no such number (the entry keeps its old value, the user is told why).
#pragma once

#include <string>
#include <vector>

#include "settings/SettingsStore.h"

namespace trov {

struct NumberField {
    const char* section;
    const char* key;
    const char* label;  // the box's label as the user reads it ("Frames per seconds:")
    bool real;          // a decimal number ("." or "," before the fraction) instead of an integer
    double minimum;
    double maximum;
};

// True when text (blanks around it ignored) is an integer, or for real fields a decimal number,
// inside the field's range.
bool IsValidNumber(const NumberField& field, const std::string& text);

// After the controls were read into store: every field whose text is not a valid number gets back
// its value from before (removed when before had none) and adds one line to the returned message.
// An empty result means every number was accepted.
std::string RefuseBadNumbers(CSettingsStore& store, const CSettingsStore& before,
                             const std::vector<NumberField>& fields);

}  // namespace trov
