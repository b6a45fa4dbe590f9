#pragma once

#include <string>

namespace ata {

// What --version prints, in the usual form of free software: name and version, the copyright
// line and the licence.
inline std::string VersionText(const std::string& strProgram, const std::string& strVersion) {
    return strProgram + " " + strVersion +
           "\n"
           "Copyright (C) 2026 The ATA Maintenance Tool authors\n"
           "License MIT: <https://opensource.org/licenses/MIT>\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

} // namespace ata
