#pragma once

#include "testing/ScratchFolder.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>

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

// The permission bits of a file (0 when there is none).
inline unsigned ModeOf(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// lngSize bytes of a fixed pseudo-random sequence: a payload no layer can shortcut.
inline std::string RandomBytes(size_t lngSize, unsigned intSeed) {
    std::mt19937 gen(intSeed);
    std::string s(lngSize, '\0');
    for (auto& ch : s)
        ch = static_cast<char>(gen() & 0xFF);
    return s;
}

} // namespace ata::test
