#include "FuzzSupport.h"

#include "testing/ScratchFolder.h"

#include <filesystem>

namespace ata::fuzz {

std::string ScratchFolder() {
    // Made on first use, removed when the fuzzer exits normally.
    static const test::ScratchFolder objScratch(std::filesystem::exists("/dev/shm")
                                                    ? std::filesystem::path("/dev/shm")
                                                    : std::filesystem::temp_directory_path(),
                                                "ata-fuzz");
    return objScratch.path.string() + "/";
}

} // namespace ata::fuzz
