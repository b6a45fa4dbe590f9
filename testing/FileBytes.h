#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
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

// A new empty folder of its own under the temporary folder, removed with its content at the end.
struct ScratchFolder {
    std::filesystem::path path;
    ScratchFolder() {
        std::string strTemplate =
            (std::filesystem::temp_directory_path() / "ata-test-XXXXXX").string();
        if (!::mkdtemp(strTemplate.data()))
            throw std::runtime_error("cannot make a scratch folder");
        path = strTemplate;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string File(const std::string& strName) const { return (path / strName).string(); }
};

} // namespace ata::test
