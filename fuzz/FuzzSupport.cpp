#include "FuzzSupport.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace ata::fuzz {

namespace {

// Made on first use, removed when the fuzzer exits normally.
struct Scratch {
    std::string strPath;
    Scratch() {
        namespace fs = std::filesystem;
        const fs::path base =
            fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string strTemplate = (base / "ata-fuzz-XXXXXX").string();
        if (::mkdtemp(strTemplate.data()) == nullptr)
            std::abort();
        strPath = strTemplate + "/";
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(strPath, ec);
    }
};

} // namespace

std::string ScratchFolder() {
    static const Scratch objScratch;
    return objScratch.strPath;
}

} // namespace ata::fuzz
