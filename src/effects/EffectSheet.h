// Tools for people who write project files or judge effects: the list of registered effects and
// contact sheets of an effect's frames.
#pragma once

#include <string>
#include <vector>

#include "effects/FadingEffect.h"

namespace trov {

class CFadingEffectManager;

// One line per registered effect in registration order:
// "<index>\t<name>\t<version>\t<author>\tcaption fades: yes|no".
std::string DescribeEffects(const CFadingEffectManager& manager);

// Runs effect from a to b over frameCount frames and draws `cells` of them, evenly spread and
// always including the last, as thumbnails of thumbWidth pixels (height by a's aspect) in a grid
// of `columns`, separated by 4-pixel grey gaps, into sheet. False when the effect produced no
// frame or an argument is unusable. The effect is ended afterwards.
bool RenderEffectSheet(CFadingEffect& effect, const CPicture& a, const CPicture& b, int frameCount, int cells,
                       int columns, int thumbWidth, CDibPicture& sheet);

// Writes every frame of the effect as "<prefix>NNNN.bmp" (NNNN from 0001). Returns the number written.
int WriteEffectFrames(CFadingEffect& effect, const CPicture& a, const CPicture& b, int frameCount,
                      const std::string& prefix);

}  // namespace trov
