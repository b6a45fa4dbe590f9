#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ata::test {

// A whole file's bytes, for checking what the tool wrote.
inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Writes a fixture file, creating its folder.
inline void WriteBytes(const std::filesystem::path& path, const std::string& strContent) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << strContent;
}

} // namespace ata::test
