// Verifying a written movie file by reading it back: how many video packets it really holds.
#pragma once

#include <string>

namespace trov {

// The number of packets (frames) of the first video stream of the file at path, read one by one
// to the end, so that a file cut short shows fewer than its header claims. -1, with the reason in
// *error (when given), when the file cannot be opened, has no video stream, or a read fails before
// its end.
int CountVideoPackets(const std::string& path, std::string* error = nullptr);

}  // namespace trov
