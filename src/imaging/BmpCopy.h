// A picture written as a BMP file without copying its pixels first.
#pragma once

#include <string>

#include "imaging/Picture.h"

namespace trov {

// Writes the picture as the 24-bit BMP file that picture.Clone()->SaveFile(path) writes, without
// the copy of its pixels (a prepared moving picture is tens of megabytes). False when the picture
// is empty or the file cannot be written (a partly written file is removed).
bool SaveBmpCopy(const CPicture& picture, const std::string& path);

}  // namespace trov
