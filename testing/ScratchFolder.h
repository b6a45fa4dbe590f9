#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace ata::test {

// A new folder others may pass through, removed at the end whatever modes a case left.
class ScratchFolder {
public:
    explicit ScratchFolder(
        const std::filesystem::path& parent = std::filesystem::temp_directory_path(),
        const std::string& strPrefix = "ata-test") {
        std::string strTemplate = (parent / (strPrefix + "-XXXXXX")).string();
        if (::mkdtemp(strTemplate.data()) == nullptr)
            throw std::runtime_error("cannot make a scratch folder in " + parent.string());
        path = strTemplate;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all |
                                               std::filesystem::perms::group_exec |
                                               std::filesystem::perms::others_exec);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string File(const std::string& strName) const { return (path / strName).string(); }

    std::filesystem::path path;
};

} // namespace ata::test
