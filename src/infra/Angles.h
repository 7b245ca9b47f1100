// Degrees and radians, with the one pi (std::numbers::pi). The forms are kept as the effects
// compute them: Radians(d) is d * pi / 180 and d * kRadiansPerDegree is d * (pi / 180); the two
// can differ in the last bit, and an effect's frames depend on it.
#pragma once

#include <numbers>

namespace trov {

inline double Radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}
inline double Degrees(double radians) {
    return radians * 180.0 / std::numbers::pi;
}
inline constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

}  // namespace trov
