// The movie size and frame rate a creation can write, checked before any file is touched.
#pragma once

#include <string>

namespace trov {

// Highest frame rate accepted; above it the timestamps of every encoder lose meaning.
inline constexpr double kMaxFramesPerSecond = 1000.0;

// Empty when width x height at fps can be written: both sides 1 ... CPicture::kMaxSide, a frame
// buffer within CPicture::kMaxImageBytes, fps above 0 and at most kMaxFramesPerSecond. Otherwise
// one sentence naming the value and the accepted range.
std::string MovieFormatProblem(int width, int height, double fps);

}  // namespace trov
