// Number boxes: validation and refusal with the old value kept.
#include "ui/NumberFields.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace trov {

namespace {

// The number of text, strictly: an optional sign, digits, for reals one "." or "," and more digits.
bool ParseStrict(const std::string& text, bool real, double& value) {
    std::string t(CSettingsStore::Trim(text));
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    bool separator = false;
    std::string normal = t.substr(0, i);
    for (; i < t.size(); ++i) {
        char c = t[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            ++digits;
            normal += c;
        } else if (real && !separator && (c == '.' || c == ',')) {
            separator = true;
            normal += '.';
        } else {
            return false;
        }
    }
    if (digits == 0 || digits > 15) return false;
    // The separator is always "." here, so the locale cannot change the reading.
    double v = 0;
    double scale = 1;
    bool fraction = false;
    for (char c : normal) {
        if (c == '.') {
            fraction = true;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            if (fraction) {
                scale /= 10;
                v += (c - '0') * scale;
            } else {
                v = v * 10 + (c - '0');
            }
        }
    }
    value = normal[0] == '-' ? -v : v;
    return std::isfinite(value);
}

std::string Shown(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

}  // namespace

bool IsValidNumber(const NumberField& field, const std::string& text) {
    double v = 0;
    return ParseStrict(text, field.real, v) && v >= field.minimum && v <= field.maximum;
}

std::string RefuseBadNumbers(CSettingsStore& store, const CSettingsStore& before,
                             const std::vector<NumberField>& fields) {
    std::string message;
    for (const NumberField& f : fields) {
        std::string text;
        if (!store.GetString(f.section, f.key, text) || IsValidNumber(f, text)) continue;
        std::string old;
        bool hadOld = before.GetString(f.section, f.key, old);
        if (hadOld)
            store.SetString(f.section, f.key, old);
        else
            store.RemoveKey(f.section, f.key);
        if (!message.empty()) message += "\n";
        message += std::string(f.label) + " \"" + text + "\" is not " +
                   (f.real ? "a number" : "a whole number") + " from " + Shown(f.minimum) + " to " +
                   Shown(f.maximum) + "; the value stays " + (hadOld ? "\"" + old + "\"" : "unset") + ".";
    }
    return message;
}

}  // namespace trov
