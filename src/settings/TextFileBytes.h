// The bytes CTextFile::Write puts on disk, for writers that place the file themselves (the project
// save keeps a backup of the file it replaces).
#pragma once

#include <string>
#include <vector>

namespace trov {

// Lines, each followed by "\r\n", in encoding (CTextFile::k8Bit, kUtf16LE or kUtf16BE). 8-bit text
// that would not read back unchanged goes out as UTF-16 LE; encoding is set to what was used.
std::string EncodeTextFile(const std::vector<std::string>& lines, int& encoding);

}  // namespace trov
