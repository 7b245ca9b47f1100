// Small helpers the files of CMainViewCommands share; not part of the interface.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace trov::mainview {

// The project file's section of entry i.
inline std::string SectionName(int i) {
    return "PICTURE_" + std::to_string(i);
}

// A file that can be opened for reading (a folder cannot).
inline bool CanRead(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    return static_cast<bool>(in);
}

}  // namespace trov::mainview
